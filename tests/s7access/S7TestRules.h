#pragma once

#include "s7access/S7Rule.h"

#include <QString>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const S7Rule &rule, std::ostream *os)
{
    *os << '[' << rule.cells(S7Rule::List::Write).join(u'|').toStdString() << ']';
}

// The cells of every rule of a list, for comparing what a read list keeps.
inline QStringList All_Cells(const S7RuleList &rules, S7Rule::List list)
{
    QStringList cells;
    for (const S7Rule &r : rules)
        cells += r.cells(list);
    return cells;
}

// A valid enabled rule to 192.168.1.<host>:102, every field set.
inline S7Rule Valid_Rule(int host = 10, const QString &mnemonic = QStringLiteral("Tank level"))
{
    S7Rule r;
    r.Enable = QStringLiteral("Y");
    r.PLC_Address = QStringLiteral("192.168.1.%1").arg(host);
    r.PLC_Port = QStringLiteral("102");
    r.PLC_Type = QStringLiteral("S71200");
    r.Rack = QStringLiteral("0");
    r.Slot = QStringLiteral("1");
    r.Data_Type = QStringLiteral("Word");
    r.Data_Identifier = QStringLiteral("DB");
    r.DB_Number = QStringLiteral("10");
    r.PLC_Area = QStringLiteral("Flags (M) (Merker)");
    r.PLC_Add = QStringLiteral("20");
    r.PLC_Bit = QStringLiteral("0");
    r.PollTime = QStringLiteral("100");
    r.OnChange = QStringLiteral("Y");
    r.OnCMD = QStringLiteral("N");
    r.Position = QStringLiteral("5");
    r.Bit = QStringLiteral("0");
    r.Swap = QStringLiteral("N");
    r.SwapWord = QString();
    r.Mnemonic = mnemonic;
    return r;
}
