#include "s7access/S7Rule.h"


#include <QHash>

namespace {

using F = S7Rule::Field;

constexpr std::array<F, 18> kReadFields = {
    F::Enable, F::PLC_Address, F::PLC_Port, F::PLC_Type, F::Rack, F::Slot,
    F::Data_Type, F::Data_Identifier, F::DB_Number, F::PLC_Area, F::PLC_Add, F::PLC_Bit,
    F::PollTime, F::Position, F::Bit, F::Swap, F::SwapWord, F::Mnemonic};

constexpr std::array<F, 20> kWriteFields = {
    F::Enable, F::PLC_Address, F::PLC_Port, F::PLC_Type, F::Rack, F::Slot,
    F::Data_Type, F::Data_Identifier, F::DB_Number, F::PLC_Area, F::PLC_Add, F::PLC_Bit,
    F::PollTime, F::OnChange, F::OnCMD, F::Position, F::Bit, F::Swap, F::SwapWord, F::Mnemonic};

constexpr std::array<QString S7Rule::*, S7Rule::kFieldCount> kMembers = {
    &S7Rule::Enable, &S7Rule::PLC_Address, &S7Rule::PLC_Port, &S7Rule::PLC_Type,
    &S7Rule::Rack, &S7Rule::Slot, &S7Rule::Data_Type, &S7Rule::Data_Identifier,
    &S7Rule::DB_Number, &S7Rule::PLC_Area, &S7Rule::PLC_Add, &S7Rule::PLC_Bit,
    &S7Rule::PollTime, &S7Rule::OnChange, &S7Rule::OnCMD, &S7Rule::Position, &S7Rule::Bit,
    &S7Rule::Swap, &S7Rule::SwapWord, &S7Rule::Mnemonic};

const std::array<QString, S7Rule::kFieldCount> &allNames()
{
    static const std::array<QString, S7Rule::kFieldCount> names = {
        QStringLiteral("Enable"), QStringLiteral("PLC_Address"), QStringLiteral("PLC_Port"),
        QStringLiteral("PLC_Type"), QStringLiteral("Rack"), QStringLiteral("Slot"),
        QStringLiteral("Data_Type"), QStringLiteral("Data_Identifier"), QStringLiteral("DB_Number"),
        QStringLiteral("PLC_Area"), QStringLiteral("PLC_Add"), QStringLiteral("PLC_Bit"),
        QStringLiteral("PollTime"), QStringLiteral("OnChange"), QStringLiteral("OnCMD"),
        QStringLiteral("Position"), QStringLiteral("Bit"), QStringLiteral("Swap"),
        QStringLiteral("SwapWord"), QStringLiteral("Mnemonic")};
    return names;
}

S7Rule::Field fieldByName(const QString &name)
{
    static const QHash<QString, S7Rule::Field> byName = [] {
        QHash<QString, S7Rule::Field> h;
        for (int i = 0; i < S7Rule::kFieldCount; ++i)
            h.insert(allNames()[i], static_cast<S7Rule::Field>(i));
        return h;
    }();
    const auto it = byName.constFind(name);
    Q_ASSERT(it != byName.constEnd());
    return it == byName.constEnd() ? S7Rule::Field::Mnemonic : *it;
}

} // namespace

bool S7Rule::inUse() const
{
    for (const QChar c : PLC_Address)
        if (c.unicode() > 32)
            return true;
    return false;
}

const QStringList &S7Rule::fieldNames(List list)
{
    static const auto build = [](std::span<const Field> fs) {
        QStringList names;
        for (const Field f : fs)
            names.append(fieldName(f));
        return names;
    };
    static const QStringList read = build(kReadFields);
    static const QStringList write = build(kWriteFields);
    return list == List::Read ? read : write;
}

std::span<const S7Rule::Field> S7Rule::fields(List list)
{
    if (list == List::Read)
        return kReadFields;
    return kWriteFields;
}

const QString &S7Rule::fieldName(Field field)
{
    return allNames()[static_cast<std::size_t>(field)];
}

const QStringList &S7Rule::choices(Field field)
{
    static const QStringList plcTypes = {QStringLiteral("Logo0BA8"), QStringLiteral("S7200"),
                                         QStringLiteral("S7300"),    QStringLiteral("S7400"),
                                         QStringLiteral("S71200"),   QStringLiteral("S71500")};
    static const QStringList dataTypes = {QStringLiteral("Bit"),   QStringLiteral("Byte"), QStringLiteral("Char"),
                                          QStringLiteral("Word"),  QStringLiteral("Int"),  QStringLiteral("DWord"),
                                          QStringLiteral("DInt"),  QStringLiteral("Real")};
    static const QStringList dataIdentifiers = {QStringLiteral("OB"),  QStringLiteral("DB"), QStringLiteral("SDB"),
                                                QStringLiteral("FC"),  QStringLiteral("SFC"), QStringLiteral("FB"),
                                                QStringLiteral("SFB")};
    static const QStringList plcAreas = {QStringLiteral("Direct peripheral access (P)"), QStringLiteral("Inputs (I)"),
                                         QStringLiteral("Output (Q)"), QStringLiteral("Flags (M) (Merker)")};
    static const QStringList none;
    switch (field) {
    case Field::PLC_Type: return plcTypes;
    case Field::Data_Type: return dataTypes;
    case Field::Data_Identifier: return dataIdentifiers;
    case Field::PLC_Area: return plcAreas;
    default: return none;
    }
}

bool S7Rule::isCheckBox(Field field)
{
    switch (field) {
    case Field::Enable:
    case Field::OnChange:
    case Field::OnCMD:
    case Field::Swap:
    case Field::SwapWord:
        return true;
    default:
        return false;
    }
}

QString &S7Rule::operator[](Field field)
{
    return this->*kMembers[static_cast<std::size_t>(field)];
}

const QString &S7Rule::operator[](Field field) const
{
    return this->*kMembers[static_cast<std::size_t>(field)];
}

QString &S7Rule::field(const QString &name)
{
    return (*this)[fieldByName(name)];
}

const QString &S7Rule::field(const QString &name) const
{
    return (*this)[fieldByName(name)];
}

QStringList S7Rule::cells(List list) const
{
    QStringList result;
    result.reserve(fieldCount(list));
    for (const Field f : fields(list))
        result.append((*this)[f]);
    return result;
}

void S7Rule::setCells(List list, const QStringList &cells)
{
    const std::span<const Field> fs = fields(list);
    for (std::size_t i = 0; i < fs.size(); ++i)
        (*this)[fs[i]] = i < std::size_t(cells.size()) ? cells[qsizetype(i)] : QString();
}

S7Rule S7Rule::cleared()
{
    S7Rule rule;
    rule.Enable.clear();
    return rule;
}

S7RuleList Fresh_Rule_List()
{
    return S7RuleList(kMaxRules);
}

int Rules_In_Use(const S7RuleList &rules)
{
    int n = 0;
    while (n < int(rules.size()) && n < kMaxRules && rules[std::size_t(n)].inUse())
        ++n;
    return n;
}

QString List_Name(S7Rule::List list)
{
    return list == S7Rule::List::Read ? QStringLiteral("Read") : QStringLiteral("Write");
}
