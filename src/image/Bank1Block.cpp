#include "image/Bank1Block.h"

#include "common/LittleEndian.h"
#include "commparams/CommParams.h"

#include <algorithm>

namespace {

void putOctets(std::span<std::uint8_t> bytes, std::size_t offset, const std::array<std::uint8_t, 4> &octets)
{
    std::copy(octets.begin(), octets.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

} // namespace

void Bank1Block::Set_Default_Bank1()
{
    using namespace Bank1Offset;
    using namespace LittleEndian;
    m_bytes.fill(0);
    putU32(m_bytes, TimingA, 250000);
    putU32(m_bytes, TimingB, 250000);
    putU32(m_bytes, SerialBaud, 9600);
    putOctets(m_bytes, IpAddress, {192, 168, 2, 205});
    putOctets(m_bytes, SubnetMask, {255, 255, 255, 0});
    putOctets(m_bytes, Gateway, {255, 255, 255, 255});
    putU16(m_bytes, PortA, 10000);
    putU16(m_bytes, PortB, 10001);
    putU16(m_bytes, PortC, 10001);
    for (std::size_t i = 0; i < FixedEightsCount; ++i)
        putU8(m_bytes, FixedEights + i, 8);
}

void Bank1Block::Load_ParGen_Bank1(const QString &parGenFile)
{
    const std::optional<CompilerParGen> values = Read_ParGen_For_Compiler(parGenFile);
    if (!values)
        return;
    using namespace Bank1Offset;
    putOctets(m_bytes, IpAddress, values->ipAddress);
    putOctets(m_bytes, SubnetMask, values->subnetMask);
    putOctets(m_bytes, Gateway, values->gateway);
    LittleEndian::putU8(m_bytes, StationAddress, values->stationAddress);
    // A negative count from a hand-edited file is stored in two's complement.
    LittleEndian::putU32(m_bytes, NumberByteIn, static_cast<std::uint32_t>(values->nbIn));
    LittleEndian::putU32(m_bytes, NumberByteOut, static_cast<std::uint32_t>(values->nbOut));
}

void Bank1Block::Set_Bank2_Address(std::uint32_t address)
{
    LittleEndian::putU32(m_bytes, Bank1Offset::Bank2Address, address);
}

void Bank1Block::Set_Rule_Count(std::uint32_t count)
{
    LittleEndian::putU32(m_bytes, Bank1Offset::RuleCount, count);
}

std::uint32_t Bank1Block::Compute_Checksum() const
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < Bank1Offset::Checksum; ++i)
        sum += m_bytes[i];
    return sum;
}

qsizetype Bank1Block::Store_Bank1(QByteArray &output)
{
    LittleEndian::putU32(m_bytes, Bank1Offset::Checksum, Compute_Checksum());
    output.append(reinterpret_cast<const char *>(m_bytes.data()), static_cast<qsizetype>(m_bytes.size()));
    return output.size();
}
