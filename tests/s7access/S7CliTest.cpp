#include "S7TestRules.h"
#include "commparams/CommParams.h"
#include "s7access/DelimitedText.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7RuleCsv.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"
#include "support/TestParGen.h"

#include <QFile>
#include <QDir>
#include <gtest/gtest.h>

namespace {

using L = S7Rule::List;

class S7CliTest : public ::testing::Test
{
protected:
    S7CliTest()
    {
        Write_Test_ParGen(parGen, QStringLiteral("244"), QStringLiteral("10"));
        for (int i = 0; i < 4; ++i) {
            read[std::size_t(i)] = Valid_Rule(i + 1);
            read[std::size_t(i)].OnChange.clear();
            read[std::size_t(i)].OnCMD.clear();
            write[std::size_t(i)] = Valid_Rule(i + 1);
        }
        save();
    }

    void save() { Save_S7_Protocol(s7File, read, write); }
    CliTextRun run(const char *command, const QStringList &more = {})
    {
        return Run_Cli_Text(QStringList{QString::fromLatin1(command), project} + more);
    }

    TempWorkspace ws;
    QString project = ws.mkdir(QStringLiteral("PROJECTS/P1/bin")).chopped(4);
    QString parGen = ws.file(QStringLiteral("PROJECTS/P1/ParGen.xml"));
    QString s7File = ws.file(QStringLiteral("PROJECTS/P1/S7_Protocol.xml"));
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
};

TEST_F(S7CliTest, ValidateReportsTheFirstFaultAsTheWindowShowsIt)
{
    CliTextRun r = run("validate");
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out, "");

    read[2].Rack = QStringLiteral("4");
    write[0].Position = QStringLiteral("10");
    save();
    r = run("validate");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Error row 3!! [S7comm Read] Rack must be between 0 and 3\n");
    EXPECT_EQ(r.err, "");

    r = run("validate", {QStringLiteral("--all")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Read\t3\tRack\tError row 3!! [S7comm Read] Rack must be between 0 and 3\n"
                     "Write\t1\tPosition\tError row 1!! [S7comm Write] Position must be between 0 and 9\n");

    // The communication parameters come first.
    CommParams params = CommParams::windowDefaults();
    params.texts[CommParams::S7_Protocol_IP2] = QStringLiteral("300");
    Write_ParGen(parGen, params);
    r = run("validate");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Error S7comm!! IP Address 2 must be between 0 and 255\n");
    r = run("validate", {QStringLiteral("--all")});
    EXPECT_EQ(r.out.split(u'\n').first(), "ParGen\tS7_Protocol_IP2\tError S7comm!! IP Address 2 must be between 0 and 255");
    EXPECT_EQ(r.out.split(u'\n')[1], "Read\t3\tRack\tError row 3!! [S7comm Read] Rack must be between 0 and 3");
    EXPECT_EQ(r.out.count(u'\n'), 2); // write positions now run to 243
}

TEST_F(S7CliTest, ValidateAllWarnsOfSharedInBytesAndClippedRulesOnStderr)
{
    // Read rows 1 and 2 are Words at bytes 5-6 and 6-7; row 3 a Real at the last of 244 bytes;
    // write rules 1 to 4 all send to byte 5 of the out area, which is legitimate.
    read[1].Position = QStringLiteral("6");
    read[2].Position = QStringLiteral("243");
    read[2].Data_Type = QStringLiteral("Real");
    read[3].Enable = QStringLiteral("N");
    save();
    CliTextRun r = run("validate", {QStringLiteral("--all")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Read\t1\tWarning: read rows 1 and 2 both fill bytes 6 to 6 of the in area\n"
                     "Read\t3\tWarning: Read row 3 runs past the 244 bytes of the in area (to byte 246)\n");

    // Warnings leave the exit code to the faults, and the first-fault form prints none.
    write[0].Position = QStringLiteral("10");
    save();
    r = run("validate", {QStringLiteral("--all")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.count(u'\n'), 2);
    r = run("validate");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
}

TEST_F(S7CliTest, MapPrintsOneLinePerRuleWithConflictsAndClippingMarked)
{
    read[0].Data_Type = QStringLiteral("Bit");
    read[0].Bit = QStringLiteral("3");
    read[0].PLC_Bit = QStringLiteral("4");
    read[0].Data_Identifier = QStringLiteral("OB");
    read[0].PLC_Area = QStringLiteral("Inputs (I)");
    read[0].PLC_Add = QStringLiteral("3");
    read[1].Position = QStringLiteral("5");                 // a Word over row 1's bit
    read[2].Position = QStringLiteral("243");
    read[2].Data_Type = QStringLiteral("Real");            // past the 244 bytes
    read[3].Enable = QStringLiteral("N");
    read[2].Mnemonic = QStringLiteral("Flow, \"main\"");
    save();
    CliTextRun r = run("map");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n');
    ASSERT_EQ(lines.size(), 10) << r.out.toStdString(); // counts, header, 3 + 4 rules, final line end
    EXPECT_EQ(lines[0], "in: 244 bytes (Number Byte In, read rules); out: 10 bytes (Number Byte Out, write rules)");
    EXPECT_TRUE(lines[1].startsWith(u"Area  First byte  Last byte  Bits  List   Row  PLC address"));
    EXPECT_EQ(lines[2].simplified(), "in 5 6 0-7 Read 2 192.168.1.2 DB10.DBW20 Word Tank level Conflict 1");
    EXPECT_EQ(lines[3].simplified(), "in 5 5 3 Read 1 192.168.1.1 I3.4 Bit Tank level Conflict 2");
    EXPECT_EQ(lines[4].simplified(), "in 243 246 0-7 Read 3 192.168.1.3 DB10.DBD20 Real Flow, \"main\" Past the byte count");
    EXPECT_TRUE(lines[5].startsWith(u"out   5           6          0-7   Write  1"));

    const CliRun csv = Run_Cli_Captured({QStringLiteral("map"), project, QStringLiteral("--csv")});
    ASSERT_EQ(csv.exitCode, 0);
    ASSERT_TRUE(csv.out.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(csv.out.contains("\r\n"));
    const QList<QStringList> rows = Parse_Delimited(QString::fromUtf8(csv.out.sliced(3)), u',');
    ASSERT_EQ(rows.size(), 8);
    EXPECT_EQ(rows[3], (QStringList{"in", "243", "246", "0-7", "Read", "3", "192.168.1.3", "DB10.DBD20", "Real",
                                    "Flow, \"main\"", "Past the byte count"}));

    // A rule the map cannot place is named after the table, never just left out.
    read[4] = Valid_Rule(5);
    read[4].Position.clear();
    save();
    r = run("map");
    EXPECT_TRUE(r.out.endsWith("S7comm Read row 5 is not on the map: Position is empty\n")) << r.out.toStdString();

    EXPECT_EQ(run("map", {QStringLiteral("--svg")}).exitCode, 2);
    QFile::remove(s7File);
    QFile file(s7File);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<S7_Protocol>");
    file.close();
    r = run("map");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(u"brivant-cli map: "));
}

// Rules below a list's first unused row are neither checked nor compiled: validate and
// import-rules say so on stderr, naming the row and the count, and keep their exit codes.
TEST_F(S7CliTest, RulesAfterTheFirstUnusedRowAreWarnedAbout)
{
    // A hand-edited file: a row without address inside each list.
    read[1].PLC_Address = QStringLiteral("GAP");
    write[3].PLC_Address = QStringLiteral("GAP");
    write[4] = Valid_Rule(8);
    write[4].PollTime = QStringLiteral("bad"); // never looked at
    const auto saveWithGaps = [&] {
        ws.write(QStringLiteral("PROJECTS/P1/S7_Protocol.xml"),
                 Serialize_S7_Protocol(read, write).replace("PLC_Address=\"GAP\"", "PLC_Address=\" \""));
    };
    saveWithGaps();
    const QString file = QDir::toNativeSeparators(s7File);
    const QString warnings = QStringLiteral("warning: %1: Read list ends at its first unused row 2; 2 rules after it are ignored\n"
                                            "warning: %1: Write list ends at its first unused row 4; 1 rule after it is ignored\n")
                                 .arg(file);
    CliTextRun r = run("validate");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, warnings);

    read[0].Rack = QStringLiteral("9");
    saveWithGaps();
    r = run("validate", {QStringLiteral("--all")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Read\t1\tRack\tError row 1!! [S7comm Read] Rack must be between 0 and 3\n");
    EXPECT_EQ(r.err, warnings);

    // The CSV import still refuses such a file, now with the whole count.
    const QByteArray before = ws.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml"));
    QList<QStringList> rows{QStringList{QStringLiteral("List")} + S7Rule::fieldNames(L::Write)};
    read[1].PLC_Address = QStringLiteral(" ");
    for (int i = 0; i < 4; ++i)
        rows.append(QStringList{QStringLiteral("Read")} + read[std::size_t(i)].cells(L::Write));
    const QString body = Format_Delimited(rows, u',');
    const QString gapCsv = ws.write(QStringLiteral("gap2.csv"), body.toUtf8());
    r = run("import-rules", {gapCsv});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("warning: %1: Read list ends at its first unused row 2; 2 rules after it are ignored\n")
                                     .arg(QDir::toNativeSeparators(gapCsv))))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QLatin1String("line 4: Read rule 2 has no PLC_Address")));
    EXPECT_EQ(ws.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")), before);
}

// A coded field outside the editor's list passes validation but reaches the device as the
// list's first code: validate --all says which code, and its exit code stays.
TEST_F(S7CliTest, ValidateAllWarnsAboutTextsOutsideTheLists)
{
    write[1].PLC_Type = QStringLiteral("102");
    read[1].Position = QStringLiteral("10"); // apart, so that no rules share bytes
    read[2].Position = QStringLiteral("20");
    read[2].PLC_Area = QStringLiteral("inputs (I)");
    read[3].Enable = QStringLiteral("N");
    read[3].Data_Type = QStringLiteral("Float"); // disabled: never compiled
    save();
    CliTextRun r = run("validate", {QStringLiteral("--all")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "warning: Read row 3: PLC_Area \"inputs (I)\" is not in the list; the device gets code 128 "
                     "(Direct peripheral access (P))\n"
                     "warning: Write row 2: PLC_Type \"102\" is not in the list; the device gets code 0 (S7200)\n");
    r = run("validate");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(S7CliTest, ValidateWithoutProjectFilesUsesTheDefaults)
{
    ws.write(QStringLiteral("PROJECTS/P1/ParGen.xml"), {});
    QFile::remove(parGen);
    read[0].Position = QStringLiteral("1499"); // positions limited by 1500 without ParGen.xml
    save();
    EXPECT_EQ(run("validate").exitCode, 0);
    // With neither file the folder is no project.
    QFile::remove(s7File);
    EXPECT_EQ(run("validate").exitCode, 1);
}

TEST_F(S7CliTest, ValidateLoadErrorsGoToStderrWithExit2)
{
    const struct
    {
        const char *file;
        QByteArray bytes;
        const char *errorPart;
    } cases[] = {
        {"S7_Protocol.xml", "<S7_Protocol><S7_Protocol_Read>", "not a valid XML file"},
        {"S7_Protocol.xml", "<S7_Protocol><S7_Protocol_Read/></S7_Protocol>", "S7_Protocol_Write"},
        {"S7_Protocol.xml", "<S7_Protocol><S7_Protocol_Read><row PLC_Address=\"1.2.3.4\"/></S7_Protocol_Read>"
                            "<S7_Protocol_Write/></S7_Protocol>", "lacks the attribute PLC_Port"},
        {"ParGen.xml", "<Par_Gen><PROFINET_NB_IN>", "ParGen.xml"},
    };
    for (const auto &c : cases) {
        const QByteArray before = ws.read(QStringLiteral("PROJECTS/P1/") + QLatin1String(c.file));
        ws.write(QStringLiteral("PROJECTS/P1/") + QLatin1String(c.file), c.bytes);
        for (const bool all : {false, true}) {
            const CliTextRun r = run("validate", all ? QStringList{QStringLiteral("--all")} : QStringList{});
            EXPECT_EQ(r.exitCode, 2) << c.errorPart;
            EXPECT_EQ(r.out, "") << c.errorPart;
            EXPECT_TRUE(r.err.contains(QLatin1String(c.errorPart))) << r.err.toStdString();
        }
        ws.write(QStringLiteral("PROJECTS/P1/") + QLatin1String(c.file), before);
    }
    EXPECT_EQ(Run_Cli_Text({QStringLiteral("validate"), ws.file(QStringLiteral("nope"))}).exitCode, 2);
    EXPECT_EQ(Run_Cli_Text({QStringLiteral("validate")}).exitCode, 2);
}

TEST_F(S7CliTest, ExportThenImportGivesTheSameFile)
{
    read[1].Mnemonic = QStringLiteral("Kessel, \"Nord\"\r\nzweite Zeile");
    read[2].Mnemonic = QStringLiteral("  Füllstand 温度 ");
    read[3].PLC_Port = QStringLiteral(" 102");
    read[4] = Valid_Rule(9);
    read[4].Enable = QStringLiteral("N");
    read[4].PLC_Address = QStringLiteral("not checked");
    read[4].OnChange.clear();
    read[4].OnCMD.clear();
    write[1].Mnemonic = QStringLiteral("=SUM(A1:A2)");
    write[2].Swap.clear();
    save();
    const QByteArray original = ws.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml"));
    const QString csv = ws.file(QStringLiteral("rules.csv"));

    CliTextRun r = run("export-rules", {csv});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("5 read rules and 4 write rules written to %1\n").arg(csv));
    const QByteArray bytes = ws.read(QStringLiteral("rules.csv"));
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBFList,Enable,PLC_Address,PLC_Port,PLC_Type,Rack,Slot,Data_Type,"
                                 "Data_Identifier,DB_Number,PLC_Area,PLC_Add,PLC_Bit,PollTime,OnChange,OnCMD,"
                                 "Position,Bit,Swap,SwapWord,Mnemonic\r\nRead,Y,192.168.1.1,102,S71200,0,1,"
                                 "Word,DB,10,Flags (M) (Merker),20,0,100,,,5,0,N,,Tank level\r\n"))
        << bytes.left(400).constData();
    EXPECT_TRUE(bytes.contains(",\"Kessel, \"\"Nord\"\"\r\nzweite Zeile\"\r\n"));

    QFile::remove(s7File);
    r = run("import-rules", {csv});
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(ws.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")), original);
}

TEST_F(S7CliTest, ImportTakesASpreadsheetsFileAndRefusesFaults)
{
    // Columns reordered, LF line ends, no byte-order mark, lower-case list names.
    QString text = QStringLiteral("Mnemonic,List,") + S7Rule::fieldNames(L::Write).mid(0, 19).join(u',') + u'\n';
    const auto row = [](const char *list, const S7Rule &rule, bool isRead) {
        QStringList cells = rule.cells(L::Write).mid(0, 19);
        if (isRead)
            cells[13] = cells[14] = QString();
        return (QStringList{rule.Mnemonic, QString::fromLatin1(list)} + cells).join(u',') + u'\n';
    };
    text += row("write", Valid_Rule(7, QStringLiteral("w1")), false);
    text += row("read", Valid_Rule(8, QStringLiteral("r1")), true);
    const QString csv = ws.write(QStringLiteral("in.csv"), text.toUtf8());
    CliTextRun r = run("import-rules", {csv});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    S7RuleList r2 = Fresh_Rule_List(), w2 = Fresh_Rule_List();
    ASSERT_EQ(Load_S7_Protocol(s7File, r2, w2), std::nullopt);
    EXPECT_EQ(Rules_In_Use(r2), 1);
    EXPECT_EQ(r2[0].Mnemonic, "r1");
    EXPECT_EQ(w2[0].PLC_Address, "192.168.1.7");
    EXPECT_EQ(Rules_In_Use(w2), 1);

    // A fault: the editor's message, exit 1, the file unchanged.
    const QByteArray before = ws.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml"));
    text.replace(QLatin1String("192.168.1.8"), QLatin1String("192.168.1"));
    ws.write(QStringLiteral("in.csv"), text.toUtf8());
    r = run("import-rules", {csv});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Error row 1!! [S7comm Read] PLC Address must be a valid TCP IP Address (Ex. 192.168.1.125)\n");
    EXPECT_EQ(ws.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")), before);
}

TEST_F(S7CliTest, ImportRefusesFilesItCannotTakeWhole)
{
    const QString header = QStringLiteral("List,") + S7Rule::fieldNames(L::Write).join(u',') + QStringLiteral("\r\n");
    const auto line = [](const char *list, S7Rule rule) {
        if (QByteArray(list) == "Read")
            rule.OnChange = rule.OnCMD = QString();
        return Format_Delimited({QStringList{QString::fromLatin1(list)} + rule.cells(L::Write)}, u',');
    };
    S7Rule noAddress = Valid_Rule();
    noAddress.PLC_Address.clear();
    QString tooMany = header;
    for (int i = 0; i < 513; ++i)
        tooMany += line("Write", Valid_Rule(1));
    const struct
    {
        const char *name;
        QByteArray bytes;
        const char *errorPart;
    } cases[] = {
        {"empty", "", "empty"},
        {"not UTF-8", (header + line("Read", Valid_Rule())).toLatin1() + "\xFF\r\n", "not UTF-8"},
        {"unknown column", (QStringLiteral("Foo,") + header).toUtf8(), "unknown column \"Foo\""},
        {"missing column", QString(header).replace(QLatin1String(",Mnemonic"), QString()).toUtf8(), "column \"Mnemonic\" is missing"},
        {"short row", (header + QStringLiteral("Read,Y,1.2.3.4\r\n")).toUtf8(), "line 2: 3 cells"},
        {"bad list", (header + line("Both", Valid_Rule())).toUtf8(), "line 2: the list must be Read or Write"},
        {"OnChange on read", (header + line("Write", Valid_Rule())
                              + Format_Delimited({QStringList{QStringLiteral("Read")} + Valid_Rule().cells(L::Write)}, u','))
                                 .toUtf8(), "line 3: a read rule has no OnChange"},
        {"rule after gap", (header + line("Read", noAddress) + line("Write", Valid_Rule()) + line("Read", Valid_Rule())).toUtf8(),
         "line 4: Read rule 1 has no PLC_Address"},
        {"513 rules", tooMany.toUtf8(), "line 514: more than 512 Write rules"},
    };
    const QByteArray before = ws.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml"));
    for (const auto &c : cases) {
        const QString csv = ws.write(QStringLiteral("bad.csv"), c.bytes);
        const CliTextRun r = run("import-rules", {csv});
        EXPECT_EQ(r.exitCode, 2) << c.name;
        EXPECT_TRUE(r.err.contains(QLatin1String(c.errorPart))) << c.name << ": " << r.err.toStdString();
        EXPECT_EQ(ws.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")), before) << c.name;
    }
    EXPECT_EQ(run("import-rules", {ws.file(QStringLiteral("missing.csv"))}).exitCode, 2);
    EXPECT_EQ(run("export-rules", {ws.file(QStringLiteral("no/such/dir/x.csv"))}).exitCode, 2);
    EXPECT_EQ(run("export-rules").exitCode, 2);
}

TEST(DelimitedTextTest, ParsesWhatSpreadsheetsWrite)
{
    const struct
    {
        const char *text;
        QList<QStringList> rows;
    } cases[] = {
        {"", {}},
        {"a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},
        {"a\tb\nc\td", {{"a", "b"}, {"c", "d"}}},
        {"a\t\t\n\tb\n", {{"a", "", ""}, {"", "b"}}},
        {"\"x\ty\"\t\"say \"\"hi\"\"\"\n", {{"x\ty", "say \"hi\""}}},
        {"\"line1\nline2\"\tz\r\n", {{"line1\nline2", "z"}}},
        {"5\" pipe\tq\"\n", {{"5\" pipe", "q\""}}},
        {"\n\n", {{""}, {""}}},
        {"\"open", {{"open"}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Parse_Delimited(QString::fromUtf8(c.text), u'\t'), c.rows) << c.text;

    const QList<QStringList> rows = {{"plain", "", " lead", "trail ", "a,b", "q\"q", "l\nm", "é"}, {"", ""}};
    for (const QChar sep : {QChar(u','), QChar(u'\t')})
        EXPECT_EQ(Parse_Delimited(Format_Delimited(rows, sep), sep), rows);
    EXPECT_EQ(Format_Delimited(rows, u','),
              "plain,,\" lead\",\"trail \",\"a,b\",\"q\"\"q\",\"l\nm\",é\r\n,\r\n");
}

} // namespace
