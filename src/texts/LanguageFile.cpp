#include "texts/LanguageFile.h"

#include "common/Errors.h"
#include "common/SafeFile.h"
#include "common/TextUtil.h"
#include "texts/TextTable.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

constexpr char16_t kPilcrow = 0x00B6;
const QString kComment = QStringLiteral("/#/");

// Windows-1252 bytes 0x80..0x9F; the five undefined bytes map to the C1 control of the same value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeCp1252(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *dst++ = QChar((b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

} // namespace

QString Decode_Language_Bytes(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringConverter::Utf16LE);
        return decoder.decode(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringConverter::Utf16BE);
        return decoder.decode(QByteArrayView(bytes).sliced(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(bytes);
}

QStringList Split_Language_Lines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\n' || c == u'\r') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

void Apply_Language_Line(TextTable &table, QStringView rawLine)
{
    const QString line = Trim_Text(rawLine);
    if (!line.startsWith(QLatin1String("STR")))
        return;
    const qsizetype p = line.indexOf(u'=');
    if (p < 0)
        return;
    // The index runs from the fourth character to two before "="; the character just before
    // "=" is the separator and never part of the index.
    const QString field = p - 4 > 0 ? Trim_Text(QStringView(line).mid(3, p - 4)) : QString();
    const int index = Text_To_Int(field, -1);
    if (index < 0 || index >= table.Text_Count())
        return;
    QString text = Trim_Text(QStringView(line).mid(p + 1));
    if (text.isEmpty())
        return;
    const qsizetype comment = text.indexOf(kComment);
    if (comment >= 0) {
        text = Trim_Text(QStringView(text).left(comment));
        if (text.isEmpty())
            return;
    }
    if (text.startsWith(QChar(kPilcrow)))
        text.remove(0, 1);
    const qsizetype pilcrow = text.indexOf(QChar(kPilcrow));
    if (pilcrow >= 0)
        text.truncate(pilcrow);
    table.setText(index, text);
}

QString Language_Locale_Line(QStringView line)
{
    QString rest = Trim_Text(line);
    if (!rest.startsWith(QLatin1String("/#")))
        return {};
    rest.remove(0, rest.startsWith(QLatin1String("/#/")) ? 3 : 2);
    rest = Trim_Text(rest);
    if (!rest.startsWith(QLatin1String("locale"), Qt::CaseInsensitive))
        return {};
    rest = Trim_Text(QStringView(rest).sliced(6));
    if (!rest.startsWith(u':') && !rest.startsWith(u'='))
        return {};
    rest = Trim_Text(QStringView(rest).sliced(1));
    // A language code, optionally with its territory: "de", "de_DE", "pt-BR".
    static const QRegularExpression code(QStringLiteral("^([A-Za-z]{2,3})([_-][A-Za-z]{2})?(?=\\s|$)"));
    const QRegularExpressionMatch match = code.match(rest);
    if (!match.hasMatch())
        return {};
    QString locale = match.captured(1).toLower();
    if (match.hasCaptured(2))
        locale += QLatin1Char('_') + match.captured(2).mid(1).toUpper();
    return locale;
}

void Load_Language_File(TextTable &table, const QString &path)
{
    // 1400 texts take some 100 kB; the bound keeps a hostile file from filling the memory.
    const QStringList lines = Split_Language_Lines(Decode_Language_Bytes(
        Read_Bounded_File(path, kMaxLanguageFileSize, QStringLiteral("language files"), QStringLiteral("8 MiB"))));
    bool localeSeen = false;
    for (const QString &line : lines) {
        if (!localeSeen) {
            const QString locale = Language_Locale_Line(line);
            if (!locale.isEmpty()) {
                table.setLocale(locale);
                localeSeen = true;
                continue;
            }
        }
        Apply_Language_Line(table, line);
    }
}

std::optional<QString> Load_Language(TextTable &table, QString &language, const QString &languageDir)
{
    table.Load_Default_Texts();
    const auto fileOf = [&](const QString &name) {
        return QDir(languageDir).filePath(name + QStringLiteral(".lng"));
    };
    QString path = fileOf(language);
    // Only a name that does not exist falls back; a file that exists but cannot be read (a
    // link to nothing, no permission) is reported.
    if (Name_Is_Missing(path)) {
        language = QStringLiteral("English");
        path = fileOf(language);
        if (Name_Is_Missing(path))
            return std::nullopt;
    }
    try {
        Load_Language_File(table, path);
    } catch (const FileError &e) {
        return e.text();
    }
    return std::nullopt;
}

QByteArray Write_Language_File(const TextTable &table, QList<int> *skipped)
{
    QString out;
    out += QStringLiteral("/#/ Language file: one line per text, \"STR\" + index + \" = \" + text.\r\n");
    out += QStringLiteral("/#/ A text between two pilcrow signs keeps its leading and trailing blanks.\r\n");
    if (!table.locale().isEmpty())
        out += QStringLiteral("/# locale: ") + table.locale() + QStringLiteral("\r\n");
    for (int i = 0; i < table.Text_Count(); ++i) {
        const QString text = table.text(i);
        if (text == QLatin1String(" "))
            continue;
        if (text.contains(kComment) || text.contains(QChar(kPilcrow)) || text.contains(u'\n')
            || text.contains(u'\r')) {
            if (skipped)
                skipped->append(i);
            continue;
        }
        const bool quote = text.isEmpty() || text.front().unicode() <= 32 || text.back().unicode() <= 32;
        out += QStringLiteral("STR%1 = ").arg(i);
        if (quote)
            out += QChar(kPilcrow) + text + QChar(kPilcrow);
        else
            out += text;
        out += QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}
