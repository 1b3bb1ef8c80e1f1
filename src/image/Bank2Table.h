#pragma once

#include "common/XmlReader.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// Byte offsets inside one entry of the S7comm rule table (bank2.bin).
namespace Bank2Offset {
inline constexpr std::size_t PlcAddress = 0;      // u32, a.b.c.d as a × 2^24 + ... + d
inline constexpr std::size_t PollTime = 4;        // u32, milliseconds
inline constexpr std::size_t PlcAdd = 8;          // u16, address in the PLC area
inline constexpr std::size_t DbNumber = 10;       // u16
inline constexpr std::size_t PlcPort = 12;        // u16, TCP port
inline constexpr std::size_t Position = 14;       // u16, index in the internal data array
inline constexpr std::size_t Reserved16 = 16;     // u16, 0
inline constexpr std::size_t StartBit = 18;       // u8
inline constexpr std::size_t PlcType = 19;        // u8, PLC_Type_Code
inline constexpr std::size_t DataType = 20;       // u8, Data_Type_Code
inline constexpr std::size_t DataIdentifier = 21; // u8, Data_Identifier_Code
inline constexpr std::size_t Reserved22 = 22;     // u8, 0
inline constexpr std::size_t Flags = 23;          // u8, Bank2Flag
inline constexpr std::size_t PlcBit = 24;         // u8
inline constexpr std::size_t PlcArea = 25;        // u8, PLC_Area_Code
inline constexpr std::size_t RackSlot = 26;       // u8, rack × 32 + slot
inline constexpr std::size_t Reserved27 = 27;     // u8, 0
inline constexpr std::size_t EntrySize = 28;
} // namespace Bank2Offset

// Bits of the flags byte of an entry.
namespace Bank2Flag {
inline constexpr std::uint8_t OnChange = 0x01; // write rules only
inline constexpr std::uint8_t Swap = 0x04;
inline constexpr std::uint8_t SwapWord = 0x08;
inline constexpr std::uint8_t OnCmd = 0x10; // write rules only
inline constexpr std::uint8_t Write = 0x20; // the rule comes from the write list
} // namespace Bank2Flag

// The S7comm rule table the converter executes: 1024 entries of 28 bytes, the enabled read
// rules first, then the enabled write rules, zero after the last one.
class Bank2Table
{
public:
    static constexpr int kEntryCount = 1024;
    static constexpr std::size_t kEntrySize = Bank2Offset::EntrySize;
    static constexpr std::size_t kSize = kEntrySize * kEntryCount;

    void Clear_Bank2();

    // Fills the table from S7_Protocol.xml and returns the number of entries used. A missing
    // file leaves the table empty. Throws XmlError when the file is not well-formed or lacks
    // S7_Protocol_Read or S7_Protocol_Write, ValueError when it enables more than 1024 rules
    // (the table is then left empty).
    int Load_S7_Protocol_Bank2(const QString &s7ProtocolFile);
    // The same for a document already parsed; `what` names it in errors.
    int Load_S7_Protocol_Bank2(const XmlDocument &doc, const QString &what);

    // Appends the whole table to `output`; returns its new length.
    qsizetype Store_Bank2(QByteArray &output) const;

    std::span<const std::uint8_t, kSize> bytes() const { return m_bytes; }

private:
    std::array<std::uint8_t, kSize> m_bytes{};
};

static_assert(Bank2Offset::Reserved27 + 1 == Bank2Offset::EntrySize, "the fields cover the entry");
static_assert(Bank2Table::kSize == 28672);
