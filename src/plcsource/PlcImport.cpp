#include "plcsource/PlcImport.h"

#include "s7access/ProfibusMap.h"
#include "s7access/RulePlacement.h"
#include "s7access/S7AddressText.h"
#include "s7access/S7Validation.h"
#include "texts/TextTable.h"

#include <QRegularExpression>

QString Plc_Rule_Data_Type(PlcElementary type)
{
    switch (type) {
    case PlcElementary::Bool: return QStringLiteral("Bit");
    case PlcElementary::Byte: case PlcElementary::SInt: case PlcElementary::USInt: return QStringLiteral("Byte");
    case PlcElementary::Char: return QStringLiteral("Char");
    case PlcElementary::Word: case PlcElementary::UInt: case PlcElementary::Date: case PlcElementary::S5Time:
        return QStringLiteral("Word");
    case PlcElementary::Int: return QStringLiteral("Int");
    case PlcElementary::DWord: case PlcElementary::UDInt: case PlcElementary::TimeOfDay: return QStringLiteral("DWord");
    case PlcElementary::DInt: case PlcElementary::Time: return QStringLiteral("DInt");
    case PlcElementary::Real: return QStringLiteral("Real");
    case PlcElementary::DateAndTime: case PlcElementary::String: return QString();
    }
    return QString();
}

bool Plc_Path_Matches(const QString &path, const QString &pattern)
{
    QString re;
    for (const QChar c : pattern)
        re += c == u'*' ? QStringLiteral(".*") : QRegularExpression::escape(QString(c));
    const QRegularExpression exp(QRegularExpression::anchoredPattern(re), QRegularExpression::CaseInsensitiveOption);
    return exp.match(path).hasMatch();
}

namespace {

bool selected(const QString &path, const QStringList &patterns)
{
    if (patterns.isEmpty())
        return true;
    for (const QString &p : patterns)
        if (Plc_Path_Matches(path, p))
            return true;
    return false;
}

S7Rule baseRule(const PlcImportSettings &s)
{
    S7Rule r;
    r.Enable = QStringLiteral("Y");
    r.PLC_Address = s.plcAddress;
    r.PLC_Port = s.port;
    r.PLC_Type = s.plcType;
    r.Rack = s.rack;
    r.Slot = s.slot;
    r.PollTime = s.pollTime;
    r.Swap = QStringLiteral("N");
    r.SwapWord = QStringLiteral("N");
    if (s.list == S7Rule::List::Write) {
        r.OnChange = QStringLiteral("N");
        r.OnCMD = QStringLiteral("N");
    }
    return r;
}

} // namespace

std::vector<PlcImportItem> Plc_Block_Items(const PlcBlockLayout &block, int db, const QStringList &patterns,
                                           const PlcImportSettings &settings)
{
    std::vector<PlcImportItem> items;
    for (const PlcMemberLayout &m : block.members) {
        if (!selected(m.path, patterns))
            continue;
        PlcImportItem item;
        item.mnemonic = block.name + u'.' + m.path;
        item.typeName = m.typeName();
        item.bits = m.bits;
        PlcBlockLayout numbered = block;
        numbered.number = db;
        item.address = Plc_Member_Address(numbered, m);
        const QString dataType = Plc_Rule_Data_Type(m.type);
        if (dataType.isEmpty()) {
            item.skipReason = QStringLiteral("no rule carries a %1").arg(item.typeName);
        } else {
            S7Rule r = baseRule(settings);
            r.Data_Type = dataType;
            // The area is not read for a DB item; "P" is what an empty one compiles to.
            r.Data_Identifier = QStringLiteral("DB");
            r.DB_Number = QString::number(db);
            r.PLC_Area = S7Rule::choices(S7Rule::Field::PLC_Area).at(0);
            r.PLC_Add = QString::number(m.byte);
            r.PLC_Bit = QString::number(m.bit);
            r.Mnemonic = item.mnemonic;
            item.rule = r;
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<PlcImportItem> Plc_Tag_Items(const std::vector<PlcTag> &tags, const QStringList &patterns,
                                         const PlcImportSettings &settings)
{
    std::vector<PlcImportItem> items;
    const QStringList &areas = S7Rule::choices(S7Rule::Field::PLC_Area);
    for (const PlcTag &t : tags) {
        if (!selected(t.name, patterns))
            continue;
        PlcImportItem item;
        item.mnemonic = t.name;
        item.typeName = t.typeName;
        item.address = t.address;
        item.bits = t.bits;
        item.skipReason = t.skipReason;
        if (item.skipReason.isEmpty()) {
            S7Rule r = baseRule(settings);
            r.Data_Type = t.bits == 1 ? QStringLiteral("Bit")
                        : t.typeName == QLatin1String("CHAR") ? QStringLiteral("Char")
                        : t.typeName == QLatin1String("INT") ? QStringLiteral("Int")
                        : t.typeName == QLatin1String("DINT") || t.typeName == QLatin1String("TIME") ? QStringLiteral("DInt")
                        : t.typeName == QLatin1String("REAL") ? QStringLiteral("Real")
                        : t.bits == 8 ? QStringLiteral("Byte")
                        : t.bits == 16 ? QStringLiteral("Word")
                        : QStringLiteral("DWord");
            // A new row's empty identifier compiles as "OB" (code 8), which addresses the area.
            r.Data_Identifier = QStringLiteral("OB");
            r.DB_Number = QStringLiteral("0");
            r.PLC_Area = t.area == u'I' ? areas.at(1) : t.area == u'Q' ? areas.at(2) : areas.at(3);
            r.PLC_Add = QString::number(t.byte);
            r.PLC_Bit = QString::number(t.bit);
            r.Mnemonic = t.name;
            item.rule = r;
            item.address = S7_Address_Text(r);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<QString> Plc_Import_Settings_Fault(const PlcImportSettings &settings, const TextTable &texts)
{
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    S7Rule r = baseRule(settings);
    r.Data_Type = QStringLiteral("Byte");
    r.Data_Identifier = QStringLiteral("DB");
    r.DB_Number = QStringLiteral("1");
    r.PLC_Area = S7Rule::choices(S7Rule::Field::PLC_Area).at(0);
    r.PLC_Add = QStringLiteral("0");
    r.PLC_Bit = QStringLiteral("0");
    r.Position = QStringLiteral("0");
    r.Bit = QStringLiteral("0");
    (settings.list == S7Rule::List::Read ? read : write)[0] = r;
    const PositionLimits limits;
    if (const auto fault = Controllo_dati(read, write, limits, texts))
        return fault->message;
    if (!S7Rule::choices(S7Rule::Field::PLC_Type).contains(settings.plcType))
        return QStringLiteral("the PLC type %1 is not one of %2")
            .arg(settings.plcType, S7Rule::choices(S7Rule::Field::PLC_Type).join(QStringLiteral(", ")));
    return std::nullopt;
}

PlcImportResult Add_Imported_Rules(S7RuleList &read, S7RuleList &write, const PositionLimits &limits,
                                   S7Rule::List list, const std::vector<PlcImportItem> &items)
{
    S7RuleList &target = list == S7Rule::List::Read ? read : write;
    int last = 0; // rows up to and including the last rule in use
    for (int i = 0; i < int(target.size()) && i < kMaxRules; ++i)
        if (target[std::size_t(i)].inUse())
            last = i + 1;
    PlcImportResult result;
    result.rowsFree = kMaxRules - last;
    std::vector<const PlcImportItem *> wanted;
    std::vector<int> bits;
    for (const PlcImportItem &item : items) {
        if (!item.skipReason.isEmpty())
            continue;
        wanted.push_back(&item);
        bits.push_back(Data_Type_Bits(item.rule.Data_Type));
    }
    const RulePlacement placement = Place_New_Rules(read, write, list, limits, bits);
    result.fitting = std::min(placement.fitting, result.rowsFree);
    if (placement.places.empty() || int(wanted.size()) > result.rowsFree)
        return result;
    if (target.size() < std::size_t(kMaxRules))
        target.resize(kMaxRules);
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        S7Rule r = wanted[i]->rule;
        r.Position = QString::number(placement.places[i].position);
        r.Bit = QString::number(placement.places[i].bit);
        target[std::size_t(last) + i] = r;
        result.rows.push_back(last + int(i) + 1);
    }
    return result;
}
