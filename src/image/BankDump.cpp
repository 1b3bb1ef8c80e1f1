#include "image/BankDump.h"

#include "common/LittleEndian.h"
#include "image/Bank1Block.h"
#include "image/Bank2Table.h"
#include "s7access/S7RuleCodes.h"

#include <QString>
#include <span>

namespace {

std::span<const std::uint8_t> bytesOf(const QByteArray &image)
{
    return {reinterpret_cast<const std::uint8_t *>(image.constData()), static_cast<std::size_t>(image.size())};
}

QString dotted(std::span<const std::uint8_t> b, std::size_t offset)
{
    return QStringLiteral("%1.%2.%3.%4").arg(b[offset]).arg(b[offset + 1]).arg(b[offset + 2]).arg(b[offset + 3]);
}

QString hex32(std::uint32_t value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

QString yesNo(bool set)
{
    return set ? QStringLiteral("Y") : QStringLiteral("N");
}

} // namespace

BankDump Describe_Bank1(const QByteArray &image)
{
    using namespace Bank1Offset;
    using LittleEndian::getU16;
    using LittleEndian::getU32;
    BankDump dump;
    const auto b = bytesOf(image);

    const QString gateway = dotted(b, Gateway);
    const std::uint32_t stored = getU32(b, Checksum);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < Checksum; ++i)
        sum += b[i];

    // Every byte outside the named fields is reserved and must be zero.
    Bank1Block defaults;
    std::array<bool, Bank1Block::kSize> named{};
    const std::pair<std::size_t, std::size_t> fields[] = {
        {TimingA, 4},   {TimingB, 4},       {SerialBaud, 4},     {IpAddress, 4},     {SubnetMask, 4},
        {Gateway, 4},   {PortA, 2},         {PortB, 2},          {PortC, 2},         {NumberByteOut, 4},
        {NumberByteIn, 4}, {StationAddress, 1}, {FixedEights, FixedEightsCount}, {Bank2Address, 4},
        {RuleCount, 4}, {Checksum, 4}};
    for (const auto &[offset, width] : fields)
        std::fill_n(named.begin() + static_cast<std::ptrdiff_t>(offset), width, true);
    int reservedSet = 0;
    for (std::size_t i = 0; i < Bank1Block::kSize; ++i)
        reservedSet += !named[i] && b[i] != 0 ? 1 : 0;
    bool fixedChanged = false;
    for (const auto &[offset, width] : {std::pair{TimingA, std::size_t{12 + 4}}, std::pair{PortA, std::size_t{6}},
                                        std::pair{FixedEights, FixedEightsCount}}) {
        for (std::size_t i = offset; i < offset + width; ++i)
            fixedChanged |= b[i] != defaults.bytes()[i];
    }

    dump.lines << QStringLiteral("bank1.bin: device parameter block, 2048 bytes")
               << QStringLiteral("IP address: %1").arg(dotted(b, IpAddress))
               << QStringLiteral("Subnet mask: %1").arg(dotted(b, SubnetMask))
               << QStringLiteral("Gateway: %1").arg(gateway == QLatin1String("255.255.255.255")
                                                         ? QStringLiteral("none (255.255.255.255)")
                                                         : gateway)
               << QStringLiteral("PROFIBUS station address: %1").arg(b[StationAddress])
               << QStringLiteral("Number byte in (PROFINET_NB_IN): %1").arg(static_cast<std::int32_t>(getU32(b, NumberByteIn)))
               << QStringLiteral("Number byte out (PROFINET_NB_OUT): %1").arg(static_cast<std::int32_t>(getU32(b, NumberByteOut)))
               << QStringLiteral("Bank 2 device address: %1").arg(hex32(getU32(b, Bank2Address)))
               << QStringLiteral("Rules in bank 2: %1").arg(getU32(b, RuleCount))
               << QStringLiteral("Fixed values: %1 %2 %3 %4 %5 %6%7")
                      .arg(getU32(b, TimingA))
                      .arg(getU32(b, TimingB))
                      .arg(getU32(b, SerialBaud))
                      .arg(getU16(b, PortA))
                      .arg(getU16(b, PortB))
                      .arg(getU16(b, PortC))
                      .arg(fixedChanged ? QStringLiteral(" (not the configurator's values)") : QString())
               << (reservedSet == 0 ? QStringLiteral("Reserved bytes: all zero")
                                    : QStringLiteral("Reserved bytes: %1 not zero").arg(reservedSet))
               << (stored == sum ? QStringLiteral("Checksum: %1 (%2), verified").arg(stored).arg(hex32(stored))
                                 : QStringLiteral("Checksum: %1 (%2), WRONG: the bytes sum to %3")
                                       .arg(stored)
                                       .arg(hex32(stored))
                                       .arg(sum));
    dump.consistent = stored == sum && reservedSet == 0 && !fixedChanged;
    return dump;
}

BankDump Describe_Bank2(const QByteArray &image)
{
    using namespace Bank2Offset;
    using LittleEndian::getU16;
    using LittleEndian::getU32;
    BankDump dump;
    const auto all = bytesOf(image);
    dump.lines << QStringLiteral("bank2.bin: S7comm rule table, 1024 entries of 28 bytes");
    int reads = 0;
    int writes = 0;
    for (int i = 0; i < Bank2Table::kEntryCount; ++i) {
        const auto e = all.subspan(static_cast<std::size_t>(i) * Bank2Table::kEntrySize, Bank2Table::kEntrySize);
        if (std::all_of(e.begin(), e.end(), [](std::uint8_t v) { return v == 0; }))
            continue;
        const std::uint8_t flags = e[Flags];
        const bool write = flags & Bank2Flag::Write;
        (write ? writes : reads) += 1;

        QStringList problems;
        const auto decoded = [&](QString text, std::uint8_t code, const char *what) {
            if (text.isEmpty()) {
                problems << QStringLiteral("unknown %1 code %2").arg(QLatin1String(what)).arg(code);
                text = QStringLiteral("?");
            }
            return text;
        };
        QStringList fields;
        fields << QStringLiteral("PLC_Address=%1").arg(dotted(std::array{e[3], e[2], e[1], e[0]}, 0))
               << QStringLiteral("PLC_Port=%1").arg(getU16(e, PlcPort))
               << QStringLiteral("PLC_Type=%1").arg(decoded(PLC_Type_Text(e[PlcType]), e[PlcType], "PLC type"))
               << QStringLiteral("Rack=%1").arg(e[RackSlot] >> 5) << QStringLiteral("Slot=%1").arg(e[RackSlot] & 31)
               << QStringLiteral("Data_Type=%1").arg(decoded(Data_Type_Text(e[DataType]), e[DataType], "data type"))
               << QStringLiteral("Data_Identifier=%1")
                      .arg(decoded(Data_Identifier_Text(e[DataIdentifier]), e[DataIdentifier], "data identifier"))
               << QStringLiteral("DB_Number=%1").arg(getU16(e, DbNumber))
               << QStringLiteral("PLC_Area=%1").arg(decoded(PLC_Area_Text(e[PlcArea]), e[PlcArea], "PLC area"))
               << QStringLiteral("PLC_Add=%1").arg(getU16(e, PlcAdd)) << QStringLiteral("PLC_Bit=%1").arg(e[PlcBit])
               << QStringLiteral("PollTime=%1").arg(getU32(e, PollTime));
        if (write)
            fields << QStringLiteral("OnChange=%1").arg(yesNo(flags & Bank2Flag::OnChange))
                   << QStringLiteral("OnCMD=%1").arg(yesNo(flags & Bank2Flag::OnCmd));
        fields << QStringLiteral("Position=%1").arg(getU16(e, Position)) << QStringLiteral("Bit=%1").arg(e[StartBit])
               << QStringLiteral("Swap=%1").arg(yesNo(flags & Bank2Flag::Swap))
               << QStringLiteral("SwapWord=%1").arg(yesNo(flags & Bank2Flag::SwapWord));
        constexpr std::uint8_t knownFlags = Bank2Flag::OnChange | Bank2Flag::Swap | Bank2Flag::SwapWord
                                            | Bank2Flag::OnCmd | Bank2Flag::Write;
        if ((flags & ~knownFlags) != 0 || (!write && (flags & (Bank2Flag::OnChange | Bank2Flag::OnCmd))))
            problems << QStringLiteral("unexpected flags 0x%1").arg(flags, 2, 16, QLatin1Char('0'));
        if (getU16(e, Reserved16) != 0 || e[Reserved22] != 0 || e[Reserved27] != 0)
            problems << QStringLiteral("reserved bytes not zero");
        if (!problems.isEmpty())
            dump.consistent = false;
        dump.lines << QStringLiteral("entry %1 %2: %3%4")
                          .arg(i)
                          .arg(write ? QStringLiteral("write") : QStringLiteral("read"))
                          .arg(fields.join(QStringLiteral(", ")))
                          .arg(problems.isEmpty() ? QString() : QStringLiteral(" [") + problems.join(QStringLiteral("; ")) + u']');
    }
    dump.lines << QStringLiteral("%1 rules (%2 read, %3 write)").arg(reads + writes).arg(reads).arg(writes);
    return dump;
}
