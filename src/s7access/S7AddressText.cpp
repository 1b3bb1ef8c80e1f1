#include "s7access/S7AddressText.h"

#include "common/TextUtil.h"
#include "s7access/S7RuleCodes.h"

namespace {

// B, W or D by the width of the value; Bit rules have no size letter.
QString sizeLetter(std::uint8_t dataType)
{
    switch (dataType) {
    case 4: // Word
    case 5: // Int
        return QStringLiteral("W");
    case 6: // DWord
    case 7: // DInt
    case 8: // Real
        return QStringLiteral("D");
    default: // Byte, Char
        return QStringLiteral("B");
    }
}

QString areaLetter(std::uint8_t area)
{
    switch (area) {
    case 0x81: return QStringLiteral("I");
    case 0x82: return QStringLiteral("Q");
    case 0x83: return QStringLiteral("M");
    default: return QStringLiteral("P");
    }
}

} // namespace

QString S7_Address_Text(const S7Rule &rule)
{
    const std::uint8_t dataType = Data_Type_Code(rule.Data_Type);
    const bool bit = dataType == 1;
    const unsigned byte = static_cast<unsigned>(Text_To_Int(rule.PLC_Add, 0)) & 0xFFFFu;
    const unsigned bitNumber = static_cast<unsigned>(Text_To_Int(rule.PLC_Bit, 0)) & 0xFFu;
    if (rule.Data_Identifier == QLatin1String("DB")) {
        const unsigned db = static_cast<unsigned>(Text_To_Int(rule.DB_Number, 0)) & 0xFFFFu;
        if (bit)
            return QStringLiteral("DB%1.DBX%2.%3").arg(db).arg(byte).arg(bitNumber);
        return QStringLiteral("DB%1.DB%2%3").arg(db).arg(sizeLetter(dataType)).arg(byte);
    }
    const QString area = areaLetter(PLC_Area_Code(rule.PLC_Area));
    if (bit)
        return QStringLiteral("%1%2.%3").arg(area).arg(byte).arg(bitNumber);
    return area + sizeLetter(dataType) + QString::number(byte);
}
