#pragma once

#include "s7access/S7Rule.h"

#include <QString>
#include <cstdint>
#include <vector>

// A text in one of the coded columns (PLC type, data type, data identifier, PLC area) that is
// none of the editor's list texts. Files may carry such texts; the compiler gives them the
// first code of the list, so the device may do something else than the text says.
struct OffListText
{
    S7Rule::List list;
    int row; // 1-based
    S7Rule::Field field;
    QString text;
    std::uint8_t code;  // what the device gets
    QString codeText;   // the list text of that code
};

// The off-list texts of the enabled rules that would be compiled, read list first, in row
// and column order.
std::vector<OffListText> Off_List_Texts(const S7RuleList &read, const S7RuleList &write);
