#include "s7access/IpAddress.h"

#include "common/TextUtil.h"

ParsedIp Parse_IP_Address(QStringView text, std::array<std::uint8_t, 4> previous)
{
    ParsedIp result;
    result.bytes = previous;
    if (text.isEmpty()) {
        result.error = true;
        return result;
    }
    QStringView remainder = text;
    for (int i = 0; i < 4; ++i) {
        const qsizetype dot = remainder.indexOf(u'.');
        QStringView part;
        if (i == 3)
            part = remainder;
        else if (dot >= 0)
            part = remainder.left(dot);
        const int value = Text_To_Int(part, -1);
        if (value >= 0 && value <= 255) {
            result.bytes[i] = static_cast<std::uint8_t>(value);
        } else {
            result.bytes[i] = 0;
            result.error = true;
        }
        if (dot >= 0)
            remainder = remainder.mid(dot + 1);
    }
    return result;
}
