// Every writer over an existing file on a disk that fills up: the write fails with the
// system's reason, and no file of the workspace changes (no cut file, no temporary left).
#include "../s7access/S7TestRules.h"
#include "app/ConfigWorkspace.h"
#include "app/Settings.h"
#include "common/Errors.h"
#include "commparams/CommParams.h"
#include "gsd/GsdGenerator.h"
#include "image/ImageCompiler.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/FileSizeLimit.h"
#include "support/TempWorkspace.h"
#include "support/TestParGen.h"
#include "update/UpdateJob.h"

#include <QDirIterator>
#include <QFile>
#include <QBuffer>
#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

namespace {

// Every file under the folder: its name, size and a digest of its bytes.
QStringList Snapshot(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        files += QStringLiteral("%1 %2 %3")
                     .arg(path.mid(dir.size()))
                     .arg(bytes.size())
                     .arg(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()));
    }
    files.sort();
    return files;
}

QString Caught(const std::function<void()> &write)
{
    try {
        write();
    } catch (const BrivantError &e) {
        return e.text();
    }
    return QStringLiteral("no error");
}

QString Cli_Failure(const QStringList &args)
{
    const CliTextRun r = Run_Cli_Text(args);
    return QStringLiteral("exit %1: %2%3").arg(r.exitCode).arg(r.out, r.err);
}

// A complete project whose every file a writer replaces holds bytes the writer would not write.
struct Project
{
    Project()
    {
        Write_Test_ParGen(parGen, QStringLiteral("244"), QStringLiteral("10"));
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        for (int i = 0; i < 3; ++i) {
            read[std::size_t(i)] = Valid_Rule(i + 1);
            write[std::size_t(i)] = Valid_Rule(i + 1);
        }
        Save_S7_Protocol(s7File, read, write);
        // Other rules for an import.
        Run_Cli_Text({QStringLiteral("export-rules"), project, importCsv});
        ws.write(QStringLiteral("import.csv"), ws.read(QStringLiteral("import.csv")).replace("Tank level", "Other"));
        csv = ws.write(QStringLiteral("rules.csv"), "old csv\n");
        for (const char *name : {"bin/bank1.bin", "bin/bank2.bin", "P.gsd", "Ethernet_Update.xml", "Brivant.xml"})
            ws.write(QStringLiteral("PROJECTS/P/") + QLatin1String(name), QByteArray("old ") + name);
    }
    QString file(const char *name) const { return ws.file(QStringLiteral("PROJECTS/P/") + QLatin1String(name)); }

    TempWorkspace ws;
    QString project = ws.mkdir(QStringLiteral("PROJECTS/P"));
    QString parGen = file("ParGen.xml");
    QString s7File = file("S7_Protocol.xml");
    QString importCsv = ws.file(QStringLiteral("import.csv"));
    QString csv;
};

struct WriterCase
{
    const char *name;
    long limit;
    const char *target; // the file named in the error
    std::function<QString(const Project &)> write;
};

class FullDiskTest : public ::testing::TestWithParam<WriterCase>
{
};

TEST_P(FullDiskTest, FailsWithTheSystemsReasonAndKeepsEveryOldFile)
{
    const WriterCase &c = GetParam();
    const Project p;
    const QStringList before = Snapshot(p.ws.path());

    const std::optional<QString> text = Run_With_File_Size_Limit(c.limit, [&] { return c.write(p); });

    ASSERT_TRUE(text) << "the writer did not end normally";
    EXPECT_TRUE(text->contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << text->toStdString();
    EXPECT_TRUE(text->contains(QLatin1String(c.target))) << text->toStdString();
    EXPECT_FALSE(text->contains(QLatin1String("Unknown error"))) << text->toStdString();
    EXPECT_FALSE(text->startsWith(QLatin1String("exit 0"))) << text->toStdString();
    EXPECT_EQ(Snapshot(p.ws.path()), before);
}

const WriterCase kWriters[] = {
    {"Settings", 64, "Brivant.xml",
     [](const Project &p) {
         return Caught([&] { Save_Setting(p.file("Brivant.xml"), QStringLiteral("P"), AppSettings{}); });
     }},
    {"ParGen", 64, "ParGen.xml",
     [](const Project &p) { return Caught([&] { Write_ParGen(p.parGen, CommParams::windowDefaults()); }); }},
    {"S7Protocol", 64, "S7_Protocol.xml",
     [](const Project &p) {
         S7RuleList rules = Fresh_Rule_List();
         rules[0] = Valid_Rule(77);
         return Caught([&] { Save_S7_Protocol(p.s7File, rules, rules); });
     }},
    // Without the history copy (which fails first above), the live file's own write fails.
    {"ParGenNoHistory", 64, "ParGen.xml",
     [](const Project &p) {
         return Caught([&] { Write_ParGen(p.parGen, CommParams::windowDefaults(), KeepHistory::No); });
     }},
    {"S7ProtocolNoHistory", 64, "S7_Protocol.xml",
     [](const Project &p) {
         S7RuleList rules = Fresh_Rule_List();
         rules[0] = Valid_Rule(77);
         return Caught([&] { Save_S7_Protocol(p.s7File, rules, rules, KeepHistory::No); });
     }},
    {"Bank1", 64, "bank1.bin",
     [](const Project &p) {
         return Caught([&] {
             ImageCompiler compiler;
             compiler.Compile_Banks(p.parGen, p.s7File);
             compiler.Write_Bank_Files(p.project);
         });
     }},
    // bank 1 (2048 bytes) is complete when bank 2 fails: the old bank 1 must stay all the same.
    {"Bank2", 4096, "bank2.bin",
     [](const Project &p) {
         return Caught([&] {
             ImageCompiler compiler;
             compiler.Compile_Banks(p.parGen, p.s7File);
             compiler.Write_Bank_Files(p.project);
         });
     }},
    {"Gsd", 64, "P.gsd",
     [](const Project &p) { return Caught([&] { GsdGenerator::Write_GSD_File(p.file("P.gsd"), {10, 244}); }); }},
    {"Job", 64, "Ethernet_Update.xml",
     [](const Project &p) {
         ConfigWorkspace workspace;
         workspace.setProgramDir(p.ws.path());
         workspace.openProject(QStringLiteral("P"));
         return Caught([&] {
             UpdateJob::forProject(workspace, QStringLiteral("127.0.0.1"), 0, true).write(p.file("Ethernet_Update.xml"));
         });
     }},
    {"CliCompile", 64, "bank1.bin",
     [](const Project &p) { return Cli_Failure({QStringLiteral("compile"), p.project}); }},
    {"CliGsdForce", 64, "P.gsd",
     [](const Project &p) {
         return Cli_Failure({QStringLiteral("gsd"), p.project, p.file("P.gsd"), QStringLiteral("--force")});
     }},
    {"CliExportRules", 64, "rules.csv",
     [](const Project &p) { return Cli_Failure({QStringLiteral("export-rules"), p.project, p.csv}); }},
    {"CliImportRules", 64, "S7_Protocol.xml",
     [](const Project &p) { return Cli_Failure({QStringLiteral("import-rules"), p.project, p.importCsv}); }},
    {"CliImportRulesNoHistory", 64, "S7_Protocol.xml",
     [](const Project &p) {
         return Cli_Failure({QStringLiteral("import-rules"), p.project, p.importCsv, QStringLiteral("--no-history")});
     }},
};

INSTANTIATE_TEST_SUITE_P(EveryWriter, FullDiskTest, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<WriterCase> &writer) { return std::string(writer.param.name); });

} // namespace

namespace {

// Standard output on a full disk: the tool says so and fails instead of leaving a cut file.
TEST(FullDiskStdout, EveryCommandThatPrintsFailsWithAWriteError)
{
    const Project p;
    const QString target = p.ws.write(QStringLiteral("out.txt"), {});
    const QStringList commands[] = {
        {QStringLiteral("texts"), QStringLiteral("--lng"), QStringLiteral("--workspace"), p.ws.path()},
        {QStringLiteral("texts"), QStringLiteral("--workspace"), p.ws.path()},
        {QStringLiteral("--help")},
        {QStringLiteral("dump"), p.file("bin/bank1.bin")},
    };
    // A valid bank 1 for dump.
    ImageCompiler compiler;
    compiler.Compile_Banks(p.parGen, p.s7File);
    compiler.Write_Bank_Files(p.project);
    for (const QStringList &args : commands) {
        const std::optional<QString> text = Run_With_File_Size_Limit(100, [&] {
            QFile out(target);
            QBuffer err;
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
                !err.open(QIODevice::WriteOnly))
                return QStringLiteral("cannot open");
            CliIo io{out, err, p.ws.path()};
            const int code = Run_Cli(args, io);
            return QStringLiteral("exit %1: %2").arg(code).arg(QString::fromUtf8(err.data()));
        });
        ASSERT_TRUE(text) << args.join(u' ').toStdString();
        EXPECT_EQ(*text, QStringLiteral("exit 1: brivant-cli: write error: %1\n")
                             .arg(QString::fromLocal8Bit(std::strerror(EFBIG))))
            << args.join(u' ').toStdString();
    }
}

} // namespace
