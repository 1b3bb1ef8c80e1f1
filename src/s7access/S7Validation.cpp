#include "s7access/S7Validation.h"

#include "common/TextUtil.h"
#include "s7access/IpAddress.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

namespace {

using F = S7Rule::Field;

// The failure texts of one list, in check order.
struct CheckTexts
{
    int address, port, connection, plcType, rack, slot, dataType, dataIdentifier, dbNumber,
        plcArea, plcAdd, plcBit, pollTime, position, startBit;
};

constexpr CheckTexts kReadTexts = {
    TextId::S7_S7commReadPLCAddressValidTCP, TextId::S7_S7commReadPLCPort065535,
    TextId::S7_S7commReadDeviceSupport10Connection, TextId::S7_S7commReadPLCTypeCannotEmpty,
    TextId::S7_S7commReadRack03, TextId::S7_S7commReadSlot031,
    TextId::S7_S7commReadDataTypeCannotEmpty, TextId::S7_S7commReadDataIdentifierCannotEmpty,
    TextId::S7_S7commReadDBNumber065535, TextId::S7_S7commReadPLCAreaCannotEmpty,
    TextId::S7_S7commReadPLCAddress065535, TextId::S7_S7commReadPLCBitCannotEmpty,
    TextId::S7_S7commReadPollTime1100000000, TextId::S7_S7commReadPosition0,
    TextId::S7_S7commReadStartBitCannotEmpty};

constexpr CheckTexts kWriteTexts = {
    TextId::S7_S7commWritePLCAddressValidTCP, TextId::S7_S7commWritePLCPort065535,
    TextId::S7_S7commWriteDeviceSupport10Connection, TextId::S7_S7commWritePLCTypeCannotEmpty,
    TextId::S7_S7commWriteRack03, TextId::S7_S7commWriteSlot031,
    TextId::S7_S7commWriteDataTypeCannotEmpty, TextId::S7_S7commWriteDataIdentifierCannotEmpty,
    TextId::S7_S7commWriteDBNumber065535, TextId::S7_S7commWritePLCAreaCannotEmpty,
    TextId::S7_S7commWritePLCAddress065535, TextId::S7_S7commWritePLCBitCannotEmpty,
    TextId::S7_S7commWritePollTime0100000000, TextId::S7_S7commWritePosition0,
    TextId::S7_S7commWriteStartBitCannotEmpty};

// Numbers are read from the untrimmed text: a trailing blank fails the range.
bool inRange(const QString &text, int low, int high)
{
    const int v = Text_To_Int(text, -1);
    return v >= low && v <= high;
}

bool notEmpty(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() > 32)
            return true;
    return false;
}

bool isEnabled(const QString &enable)
{
    return Trim_Text(enable) == QLatin1String("Y");
}

// The rule's first failing check: its text index and the field it names (the connection check
// names PLC_Address); text index 0 when the rule passes.
struct Failure
{
    int textId = 0;
    F field = F::Enable;
};

Failure checkRule(const S7Rule &rule, S7Rule::List list, int positionLimit, IpPortTable &table)
{
    const CheckTexts &t = list == S7Rule::List::Read ? kReadTexts : kWriteTexts;
    const ParsedIp ip = Parse_IP_Address(rule.PLC_Address);
    if (ip.error)
        return {t.address, F::PLC_Address};
    const int port = Text_To_Int(rule.PLC_Port, -1);
    if (port < 0 || port > 65535)
        return {t.port, F::PLC_Port};
    if (Check_IP_Port(table, ip.bytes[0], ip.bytes[1], ip.bytes[2], ip.bytes[3], port) < 0)
        return {t.connection, F::PLC_Address};
    if (!notEmpty(rule.PLC_Type))
        return {t.plcType, F::PLC_Type};
    if (!inRange(rule.Rack, 0, 3))
        return {t.rack, F::Rack};
    if (!inRange(rule.Slot, 0, 31))
        return {t.slot, F::Slot};
    if (!notEmpty(rule.Data_Type))
        return {t.dataType, F::Data_Type};
    if (!notEmpty(rule.Data_Identifier))
        return {t.dataIdentifier, F::Data_Identifier};
    if (!inRange(rule.DB_Number, 0, 65535))
        return {t.dbNumber, F::DB_Number};
    if (!notEmpty(rule.PLC_Area))
        return {t.plcArea, F::PLC_Area};
    if (!inRange(rule.PLC_Add, 0, 65535))
        return {t.plcAdd, F::PLC_Add};
    if (!notEmpty(rule.PLC_Bit))
        return {t.plcBit, F::PLC_Bit};
    // A write rule may be sent on change or on command only: poll time 0 is allowed there.
    if (!inRange(rule.PollTime, list == S7Rule::List::Read ? 1 : 0, 100000000))
        return {t.pollTime, F::PollTime};
    // With a limit of 0 or less no position at all is admitted.
    const int position = Text_To_Int(rule.Position, -1);
    if (position < 0 || position > qint64(positionLimit) - 1)
        return {t.position, F::Position};
    if (!notEmpty(rule.Bit))
        return {t.startBit, F::Bit};
    return {};
}

S7Fault makeFault(S7Rule::List list, int row, Failure failure, int positionLimit, const TextTable &texts)
{
    const int textId = failure.textId;
    QString message = texts.text(TextId::S7_ErrorRow) + QString::number(row) + texts.text(textId);
    if (textId == TextId::S7_S7commReadPosition0 || textId == TextId::S7_S7commWritePosition0)
        message += QString::number(qint64(positionLimit) - 1);
    return {list, row, textId, message, failure.field};
}

// Runs the checks over both lists; `stopAtFirst` ends at the first fault.
std::vector<S7Fault> validate(const S7RuleList &read, const S7RuleList &write,
                              const PositionLimits &limits, const TextTable &texts,
                              IpPortTable &table, bool stopAtFirst)
{
    table.fill(TIPPort{});
    std::vector<S7Fault> faults;
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
        const int limit = list == S7Rule::List::Read ? limits.NByte_IN : limits.NByte_OUT;
        const std::size_t count = std::min(rules.size(), std::size_t(kMaxRules));
        for (std::size_t r = 0; r < count; ++r) {
            const S7Rule &rule = rules[r];
            if (!rule.inUse())
                break;
            if (!isEnabled(rule.Enable))
                continue;
            if (const Failure failure = checkRule(rule, list, limit, table); failure.textId != 0) {
                faults.push_back(makeFault(list, int(r) + 1, failure, limit, texts));
                if (stopAtFirst)
                    return faults;
            }
        }
    }
    return faults;
}

} // namespace

int Check_IP_Port(IpPortTable &array_ip_Port, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                  std::uint8_t b4, int p)
{
    const TIPPort wanted{b1, b2, b3, b4, p};
    for (int i = 0; i < kMaxConnections; ++i) {
        TIPPort &entry = array_ip_Port[std::size_t(i)];
        if (entry.IP1 == -1) {
            entry = wanted;
            return i;
        }
        if (entry == wanted)
            return i;
    }
    return -1;
}

std::optional<S7Fault> Controllo_dati(const S7RuleList &read, const S7RuleList &write,
                                      const PositionLimits &limits, const TextTable &texts,
                                      IpPortTable &array_ip_Port)
{
    std::vector<S7Fault> faults = validate(read, write, limits, texts, array_ip_Port, true);
    if (faults.empty())
        return std::nullopt;
    return std::move(faults.front());
}

std::optional<S7Fault> Controllo_dati(const S7RuleList &read, const S7RuleList &write,
                                      const PositionLimits &limits, const TextTable &texts)
{
    IpPortTable table;
    return Controllo_dati(read, write, limits, texts, table);
}

std::vector<S7Fault> Controllo_dati_All(const S7RuleList &read, const S7RuleList &write,
                                        const PositionLimits &limits, const TextTable &texts)
{
    IpPortTable table;
    return validate(read, write, limits, texts, table, false);
}

std::optional<S7Rule::Field> First_Refused_Field(const S7Rule &rule, S7Rule::List list, int positionLimit)
{
    IpPortTable table;
    table.fill(TIPPort{});
    const Failure failure = checkRule(rule, list, positionLimit, table);
    if (failure.textId == 0)
        return std::nullopt;
    return failure.field;
}
