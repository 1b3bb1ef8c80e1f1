#include "s7access/S7AddressText.h"

#include "common/TextUtil.h"

namespace {

// The size letter of a data type: X for bits, B, W, D; empty for a type the list does not offer.
QString sizeLetter(const QString &dataType)
{
    if (dataType == u"Bit")
        return QStringLiteral("X");
    if (dataType == u"Byte" || dataType == u"Char")
        return QStringLiteral("B");
    if (dataType == u"Word" || dataType == u"Int")
        return QStringLiteral("W");
    if (dataType == u"DWord" || dataType == u"DInt" || dataType == u"Real")
        return QStringLiteral("D");
    return {};
}

// The area's letter in S7 notation; an area text outside the list stays as typed.
QString areaLetter(const QString &area)
{
    if (area == u"Direct peripheral access (P)")
        return QStringLiteral("P");
    if (area == u"Inputs (I)")
        return QStringLiteral("I");
    if (area == u"Output (Q)")
        return QStringLiteral("Q");
    if (area == u"Flags (M) (Merker)")
        return QStringLiteral("M");
    return Trim_Text(area);
}

QString number(const QString &text)
{
    const int value = Text_To_Int(text, -1);
    return value >= 0 ? QString::number(value) : Trim_Text(text);
}

} // namespace

QString S7_Address_Text(const S7Rule &rule)
{
    const QString dataType = Trim_Text(rule.Data_Type);
    const QString size = sizeLetter(dataType);
    const QString byte = number(rule.PLC_Add);
    const bool isBit = size == u"X";
    const QString bitSuffix = isBit ? QStringLiteral(".") + number(rule.PLC_Bit) : QString();
    if (Trim_Text(rule.Data_Identifier) == u"DB") {
        const QString item = size.isEmpty() ? QStringLiteral("DB?") : QStringLiteral("DB") + size;
        return QStringLiteral("DB%1.%2%3%4").arg(number(rule.DB_Number), item, byte, bitSuffix);
    }
    const QString area = areaLetter(rule.PLC_Area);
    if (isBit)
        return area + byte + bitSuffix;
    return area + (size.isEmpty() ? QStringLiteral("?") : size) + byte;
}
