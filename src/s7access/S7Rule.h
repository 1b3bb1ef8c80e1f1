#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// One read or write rule of the S7comm access list. Every field is a text kept exactly as
// the user entered it; numbers are read only where they are used.
struct S7Rule
{
    enum class List { Read, Write };

    QString Enable = QStringLiteral("Y");
    QString PLC_Address, PLC_Port, PLC_Type, Rack, Slot, Data_Type, Data_Identifier, DB_Number,
        PLC_Area, PLC_Add, PLC_Bit, PollTime, OnChange, OnCMD, Position, Bit, Swap, SwapWord,
        Mnemonic;

    // In use when the trimmed PLC_Address is not empty.
    bool inUse() const;

    // The attribute names of a list, in file and grid order (18 read, 20 write).
    static const QStringList &fieldNames(List list);
    // Field by attribute name, for the grids and the readers.
    QString &field(const QString &name);
    const QString &field(const QString &name) const;
    // The rule's cells of `list` in column order.
    QStringList cells(List list) const;
    void setCells(List list, const QStringList &cells);

    bool operator==(const S7Rule &) const = default;
};

inline constexpr int kMaxRules = 512;

// A list of 512 rules; fresh rules are Enable "Y" and every other field empty.
using S7RuleList = std::vector<S7Rule>;
S7RuleList Fresh_Rule_List();
