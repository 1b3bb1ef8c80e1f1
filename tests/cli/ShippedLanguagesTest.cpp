#include "app/AppSettings.h"
#include "app/ConfigWorkspace.h"
#include "app/Startup.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"
#include "texts/LanguageFile.h"
#include "texts/TextTable.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

const QString kShipped = QStringLiteral(BRIVANT_BIN_DIR "/LANGUAGE");

QStringList shippedLanguages()
{
    QStringList names;
    for (const QString &file : QDir(kShipped).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name))
        names.append(file.chopped(4));
    return names;
}

QStringList jsonTexts(const QString &json)
{
    QStringList list;
    for (const QJsonValue &v : QJsonDocument::fromJson(json.toUtf8()).array())
        list.append(v.toString());
    return list;
}

// English.lng is the built-in table as a file, so that a user can always go back to it.
TEST(ShippedLanguagesTest, EnglishIsTheBuiltInTableAndEveryLanguageHasAFlag)
{
    QFile english(kShipped + QStringLiteral("/English.lng"));
    ASSERT_TRUE(english.open(QIODevice::ReadOnly)) << "build the target brivant_languages";
    const CliRun lng = Run_Cli_Captured({QStringLiteral("texts"), QStringLiteral("--lng"), QStringLiteral("--workspace"),
                                         QDir::tempPath() + QStringLiteral("/no-such-brivant-workspace")});
    EXPECT_EQ(english.readAll(), lng.out);
    for (const QString &language : shippedLanguages() + QStringList{QStringLiteral("DefaultFlag")})
        EXPECT_TRUE(QFile::exists(kShipped + QLatin1Char('/') + language + QStringLiteral(".bmp"))) << language.toStdString();
}

// After the first start of the configurator in a new workspace the command-line tool reads each
// shipped language from it, exactly as the file says and without falling back to English.
TEST(ShippedLanguagesTest, TextsOfEachLanguageAfterAFreshStartOfANewWorkspace)
{
    const QStringList languages = shippedLanguages();
    ASSERT_TRUE(languages.contains(QStringLiteral("English")));
    for (const QString &language : languages) {
        SCOPED_TRACE(language.toStdString());
        TempWorkspace ws;
        ConfigWorkspace workspace;
        AppSettings settings;
        TextTable started;
        Run_Startup(ws.path(), workspace, settings, started, kShipped);

        const CliTextRun run = Run_Cli_Text({QStringLiteral("texts"), QStringLiteral("--workspace"), ws.path(),
                                             QStringLiteral("--language"), language});
        ASSERT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

        TextTable expected;
        expected.Load_Default_Texts();
        Load_Language_File(expected, kShipped + QLatin1Char('/') + language + QStringLiteral(".lng"));
        EXPECT_EQ(jsonTexts(run.out), expected.entries());
        if (language != QLatin1String("English")) {
            TextTable builtIn;
            builtIn.Load_Default_Texts();
            EXPECT_NE(expected.text(0), builtIn.text(0));
        }
    }
}

} // namespace
