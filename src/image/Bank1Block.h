#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// Byte offsets of the device parameter block (bank1.bin). Every other byte is reserved and 0.
namespace Bank1Offset {
inline constexpr std::size_t TimingA = 0x000;        // u32, fixed 250000
inline constexpr std::size_t TimingB = 0x004;        // u32, fixed 250000
inline constexpr std::size_t SerialBaud = 0x00C;     // u32, fixed 9600
inline constexpr std::size_t IpAddress = 0x028;      // 4 × u8, first octet first
inline constexpr std::size_t SubnetMask = 0x02C;     // 4 × u8
inline constexpr std::size_t Gateway = 0x030;        // 4 × u8, 255.255.255.255 = none
inline constexpr std::size_t PortA = 0x034;          // u16, fixed 10000
inline constexpr std::size_t PortB = 0x036;          // u16, fixed 10001
inline constexpr std::size_t PortC = 0x038;          // u16, fixed 10001
inline constexpr std::size_t NumberByteOut = 0x074;  // u32, PROFINET_NB_OUT
inline constexpr std::size_t NumberByteIn = 0x078;   // u32, PROFINET_NB_IN
inline constexpr std::size_t StationAddress = 0x081; // u8, PROFIBUS DP station address
inline constexpr std::size_t FixedEights = 0x1B4;    // 8 × u8, fixed 8 each
inline constexpr std::size_t FixedEightsCount = 8;
inline constexpr std::size_t Bank2Address = 0x654;   // u32, where the device finds bank 2
inline constexpr std::size_t RuleCount = 0x658;      // u32, entries used in bank 2
inline constexpr std::size_t Checksum = 0x7FC;       // u32, sum of the bytes before it
inline constexpr std::size_t Size = 0x800;
} // namespace Bank1Offset

// The device parameter block: 2048 bytes that the converter loads as its configuration.
class Bank1Block
{
public:
    static constexpr std::size_t kSize = Bank1Offset::Size;
    // Bank 2 is written to the device at this address; the block tells the device so.
    static constexpr std::uint32_t kBank2DeviceAddress = 0x80000;

    Bank1Block() { Set_Default_Bank1(); }

    // Every byte to its default: the fixed values, address 192.168.2.205, mask 255.255.255.0,
    // no gateway, everything else 0.
    void Set_Default_Bank1();

    // The values of ParGen.xml by the compiler's reading; nothing when the file is missing.
    // Throws XmlError when it is not well-formed.
    void Load_ParGen_Bank1(const QString &parGenFile);

    void Set_Bank2_Address(std::uint32_t address);
    void Set_Rule_Count(std::uint32_t count);

    // Sum of the bytes 0x000 to 0x7FB.
    std::uint32_t Compute_Checksum() const;

    // Stores the checksum and appends the 2048 bytes to `output`; returns its new length.
    qsizetype Store_Bank1(QByteArray &output);

    std::span<const std::uint8_t, kSize> bytes() const { return m_bytes; }

private:
    std::array<std::uint8_t, kSize> m_bytes{};
};

static_assert(Bank1Offset::Checksum + 4 == Bank1Block::kSize, "the checksum closes the block");
static_assert(Bank1Offset::RuleCount + 4 <= Bank1Offset::Checksum);
