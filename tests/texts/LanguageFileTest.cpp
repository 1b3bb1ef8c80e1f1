#include "texts/LanguageFile.h"
#include "texts/TextTable.h"
#include "support/TempWorkspace.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

constexpr const char *kUnchanged = "Options"; // English text of entry 13

struct LineCase
{
    const char *line; // UTF-8
    int index;
    const char *expected; // nullptr: the entry keeps its English text
};

class LanguageLineTest : public ::testing::TestWithParam<LineCase>
{
};

TEST_P(LanguageLineTest, AppliesOrIgnoresTheLine)
{
    const LineCase c = GetParam();
    TextTable table;
    table.Load_Default_Texts();
    const TextTable english = table;
    Apply_Language_Line(table, QString::fromUtf8(c.line));
    for (int i = 0; i < table.Text_Count(); ++i) {
        if (i == c.index && c.expected)
            EXPECT_EQ(table.text(i), QString::fromUtf8(c.expected)) << c.line;
        else
            EXPECT_EQ(table.text(i), english.text(i)) << c.line << " changed entry " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LanguageLineTest,
    ::testing::Values(LineCase{"STR13 = Hello", 13, "Hello"},
                      LineCase{"  STR13   =   Hello  ", 13, "Hello"},
                      LineCase{"\tSTR13 = Hello\t\r", 13, "Hello"},
                      // The character before "=" is the separator, never part of the index.
                      LineCase{"STR13= Hello", 1, "Hello"},
                      LineCase{"STR13 = Hello /#/ button caption", 13, "Hello"},
                      LineCase{"STR13 = a = b", 13, "a = b"},
                      LineCase{"STR13 = \xc2\xb6  Hello \xc2\xb6", 13, "  Hello "},
                      LineCase{"STR13 = \xc2\xb6 / \xc2\xb6 /#/ page separator", 13, " / "},
                      LineCase{"STR13 = a\xc2\xb6" "b", 13, "a"},
                      LineCase{"STR13 = \xc2\xb6\xc2\xb6" "abc", 13, ""},
                      LineCase{"STR13 = \xc2\xb6", 13, ""},
                      LineCase{"STR $D = hex index", 13, "hex index"},
                      LineCase{"STR13 = \xc3\x9c" "bersicht", 13, "\xc3\x9c" "bersicht"},
                      LineCase{"STR1399 = last", 1399, "last"},
                      LineCase{"STR0 = first", 0, "first"},
                      // Ignored lines.
                      LineCase{"STR13 = /#/ only a note", 13, nullptr},
                      LineCase{"STR13 =", 13, nullptr}, LineCase{"STR13 =    ", 13, nullptr},
                      LineCase{"STR1400 = x", 13, nullptr}, LineCase{"STR-1 = x", 13, nullptr},
                      LineCase{"STRx = y", 13, nullptr}, LineCase{"str13 = x", 13, nullptr},
                      LineCase{"STR13 x", 13, nullptr}, LineCase{"STR = x", 13, nullptr},
                      LineCase{"STR13x = y", 13, nullptr}, LineCase{"; STR13 = x", 13, nullptr},
                      LineCase{"", 13, nullptr}, LineCase{"=", 13, nullptr},
                      LineCase{"STR=", 13, nullptr}, LineCase{"STR99999999999 = x", 13, nullptr}));

TEST(LanguageFileTest, LastLineForAnIndexWins)
{
    TextTable table;
    table.Load_Default_Texts();
    for (const char *l : {"STR5 = first", "STR5 = second"})
        Apply_Language_Line(table, QString::fromLatin1(l));
    EXPECT_EQ(table.text(5), QStringLiteral("second"));
}

struct EncodingCase
{
    const char *name;
    QByteArray bytes;
    QString expected; // entry 13
};

TEST(LanguageFileTest, DecodesEveryEncodingAndLineEnd)
{
    const QString word = QStringLiteral("Überprüfung €");
    const QString body = QStringLiteral("; heading\r\nSTR12 = x\rSTR13 = ") + word + QStringLiteral("\nSTR14 = y");
    auto utf16 = [&](bool le) {
        QByteArray b = le ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (const QChar c : body) {
            const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
            b.append(le ? lo : hi);
            b.append(le ? hi : lo);
        }
        return b;
    };
    const QList<EncodingCase> cases = {
        {"utf-8 with BOM", QByteArray("\xEF\xBB\xBF") + body.toUtf8(), word},
        {"utf-8 without BOM", body.toUtf8(), word},
        {"utf-16 LE", utf16(true), word},
        {"utf-16 BE", utf16(false), word},
        {"windows-1252", QByteArray("STR13 = \xDC" "berpr\xFC" "fung \x80\r\nSTR14 = y"), word},
        {"windows-1252 pilcrow quoting", QByteArray("STR13 = \xB6 caf\xE9 \xB6"), QStringLiteral(" café ")},
    };
    TempWorkspace ws;
    for (const EncodingCase &c : cases) {
        TextTable table;
        table.Load_Default_Texts();
        Load_Language_File(table, ws.write(QStringLiteral("x.lng"), c.bytes));
        EXPECT_EQ(table.text(13), c.expected) << c.name;
    }
}

TEST(LanguageFileTest, AnyBytesNeverCrashOrHang)
{
    QByteArray hugeLine = "STR13 = " + QByteArray(4 * 1024 * 1024, 'a');
    QByteArray manyLines;
    for (int i = 0; i < 40000; ++i)
        manyLines += "STR" + QByteArray::number(i % 1500) + " = line " + QByteArray::number(i) + "\n";
    const QList<QByteArray> inputs = {
        QByteArray(), QByteArray("\xEF\xBB\xBF"), QByteArray("\xFF\xFE"), QByteArray("\xFE\xFF"),
        QByteArray("\xFF\xFE\x41"), QByteArray("STR13 = a\0b\nSTR14 = \0\0", 21),
        QByteArray("\xC3\x28\xA0\xA1 STR13 = \xF0\x28\x8C\x28"), hugeLine, manyLines,
        QByteArray(1000, '\r'), QByteArray(1000, '='),
    };
    TempWorkspace ws;
    for (const QByteArray &bytes : inputs) {
        TextTable table;
        table.Load_Default_Texts();
        EXPECT_NO_THROW(Load_Language_File(table, ws.write(QStringLiteral("x.lng"), bytes)));
        EXPECT_EQ(table.Text_Count(), 1400);
    }
    TextTable table;
    table.Load_Default_Texts();
    Load_Language_File(table, ws.write(QStringLiteral("x.lng"), hugeLine));
    EXPECT_EQ(table.text(13).size(), 4 * 1024 * 1024);
}

TEST(LoadLanguageTest, FallsBackToEnglishAndRestoresTheDefaultsFirst)
{
    TempWorkspace ws;
    const QString dir = ws.mkdir(QStringLiteral("LANGUAGE"));
    ws.write(QStringLiteral("LANGUAGE/Deutsch.lng"), "STR20 = Kommunikation\r\nSTR13 = Optionen");
    ws.write(QStringLiteral("LANGUAGE/English.lng"), "STR13 = Settings");

    TextTable table;
    QString language = QStringLiteral("Deutsch");
    EXPECT_EQ(Load_Language(table, language, dir), std::nullopt);
    EXPECT_EQ(language, QStringLiteral("Deutsch"));
    EXPECT_EQ(table.text(20), QStringLiteral("Kommunikation"));

    // English.lng does not translate entry 20: it is English again, not German.
    language = QStringLiteral("Français");
    Load_Language(table, language, dir);
    EXPECT_EQ(language, QStringLiteral("English"));
    EXPECT_EQ(table.text(13), QStringLiteral("Settings"));
    EXPECT_EQ(table.text(20), QStringLiteral("Set Communication"));

    language.clear();
    Load_Language(table, language, dir);
    EXPECT_EQ(language, QStringLiteral("English"));

    QString none = QStringLiteral("Deutsch");
    TextTable builtIn;
    Load_Language(builtIn, none, ws.file(QStringLiteral("empty")));
    EXPECT_EQ(none, QStringLiteral("English"));
    EXPECT_EQ(builtIn.text(13), QString::fromLatin1(kUnchanged));
}

// A comment line names the locale of Qt's own texts; the entry reader ignores it.
TEST(LoadLanguageTest, TheLocaleLineNamesTheLocaleAndSetsNoEntry)
{
    const std::pair<const char *, const char *> lines[] = {
        {"/# locale: de_DE", "de_DE"}, {"  /#/ Locale = it-it  ", "it_IT"}, {"/#locale:fr", "fr"},
        {"/# locale: es_ES /# Spanish", "es_ES"}, {"/# locale:", ""}, {"/# locale: 1234", ""},
        {"/# locale: de_DE_x", ""}, {"# locale: de_DE", ""}, {"STR5 = /# locale: de_DE", ""}, {"/# language: de", ""},
    };
    for (const auto &[line, locale] : lines)
        EXPECT_EQ(Language_Locale_Line(QString::fromLatin1(line)), QString::fromLatin1(locale)) << line;

    TempWorkspace ws;
    const QString dir = ws.mkdir(QStringLiteral("LANGUAGE"));
    ws.write(QStringLiteral("LANGUAGE/Deutsch.lng"), "\xEF\xBB\xBF/# locale: de_DE\r\nSTR13 = Optionen\r\n/# locale: fr_FR\r\n");
    ws.write(QStringLiteral("LANGUAGE/Plain.lng"), "STR13 = Options");
    TextTable table;
    QString language = QStringLiteral("Deutsch");
    Load_Language(table, language, dir);
    EXPECT_EQ(table.locale(), QStringLiteral("de_DE")) << "the first locale line counts";
    EXPECT_EQ(table.text(13), QStringLiteral("Optionen"));
    // A file written from the table keeps the locale.
    TextTable reloaded;
    reloaded.Load_Default_Texts();
    ws.write(QStringLiteral("LANGUAGE/Copy.lng"), Write_Language_File(table, nullptr));
    Load_Language_File(reloaded, ws.file(QStringLiteral("LANGUAGE/Copy.lng")));
    EXPECT_EQ(reloaded.locale(), QStringLiteral("de_DE"));
    EXPECT_EQ(reloaded.entries(), table.entries());

    language = QStringLiteral("Plain");
    Load_Language(table, language, dir);
    EXPECT_TRUE(table.locale().isEmpty());
    EXPECT_FALSE(Write_Language_File(table, nullptr).contains("locale"));
}

TEST(WriteLanguageFileTest, ReloadingTheWrittenFileGivesTheIdenticalTable)
{
    TextTable table;
    table.Load_Default_Texts();
    table.setText(13, QStringLiteral("  leading"));
    table.setText(14, QStringLiteral("trailing\t"));
    table.setText(15, QString());
    table.setText(16, QStringLiteral("a = b == c"));
    table.setText(17, QStringLiteral("Überprüfung € 日本"));
    table.setText(18, QStringLiteral("STR5 = not an entry"));
    table.setText(19, QStringLiteral("note /#/ comment"));
    table.setText(21, QStringLiteral("pil\u00b6crow"));
    table.setText(22, QStringLiteral("two\nlines"));
    table.setText(29, QStringLiteral("x"));

    QList<int> skipped;
    const QByteArray file = Write_Language_File(table, &skipped);
    EXPECT_EQ(skipped, (QList<int>{19, 21, 22}));

    TempWorkspace ws;
    TextTable reloaded;
    reloaded.Load_Default_Texts();
    for (int i : skipped) // the file leaves them out, so they keep what the reader had
        table.setText(i, reloaded.text(i));
    Load_Language_File(reloaded, ws.write(QStringLiteral("rt.lng"), file));
    EXPECT_EQ(reloaded.entries(), table.entries());
}

} // namespace
