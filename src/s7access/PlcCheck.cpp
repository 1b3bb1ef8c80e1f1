#include "s7access/PlcCheck.h"

#include "common/TextUtil.h"
#include "image/Bank2Table.h"
#include "s7access/IpAddress.h"
#include "s7access/PlcIdentity.h"
#include "s7access/S7AddressText.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

unsigned number(const QString &text, unsigned mask)
{
    return static_cast<unsigned>(Text_To_Int(text, 0)) & mask;
}

void addItems(S7Rule::List list, const S7RuleList &rules, std::vector<PlcCheckItem> &items)
{
    const int count = Rules_In_Use(rules);
    for (int i = 0; i < count; ++i) {
        const S7Rule &rule = rules[std::size_t(i)];
        if (rule.Enable != QLatin1String("Y"))
            continue;
        PlcCheckItem item;
        item.list = list;
        item.row = i + 1;
        const std::uint16_t port = static_cast<std::uint16_t>(number(rule.PLC_Port, 0xFFFF));
        const ParsedIp ip = Parse_IP_Address(rule.PLC_Address);
        if (!ip.error) {
            item.plc = PlcEndpoint{ip.value(), port, Text_To_Int(rule.Rack, 0) & 0xFF, Text_To_Int(rule.Slot, 0) & 0xFF};
            item.plcText = item.plc->text();
        } else {
            item.plcText = QStringLiteral("%1:%2").arg(Trim_Text(rule.PLC_Address)).arg(port);
        }
        item.address = S7_Address_Text(rule);
        item.plcType = Trim_Text(rule.PLC_Type);
        item.item.transportSize = Data_Type_Code(rule.Data_Type);
        if (rule.Data_Identifier == QLatin1String("DB")) {
            item.item.area = S7::kAreaDataBlock;
            item.item.dbNumber = static_cast<std::uint16_t>(number(rule.DB_Number, 0xFFFF));
        } else {
            item.item.area = PLC_Area_Code(rule.PLC_Area);
            item.item.dbNumber = 0;
        }
        item.item.byteAddress = number(rule.PLC_Add, 0xFFFF);
        item.item.bit = static_cast<std::uint8_t>(number(rule.PLC_Bit, 0x07));
        items.push_back(item);
    }
}

} // namespace

QString PlcEndpoint::host() const
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

QString PlcEndpoint::text() const
{
    return QStringLiteral("%1:%2").arg(host()).arg(port);
}

std::vector<PlcCheckItem> Plc_Check_Items(const S7RuleList &read, const S7RuleList &write)
{
    std::vector<PlcCheckItem> items;
    addItems(S7Rule::List::Read, read, items);
    addItems(S7Rule::List::Write, write, items);
    return items;
}

std::vector<PlcEndpoint> Plc_Check_Endpoints(const std::vector<PlcCheckItem> &items)
{
    std::vector<PlcEndpoint> endpoints;
    for (const PlcCheckItem &item : items) {
        if (item.plc && std::find(endpoints.begin(), endpoints.end(), *item.plc) == endpoints.end())
            endpoints.push_back(*item.plc);
    }
    return endpoints;
}

std::optional<PlcValue> Decode_Plc_Value(std::uint8_t transportSize, const QByteArray &bytes)
{
    const int size = S7::Value_Size(transportSize);
    if (bytes.size() < size)
        return std::nullopt;
    std::uint32_t raw = 0;
    for (int i = 0; i < size; ++i)
        raw = (raw << 8) | static_cast<std::uint8_t>(bytes.at(i));
    PlcValue value;
    switch (transportSize) {
    case 1: // Bit
        value.integer = raw & 1;
        break;
    case 3: // Char
        value.kind = PlcValue::Kind::Char;
        value.character = static_cast<char16_t>(raw); // Latin-1
        break;
    case 5: // Int
        value.kind = PlcValue::Kind::Signed;
        value.integer = static_cast<std::int16_t>(raw);
        break;
    case 7: // DInt
        value.kind = PlcValue::Kind::Signed;
        value.integer = static_cast<std::int32_t>(raw);
        break;
    case 8: // Real
        value.kind = PlcValue::Kind::Real;
        static_assert(sizeof(float) == sizeof(std::uint32_t));
        std::memcpy(&value.real, &raw, sizeof raw);
        break;
    default: // Byte, Word, DWord
        value.integer = raw;
        break;
    }
    return value;
}

QString PlcValue::text() const
{
    switch (kind) {
    case Kind::Char:
        return Escape_Control_Characters(QString(QChar(character)));
    case Kind::Real: {
        if (std::isnan(real))
            return QStringLiteral("NaN");
        if (std::isinf(real))
            return real > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, real);
        return QString::fromLatin1(buffer, result.ptr - buffer);
    }
    default:
        return QString::number(integer);
    }
}

QJsonValue PlcValue::json() const
{
    switch (kind) {
    case Kind::Char:
        return QString(QChar(character));
    case Kind::Real:
        // The shortest decimal of the float, so that 0.1 stays 0.1 and not 0.100000001.
        // JSON has no NaN or infinity: they are the strings "NaN", "Infinity" and "-Infinity".
        return std::isfinite(real) ? QJsonValue(text().toDouble()) : QJsonValue(text());
    default:
        return QJsonValue(static_cast<qint64>(integer));
    }
}

PlcCheckResult Plc_Check_Failure(const PlcCheckItem &item, const QString &error)
{
    PlcCheckResult result;
    result.list = item.list;
    result.row = item.row;
    result.plc = item.plcText;
    result.address = item.address;
    result.error = error;
    return result;
}

PlcCheckResult Plc_Check_Success(const PlcCheckItem &item, const PlcValue &value)
{
    PlcCheckResult result = Plc_Check_Failure(item, {});
    result.ok = true;
    result.value = value;
    return result;
}

QString Plc_Check_Line(const PlcCheckResult &result)
{
    return QStringLiteral("%1\t%2\t%3\t%4\t%5")
        .arg(List_Name(result.list))
        .arg(result.row)
        .arg(result.plc, result.address, result.ok ? QStringLiteral("OK ") + result.value.text() : result.error);
}

QString Plc_Check_Line(const PlcCheckResult &result, const TextTable &texts)
{
    return QStringLiteral("%1\t%2\t%3\t%4\t%5")
        .arg(texts.text(result.list == S7Rule::List::Read ? TextId::S7_S7commRead : TextId::S7_S7commWrite))
        .arg(result.row)
        .arg(result.plc, result.address,
             result.ok ? QStringLiteral("OK ") + result.value.text() : Plc_Check_Error_Text(result.error, texts));
}

QString Plc_Check_Error_Text(const QString &error, const TextTable &texts)
{
    // The client, the checker and the frame parser word their errors in English, as the
    // command line prints them; the frequent ones have a text of their own.
    static const struct
    {
        const char *english;
        int id;
    } fixed[] = {
        {"connection refused", TextId::S7_CheckConnectionRefused},
        {"the PLC closed the connection", TextId::S7_CheckConnectionClosed},
        {"the PLC refused the ISO connection (check rack and slot)", TextId::S7_CheckIsoRefused},
        {"not a valid PLC address", TextId::S7_CheckInvalidAddress},
        {"object does not exist (0x0A)", TextId::S7_CheckObjectMissing},
        {"address out of range (0x05)", TextId::S7_CheckAddressOutOfRange},
        {"access to the object not allowed (0x03)", TextId::S7_CheckAccessDenied},
        {"data type not supported (0x06)", TextId::S7_CheckDataTypeNotSupported},
    };
    for (const auto &entry : fixed) {
        if (error == QLatin1String(entry.english))
            return texts.text(entry.id);
    }
    static const struct
    {
        const char *prefix;
        int id;
    } timed[] = {
        {"no connection within ", TextId::S7_CheckNoConnectionWithin},
        {"no answer within ", TextId::S7_CheckNoAnswerWithin},
    };
    for (const auto &entry : timed) {
        const QLatin1String prefix(entry.prefix);
        if (!error.startsWith(prefix) || !error.endsWith(QLatin1String(" ms")))
            continue;
        const QString number = error.mid(prefix.size(), error.size() - prefix.size() - 3);
        bool isNumber = false;
        number.toInt(&isNumber);
        if (isNumber)
            return texts.text(entry.id).arg(number);
    }
    return error;
}

QByteArray Plc_Check_Json(const std::vector<PlcCheckResult> &results)
{
    // Written by hand so that the keys keep the order list, row, plc, ok, value or error.
    const auto json = [](const QJsonValue &value) {
        const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2);
    };
    QByteArray out = "[";
    for (std::size_t i = 0; i < results.size(); ++i) {
        const PlcCheckResult &r = results[i];
        out += i == 0 ? "\n" : ",\n";
        out += "{\"list\":" + json(List_Name(r.list)) + ",\"row\":" + QByteArray::number(r.row)
            + ",\"plc\":" + json(r.plc) + ",\"ok\":" + (r.ok ? "true" : "false");
        if (r.ok)
            out += ",\"value\":" + json(r.value.json());
        else
            out += ",\"error\":" + json(r.error);
        out += '}';
    }
    out += "\n]\n";
    return out;
}
