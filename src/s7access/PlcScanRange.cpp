#include "s7access/PlcScanRange.h"

#include <QStringList>

std::optional<std::uint32_t> Parse_Dotted_Ipv4(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        const int number = part.toInt();
        if (number > 255)
            return std::nullopt;
        value = (value << 8) | std::uint32_t(number);
    }
    return value;
}

std::optional<QString> Scan_Range_Error(std::uint32_t first, std::uint32_t last)
{
    if (first > last)
        return QStringLiteral("the first address is after the last");
    if (last - first >= std::uint32_t(kMaxScanAddresses))
        return QStringLiteral("the range holds %1 addresses; a scan tries at most %2")
            .arg(qulonglong(last - first) + 1)
            .arg(kMaxScanAddresses);
    return std::nullopt;
}
