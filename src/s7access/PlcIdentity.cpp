#include "s7access/PlcIdentity.h"

#include <QRegularExpression>
#include <algorithm>

namespace S7 {

namespace {

constexpr std::uint8_t kProtocolId = 0x32;
constexpr std::uint8_t kRosctrUserData = 0x07;
constexpr std::uint8_t kCotpData = 0xF0;
constexpr int kIsoHeaderSize = 7;
constexpr int kUserDataHeaderSize = 10;

void putU16(QByteArray &bytes, unsigned value)
{
    bytes.append(static_cast<char>((value >> 8) & 0xFF));
    bytes.append(static_cast<char>(value & 0xFF));
}

std::uint8_t u8(const QByteArray &bytes, qsizetype at)
{
    return static_cast<std::uint8_t>(bytes.at(at));
}

unsigned u16(const QByteArray &bytes, qsizetype at)
{
    return (unsigned{u8(bytes, at)} << 8) | u8(bytes, at + 1);
}

QByteArray userDataFrame(std::uint16_t pduReference, const QByteArray &parameters, const QByteArray &data)
{
    QByteArray pdu;
    pdu.append(static_cast<char>(kProtocolId));
    pdu.append(static_cast<char>(kRosctrUserData));
    putU16(pdu, 0); // redundancy identification
    putU16(pdu, pduReference);
    putU16(pdu, static_cast<unsigned>(parameters.size()));
    putU16(pdu, static_cast<unsigned>(data.size()));
    pdu += parameters + data;
    QByteArray frame("\x03\x00", 2);
    putU16(frame, static_cast<unsigned>(kIsoHeaderSize + pdu.size()));
    frame.append("\x02\xF0\x80", 3);
    return frame + pdu;
}

} // namespace

QByteArray Read_Szl_Request(std::uint16_t pduReference, std::uint16_t szlId, std::uint16_t szlIndex)
{
    // Parameter head 00 01 12, length 4, method request (0x11), type request + group 4 (0x44),
    // subfunction 1 (read SZL), sequence 0.
    const QByteArray parameters = QByteArray::fromHex("0001120411440100");
    QByteArray data = QByteArray::fromHex("FF090004"); // return code, octet string, 4 bytes
    putU16(data, szlId);
    putU16(data, szlIndex);
    return userDataFrame(pduReference, parameters, data);
}

QByteArray Read_Szl_Next_Request(std::uint16_t pduReference, std::uint8_t sequence)
{
    // The continuation: length 8, method response (0x12), the sequence of the part before.
    QByteArray parameters = QByteArray::fromHex("00011208124401");
    parameters.append(static_cast<char>(sequence));
    parameters.append(QByteArray(4, '\0'));
    return userDataFrame(pduReference, parameters, QByteArray::fromHex("0A000000"));
}

SzlPart Parse_Read_Szl_Answer(const QByteArray &frame, std::uint16_t pduReference)
{
    SzlPart part;
    const qsizetype s7 = kIsoHeaderSize;
    if (frame.size() < s7 + kUserDataHeaderSize || u8(frame, 5) != kCotpData || u8(frame, s7) != kProtocolId) {
        part.error = QStringLiteral("the PLC sent an answer that is not S7comm");
        return part;
    }
    if (u8(frame, s7 + 1) != kRosctrUserData) {
        // A PLC without user data may answer with an ack carrying an error: it gives no list.
        part.refused = true;
        return part;
    }
    if (u16(frame, s7 + 4) != pduReference) {
        part.error = QStringLiteral("the PLC answered another request");
        return part;
    }
    const qsizetype parameterLength = u16(frame, s7 + 6);
    const qsizetype dataLength = u16(frame, s7 + 8);
    if (frame.size() < s7 + kUserDataHeaderSize + parameterLength + dataLength || parameterLength < 12) {
        part.error = QStringLiteral("the PLC sent an answer that is not S7comm");
        return part;
    }
    const QByteArray parameters = frame.mid(s7 + kUserDataHeaderSize, parameterLength);
    const QByteArray data = frame.mid(s7 + kUserDataHeaderSize + parameterLength, dataLength);
    if ((u8(parameters, 5) & 0x0F) != 0x04 || u8(parameters, 6) != 0x01) {
        part.error = QStringLiteral("the PLC's answer does not match the SZL request");
        return part;
    }
    const unsigned errorCode = u16(parameters, 10);
    if (errorCode != 0 || data.size() < 4 || u8(data, 0) != 0xFF) {
        part.refused = true;
        return part;
    }
    const qsizetype length = u16(data, 2);
    part.data = data.mid(4, length);
    part.sequence = u8(parameters, 7);
    part.more = u8(parameters, 9) != 0;
    return part;
}

std::optional<SzlList> Parse_Szl_List(const QByteArray &data)
{
    if (data.size() < 8)
        return std::nullopt;
    SzlList list;
    list.id = static_cast<std::uint16_t>(u16(data, 0));
    list.index = static_cast<std::uint16_t>(u16(data, 2));
    const qsizetype recordLength = u16(data, 4);
    const qsizetype count = u16(data, 6);
    if (recordLength == 0)
        return std::nullopt;
    // Some servers cut a list at their PDU size without sending the rest in parts: the whole
    // records that came are used.
    const qsizetype complete = std::min(count, (data.size() - 8) / recordLength);
    for (qsizetype i = 0; i < complete; ++i)
        list.records.push_back(data.mid(8 + i * recordLength, recordLength));
    return list;
}

} // namespace S7

namespace {

// A text field of a record: Latin-1, ended by the first NUL, blanks trimmed.
QString field(const QByteArray &record, qsizetype at, qsizetype length)
{
    QByteArray bytes = record.mid(at, length);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromLatin1(bytes).trimmed();
}

unsigned recordIndex(const QByteArray &record)
{
    return record.size() < 2 ? 0 : (unsigned(std::uint8_t(record[0])) << 8) | std::uint8_t(record[1]);
}

} // namespace

bool PlcIdentity::available() const
{
    return !orderNumber.isEmpty() || !firmware.isEmpty() || !moduleTypeName.isEmpty() || !moduleName.isEmpty()
        || !stationName.isEmpty() || !serialNumber.isEmpty() || mode != PlcMode::Unknown;
}

void PlcIdentity::apply(const S7::SzlList &list)
{
    for (const QByteArray &record : list.records) {
        const unsigned index = recordIndex(record);
        if (list.id == S7::kSzlModuleIdentification && record.size() >= 28) {
            // Index, order number (20), module type (2), version (2 + 2).
            if (index == 0x0001 && orderNumber.isEmpty())
                orderNumber = field(record, 2, 20);
            else if (index == 0x0007 && record[24] == 'V')
                firmware = QStringLiteral("V%1.%2.%3")
                               .arg(std::uint8_t(record[25]))
                               .arg(std::uint8_t(record[26]))
                               .arg(std::uint8_t(record[27]));
        } else if (list.id == S7::kSzlComponentIdentification && record.size() >= 4) {
            const QString text = field(record, 2, record.size() - 2);
            switch (index) {
            case 0x0001: stationName = text; break;
            case 0x0002: moduleName = text; break;
            case 0x0005: serialNumber = text; break;
            case 0x0007: moduleTypeName = text; break;
            default: break;
            }
        } else if (list.id == S7::kSzlOperatingMode && record.size() >= 4) {
            // The fourth byte's low half is the mode now.
            switch (std::uint8_t(record[3]) & 0x0F) {
            case 0x08: mode = PlcMode::Run; break;
            case 0x01: case 0x02: case 0x03: case 0x04: mode = PlcMode::Stop; break;
            case 0x05: case 0x06: case 0x07: mode = PlcMode::Startup; break;
            case 0x0A: mode = PlcMode::Hold; break;
            case 0x0D: mode = PlcMode::Defect; break;
            default: mode = PlcMode::Unknown; break;
            }
        }
    }
}

QString Escape_Control_Characters(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t')
            out += QLatin1String("\\t");
        else if (u == u'\n')
            out += QLatin1String("\\n");
        else if (u == u'\r')
            out += QLatin1String("\\r");
        else if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            out += QStringLiteral("\\x") + QStringLiteral("%1").arg(unsigned(u), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
}

QString Plc_Mode_Text(PlcMode mode)
{
    switch (mode) {
    case PlcMode::Run: return QStringLiteral("RUN");
    case PlcMode::Stop: return QStringLiteral("STOP");
    case PlcMode::Startup: return QStringLiteral("STARTUP");
    case PlcMode::Hold: return QStringLiteral("HOLD");
    case PlcMode::Defect: return QStringLiteral("DEFECT");
    default: return QStringLiteral("unknown");
    }
}

QString Plc_Family(const QString &orderNumber)
{
    // Blanks do not count: "6ES7315-2EH14-0AB0" is "6ES7 315-2EH14-0AB0". SIPLUS modules
    // (6AG1, 6AG2) share the numbers of their standard modules.
    QString number = orderNumber.toUpper();
    number.remove(QLatin1Char(' '));
    static const struct
    {
        const char *pattern;
        const char *family;
    } table[] = {
        {"^6ED1052-", "LOGO"},
        // 21x CPUs: the fifth character after the dash is the generation, 3 and 4 are S7-1200,
        // 0 to 2 the S7-200; 288 is the S7-200 SMART.
        {"^6(ES7|AG[12])21[1-7]-\\w{3}[34]", "S7-1200"},
        {"^6(ES7|AG[12])21[0-9]-\\w{3}[0-2]", "S7-200"},
        {"^6(ES7|AG[12])288-", "S7-200"},
        {"^6(ES7|AG[12])31[0-9]-", "S7-300"},
        // ET 200S and ET 200pro interface modules with a CPU of the S7-300.
        {"^6(ES7|AG[12])15[14]-8", "S7-300"},
        {"^6(ES7|AG[12])41[0-9]-", "S7-400"},
        {"^6(ES7|AG[12])51[0-9]-", "S7-1500"},
        {"^6(ES7|AG[12])672-", "S7-1500"},
    };
    for (const auto &entry : table) {
        const QRegularExpression pattern(QString::fromLatin1(entry.pattern));
        if (pattern.match(number).hasMatch())
            return QString::fromLatin1(entry.family);
    }
    return {};
}

QString Plc_Type_Of_Family(const QString &family)
{
    if (family == QLatin1String("LOGO"))
        return QStringLiteral("Logo0BA8");
    if (family.startsWith(QLatin1String("S7-")))
        return QStringLiteral("S7") + family.mid(3);
    return {};
}

QString Plc_Identity_Text(const PlcIdentity &identity)
{
    if (!identity.available())
        return QStringLiteral("identity not available");
    QStringList parts;
    if (!identity.orderNumber.isEmpty()) {
        const QString family = Plc_Family(identity.orderNumber);
        parts << (family.isEmpty() ? identity.orderNumber : QStringLiteral("%1 (%2)").arg(identity.orderNumber, family));
    }
    if (!identity.moduleTypeName.isEmpty())
        parts << identity.moduleTypeName;
    if (!identity.firmware.isEmpty())
        parts << QStringLiteral("firmware ") + identity.firmware;
    parts << (identity.mode == PlcMode::Unknown ? QStringLiteral("mode unknown") : Plc_Mode_Text(identity.mode));
    return Escape_Control_Characters(parts.join(QStringLiteral(", ")));
}
