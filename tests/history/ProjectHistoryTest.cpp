// The project history: what a save keeps, its bounds, restoring, a full disk and a history
// folder that holds things the program never wrote.
#include "../s7access/S7TestRules.h"
#include "commparams/CommParams.h"
#include "history/HistoryVersions.h"
#include "history/ProjectHistory.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/FileSizeLimit.h"
#include "support/TempWorkspace.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

class ProjectHistoryTest : public ::testing::Test
{
protected:
    TempWorkspace ws;
    QString project = ws.mkdir(QStringLiteral("P"));
    QString s7File = QDir(project).filePath(QStringLiteral("S7_Protocol.xml"));
    QString parGen = QDir(project).filePath(QStringLiteral("ParGen.xml"));
    QString history = QDir(project).filePath(QStringLiteral("history"));

    // An S7_Protocol.xml whose one read rule is named `mnemonic`, `writes` write rules below.
    void saveRules(const QString &mnemonic, int writes = 0, KeepHistory keep = KeepHistory::Yes)
    {
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        read[0] = Valid_Rule(1, mnemonic);
        for (int i = 0; i < writes; ++i)
            write[std::size_t(i)] = Valid_Rule(i + 2);
        Save_S7_Protocol(s7File, read, write, keep);
    }
    static QByteArray rulesBytes(const QString &mnemonic)
    {
        S7RuleList read = Fresh_Rule_List();
        read[0] = Valid_Rule(1, mnemonic);
        return Serialize_S7_Protocol(read, Fresh_Rule_List());
    }
    QStringList historyNames() const
    {
        return QDir(history).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QStringList kept(const QString &fileName) const
    {
        QStringList names;
        for (const HistoryEntry &e : List_History(project))
            if (e.fileName == fileName)
                names += e.name;
        return names;
    }
    QByteArray bytes(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

TEST_F(ProjectHistoryTest, KeepsTheReplacedFileOnlyWhenTheSaveChangesIt)
{
    saveRules(QStringLiteral("A"));
    EXPECT_FALSE(QFileInfo::exists(history)) << "a first save replaces nothing";
    saveRules(QStringLiteral("A"));
    EXPECT_FALSE(QFileInfo::exists(history)) << "a save that changes nothing keeps nothing";

    saveRules(QStringLiteral("B"));
    ASSERT_EQ(kept(QStringLiteral("S7_Protocol.xml")).size(), 1);
    saveRules(QStringLiteral("B"));
    saveRules(QStringLiteral("B"));
    ASSERT_EQ(kept(QStringLiteral("S7_Protocol.xml")).size(), 1);
    EXPECT_EQ(bytes(QDir(history).filePath(kept(QStringLiteral("S7_Protocol.xml")).first())), rulesBytes(QStringLiteral("A")));

    // The live file put back by hand as the newest kept version: nothing new to keep.
    QFile::remove(s7File);
    QFile::copy(QDir(history).filePath(kept(QStringLiteral("S7_Protocol.xml")).first()), s7File);
    saveRules(QStringLiteral("C"));
    EXPECT_EQ(kept(QStringLiteral("S7_Protocol.xml")).size(), 1);

    // ParGen.xml the same way, in versions of its own.
    CommParams params = CommParams::windowDefaults();
    Write_ParGen(parGen, params);
    Write_ParGen(parGen, params);
    EXPECT_TRUE(kept(QStringLiteral("ParGen.xml")).isEmpty());
    params.texts[CommParams::PROFIBUS_ID_Device] = QStringLiteral("12");
    Write_ParGen(parGen, params);
    ASSERT_EQ(kept(QStringLiteral("ParGen.xml")).size(), 1);
    EXPECT_TRUE(kept(QStringLiteral("ParGen.xml")).first().endsWith(QLatin1String("_ParGen.xml")));

    // Without history nothing is kept.
    saveRules(QStringLiteral("D"), 0, KeepHistory::No);
    EXPECT_EQ(kept(QStringLiteral("S7_Protocol.xml")).size(), 1);
}

TEST_F(ProjectHistoryTest, SixtySavesKeepTheLastFiftyInTimeOrder)
{
    for (int i = 0; i <= 60; ++i)
        saveRules(QStringLiteral("save %1").arg(i));
    const std::vector<HistoryVersion> versions = Read_History(project);
    ASSERT_EQ(versions.size(), 50u);
    // Oldest first: the versions of saves 10 to 59 (save 60 is the live file).
    for (int i = 0; i < 50; ++i) {
        S7RuleList read, write;
        ASSERT_EQ(Load_History_Rules(versions[std::size_t(i)].entry, read, write), std::nullopt);
        EXPECT_EQ(read[0].Mnemonic, QStringLiteral("save %1").arg(i + 10)) << i;
    }
    // The names alone sort the same way, also within one second.
    QStringList names;
    for (const HistoryVersion &v : versions)
        names += v.entry.name;
    QStringList sorted = names;
    sorted.sort();
    EXPECT_EQ(sorted, names);
    EXPECT_EQ(historyNames().size(), 50) << "no temporaries left behind";
}

TEST(HistoryVersionName, NamesSortByTimeAndNeverCollide)
{
    const QDateTime t(QDate(2026, 12, 11), QTime(14, 3, 22), Qt::UTC);
    const QString s7 = QStringLiteral("S7_Protocol.xml");
    EXPECT_EQ(History_Version_Name(t, s7, {}), QStringLiteral("2026-12-11T14-03-22_S7_Protocol.xml"));
    EXPECT_EQ(History_Version_Name(t, QStringLiteral("ParGen.xml"), {}), QStringLiteral("2026-12-11T14-03-22_ParGen.xml"));
    QStringList taken;
    for (int i = 0; i < 12; ++i)
        taken += History_Version_Name(t, s7, taken);
    EXPECT_EQ(taken[1], QStringLiteral("2026-12-11T14-03-22_S7_Protocol_02.xml"));
    EXPECT_EQ(taken[11], QStringLiteral("2026-12-11T14-03-22_S7_Protocol_12.xml"));
    QStringList sorted = taken;
    sorted += History_Version_Name(t.addSecs(1), s7, {});
    taken += sorted.last();
    sorted.sort();
    EXPECT_EQ(sorted, taken);
    // The first versions of that second removed by the bound: the next still sorts last.
    EXPECT_EQ(History_Version_Name(t, s7, taken.mid(5, 7)), QStringLiteral("2026-12-11T14-03-22_S7_Protocol_13.xml"));
}

TEST_F(ProjectHistoryTest, TheByteBoundRemovesTheOldestVersionsFirst)
{
    // Three large versions of 7 MiB (21 MiB in all) before a save keeps one more.
    const QByteArray big(7 * 1024 * 1024, 'x');
    const char *const names[] = {"2026-01-01T00-00-00_S7_Protocol.xml", "2026-01-02T00-00-00_ParGen.xml",
                                 "2026-01-03T00-00-00_S7_Protocol.xml"};
    for (const char *name : names)
        ws.write(QStringLiteral("P/history/") + QLatin1String(name), big);
    saveRules(QStringLiteral("A"));
    saveRules(QStringLiteral("B"));
    const QStringList left = historyNames();
    ASSERT_EQ(left.size(), 3);
    EXPECT_FALSE(left.contains(QLatin1String(names[0])));
    EXPECT_EQ(left[0], QLatin1String(names[1]));
    EXPECT_EQ(left[1], QLatin1String(names[2]));
}

TEST_F(ProjectHistoryTest, CliListsRestoresAndARestoreCanBeUndone)
{
    saveRules(QStringLiteral("A"), 2);
    ws.write(QStringLiteral("P/history/2020-01-01T00-00-00_S7_Protocol.xml"), "not XML at all");
    saveRules(QStringLiteral("B"));
    Write_ParGen(parGen, CommParams::windowDefaults());
    CommParams params = CommParams::windowDefaults();
    params.gatewayEnabled = true;
    Write_ParGen(parGen, params);

    // Both versions may carry the same second: then ParGen.xml sorts first.
    const CliTextRun list = Run_Cli_Text({QStringLiteral("history"), project});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QStringList lines = list.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << list.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QLatin1String("2020-01-01 00:00:00 UTC  S7_Protocol.xml  unreadable: ")));
    EXPECT_TRUE(lines[0].endsWith(QLatin1String("  14 bytes  2020-01-01T00-00-00_S7_Protocol.xml")));
    EXPECT_EQ(lines.filter(QLatin1String("  S7_Protocol.xml  read 1 (1 enabled), write 2 (2 enabled)  ")).size(), 1)
        << list.out.toStdString();
    EXPECT_EQ(lines.filter(QLatin1String("  ParGen.xml  192.168.0.5/255.255.255.0, gateway off, station 10, in 244, out 244  ")).size(), 1)
        << list.out.toStdString();

    const CliRun json = Run_Cli_Captured({QStringLiteral("history"), project, QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0);
    const QJsonArray array = QJsonDocument::fromJson(json.out).array();
    ASSERT_EQ(array.size(), 3);
    EXPECT_FALSE(array[0][QStringLiteral("readable")].toBool());
    QString versionA;
    for (const QJsonValue &v : array) {
        if (v[QStringLiteral("file")] == QStringLiteral("ParGen.xml")) {
            EXPECT_EQ(v[QStringLiteral("params")][QStringLiteral("S7_Protocol_EN_GAT")].toString(), QStringLiteral("0"));
        } else if (v[QStringLiteral("readable")].toBool()) {
            EXPECT_EQ(v[QStringLiteral("write")][QStringLiteral("rules")].toInt(), 2);
            versionA = v[QStringLiteral("name")].toString();
        }
    }

    // diff takes a version as either side.
    const CliTextRun diff = Run_Cli_Text({QStringLiteral("diff"), QDir(history).filePath(versionA), s7File});
    EXPECT_EQ(diff.exitCode, 1) << diff.err.toStdString();
    EXPECT_TRUE(diff.out.contains(QLatin1String("rules added: 0, removed: 2, changed: 1"))) << diff.out.toStdString();
    EXPECT_EQ(Run_Cli_Text({QStringLiteral("diff"), project, QDir(history).filePath(versionA)}).exitCode, 1);

    // Restoring A keeps B first; restoring that copy of B undoes the restore.
    const CliTextRun restore = Run_Cli_Text({QStringLiteral("history"), project, QStringLiteral("--restore"), versionA});
    ASSERT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    EXPECT_EQ(bytes(s7File), bytes(QDir(history).filePath(versionA)));
    const QStringList afterRestore = kept(QStringLiteral("S7_Protocol.xml"));
    ASSERT_EQ(afterRestore.size(), 3);
    const QString versionB = afterRestore.last();
    EXPECT_EQ(bytes(QDir(history).filePath(versionB)), rulesBytes(QStringLiteral("B")));
    ASSERT_EQ(Run_Cli_Text({QStringLiteral("history"), project, QStringLiteral("--restore"), versionB}).exitCode, 0);
    EXPECT_EQ(bytes(s7File), rulesBytes(QStringLiteral("B")));

    // What cannot be restored is refused with its reason, the live file as it was.
    for (const QString &bad : {QStringLiteral("2020-01-01T00-00-00_S7_Protocol.xml"),
                               QStringLiteral("2020-01-01T00-00-09_S7_Protocol.xml"), QStringLiteral("../S7_Protocol.xml")}) {
        const CliTextRun r = Run_Cli_Text({QStringLiteral("history"), project, QStringLiteral("--restore"), bad});
        EXPECT_EQ(r.exitCode, 2) << bad.toStdString();
        EXPECT_TRUE(r.err.startsWith(QLatin1String("brivant-cli history: "))) << r.err.toStdString();
        EXPECT_EQ(bytes(s7File), rulesBytes(QStringLiteral("B")));
    }
}

TEST_F(ProjectHistoryTest, AHostileHistoryIsListedAsUnreadableAndNeverFollowedOutOfTheProject)
{
    saveRules(QStringLiteral("A"));
    saveRules(QStringLiteral("B"));
    // Outside the project: a valid S7_Protocol.xml a link points to, and a folder.
    const QString outsideFile = ws.write(QStringLiteral("outside/S7_Protocol.xml"), rulesBytes(QStringLiteral("outside")));
    const QString outsideDir = ws.mkdir(QStringLiteral("outside/dir"));
    ws.write(QStringLiteral("P/history/2000-01-01T00-00-00_S7_Protocol.xml"), QByteArray("\x00\x01garbage", 9));
    ASSERT_TRUE(QFile::link(outsideFile, QDir(history).filePath(QStringLiteral("2000-01-01T00-00-01_S7_Protocol.xml"))));
    ASSERT_TRUE(QFile::link(outsideDir, QDir(history).filePath(QStringLiteral("2000-01-01T00-00-02_ParGen.xml"))));
    ws.mkdir(QStringLiteral("P/history/2000-01-01T00-00-03_S7_Protocol.xml"));
    ws.write(QStringLiteral("P/history/notes.txt"), "the user's own file");

    const std::vector<HistoryVersion> versions = Read_History(project);
    ASSERT_EQ(versions.size(), 5u);
    const char *const problems[] = {"not a valid XML", "a link", "a link", "a folder"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(versions[std::size_t(i)].readable()) << i;
        EXPECT_NE(versions[std::size_t(i)].problem.indexOf(QLatin1String(problems[i]), 0, Qt::CaseInsensitive), -1)
            << i << ": " << versions[std::size_t(i)].problem.toStdString();
    }
    EXPECT_TRUE(versions[4].readable());
    EXPECT_EQ(Run_Cli_Text({QStringLiteral("history"), project}).exitCode, 0);
    const CliTextRun viaLink = Run_Cli_Text(
        {QStringLiteral("history"), project, QStringLiteral("--restore"), QStringLiteral("2000-01-01T00-00-01_S7_Protocol.xml")});
    EXPECT_EQ(viaLink.exitCode, 2);
    EXPECT_TRUE(viaLink.err.contains(QLatin1String("a link"))) << viaLink.err.toStdString();

    // Sixty saves later the links, the folder and the user's file are still there, untouched,
    // and the bound holds for the versions the program wrote.
    for (int i = 0; i < 60; ++i)
        saveRules(QStringLiteral("save %1").arg(i));
    EXPECT_TRUE(QFileInfo(QDir(history).filePath(QStringLiteral("2000-01-01T00-00-01_S7_Protocol.xml"))).isSymLink());
    EXPECT_TRUE(QFileInfo(QDir(history).filePath(QStringLiteral("2000-01-01T00-00-02_ParGen.xml"))).isSymLink());
    EXPECT_TRUE(QFileInfo(QDir(history).filePath(QStringLiteral("2000-01-01T00-00-03_S7_Protocol.xml"))).isDir());
    EXPECT_TRUE(QFileInfo::exists(QDir(history).filePath(QStringLiteral("notes.txt"))));
    EXPECT_EQ(bytes(outsideFile), rulesBytes(QStringLiteral("outside")));
    EXPECT_TRUE(QDir(outsideDir).isEmpty());
    int regular = 0;
    for (const HistoryEntry &e : List_History(project))
        regular += e.regular ? 1 : 0;
    EXPECT_EQ(regular, 50);
}

TEST_F(ProjectHistoryTest, AHistoryFolderThatIsALinkIsNeitherReadNorWritten)
{
    saveRules(QStringLiteral("Alpha"));
    const QString outside = ws.mkdir(QStringLiteral("outside"));
    ws.write(QStringLiteral("outside/2026-01-01T00-00-00_S7_Protocol.xml"), rulesBytes(QStringLiteral("outside")));
    ASSERT_TRUE(QFile::link(outside, history));
    const QByteArray live = bytes(s7File);

    EXPECT_THROW(List_History(project), FileError);
    try {
        saveRules(QStringLiteral("B"));
        ADD_FAILURE() << "saved through a linked history";
    } catch (const HistoryError &e) {
        EXPECT_TRUE(e.text().contains(QLatin1String("is a link"))) << e.text().toStdString();
    }
    EXPECT_EQ(bytes(s7File), live);
    EXPECT_EQ(QDir(outside).entryList(QDir::Files).size(), 1);

    // The command line says why and how to save anyway.
    const QString csv = ws.file(QStringLiteral("rules.csv"));
    ASSERT_EQ(Run_Cli_Text({QStringLiteral("export-rules"), project, csv}).exitCode, 0);
    ws.write(QStringLiteral("rules.csv"), ws.read(QStringLiteral("rules.csv")).replace("Alpha", "Zulu"));
    const CliTextRun refused = Run_Cli_Text({QStringLiteral("import-rules"), project, csv});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(QLatin1String("--no-history"))) << refused.err.toStdString();
    EXPECT_EQ(bytes(s7File), live);
    const CliTextRun listed = Run_Cli_Text({QStringLiteral("history"), project});
    EXPECT_EQ(listed.exitCode, 2);
    EXPECT_TRUE(listed.err.contains(QLatin1String("is a link"))) << listed.err.toStdString();

    EXPECT_EQ(Run_Cli_Text({QStringLiteral("import-rules"), project, csv, QStringLiteral("--no-history")}).exitCode, 0);
    EXPECT_NE(bytes(s7File), live);
    EXPECT_EQ(QDir(outside).entryList(QDir::Files).size(), 1);
}

// A live file the readers refuse could never be restored: the save asks (HistoryError).
TEST_F(ProjectHistoryTest, ALiveFileBeyondTheReadBoundIsNotKept)
{
    const QByteArray huge = QByteArray("<S7_Protocol>") + QByteArray(4 * 1024 * 1024, ' ') + "</S7_Protocol>";
    ws.write(QStringLiteral("P/S7_Protocol.xml"), huge);
    EXPECT_THROW(saveRules(QStringLiteral("A")), HistoryError);
    EXPECT_EQ(bytes(s7File), huge);
    EXPECT_FALSE(QFileInfo::exists(history));
    saveRules(QStringLiteral("A"), 0, KeepHistory::No);
    EXPECT_EQ(bytes(s7File), rulesBytes(QStringLiteral("A")));
}

// RLIMIT_FSIZE limits each file: below the old file's size the history copy fails; between
// the old and the new file's sizes the copy is kept and the live file's write fails.
TEST_F(ProjectHistoryTest, AFullDiskLosesNeitherTheLiveFileNorTheHistory)
{
    saveRules(QStringLiteral("first"), 3);
    saveRules(QStringLiteral("second"), 3);
    const QByteArray live = bytes(s7File);
    const QStringList before = historyNames();
    ASSERT_EQ(before.size(), 1);
    const QByteArray keptBytes = bytes(QDir(history).filePath(before.first()));
    const long oldSize = long(live.size());

    struct Case
    {
        const char *what;
        long limit;
        int writes;       // the new file's write rules: more makes it larger than the old one
        int versionsAfter;
    };
    for (const Case &c : {Case{"the history copy fails", oldSize - 1, 3, 1}, Case{"the live write fails", oldSize, 6, 2}}) {
        const std::optional<QString> text = Run_With_File_Size_Limit(c.limit, [&] {
            try {
                saveRules(QStringLiteral("third"), c.writes);
            } catch (const BrivantError &e) {
                return e.text();
            }
            return QStringLiteral("saved");
        });
        ASSERT_TRUE(text) << c.what;
        EXPECT_TRUE(text->contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << c.what << ": " << text->toStdString();
        EXPECT_EQ(bytes(s7File), live) << c.what;
        const QStringList now = historyNames();
        ASSERT_EQ(now.size(), c.versionsAfter) << c.what << ": " << now.join(u' ').toStdString();
        EXPECT_EQ(now.first(), before.first());
        EXPECT_EQ(bytes(QDir(history).filePath(now.first())), keptBytes);
        if (c.versionsAfter == 2) {
            EXPECT_EQ(bytes(QDir(history).filePath(now.last())), live);
        }
    }

    // The command line: the history copy fails and says how to save without it.
    const QString csv = ws.file(QStringLiteral("rules.csv"));
    ASSERT_EQ(Run_Cli_Text({QStringLiteral("export-rules"), project, csv}).exitCode, 0);
    ws.write(QStringLiteral("rules.csv"), ws.read(QStringLiteral("rules.csv")).replace("second", "other"));
    QFile::remove(QDir(history).filePath(historyNames().last()));
    const std::optional<QString> cli = Run_With_File_Size_Limit(oldSize - 1, [&] {
        const CliTextRun r = Run_Cli_Text({QStringLiteral("import-rules"), project, csv});
        return QStringLiteral("exit %1: %2").arg(r.exitCode).arg(r.err);
    });
    ASSERT_TRUE(cli);
    EXPECT_TRUE(cli->startsWith(QLatin1String("exit 2: brivant-cli import-rules: Cannot keep the replaced S7_Protocol.xml")))
        << cli->toStdString();
    EXPECT_TRUE(cli->contains(QLatin1String("--no-history"))) << cli->toStdString();
    EXPECT_EQ(bytes(s7File), live);
    EXPECT_EQ(historyNames(), before);
}

} // namespace
