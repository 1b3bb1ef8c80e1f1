#pragma once

#include "s7access/PlcCheck.h"
#include "s7access/PlcIdentity.h"

#include <QStringList>
#include <vector>

class TextTable;

// Which PLC answered a check: one per PLC connection the check opened.
struct PlcCheckIdentity
{
    PlcEndpoint plc;
    bool connected = false; // Setup Communication was answered
    PlcIdentity identity;
};

// The PLC a result was read from: that of the item of the same list and row; none for a rule
// that was not sent or whose address is not one.
std::optional<PlcEndpoint> Plc_Of_Result(const PlcCheckResult &result, const std::vector<PlcCheckItem> &items);

// "PLC 127.0.0.1:102 rack 0 slot 2: 6ES7 315-2EH14-0AB0 (S7-300), CPU 315-2 PN/DP, firmware
// V3.2.6, RUN", "... : identity not available", or "... : not connected".
QString Plc_Identity_Line(const PlcCheckIdentity &identity);
// The same line for the windows, from the text table.
QString Plc_Identity_Line(const PlcCheckIdentity &identity, const TextTable &texts);

// The warnings of one PLC: its family differs from a PLC Type its rules name (each one once),
// or it is not in RUN (the values read are stale). Nothing for an unknown order number.
QStringList Plc_Identity_Warnings(const PlcCheckIdentity &identity, const QStringList &plcTypes);
// The same for every PLC of a check, with the PLC Types of the items of each.
QStringList Plc_Check_Warnings(const std::vector<PlcCheckIdentity> &identities, const std::vector<PlcCheckItem> &items);
// The same warnings for the windows, from the text table.
QStringList Plc_Check_Warnings(const std::vector<PlcCheckIdentity> &identities, const std::vector<PlcCheckItem> &items,
                               const TextTable &texts);
