// Hand-made and hostile project files through the reading commands: each is refused with its
// reason and exit code, and no file changes.
#include "../s7access/S7TestRules.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"
#include "support/TestParGen.h"

#include "common/SafeFile.h"
#include "s7access/S7RuleCsv.h"
#include "support/PythonCsv.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringEncoder>

#include <sys/stat.h>

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

namespace {

// Every regular file under the folder with its bytes; pipes and devices are left unopened.
QMap<QString, QByteArray> Regular_Files_Under(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (Special_File_Kind(path))
            continue;
        QFile f(path);
        files.insert(path, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)"));
    }
    return files;
}

// The CSV of the lists, as export-rules writes it.
QByteArray Csv_Of(int readCount, int writeCount, const QString &mnemonic = QStringLiteral("Tank level"))
{
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    for (int i = 0; i < readCount; ++i)
        read[std::size_t(i)] = Valid_Rule(i % 10 + 1, mnemonic);
    for (int i = 0; i < writeCount; ++i)
        write[std::size_t(i)] = Valid_Rule(i % 10 + 1, mnemonic);
    return Rules_To_Csv(read, write);
}

// The lines of a CSV without its byte-order mark, to edit one.
QList<QByteArray> Csv_Lines(const QByteArray &csv)
{
    QList<QByteArray> lines = csv.sliced(3).split('\n');
    lines.removeLast();
    return lines;
}

QByteArray Joined(const QList<QByteArray> &lines, const QByteArray &end = "\n")
{
    return lines.join(end) + end;
}

// One hostile input through the real program: its command line, the exit code and the
// messages it must give, and a time bound (each far below the test's timeout) that a hang
// or a quadratic reading would overrun.
struct HostileRun
{
    const char *label;
    // Writes the files into the workspace (a project P with ParGen.xml and three read rules
    // is there) and answers the arguments.
    std::function<QStringList(TempWorkspace &ws, const QString &project)> prepare;
    int exitCode;
    QString err; // a regular expression that stderr must match whole ("" for nothing)
    QString out = QString();
    // For a CSV input (the file named last on the command line): whether Python's strict
    // csv module refuses the same bytes too (-1: not compared).
    int pythonRefuses = -1;
    bool writesNothing = true;
    const char *stdoutFile = nullptr;
    int boundMs = 10000;
};

TEST_F(HostileFilesTest, HostileInputsAreRefusedInBoundedTimeWithTheirReason)
{
    const QString cli = QStringLiteral(BRIVANT_BIN_DIR "/brivant-cli");
    const QByteArray csv5 = Csv_Of(5, 0);
    const auto csvLine = [](const QByteArray &csv, int line) { return Csv_Lines(csv)[line - 1]; };
    const auto mkfifo = [](const QString &path) {
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    };
    const QString tooLong9000 = QString(9000, u'm');
    const QString s7 = QStringLiteral("P/S7_Protocol.xml");
    const auto withAttributes = [](const QByteArray &declaration, int count) {
        QByteArray x = declaration + "<S7_Protocol><S7_Protocol_Read><row";
        for (int i = 0; i < count; ++i)
            x += " a" + QByteArray::number(i) + "=\"1\"";
        return x + "/></S7_Protocol_Read><S7_Protocol_Write/></S7_Protocol>";
    };
    QByteArray attlists = "<!DOCTYPE S7_Protocol [\n";
    for (int i = 0; i < 100000; ++i)
        attlists += "<!ATTLIST row a" + QByteArray::number(i) + " CDATA \"x\">\n";
    attlists += "]><S7_Protocol/>";

    const std::vector<HostileRun> cases = {
        // A quote that closes on a later line swallows the rows between into one cell.
        {"a quote closing on a later line",
         [&](TempWorkspace &w, const QString &p) {
             QList<QByteArray> lines = Csv_Lines(csv5);
             lines[1].replace(",Tank level", ",\"Tank 3 level");
             lines[4].replace(",Tank level", ",x,\"01=8...");
             return QStringList{QStringLiteral("import-rules"), p, w.write(QStringLiteral("q.csv"), Joined(lines))};
         },
         2, QStringLiteral("brivant-cli import-rules: .*q\\.csv: line 5, column %1: after the closing quote of a cell only "
                           "the separator or the line end may follow\n")
                .arg(csvLine(csv5, 5).indexOf(",Tank level") + 5),
         QString(), 1},
        {"text after a closing quote",
         [&](TempWorkspace &w, const QString &p) {
             QList<QByteArray> lines = Csv_Lines(csv5);
             lines[2].replace(",Tank level", ",\"abc\"xyz");
             return QStringList{QStringLiteral("import-rules"), p, w.write(QStringLiteral("q.csv"), Joined(lines))};
         },
         2, QStringLiteral("brivant-cli import-rules: .*q\\.csv: line 3, column %1: after the closing quote of a cell only "
                           "the separator or the line end may follow\n")
                .arg(csvLine(csv5, 3).indexOf(",Tank level") + 7),
         QString(), 1},
        {"a cell over the bound in a CSV",
         [&](TempWorkspace &w, const QString &p) {
             return QStringList{QStringLiteral("import-rules"), p, w.write(QStringLiteral("q.csv"), Csv_Of(2, 0, tooLong9000))};
         },
         2, QStringLiteral("brivant-cli import-rules: .*q\\.csv: line 2, column 21 \\(Mnemonic\\): 9,000 characters, while a "
                           "cell holds at most 1,000\n"),
         QString(), 0},
        {"1024 rules whose file would be larger than the readers take",
         [&](TempWorkspace &w, const QString &p) {
             return QStringList{QStringLiteral("import-rules"), p,
                                w.write(QStringLiteral("q.csv"), Csv_Of(512, 512, QString(1000, u'&')))};
         },
         1, QStringLiteral("brivant-cli import-rules: Read row 1, Mnemonic: 1,000 characters; the file would be 5\\.\\d MB, "
                           "the program reads at most 4 MiB\n")},
        {"a cell over the bound in S7_Protocol.xml",
         [&](TempWorkspace &w, const QString &p) {
             w.write(s7, S7_Xml(1, [](QByteArray &x) { x.replace("Tank level", QByteArray(9000, 'm')); }));
             return QStringList{QStringLiteral("validate"), p};
         },
         2, QStringLiteral("brivant-cli validate: .*S7_Protocol\\.xml: rule 1 of S7_Protocol_Read: Mnemonic holds 9,000 "
                           "characters, while a cell holds at most 1,000\n")},
        // The declared encoding would hide the attributes from the scan before the reader.
        {"250 000 attributes declared UTF-7",
         [&](TempWorkspace &w, const QString &p) {
             w.write(s7, withAttributes("<?xml version=\"1.0\" encoding=\"UTF-7\"?>", 250000));
             return QStringList{QStringLiteral("validate"), p};
         },
         2, QStringLiteral("brivant-cli validate: .*S7_Protocol\\.xml is refused: it declares the encoding \"UTF-7\"; the "
                           "program reads UTF-8, UTF-16, UTF-32, ISO-8859-1 and Windows-1252 \\(line 1, column 31\\)\n")},
        {"250 000 attributes declared Windows-1252",
         [&](TempWorkspace &w, const QString &p) {
             w.write(s7, withAttributes("<?xml version=\"1.0\" encoding=\"windows-1252\"?>", 250000));
             return QStringList{QStringLiteral("compile"), p};
         },
         2, QStringLiteral("brivant-cli compile: .*S7_Protocol\\.xml is refused: an element has more than 256 attributes "
                           "\\(line 1, column \\d+\\)\n")},
        {"a DOCTYPE declared UTF-7",
         [&](TempWorkspace &w, const QString &p) {
             w.write(s7, "<?xml version=\"1.0\" encoding=\"UTF-7\"?>" + attlists);
             return QStringList{QStringLiteral("validate"), p};
         },
         2, QStringLiteral("brivant-cli validate: .*S7_Protocol\\.xml is refused: it declares the encoding \"UTF-7\".*\n")},
        {"a byte Windows-1252 leaves unused",
         [&](TempWorkspace &w, const QString &p) {
             w.write(s7, "<?xml version=\"1.0\" encoding=\"windows-1252\"?><S7_Protocol><S7_Protocol_Read>\n<row "
                         "Mnemonic=\"\x80\x81\"/></S7_Protocol_Read><S7_Protocol_Write/></S7_Protocol>");
             return QStringList{QStringLiteral("validate"), p};
         },
         2, QStringLiteral("brivant-cli validate: .*S7_Protocol\\.xml is not a valid XML file: the byte 0x81 is no "
                           "Windows-1252 text, the file's encoding \\(line 2, column 17\\)\n")},
        {"a control character in an attribute",
         [&](TempWorkspace &w, const QString &p) {
             w.write(s7, "<S7_Protocol><S7_Protocol_Read><row Mnemonic=\"a\x01\"/></S7_Protocol_Read></S7_Protocol>");
             return QStringList{QStringLiteral("validate"), p};
         },
         2, QStringLiteral("brivant-cli validate: .*S7_Protocol\\.xml is not a valid XML file: it holds the character "
                           "U\\+0001, which XML does not allow \\(line 1, column 48\\)\n")},
        // diff took the root from an unbounded reader over the whole file.
        {"diff of 100 000 ATTLIST lines",
         [&](TempWorkspace &w, const QString &p) {
             return QStringList{QStringLiteral("diff"), w.write(QStringLiteral("x.xml"), attlists), p};
         },
         2, QStringLiteral("brivant-cli diff: .*x\\.xml is refused: it holds a document type declaration \\(DOCTYPE\\), "
                           "which the program's files never carry \\(line 1, column 1\\)\n")},
        {"diff --git of 100 000 ATTLIST lines",
         [&](TempWorkspace &w, const QString &) {
             const QString x = w.write(QStringLiteral("x.xml"), attlists);
             return QStringList{QStringLiteral("diff"), QStringLiteral("--git"), QStringLiteral("P/S7_Protocol.xml"), x,
                                QStringLiteral("1111111"), QStringLiteral("100644"), w.file(s7), QStringLiteral("2222222"),
                                QStringLiteral("100644")};
         },
         0, QString(),
         QStringLiteral("P/S7_Protocol\\.xml: cannot be compared: .*x\\.xml is refused: it holds a document type "
                        "declaration \\(DOCTYPE\\), which the program's files never carry \\(line 1, column 1\\)\n")},
        {"diff --git of a side that does not exist",
         [&](TempWorkspace &w, const QString &) {
             return QStringList{QStringLiteral("diff"), QStringLiteral("--git"), QStringLiteral("rules.csv"),
                                w.file(QStringLiteral("gone.csv")), QStringLiteral("1111111"), QStringLiteral("100644"),
                                w.file(s7), QStringLiteral("2222222"), QStringLiteral("100644")};
         },
         0, QString(), QStringLiteral("rules\\.csv: cannot be compared: .*gone\\.csv does not exist\n")},
        // CSV read whole, at 24 bytes of memory per byte; /dev/zero aborted the program.
        {"a CSV that is /dev/zero",
         [&](TempWorkspace &w, const QString &p) {
             const QString link = w.file(QStringLiteral("zero.csv"));
             QFile::link(QStringLiteral("/dev/zero"), link);
             return QStringList{QStringLiteral("import-rules"), p, link};
         },
         2, QStringLiteral("brivant-cli import-rules: Cannot read .*zero\\.csv: it is a character device, not a file\n")},
        {"a CSV of 100 MB",
         [&](TempWorkspace &w, const QString &p) {
             const QString big = w.write(QStringLiteral("big.csv"), Csv_Of(1, 0));
             QFile(big).resize(100 * 1000 * 1000);
             return QStringList{QStringLiteral("diff"), big, p};
         },
         2, QStringLiteral("brivant-cli diff: .*big\\.csv holds 100000000 bytes, while the program reads CSV and XML files "
                           "of at most 16 MiB\n")},
        {"a CSV of 150 000 rules",
         [&](TempWorkspace &w, const QString &p) {
             QList<QByteArray> lines = Csv_Lines(Csv_Of(1, 1));
             const QByteArray read = lines[1];
             const QByteArray write = lines[2];
             QByteArray csv = lines[0] + "\n";
             for (int i = 0; i < 75000; ++i)
                 csv += read + "\n" + write + "\n";
             return QStringList{QStringLiteral("import-rules"), p, w.write(QStringLiteral("q.csv"), csv)};
         },
         2, QStringLiteral("brivant-cli import-rules: .*q\\.csv: line 1026: the file holds more than 1025 rows\n"),
         QString(), 0},
        // A pipe blocked every reader in open().
        {"validate of a pipe", [&](TempWorkspace &w, const QString &p) {
             QFile::remove(w.file(s7));
             mkfifo(w.file(s7));
             return QStringList{QStringLiteral("validate"), p};
         },
         2, QStringLiteral("brivant-cli validate: Cannot read .*S7_Protocol\\.xml: it is a named pipe, not a file\n")},
        {"compile of a pipe", [&](TempWorkspace &w, const QString &p) {
             QFile::remove(w.file(s7));
             mkfifo(w.file(s7));
             return QStringList{QStringLiteral("compile"), p};
         },
         1, QStringLiteral("brivant-cli compile: Cannot read .*S7_Protocol\\.xml: it is a named pipe, not a file\n")},
        {"map of a pipe", [&](TempWorkspace &w, const QString &p) {
             QFile::remove(w.file(s7));
             mkfifo(w.file(s7));
             return QStringList{QStringLiteral("map"), p};
         },
         2, QStringLiteral("brivant-cli map: Cannot read .*S7_Protocol\\.xml: it is a named pipe, not a file\n")},
        {"diff of a pipe", [&](TempWorkspace &w, const QString &p) {
             const QString fifo = w.file(QStringLiteral("S7_Protocol.xml"));
             mkfifo(fifo);
             return QStringList{QStringLiteral("diff"), fifo, p};
         },
         2, QStringLiteral("brivant-cli diff: Cannot read .*S7_Protocol\\.xml: it is a named pipe, not a file\n")},
        {"dump of a pipe", [&](TempWorkspace &w, const QString &) {
             const QString fifo = w.file(QStringLiteral("bank1.bin"));
             mkfifo(fifo);
             return QStringList{QStringLiteral("dump"), fifo};
         },
         1, QStringLiteral("brivant-cli dump: .*bank1\\.bin is a named pipe, not a file\n")},
        {"a language file of 50 MB", [&](TempWorkspace &w, const QString &) {
             const QString lng = w.write(QStringLiteral("LANGUAGE/Deutsch.lng"), "STR 1 \"x\"\n");
             QFile(lng).resize(50 * 1000 * 1000);
             return QStringList{QStringLiteral("texts"), QStringLiteral("--workspace"), w.path(), QStringLiteral("--language"),
                                QStringLiteral("Deutsch")};
         },
         1, QStringLiteral("brivant-cli texts: .*Deutsch\\.lng holds 50000000 bytes, while the program reads language files "
                           "of at most 8 MiB\n")},
        // Rows that vanished or were read otherwise than validation reads them.
        {"a last CSV row without an address",
         [&](TempWorkspace &w, const QString &p) {
             QList<QByteArray> lines = Csv_Lines(Csv_Of(4, 0));
             lines[4].replace("192.168.1.4", "");
             return QStringList{QStringLiteral("import-rules"), p, w.write(QStringLiteral("q.csv"), Joined(lines))};
         },
         2, QStringLiteral("brivant-cli import-rules: .*q\\.csv: line 5: Read rule 4 has no PLC_Address\n"), QString(), 0},
        {"compile of a row without Enable",
         [&](TempWorkspace &w, const QString &p) {
             w.write(s7, S7_Xml(3, [](QByteArray &x) { x.replace(x.indexOf("Enable=\"Y\"", x.indexOf("Enable=\"Y\"") + 1), 10, ""); }));
             return QStringList{QStringLiteral("compile"), p};
         },
         1, QStringLiteral("brivant-cli compile: S7_Protocol\\.xml: rule 2 of the Read list has no Enable attribute; the "
                           "editor takes it as enabled and writes Enable=\"Y\" when the list is saved\n")},
        {"validate --all of a row without Enable",
         [&](TempWorkspace &w, const QString &p) {
             w.write(s7, S7_Xml(3, [](QByteArray &x) { x.replace(x.indexOf("Enable=\"Y\""), 10, ""); }));
             return QStringList{QStringLiteral("validate"), p, QStringLiteral("--all")};
         },
         0, QStringLiteral("warning: Read row 1 has no Enable attribute: it is checked as enabled, and compile refuses the "
                           "file until the editor saves it with Enable=\"Y\"\n.*")},
        {"compile of rows without attributes",
         [&](TempWorkspace &w, const QString &p) {
             w.write(s7, "<S7_Protocol><S7_Protocol_Read><row/><row/></S7_Protocol_Read><S7_Protocol_Write/></S7_Protocol>");
             return QStringList{QStringLiteral("compile"), p};
         },
         1, QStringLiteral("brivant-cli compile: S7_Protocol\\.xml: rule 1 of S7_Protocol_Read lacks the attribute "
                           "PLC_Address\n")},
        // Messages that say where and what.
        {"a CR-only CSV with a quoted line break",
         [&](TempWorkspace &w, const QString &p) {
             QList<QByteArray> lines = Csv_Lines(csv5);
             for (QByteArray &l : lines)
                 l.chop(1);
             lines[1].replace(",Tank level", ",\"Tank\rlevel\"");
             lines[3].replace(",S71200,", ",S7-1500,");
             return QStringList{QStringLiteral("import-rules"), p, w.write(QStringLiteral("q.csv"), Joined(lines, "\r"))};
         },
         2, QStringLiteral("brivant-cli import-rules: .*q\\.csv: line 5, column 5 \\(PLC_Type\\): \"S7-1500\" is none of "
                           "Logo0BA8, S7200, S7300, S7400, S71200, S71500\n"),
         QString(), 0},
        {"a CSV separated by semicolons",
         [&](TempWorkspace &w, const QString &p) {
             QList<QByteArray> lines = Csv_Lines(csv5);
             for (QByteArray &l : lines)
                 l.replace(',', ';');
             return QStringList{QStringLiteral("import-rules"), p, w.write(QStringLiteral("q.csv"), Joined(lines))};
         },
         2, QStringLiteral("brivant-cli import-rules: .*q\\.csv: line 1: the columns are separated by semicolons, as "
                           "spreadsheets with some language settings save CSV files; the program reads them separated by "
                           "commas\n")},
        {"a CSV in UTF-16 without a byte-order mark",
         [&](TempWorkspace &w, const QString &p) {
             const QString text = QString::fromUtf8(csv5.sliced(3));
             return QStringList{QStringLiteral("import-rules"), p,
                                w.write(QStringLiteral("q.csv"), QStringEncoder(QStringConverter::Utf16LE).encode(text))};
         },
         2, QStringLiteral("brivant-cli import-rules: .*q\\.csv: the file looks like UTF-16 text without a byte-order "
                           "mark; the program reads CSV files in UTF-8 \\(\"CSV UTF-8\" in spreadsheets\\)\n")},
        {"a NUL in a CSV",
         [&](TempWorkspace &w, const QString &p) {
             QList<QByteArray> lines = Csv_Lines(csv5);
             lines[3].replace("Tank level", QByteArray("Tank\0level", 10));
             return QStringList{QStringLiteral("import-rules"), p, w.write(QStringLiteral("q.csv"), Joined(lines))};
         },
         2, QStringLiteral("brivant-cli import-rules: .*q\\.csv: line 4, column %1: the file holds a NUL character \\(U\\+0000\\)\n")
                .arg(csvLine(csv5, 4).indexOf("Tank level") + 5),
         QString(), 0},
        {"a validation fault names the CSV line",
         [&](TempWorkspace &w, const QString &p) {
             QList<QByteArray> lines = Csv_Lines(csv5);
             lines.insert(2, QByteArray());
             lines[4].replace(",102,", ",99999,");
             return QStringList{QStringLiteral("import-rules"), p, w.write(QStringLiteral("q.csv"), Joined(lines))};
         },
         1, QStringLiteral(".*q\\.csv line 5: Read rule 3\n"), QStringLiteral("Error row 3.*\n")},
        // diff's text output and exit codes.
        {"diff shows DEL, C1 controls and direction marks escaped",
         [&](TempWorkspace &w, const QString &p) {
             return QStringList{QStringLiteral("diff"), p,
                                w.write(QStringLiteral("q.csv"), Csv_Of(3, 0, QStringLiteral("a\u007f\u0085\u202e")))};
         },
         1, QString(), QStringLiteral("(.*\n)*.*Mnemonic: \"Tank level\" -> \"a\\\\x7f\\\\x85\\\\u202e\"\n(.*\n)*")},
        {"a file named NUL is a file",
         [&](TempWorkspace &w, const QString &) {
             w.write(QStringLiteral("NUL"), w.read(s7));
             return QStringList{QStringLiteral("diff"), QStringLiteral("NUL"), w.file(s7)};
         },
         0, QString()},
        {"diff that cannot write its output",
         [&](TempWorkspace &w, const QString &p) {
             return QStringList{QStringLiteral("diff"), p, w.write(QStringLiteral("q.csv"), Csv_Of(2, 0))};
         },
         2, QStringLiteral("brivant-cli: write error: .*\n"), QString(), -1, true, "/dev/full"},
    };

    for (const HostileRun &c : cases) {
        SCOPED_TRACE(c.label);
        TempWorkspace w;
        const QString p = w.mkdir(QStringLiteral("P"));
        Write_Test_ParGen(w.file(QStringLiteral("P/ParGen.xml")), QStringLiteral("244"), QStringLiteral("10"));
        w.write(s7, S7_Xml(3));
        const QStringList args = c.prepare(w, p);
        const QMap<QString, QByteArray> before = Regular_Files_Under(w.path());

        QProcess process;
        process.setWorkingDirectory(w.path());
        if (c.stdoutFile)
            process.setStandardOutputFile(QString::fromLatin1(c.stdoutFile));
        QElapsedTimer clock;
        clock.start();
        process.start(cli, args);
        ASSERT_TRUE(process.waitForStarted(10000));
        const bool finished = process.waitForFinished(c.boundMs);
        if (!finished) {
            process.kill();
            process.waitForFinished(5000);
            ADD_FAILURE() << "still running after " << c.boundMs << " ms";
            continue;
        }
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), c.exitCode);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const auto whole = [](const QString &pattern) {
            return QRegularExpression(QRegularExpression::anchoredPattern(pattern), QRegularExpression::DotMatchesEverythingOption);
        };
        EXPECT_TRUE(whole(c.err).match(err).hasMatch()) << err.toStdString();
        if (!c.stdoutFile) {
            EXPECT_TRUE(whole(c.out).match(out).hasMatch()) << out.left(2000).toStdString();
        }
        if (c.writesNothing) {
            EXPECT_EQ(Regular_Files_Under(w.path()), before);
        }
        if (c.pythonRefuses >= 0) {
            QByteArray bytes = w.read(QDir(w.path()).relativeFilePath(args.last()));
            if (bytes.startsWith("\xEF\xBB\xBF"))
                bytes.remove(0, 3);
            const PythonCsvResult python = Python_Strict_Csv(bytes);
            ASSERT_TRUE(python.ran) << "python3 with its csv module is needed";
            EXPECT_EQ(python.error.has_value(), c.pythonRefuses == 1) << python.error.value_or(QString()).toStdString();
        }
    }
}

} // namespace
