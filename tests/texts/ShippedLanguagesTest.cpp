#include "texts/LanguageFile.h"
#include "texts/TextTable.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct Shipped
{
    const char *name;   // file name without ".lng"
    const char *locale; // the "/# locale: " comment line that selects Qt's own translations
};

// Texts that no window of this model shows: the Modbus TCP slave category of the parameter
// window, the serial, USB and device-search texts of the update window, and entry 1105.
bool shownByAWindow(int index)
{
    const bool modbus = (index >= 423 && index <= 441) || (index >= 463 && index <= 475);
    const bool updateUnused = (index >= 1000 && index <= 1013 && index != 1002 && index != 1003 && index != 1006)
                              || (index >= 1025 && index <= 1031);
    return !modbus && !updateUnused && index != 1105;
}

class ShippedLanguageTest : public ::testing::TestWithParam<Shipped>
{
};

// Loads the file over a table whose every entry is a marker, so that an entry the file leaves
// out (or loses to a quoting slip) still reads the marker afterwards.
TEST_P(ShippedLanguageTest, TranslatesEveryShownTextKeepingItsJoiningBlanksAndNames)
{
    const Shipped lang = GetParam();
    const QString path = QStringLiteral(BRIVANT_LANGUAGES_DIR "/%1.lng").arg(QString::fromUtf8(lang.name));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "byte-order mark";
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << "CR LF line ends";
    EXPECT_TRUE(Split_Language_Lines(Decode_Language_Bytes(bytes)).contains(QStringLiteral("/# locale: %1").arg(QLatin1String(lang.locale))));

    TextTable english;
    english.Load_Default_Texts();
    const QString marker = QStringLiteral("\x01");
    TextTable table;
    table.Load_Default_Texts();
    for (int i = 0; i < table.Text_Count(); ++i)
        table.setText(i, marker);
    Load_Language_File(table, path);

    for (int i = 0; i < english.Text_Count(); ++i) {
        const QString en = english.text(i);
        const QString tr = table.text(i);
        if (en == QLatin1String(" ") || !shownByAWindow(i))
            continue;
        SCOPED_TRACE(::testing::Message() << lang.name << " entry " << i << ": " << tr.toStdString());
        if (tr == marker) {
            ADD_FAILURE() << "missing";
            continue;
        }
        EXPECT_FALSE(tr.trimmed().isEmpty());
        // Composite texts are joined with a number or a name: the blank at either end must
        // survive. Only the closing "?" of the language question may gain a leading blank.
        if (i != 318) {
            EXPECT_EQ(en.startsWith(QLatin1Char(' ')), tr.startsWith(QLatin1Char(' ')));
        }
        EXPECT_EQ(en.endsWith(QLatin1Char(' ')), tr.endsWith(QLatin1Char(' ')));
        // Names that stay as they are in every language, and the numbered placeholders.
        for (const char *kept : {"S7comm", "PROFIBUS", "GSD", "DB", "PLC", "S7_Protocol.xml", "%1", "%2", "%3", "%4", "%5"}) {
            if (en.contains(QLatin1String(kept))) {
                EXPECT_TRUE(tr.contains(QLatin1String(kept))) << kept;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedLanguageTest,
                         ::testing::Values(Shipped{"Italiano", "it_IT"}, Shipped{"Deutsch", "de_DE"},
                                           Shipped{"Français", "fr_FR"}, Shipped{"Español", "es_ES"}),
                         [](const ::testing::TestParamInfo<Shipped> &p) { return std::string(p.param.locale); });

} // namespace
