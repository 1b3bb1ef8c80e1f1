#include "s7access/S7RuleCodes.h"

#include <cstddef>

namespace {

struct CodeText
{
    const char16_t *text;
    std::uint8_t code;
};

// The first pair of each list is also the code of any other text.
constexpr CodeText kPlcTypes[] = {{u"S7200", 0},   {u"Logo0BA8", 1}, {u"S7300", 10},
                                  {u"S7400", 20},  {u"S71200", 30},  {u"S71500", 40}};
constexpr CodeText kDataTypes[] = {{u"Bit", 1}, {u"Byte", 2}, {u"Char", 3},  {u"Word", 4},
                                   {u"Int", 5}, {u"DWord", 6}, {u"DInt", 7}, {u"Real", 8}};
constexpr CodeText kDataIdentifiers[] = {{u"OB", 8},   {u"DB", 10}, {u"SDB", 11}, {u"FC", 12},
                                         {u"SFC", 13}, {u"FB", 14}, {u"SFB", 15}};
constexpr CodeText kPlcAreas[] = {{u"Direct peripheral access (P)", 0x80},
                                  {u"Inputs (I)", 0x81},
                                  {u"Output (Q)", 0x82},
                                  {u"Flags (M) (Merker)", 0x83}};

template <std::size_t N>
std::uint8_t codeOf(const CodeText (&table)[N], QStringView text)
{
    for (const CodeText &entry : table) {
        if (text == QStringView(entry.text))
            return entry.code;
    }
    return table[0].code;
}

template <std::size_t N>
QString textOf(const CodeText (&table)[N], std::uint8_t code)
{
    for (const CodeText &entry : table) {
        if (entry.code == code)
            return QString::fromUtf16(entry.text);
    }
    return {};
}

} // namespace

std::uint8_t PLC_Type_Code(QStringView text) { return codeOf(kPlcTypes, text); }
std::uint8_t Data_Type_Code(QStringView text) { return codeOf(kDataTypes, text); }
std::uint8_t Data_Identifier_Code(QStringView text) { return codeOf(kDataIdentifiers, text); }
std::uint8_t PLC_Area_Code(QStringView text) { return codeOf(kPlcAreas, text); }

QString PLC_Type_Text(std::uint8_t code) { return textOf(kPlcTypes, code); }
QString Data_Type_Text(std::uint8_t code) { return textOf(kDataTypes, code); }
QString Data_Identifier_Text(std::uint8_t code) { return textOf(kDataIdentifiers, code); }
QString PLC_Area_Text(std::uint8_t code) { return textOf(kPlcAreas, code); }
