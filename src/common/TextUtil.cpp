#include "common/TextUtil.h"

#include <cstdint>

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

int Text_To_Int(QStringView text, int defaultValue)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i < n && (text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return defaultValue;

    // The magnitude may reach 2^31 for a negative value; anything beyond is an overflow.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    for (; i < n; ++i) {
        int digit = -1;
        if (base == 16) {
            digit = hexDigit(text[i]);
        } else {
            const char16_t u = text[i].unicode();
            if (u >= '0' && u <= '9')
                digit = u - '0';
        }
        if (digit < 0)
            return defaultValue;
        value = value * base + digit;
        if (value > limit)
            return defaultValue;
    }
    return static_cast<int>(negative ? -value : value);
}

QString Visible_Text(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        qsizetype units = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        bool hidden = false;
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Other_NotAssigned:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            hidden = true;
            break;
        case QChar::Separator_Space:
            hidden = c != U' ';
            break;
        default:
            break;
        }
        if (hidden)
            out += QStringLiteral("<U+%1>").arg(QString::number(quint32(c), 16).toUpper().rightJustified(4, u'0'));
        else
            out += text.mid(i, units);
        i += units - 1;
    }
    return out;
}

QString Trim_Text(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin).toString();
}
