#include "support/CliRunner.h"
#include "support/TempWorkspace.h"
#include "texts/TextTable.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

QStringList jsonTexts(const QByteArray &json)
{
    QStringList list;
    for (const QJsonValue &v : QJsonDocument::fromJson(json).array())
        list.append(v.toString());
    return list;
}

TEST(CliTest, HelpVersionAndUnknownCommands)
{
    const CliRun version = Run_Cli_Captured({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QByteArray("1.002\n"));

    const CliRun help = Run_Cli_Captured({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *command : {"texts", "compile", "gsd", "validate", "job", "dump", "export-rules",
                                "import-rules", "update"})
        EXPECT_TRUE(help.out.contains(command)) << command;

    EXPECT_NE(Run_Cli_Captured({QStringLiteral("frobnicate")}).exitCode, 0);
    EXPECT_NE(Run_Cli_Captured({}).exitCode, 0);
    const CliRun bad = Run_Cli_Captured({QStringLiteral("texts"), QStringLiteral("--language")});
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_TRUE(bad.err.contains("--language"));
}

TEST(CliTextsTest, PrintsTheBuiltInTableAsJson)
{
    TempWorkspace ws;
    const CliRun run = Run_Cli_Captured({QStringLiteral("texts")}, ws.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(run.out.startsWith("[\"Begin\",\"Step 1\","));
    EXPECT_TRUE(run.out.endsWith("]\n"));
    TextTable table;
    table.Load_Default_Texts();
    EXPECT_EQ(jsonTexts(run.out), table.entries());
}

TEST(CliTextsTest, LoadsTheNamedLanguageFromTheWorkspace)
{
    TempWorkspace ws;
    ws.write(QStringLiteral("LANGUAGE/Deutsch.lng"), "\xEF\xBB\xBFSTR20 = Kommunikation einstellen\r\nSTR13 = \xC3\x9C\"q\"\\");
    const CliRun run = Run_Cli_Captured({QStringLiteral("texts"), QStringLiteral("--workspace"), ws.path(),
                                         QStringLiteral("--language"), QStringLiteral("Deutsch")});
    ASSERT_EQ(run.exitCode, 0);
    const QStringList texts = jsonTexts(run.out);
    ASSERT_EQ(texts.size(), 1400);
    EXPECT_EQ(texts[20], QStringLiteral("Kommunikation einstellen"));
    EXPECT_EQ(texts[13], QStringLiteral("Ü\"q\"\\"));
    EXPECT_TRUE(run.out.contains("\"\xC3\x9C\\\"q\\\"\\\\\"")); // UTF-8, JSON escapes
}

// texts --lng to a file, then texts --language of that file: the identical JSON.
TEST(CliTextsTest, LanguageFileRoundTripGivesTheIdenticalTable)
{
    TempWorkspace ws;
    const QByteArray custom = QByteArray("STR13 = \xC2\xB6  leading and trailing  \xC2\xB6\r\n"
                                         "STR14 = key = value\r\nSTR15 = \xC3\xA9l\xC3\xA8ve \xE6\x97\xA5\r\n"
                                         "STR16 = \xC2\xB6\xC2\xB6\r\nSTR17 = \xC2\xB6\tTab\xC2\xB6\r\n");
    ws.write(QStringLiteral("LANGUAGE/Custom.lng"), custom);
    for (const QString &language : {QStringLiteral("English"), QStringLiteral("Custom")}) {
        const QStringList base = {QStringLiteral("texts"), QStringLiteral("--workspace"), ws.path(),
                                  QStringLiteral("--language"), language};
        const CliRun json = Run_Cli_Captured(base);
        const CliRun lng = Run_Cli_Captured(base + QStringList{QStringLiteral("--lng")});
        ASSERT_EQ(lng.exitCode, 0);
        EXPECT_TRUE(lng.err.isEmpty()) << lng.err.constData();
        ws.write(QStringLiteral("LANGUAGE/RoundTrip.lng"), lng.out);
        const CliRun again = Run_Cli_Captured({QStringLiteral("texts"), QStringLiteral("--workspace"), ws.path(),
                                               QStringLiteral("--language"), QStringLiteral("RoundTrip")});
        EXPECT_EQ(again.out, json.out) << language.toStdString();
    }
}

// A text that ends in a blank is written between pilcrows so that reading keeps the blank.
TEST(CliTextsTest, QuotesTextsThatEndInABlank)
{
    TempWorkspace ws;
    ws.write(QStringLiteral("LANGUAGE/Odd.lng"), "STR13 = a \xC2\xB6 /#/ x\r\nSTR14 = keep");
    const CliRun run = Run_Cli_Captured({QStringLiteral("texts"), QStringLiteral("--workspace"), ws.path(),
                                         QStringLiteral("--language"), QStringLiteral("Odd"), QStringLiteral("--lng")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("STR13 = \xC2\xB6" "a \xC2\xB6\r\n")) << run.out.constData();
    EXPECT_TRUE(run.out.contains("STR14 = keep\r\n"));
}

} // namespace

namespace {

// An installed copy keeps its workspace in the user's data folder; asking for the version or
// the texts must not create it.
TEST(CliTest, VersionAndTextsCreateNoFolders)
{
    TempWorkspace ws;
    const QString program = ws.file(QStringLiteral("bin/brivant-cli"));
    ws.mkdir(QStringLiteral("bin"));
    ws.write(QStringLiteral("bin/brivant-installed"), {});
    ASSERT_TRUE(QFile::copy(QStringLiteral(BRIVANT_BIN_DIR "/brivant-cli"), program));
    const QString home = ws.mkdir(QStringLiteral("home"));
    for (const QStringList &args : {QStringList{QStringLiteral("--version")}, QStringList{QStringLiteral("texts")}}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0) << args.first().toStdString();
    }
    EXPECT_EQ(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

} // namespace
