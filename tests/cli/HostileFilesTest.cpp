// Hand-made and hostile project files through the reading commands: each is refused with its
// reason and exit code, and no file changes.
#include "../s7access/S7TestRules.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"
#include "support/TestParGen.h"

#include <QDir>
#include <QDirIterator>

#include <gtest/gtest.h>

namespace {

// Every file under the folder with its bytes, to show that a command changed nothing.
QMap<QString, QByteArray> Files_Under(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        files.insert(f.fileName(), f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }
    return files;
}

// The read list's XML for `count` valid rules, then `edit` applied to the text.
QByteArray S7_Xml(int count, const std::function<void(QByteArray &)> &edit = {})
{
    S7RuleList read(std::size_t(count) + 1);
    for (int i = 0; i < count; ++i)
        read[std::size_t(i)] = Valid_Rule(i % 10 + 1);
    QByteArray xml = Serialize_S7_Protocol(read, Fresh_Rule_List());
    if (edit)
        edit(xml);
    return xml;
}

class HostileFilesTest : public ::testing::Test
{
protected:
    HostileFilesTest()
    {
        Write_Test_ParGen(ws.file(QStringLiteral("P/ParGen.xml")), QStringLiteral("244"), QStringLiteral("10"));
    }
    CliTextRun run(const QStringList &args) { return Run_Cli_Text(args); }

    TempWorkspace ws;
    QString project = ws.mkdir(QStringLiteral("P"));
};

// Files that validate passes although it never reads some of their rules: compile, update
// and export-rules refuse them instead of sending or dropping those rules.
TEST_F(HostileFilesTest, CompileUpdateAndExportRefuseWhatValidateNeverRead)
{
    const QString s7 = QStringLiteral("S7_Protocol.xml");
    const struct
    {
        const char *name;
        QByteArray xml;
        QString compileError; // after "brivant-cli compile: "
        QString exportError;  // after "brivant-cli export-rules: ", empty when the export succeeds
    } cases[] = {
        {"600 rules, a bad port in rule 550",
         S7_Xml(600, [](QByteArray &x) {
             int at = -1;
             for (int i = 0; i < 550; ++i)
                 at = int(x.indexOf("PLC_Port=\"102\"", at + 1));
             x.replace(at, 14, "PLC_Port=\"99999\"");
         }),
         QStringLiteral("S7_Protocol.xml: the Read list holds 88 rules after row 512, which validation never checks"),
         QStringLiteral("%1: the Read list holds 88 rules after row 512, which validation never checks")},
        {"a gap in row 2",
         S7_Xml(4, [](QByteArray &x) { x.replace("PLC_Address=\"192.168.1.2\"", "PLC_Address=\" \""); }),
         QStringLiteral("S7_Protocol.xml: the Read list ends at its first unused row 2, but 2 rules follow it, "
                        "which validation never checks"),
         QStringLiteral("%1: the Read list ends at its first unused row 2, but 2 rules follow it, "
                        "which validation never checks")},
        {"an enabled last row without an address",
         S7_Xml(3, [](QByteArray &x) { x.replace("PLC_Address=\"192.168.1.3\"", "PLC_Address=\"\""); }),
         QStringLiteral("S7_Protocol.xml: rule 3 of the Read list is enabled but has no PLC address"), QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString s7File = ws.write(QStringLiteral("P/") + s7, c.xml);
        const QMap<QString, QByteArray> before = Files_Under(ws.path());

        CliTextRun r = run({QStringLiteral("validate"), project});
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();

        r = run({QStringLiteral("compile"), project});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, QStringLiteral("brivant-cli compile: %1\n").arg(c.compileError));

        r = run({QStringLiteral("update"), project, QStringLiteral("--ip"), QStringLiteral("127.0.0.1"),
                 QStringLiteral("--workspace"), ws.path()});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, QStringLiteral("brivant-cli update: compile failed: %1\n").arg(c.compileError));

        const QString csv = ws.file(QStringLiteral("rules.csv"));
        r = run({QStringLiteral("export-rules"), project, csv});
        if (c.exportError.isEmpty()) {
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
            QFile::remove(csv);
        } else {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.err, QStringLiteral("brivant-cli export-rules: %1\n")
                                 .arg(c.exportError.arg(QDir::toNativeSeparators(s7File))));
        }
        EXPECT_EQ(Files_Under(ws.path()), before);
    }
}

} // namespace

namespace {

// A name that exists but cannot be read is an error that names the file and the reason; only
// a name that does not exist counts as missing.
TEST_F(HostileFilesTest, FilesThatExistButCannotBeReadAreErrorsNotMissingFiles)
{
    const QString parGen = ws.file(QStringLiteral("P/ParGen.xml"));
    const QString s7File = ws.file(QStringLiteral("P/S7_Protocol.xml"));
    ws.write(QStringLiteral("P/S7_Protocol.xml"), S7_Xml(2));
    const QString lng = ws.file(QStringLiteral("LANGUAGE/Deutsch.lng"));
    ws.mkdir(QStringLiteral("LANGUAGE"));
    const QString dangling = QStringLiteral("No such file or directory");
    const QString directory = QStringLiteral("file to open is a directory");

    struct Case
    {
        QString file;        // replaced by a link to nothing, or by a folder
        bool folder;
        QStringList args;
        int exitCode;
        QString err;
    };
    const QString csv = ws.file(QStringLiteral("rules.csv"));
    const auto cannotRead = [](const QString &file, const QString &why) {
        return QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(file), why);
    };
    const Case cases[] = {
        {s7File, false, {QStringLiteral("validate"), project}, 2,
         QStringLiteral("brivant-cli validate: ") + cannotRead(s7File, dangling)},
        {s7File, false, {QStringLiteral("compile"), project}, 1,
         QStringLiteral("brivant-cli compile: ") + cannotRead(s7File, dangling)},
        {s7File, false, {QStringLiteral("export-rules"), project, csv}, 2,
         QStringLiteral("brivant-cli export-rules: ") + cannotRead(s7File, dangling)},
        {s7File, true, {QStringLiteral("update"), project, QStringLiteral("--ip"), QStringLiteral("127.0.0.1"),
                        QStringLiteral("--workspace"), ws.path()}, 1,
         QStringLiteral("brivant-cli update: compile failed: ") + cannotRead(s7File, directory)},
        {parGen, false, {QStringLiteral("validate"), project}, 2,
         QStringLiteral("brivant-cli validate: ") + cannotRead(parGen, dangling)},
        {parGen, true, {QStringLiteral("compile"), project}, 1,
         QStringLiteral("brivant-cli compile: ") + cannotRead(parGen, directory)},
        {parGen, false, {QStringLiteral("gsd"), project, ws.file(QStringLiteral("P.gsd"))}, 1,
         QStringLiteral("brivant-cli gsd: ") + cannotRead(parGen, dangling)},
        {parGen, false, {QStringLiteral("import-rules"), project, csv}, 2,
         QStringLiteral("brivant-cli import-rules: ") + cannotRead(parGen, dangling)},
        {lng, false, {QStringLiteral("texts"), QStringLiteral("--workspace"), ws.path(), QStringLiteral("--language"),
                      QStringLiteral("Deutsch")}, 1,
         QStringLiteral("brivant-cli texts: ") + cannotRead(lng, dangling)},
        {lng, true, {QStringLiteral("dump"), lng}, 1, QStringLiteral("brivant-cli dump: ") + cannotRead(lng, directory)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const QByteArray old = QFileInfo(c.file).isFile() ? ws.read(QDir(ws.path()).relativeFilePath(c.file)) : QByteArray();
        if (c.args.first() == QLatin1String("import-rules")) {
            ASSERT_EQ(run({QStringLiteral("export-rules"), project, csv}).exitCode, 0);
        }
        QFile::remove(c.file);
        ASSERT_TRUE(c.folder ? QDir().mkdir(c.file) : QFile::link(ws.file(QStringLiteral("nowhere")), c.file));
        const QMap<QString, QByteArray> before = Files_Under(ws.path());

        const CliTextRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.err, c.err + u'\n');
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(Files_Under(ws.path()), before);

        c.folder ? QDir().rmdir(c.file) : QFile::remove(c.file);
        if (!old.isEmpty())
            ws.write(QDir(ws.path()).relativeFilePath(c.file), old);
        QFile::remove(csv);
    }
}

} // namespace

namespace {

// CSV files that would import other rules than they show: refused with line (and column),
// S7_Protocol.xml unchanged.
TEST_F(HostileFilesTest, ImportRefusesUnclosedQuotesAndTextsOutsideTheChoices)
{
    ws.write(QStringLiteral("P/S7_Protocol.xml"), S7_Xml(3));
    const QString csv = ws.file(QStringLiteral("rules.csv"));
    ASSERT_EQ(run({QStringLiteral("export-rules"), project, csv}).exitCode, 0);
    const QByteArray good = ws.read(QStringLiteral("rules.csv"));
    // Line 3 is the second read rule.
    const auto onLine3 = [&](const QByteArray &from, const QByteArray &to) {
        QList<QByteArray> lines = good.split('\n');
        lines[2].replace(from, to);
        return lines.join('\n');
    };
    const struct
    {
        QByteArray csv;
        QString why;
    } cases[] = {
        {onLine3(",Tank level", ",\"Tank level"), QStringLiteral("line 3: a quoted cell is not closed")},
        {onLine3("S71200", "S7-1500"),
         QStringLiteral("line 3, column 5 (PLC_Type): \"S7-1500\" is none of Logo0BA8, S7200, S7300, S7400, S71200, S71500")},
        {onLine3(",Word,", ",word,"),
         QStringLiteral("line 3, column 8 (Data_Type): \"word\" is none of Bit, Byte, Char, Word, Int, DWord, DInt, Real")},
        {onLine3(",DB,", ",DBX,"),
         QStringLiteral("line 3, column 9 (Data_Identifier): \"DBX\" is none of OB, DB, SDB, FC, SFC, FB, SFB")},
        {onLine3("Flags (M) (Merker)", "Flags"),
         QStringLiteral("line 3, column 11 (PLC_Area): \"Flags\" is none of Direct peripheral access (P), "
                        "Inputs (I), Output (Q), Flags (M) (Merker)")},
        {onLine3("Read,Y,", "Read,yes,"), QStringLiteral("line 3, column 2 (Enable): \"yes\" is none of Y, N")},
        {onLine3(",N,", ",n,"), QStringLiteral("line 3, column 19 (Swap): \"n\" is none of Y, N")},
    };
    const QByteArray s7Before = ws.read(QStringLiteral("P/S7_Protocol.xml"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why.toStdString());
        ASSERT_NE(c.csv, good);
        ws.write(QStringLiteral("rules.csv"), c.csv);
        const CliTextRun r = run({QStringLiteral("import-rules"), project, csv});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, QStringLiteral("brivant-cli import-rules: %1: %2\n").arg(QDir::toNativeSeparators(csv), c.why));
        EXPECT_EQ(ws.read(QStringLiteral("P/S7_Protocol.xml")), s7Before);
    }
    ws.write(QStringLiteral("rules.csv"), good);
    EXPECT_EQ(run({QStringLiteral("import-rules"), project, csv}).exitCode, 0);
}

} // namespace

namespace {

// An empty name would mean the current folder or a file at the root: every command refuses it
// as a command line it cannot understand, and writes nothing anywhere.
TEST_F(HostileFilesTest, EmptyFolderAndFileArgumentsAreRefused)
{
    ws.write(QStringLiteral("P/S7_Protocol.xml"), S7_Xml(1));
    const QString csv = ws.write(QStringLiteral("rules.csv"), "List\n");
    const QString cwd = ws.mkdir(QStringLiteral("cwd"));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd));
    const QMap<QString, QByteArray> files = Files_Under(ws.path());
    const QString e;
    const QList<QStringList> cases = {
        {"compile", e},
        {"validate", e},
        {"gsd", project, e},
        {"gsd", e, "x"},
        {"dump", e},
        {"export-rules", project, e},
        {"export-rules", e, "x.csv"},
        {"import-rules", e, csv},
        {"update", e, "--ip", "127.0.0.1", "--workspace", ws.path()},
        {"update", project, "--ip", "127.0.0.1", "--workspace", e},
        {"texts", "--workspace", e},
        {"job", "--workspace", e, "--project", "P", "--ip", "127.0.0.1", "--option", "0"},
    };
    for (const QStringList &args : cases) {
        const CliTextRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(u' ').toStdString();
    }
    QDir::setCurrent(before);
    EXPECT_EQ(Files_Under(ws.path()), files);
}

} // namespace

namespace {

// A folder with neither project file is no project: nothing is checked, exported or compiled
// there, and no bin folder appears.
TEST_F(HostileFilesTest, AFolderWithoutProjectFilesIsNoProject)
{
    const QString folder = ws.mkdir(QStringLiteral("Documents"));
    ws.write(QStringLiteral("Documents/notes.txt"), "notes");
    for (const char *command : {"compile", "validate", "export-rules"}) {
        QStringList args{QString::fromLatin1(command), folder};
        if (args.first() == QLatin1String("export-rules"))
            args.append(ws.file(QStringLiteral("rules.csv")));
        const CliTextRun r = run(args);
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_EQ(r.err, QStringLiteral("brivant-cli %1: %2 is no project: it holds neither ParGen.xml nor S7_Protocol.xml\n")
                             .arg(QLatin1String(command), QDir::toNativeSeparators(folder)));
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("notes.txt")});
    EXPECT_FALSE(ws.exists(QStringLiteral("rules.csv")));

    // One of the two files is enough.
    ws.write(QStringLiteral("Documents/S7_Protocol.xml"), S7_Xml(1));
    EXPECT_EQ(run({QStringLiteral("validate"), folder}).exitCode, 0);
}

} // namespace

namespace {

// Without --force a name that exists as a link, even to nothing, is an existing file: gsd
// does not write through it.
TEST_F(HostileFilesTest, GsdWithoutForceDoesNotWriteThroughALink)
{
    const QString outside = ws.file(QStringLiteral("outside.gsd"));
    const QString link = ws.file(QStringLiteral("P/P.gsd"));
    ASSERT_TRUE(QFile::link(outside, link));
    const CliTextRun r = run({QStringLiteral("gsd"), project, link});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("brivant-cli gsd: %1 already exists; use --force to replace it\n")
                         .arg(QDir::toNativeSeparators(link)));
    EXPECT_FALSE(QFileInfo::exists(outside));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), outside);
}

} // namespace

namespace {

// dump looks at the size before it reads: a file of another size, a device or a pipe is
// refused at once (a read of /dev/zero would never end).
TEST_F(HostileFilesTest, DumpRefusesWrongSizesBeforeReading)
{
    const QString big = ws.write(QStringLiteral("big.bin"), {});
    ASSERT_TRUE(QFile(big).resize(qint64(1) << 34)); // sparse: 16 GiB that take no room
    const QString zero = ws.file(QStringLiteral("zero.bin"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const struct
    {
        QString file;
        QString why;
    } cases[] = {{big, QStringLiteral("holds 17179869184 bytes; bank1.bin has 2048 and bank2.bin 28672")},
                 {zero, QStringLiteral("is a character device, not a file")}};
    for (const auto &c : cases) {
        const CliTextRun r = run({QStringLiteral("dump"), c.file});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, QStringLiteral("brivant-cli dump: %1 %2\n").arg(QDir::toNativeSeparators(c.file), c.why));
        EXPECT_TRUE(r.out.isEmpty());
    }
}

} // namespace
