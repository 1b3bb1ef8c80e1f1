#include "image/Bank2Table.h"

#include "common/SafeFile.h"
#include "common/Errors.h"
#include "common/LittleEndian.h"
#include "common/TextUtil.h"
#include "common/XmlIo.h"
#include "s7access/IpAddress.h"
#include "s7access/S7RuleCodes.h"

#include <QFileInfo>

namespace {

const QString kRead = QStringLiteral("S7_Protocol_Read");
const QString kWrite = QStringLiteral("S7_Protocol_Write");

XmlElement requireSection(const XmlElement &root, const QString &name, const QString &what)
{
    const XmlElement section = root.firstChildElement(name);
    if (section.isNull())
        throw XmlError(QStringLiteral("%1 has no %2 element").arg(what, name));
    return section;
}

bool isEnabled(const XmlElement &row)
{
    const std::optional<QStringView> enable = row.attributeView(u"Enable");
    return enable && *enable == u"Y";
}

int countEnabled(const XmlElement &section)
{
    int n = 0;
    for (XmlElement row = section.firstChildElement(); !row.isNull(); row = row.nextSiblingElement())
        n += isEnabled(row) ? 1 : 0;
    return n;
}

// Fills one entry from a row: each attribute on its own, a missing one gives its default.
class EntryWriter
{
public:
    EntryWriter(std::span<std::uint8_t> entry, const XmlElement &row) : m_entry(entry), m_row(row) {}

    QStringView text(QStringView name) const { return m_row.attributeView(name).value_or(QStringView()); }
    // A missing attribute reads as an empty text, which Text_To_Int turns into the default.
    int number(QStringView name, int defaultValue) const { return Text_To_Int(text(name), defaultValue); }
    bool yes(QStringView name) const { return text(name) == u"Y"; }

    void u8(std::size_t offset, std::uint32_t value) { LittleEndian::putU8(m_entry, offset, value); }
    void u16(std::size_t offset, std::uint32_t value) { LittleEndian::putU16(m_entry, offset, value); }
    void u32(std::size_t offset, std::uint32_t value) { LittleEndian::putU32(m_entry, offset, value); }

private:
    std::span<std::uint8_t> m_entry;
    const XmlElement &m_row;
};

void fillEntry(std::span<std::uint8_t> entry, const XmlElement &row, bool writeRule)
{
    using namespace Bank2Offset;
    EntryWriter e(entry, row);
    const ParsedIp ip = Parse_IP_Address(e.text(u"PLC_Address"));
    e.u32(PlcAddress, ip.error ? 0 : ip.value());
    e.u16(PlcPort, static_cast<std::uint32_t>(e.number(u"PLC_Port", 0)));
    e.u8(PlcType, PLC_Type_Code(e.text(u"PLC_Type")));
    const int rack = e.number(u"Rack", 0) & 0xFF;
    const int slot = e.number(u"Slot", 0) & 0xFF;
    e.u8(RackSlot, static_cast<std::uint32_t>(rack * 32 + slot));
    e.u8(DataType, Data_Type_Code(e.text(u"Data_Type")));
    e.u8(DataIdentifier, Data_Identifier_Code(e.text(u"Data_Identifier")));
    e.u16(DbNumber, static_cast<std::uint32_t>(e.number(u"DB_Number", 0)));
    e.u8(PlcArea, PLC_Area_Code(e.text(u"PLC_Area")));
    e.u16(PlcAdd, static_cast<std::uint32_t>(e.number(u"PLC_Add", 0)));
    e.u8(PlcBit, static_cast<std::uint32_t>(e.number(u"PLC_Bit", 0)));
    e.u32(PollTime, static_cast<std::uint32_t>(e.number(u"PollTime", 1000)));
    e.u16(Position, static_cast<std::uint32_t>(e.number(u"Position", 0)));
    e.u8(StartBit, static_cast<std::uint32_t>(e.number(u"Bit", 0)));

    std::uint8_t flags = 0;
    if (writeRule) {
        flags |= Bank2Flag::Write;
        if (e.yes(u"OnChange"))
            flags |= Bank2Flag::OnChange;
        if (e.yes(u"OnCMD"))
            flags |= Bank2Flag::OnCmd;
    }
    if (e.yes(u"Swap"))
        flags |= Bank2Flag::Swap;
    if (e.yes(u"SwapWord"))
        flags |= Bank2Flag::SwapWord;
    e.u8(Flags, flags);
}

} // namespace

void Bank2Table::Clear_Bank2()
{
    m_bytes.fill(0);
}

int Bank2Table::Load_S7_Protocol_Bank2(const QString &s7ProtocolFile)
{
    if (Name_Is_Missing(s7ProtocolFile))
        return 0;
    return Load_S7_Protocol_Bank2(Load_Xml_File(s7ProtocolFile), QFileInfo(s7ProtocolFile).fileName());
}

int Bank2Table::Load_S7_Protocol_Bank2(const XmlDocument &doc, const QString &what)
{
    const XmlElement root = Document_Root(doc);
    const XmlElement read = requireSection(root, kRead, what);
    const XmlElement write = requireSection(root, kWrite, what);

    // A hand-edited file may enable more rules than the device holds; refuse it whole rather
    // than drop rules the user expects to run.
    const int readCount = countEnabled(read);
    const int writeCount = countEnabled(write);
    if (readCount + writeCount > kEntryCount)
        throw ValueError(QStringLiteral("%1 enables %2 rules (%3 read, %4 write); the device holds at most %5")
                             .arg(what)
                             .arg(readCount + writeCount)
                             .arg(readCount)
                             .arg(writeCount)
                             .arg(kEntryCount));

    int n = 0;
    for (const auto &[section, writeRule] : {std::pair{read, false}, std::pair{write, true}}) {
        for (XmlElement row = section.firstChildElement(); !row.isNull(); row = row.nextSiblingElement()) {
            if (!isEnabled(row))
                continue;
            fillEntry(std::span(m_bytes).subspan(static_cast<std::size_t>(n) * kEntrySize, kEntrySize), row, writeRule);
            ++n;
        }
    }
    return n;
}

qsizetype Bank2Table::Store_Bank2(QByteArray &output) const
{
    output.append(reinterpret_cast<const char *>(m_bytes.data()), static_cast<qsizetype>(m_bytes.size()));
    return output.size();
}
