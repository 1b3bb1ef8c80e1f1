#include "s7access/PlcCheck.h"

#include "common/TextUtil.h"
#include "s7access/S7RuleCodes.h"
#include "s7access/IpAddress.h"
#include "s7access/S7AddressText.h"
#include "s7access/S7ListEnd.h"
#include "s7access/S7Validation.h"
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

int positionLimit(S7Rule::List list, const PositionLimits &limits)
{
    return list == S7Rule::List::Read ? limits.NByte_IN : limits.NByte_OUT;
}

// Whether the rule is sent: enabled, and refused by validation for nothing but its address
// (the checker reports an address that is not one).
std::optional<S7Rule::Field> refusedField(const S7Rule &rule, S7Rule::List list, const PositionLimits &limits)
{
    const std::optional<S7Rule::Field> field = First_Refused_Field(rule, list, positionLimit(list, limits));
    if (field == S7Rule::Field::PLC_Address)
        return std::nullopt;
    return field;
}

PlcCheckItem itemOf(S7Rule::List list, const S7Rule &rule, const ListedRule &listed)
{
    PlcCheckItem item;
    item.list = list;
    item.row = listed.row;
    item.afterEnd = listed.afterEnd;
    const std::uint16_t port = static_cast<std::uint16_t>(number(rule.PLC_Port, 0xFFFF));
    const ParsedIp ip = Parse_IP_Address(rule.PLC_Address);
    if (!ip.error) {
        item.plc = PlcEndpoint{ip.value(), port, Text_To_Int(rule.Rack, 0) & 0xFF, Text_To_Int(rule.Slot, 0) & 0xFF};
        item.plcText = item.plc->text();
    } else {
        item.plcText = QStringLiteral("%1:%2").arg(Trim_Text(rule.PLC_Address)).arg(port);
    }
    item.address = S7_Address_Text(rule);
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
    return item;
}

// Calls `each` with every enabled rule in use of both lists and whether it is refused.
template <typename Each>
void forEachEnabled(const S7RuleList &read, const S7RuleList &write, const PositionLimits &limits, Each each)
{
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
        for (const ListedRule &listed : Listed_Rules(rules)) {
            const S7Rule &rule = rules[std::size_t(listed.row - 1)];
            if (rule.Enable != QLatin1String("Y"))
                continue;
            each(list, rule, listed, refusedField(rule, list, limits));
        }
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

std::vector<PlcCheckItem> Plc_Check_Items(const S7RuleList &read, const S7RuleList &write,
                                          const PositionLimits &limits)
{
    std::vector<PlcCheckItem> items;
    forEachEnabled(read, write, limits,
                   [&](S7Rule::List list, const S7Rule &rule, const ListedRule &listed,
                       std::optional<S7Rule::Field> refused) {
                       if (!refused)
                           items.push_back(itemOf(list, rule, listed));
                   });
    return items;
}

std::vector<PlcCheckResult> Plc_Check_Unsent(const S7RuleList &read, const S7RuleList &write,
                                             const PositionLimits &limits)
{
    std::vector<PlcCheckResult> unsent;
    forEachEnabled(read, write, limits,
                   [&](S7Rule::List list, const S7Rule &rule, const ListedRule &listed,
                       std::optional<S7Rule::Field> refused) {
                       if (!refused)
                           return;
                       PlcCheckResult result = Plc_Check_Failure(
                           itemOf(list, rule, listed), QStringLiteral("incomplete: ") + S7Rule::fieldName(*refused));
                       result.incomplete = refused;
                       unsent.push_back(result);
                   });
    return unsent;
}

std::vector<PlcCheckResult> Plc_Check_Merge(std::vector<PlcCheckResult> results, const std::vector<PlcCheckResult> &unsent)
{
    results.insert(results.end(), unsent.begin(), unsent.end());
    std::stable_sort(results.begin(), results.end(), [](const PlcCheckResult &a, const PlcCheckResult &b) {
        return a.list != b.list ? a.list == S7Rule::List::Read : a.row < b.row;
    });
    return results;
}

int Plc_Check_After_End_Count(const std::vector<PlcCheckResult> &results)
{
    return int(std::count_if(results.begin(), results.end(), [](const PlcCheckResult &r) { return r.afterEnd; }));
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
        return QString(QChar(character));
    case Kind::Real: {
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
        return std::isfinite(real) ? QJsonValue(text().toDouble()) : QJsonValue();
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
    result.afterEnd = item.afterEnd;
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
    static const TextTable english = [] {
        TextTable table;
        table.Load_Default_Texts();
        return table;
    }();
    QString outcome = result.ok ? QStringLiteral("OK ") + result.value.text() : result.error;
    if (result.afterEnd)
        outcome += QStringLiteral("; ") + english.text(TextId::S7_AfterEndNotSent);
    return QStringLiteral("%1\t%2\t%3\t%4\t%5")
        .arg(List_Name(result.list))
        .arg(result.row)
        .arg(result.plc, result.address, outcome);
}

QString Plc_Check_Line(const PlcCheckResult &result, const TextTable &texts)
{
    QString outcome = result.ok ? QStringLiteral("OK ") + result.value.text() : Plc_Check_Error_Text(result.error, texts);
    if (result.afterEnd)
        outcome += QStringLiteral("; ") + texts.text(TextId::S7_AfterEndNotSent);
    return QStringLiteral("%1\t%2\t%3\t%4\t%5")
        .arg(texts.text(result.list == S7Rule::List::Read ? TextId::S7_S7commRead : TextId::S7_S7commWrite))
        .arg(result.row)
        .arg(result.plc, result.address, outcome);
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
        {"cancelled", TextId::S7_CheckCancelledItem},
        {"the PLC's answer is cut short", TextId::S7_CheckAnswerCutShort},
        {"the PLC sent an answer that is not ISO-on-TCP", TextId::S7_CheckNotIsoOnTcp},
        {"the PLC sent an answer that is not S7comm", TextId::S7_CheckNotS7comm},
        {"the PLC sent no ISO connection confirm", TextId::S7_CheckNoIsoConfirm},
        {"the PLC did not accept Setup Communication", TextId::S7_CheckSetupRefused},
        {"hardware fault (0x01)", TextId::S7_CheckHardwareFault},
        {"data type inconsistent (0x07)", TextId::S7_CheckDataTypeInconsistent},
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
        {"the check's time limit of ", TextId::S7_CheckTimeLimit},
    };
    if (const QLatin1String incomplete("incomplete: "); error.startsWith(incomplete))
        return texts.text(TextId::S7_CheckIncomplete).arg(error.mid(incomplete.size()));
    for (const auto &entry : timed) {
        const QLatin1String prefix(entry.prefix);
        const QLatin1String suffix(entry.id == TextId::S7_CheckTimeLimit ? " ms ran out" : " ms");
        if (!error.startsWith(prefix) || !error.endsWith(suffix))
            continue;
        const QString number = error.mid(prefix.size(), error.size() - prefix.size() - suffix.size());
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
        if (r.afterEnd)
            out += ",\"afterEnd\":true";
        out += '}';
    }
    out += "\n]\n";
    return out;
}
