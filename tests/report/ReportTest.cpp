#include "cli/ReportCommand.h"
#include "report/CommissioningReport.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"
#include "support/TestParGen.h"
#include "texts/LanguageFile.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The report command in this process (the widget main has the GUI application it needs).
CliTextRun Run_Report(const QStringList &args)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    CliIo io{out, err, QString()};
    const int code = Run_Report_Command(args, io);
    return {code, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
}

// A tool of poppler-utils run on a file; its stdout.
QString Poppler(const QString &tool, const QStringList &args)
{
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(tool, QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

class ReportTest : public ::testing::Test
{
protected:
    ReportTest()
    {
        Write_Test_ParGen(ws.file(QStringLiteral("PROJECTS/Plant A/ParGen.xml")), QStringLiteral("32"), QStringLiteral("100"));
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        const char *mnemonics[] = {"Tank level", "Flow <rate> & total", "Pump running"};
        const char *types[] = {"Word", "Real", "Bit"};
        for (int i = 0; i < 3; ++i) {
            S7Rule &r = read[std::size_t(i)];
            r.PLC_Address = QStringLiteral("192.168.1.10");
            r.PLC_Port = QStringLiteral("102");
            r.PLC_Type = QStringLiteral("S71200");
            r.Rack = QStringLiteral("0");
            r.Slot = QStringLiteral("1");
            r.Data_Type = QString::fromLatin1(types[i]);
            r.Data_Identifier = QStringLiteral("DB");
            r.DB_Number = QStringLiteral("100");
            r.PLC_Area = QStringLiteral("Flags (M) (Merker)");
            r.PLC_Add = QString::number(20 + 4 * i);
            r.PLC_Bit = QStringLiteral("3");
            r.PollTime = QStringLiteral("250");
            r.Position = QString::number(2 * i);
            r.Bit = QStringLiteral("0");
            r.Mnemonic = QString::fromLatin1(mnemonics[i]);
        }
        write[0] = read[0];
        write[0].Mnemonic = QStringLiteral("Setpoint");
        Save_S7_Protocol(ws.file(QStringLiteral("PROJECTS/Plant A/S7_Protocol.xml")), read, write);
    }

    TempWorkspace ws;
    QString project = ws.mkdir(QStringLiteral("PROJECTS/Plant A/bin")).chopped(4);
};

TextTable English()
{
    TextTable texts;
    texts.Load_Default_Texts();
    return texts;
}

S7RuleList Saved(const QString &project, S7Rule::List list)
{
    S7RuleList read = Fresh_Rule_List(), write = Fresh_Rule_List();
    EXPECT_FALSE(Load_S7_Protocol(project + QStringLiteral("/S7_Protocol.xml"), read, write).has_value());
    return list == S7Rule::List::Read ? read : write;
}

TEST_F(ReportTest, PdfOpensAndHoldsTheProjectTheRulesAndTheMap)
{
    const QString pdf = ws.file(QStringLiteral("report.PDF"));
    const CliTextRun r = Run_Report({project, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    EXPECT_TRUE(Poppler(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+[1-9]"))));
    const QString text = Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (const char *expected : {"Commissioning report: Plant A", "Flow <rate> & total", "DB100.DBD24", "Setpoint",
                                 "This report documents the saved project files.", "Enabled rules: 4;",
                                 "Number Byte In is what the converter receives from the PROFIBUS master",
                                 "Warning: read rows 2 and 3 both fill bytes 4 to 4 of the in area", "bank2.bin",
                                 "28672", "0x42,0x3F,0x00,0x01"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(expected))) << expected << "\n" << text.toStdString();
}

// The rule lists have 22 columns: laid out at the page's width they would cut words and
// addresses in two ("Positio n", "192.168.1 .10"); they are drawn smaller instead.
TEST_F(ReportTest, RuleTablesKeepTheirWordsWhole)
{
    const QString pdf = ws.file(QStringLiteral("report.pdf"));
    ASSERT_EQ(Run_Report({project, pdf}).exitCode, 0);
    const QString text = Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    const QString rulesPart = text.section(QStringLiteral("S7comm Write"), 0, 0);
    for (const char *whole : {"Position", "Mnemonic", "Identifier", "192.168.1.10", "Flags (M) (Merker)", "Flow <rate> & total"})
        EXPECT_TRUE(rulesPart.contains(QString::fromLatin1(whole))) << whole << "\n" << rulesPart.toStdString();
}

TEST_F(ReportTest, HtmlIsSelfContained)
{
    const QString html = ws.file(QStringLiteral("report.html"));
    ASSERT_EQ(Run_Report({project, html}).exitCode, 0);
    QFile file(html);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(page.contains(u"Flow &lt;rate&gt; &amp; total"));
    EXPECT_EQ(page.count(u"<img src=\"data:image/png;base64,"), 2);
    // Nothing the page would fetch: every src and href is inline data, no url() in styles.
    const QRegularExpression reference(QStringLiteral("(src|href)\\s*=\\s*\"(?!data:)|url\\(|@import"),
                                       QRegularExpression::CaseInsensitiveOption);
    EXPECT_FALSE(page.contains(reference)) << page.toStdString();
}

TEST_F(ReportTest, RefusesOtherSuffixesAndUnreadableProjects)
{
    CliTextRun r = Run_Report({project, ws.file(QStringLiteral("report.txt"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(u"pdf")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("report.txt"))));

    QFile broken(ws.file(QStringLiteral("PROJECTS/Plant A/ParGen.xml")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<Par_Gen>");
    broken.close();
    r = Run_Report({project, ws.file(QStringLiteral("report.html"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(u"brivant-cli report: ")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(ws.file(QStringLiteral("report.html"))));
}

TEST_F(ReportTest, TheRealToolWritesThePdfWithoutADisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess cli;
    cli.setProcessEnvironment(env);
    const QString pdf = ws.file(QStringLiteral("plant.pdf"));
    cli.start(QStringLiteral(BRIVANT_BIN_DIR "/brivant-cli"), {QStringLiteral("report"), project, pdf});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(cli.readAllStandardOutput().trimmed(), pdf.toUtf8());
    EXPECT_TRUE(Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).contains(u"Tank level"));

    // The report program's faults and exit codes come through.
    cli.start(QStringLiteral(BRIVANT_BIN_DIR "/brivant-cli"), {QStringLiteral("report"), project});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 2);
    EXPECT_TRUE(cli.readAllStandardError().contains("brivant-cli report: usage: "));
}

// Page 1 says what the report documents; lists that do not validate get their first fault
// instead of images and checksums, whichever the basis.
TEST_F(ReportTest, PageOneNamesItsBasisAndOnlyValidListsGetImages)
{
    const TextTable texts = English();
    const QDateTime date = QDateTime::currentDateTime();
    S7RuleList read = Saved(project, S7Rule::List::Read);
    const S7RuleList write = Saved(project, S7Rule::List::Write);
    S7RuleList edited = read;
    edited[1].Mnemonic = QStringLiteral("not saved yet");
    S7RuleList invalid = read;
    invalid[2].PLC_Port = QStringLiteral("abc");
    struct Case
    {
        const char *name;
        ReportInput input;
        const char *basis;
        bool images;
    } cases[] = {
        {"saved files", Load_Report_Input(project, date), "This report documents the saved project files.", true},
        {"editor, as saved", Load_Report_Input(project, date, read, write), "This report documents the saved project files.", true},
        {"editor, edited", Load_Report_Input(project, date, edited, write),
         "This report documents the editor's lists with unsaved changes, not the saved project files.", true},
        {"editor, invalid", Load_Report_Input(project, date, invalid, write),
         "This report documents the editor's lists with unsaved changes, not the saved project files.", false},
    };
    for (const Case &c : cases) {
        const QString html = Report_Html(c.input, texts);
        EXPECT_TRUE(html.contains(QString::fromLatin1(c.basis).toHtmlEscaped())) << c.name;
        EXPECT_EQ(html.contains(u"SHA-256"), c.images) << c.name;
        EXPECT_EQ(html.contains(u"checksum of bank1.bin"), c.images) << c.name;
        EXPECT_EQ(html.contains(u"The lists do not validate, so no device images are given. First fault: Error row 3"), !c.images)
            << c.name << html.toStdString();
    }

    // The saved file that does not validate gets no images either.
    Save_S7_Protocol(project + QStringLiteral("/S7_Protocol.xml"), invalid, write);
    const CliTextRun r = Run_Report({project, ws.file(QStringLiteral("invalid.html"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray html = ws.read(QStringLiteral("invalid.html"));
    EXPECT_TRUE(html.contains("PLC Port must be between 0 and 65535"));
    EXPECT_FALSE(html.contains("SHA-256"));
}

// In another language no heading or label of the report stays English.
TEST_F(ReportTest, TheGermanReportHasNoEnglishHeading)
{
    TextTable german = English();
    Load_Language_File(german, QStringLiteral(BRIVANT_LANGUAGES_DIR "/Deutsch.lng"));
    const QString html = Report_Html(Load_Report_Input(project, QDateTime::currentDateTime()), german);
    const TextTable english = English();
    for (const int id : {TextId::Map_Report, TextId::Report_Project, TextId::Report_Date, TextId::Report_Device,
                         TextId::Report_Row, TextId::Report_FirstByte, TextId::Report_Note, TextId::Report_Module,
                         TextId::Report_File, TextId::Report_AreaIn, TextId::Report_AreaOut,
                         TextId::S7_PLCAddress, TextId::S7_Mnemonic}) {
        EXPECT_NE(german.text(id), english.text(id)) << id;
        EXPECT_TRUE(html.contains(german.text(id).toHtmlEscaped())) << id;
    }
    for (const char *word : {">Project<", ">Date<", ">Row<", ">Area<", ">First byte<", ">Read<", ">Write<", ">Module<",
                                ">File<", "Rules:", "Enabled rules", "Input length", "Number Byte In",
                                "Commissioning", "This report"})
        EXPECT_FALSE(html.contains(QLatin1String(word))) << word;
    EXPECT_TRUE(html.contains(u"Aktivierte Regeln: 4;"));
    EXPECT_TRUE(html.contains(u">Lesen<"));

    // The write list's 22 German headings do not fit the page side by side at the usual
    // size: the table takes a smaller one rather than cut its words.
    const QString pdf = ws.file(QStringLiteral("de.pdf"));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Report_Pdf(Load_Report_Input(project, QDateTime::currentDateTime()), german));
    file.close();
    const QString writePart = Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                                  .section(QStringLiteral("S7comm Schreiben"), 1);
    for (const char *whole : {"Zeile", "Steckplatz", "Datenkennung", "Datentyp", "192.168.1.10", "DB100.DBW20"})
        EXPECT_TRUE(writePart.contains(QString::fromUtf8(whole))) << whole << "\n" << writePart.toStdString();
}

// A gateway that is off reads "disabled", not as an address; the map's table says Read.
TEST_F(ReportTest, AGatewayThatIsOffReadsDisabled)
{
    CommParams params = CommParams::windowDefaults();
    params.gatewayEnabled = false;
    Write_ParGen(project + QStringLiteral("/ParGen.xml"), params);
    QString html = Report_Html(Load_Report_Input(project, QDateTime::currentDateTime()), English());
    EXPECT_TRUE(html.contains(u"<td>Gateway</td><td>disabled</td>")) << html.toStdString();
    params.gatewayEnabled = true;
    Write_ParGen(project + QStringLiteral("/ParGen.xml"), params);
    html = Report_Html(Load_Report_Input(project, QDateTime::currentDateTime()), English());
    EXPECT_FALSE(html.contains(u"disabled"));
}

// 512 read rules on the same bytes: each conflicting pair is named once, with the rows as
// ranges, not 511 rows in every rule's note and 130,816 warnings.
TEST_F(ReportTest, ManyOverlappingRulesNameEachPairOnce)
{
    S7RuleList read = Saved(project, S7Rule::List::Read);
    for (std::size_t i = 0; i < std::size_t(kMaxRules); ++i) {
        read[i] = read[0];
        read[i].Mnemonic = QStringLiteral("m%1").arg(i + 1);
    }
    const ReportInput input = Load_Report_Input(project, QDateTime::currentDateTime(), read, Saved(project, S7Rule::List::Write));
    const QString html = Report_Html(input, English());
    EXPECT_EQ(html.count(u"<p><b>Warning: read row "), 510); // rows 1 to 510; row 511 has one partner
    EXPECT_TRUE(html.contains(u"Warning: read row 1 fills bytes of the in area that read rows 2-512 fill too"));
    EXPECT_TRUE(html.contains(u"Warning: read rows 511 and 512 both fill bytes 0 to 1 of the in area"));
    EXPECT_TRUE(html.contains(u"<td>Conflict 1-19,21-512</td>")) << "row 20's note";
    EXPECT_LT(html.size(), 2'000'000);
}

// Every table prints at one size on every page, however long one of its cells; the map is
// drawn as vectors, not as a picture.
TEST_F(ReportTest, TablesKeepOneSizeOnEveryPageAndTheMapIsDrawn)
{
    S7RuleList read = Saved(project, S7Rule::List::Read);
    for (std::size_t i = 0; i < 60; ++i) {
        read[i] = read[0];
        read[i].Position = QString::number(2 * i);
    }
    read[40].Mnemonic = QString(400, u'x'); // one word wider than its column
    Save_S7_Protocol(project + QStringLiteral("/S7_Protocol.xml"), read, Saved(project, S7Rule::List::Write));
    const QString pdf = ws.file(QStringLiteral("long.pdf"));
    ASSERT_EQ(Run_Report({project, pdf}).exitCode, 0);

    // The height of every "192.168.1.10" of the read list, page by page.
    const QString boxes = Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")})
                              .section(QStringLiteral(">Write<"), 0, 0);
    const QRegularExpression word(QStringLiteral("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">192\\.168\\.1\\.10<"));
    QSet<int> heights;
    int count = 0;
    for (auto it = word.globalMatch(boxes); it.hasNext(); ++count) {
        const auto m = it.next();
        heights.insert(qRound((m.captured(2).toDouble() - m.captured(1).toDouble()) * 100));
    }
    EXPECT_GE(count, 60);
    EXPECT_EQ(heights.size(), 1) << boxes.count(u"<page") << " pages";
    EXPECT_TRUE(Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).contains(QString(40, u'x')));
    // No raster image: pdfimages lists only its two heading lines.
    EXPECT_EQ(Poppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).trimmed().count(u'\n'), 1);
}

// Long cells wrap in their column at their spaces, whether the report lays them out itself
// (Latin text) or through the text engine (Greek, Arabic, a letter with a combining accent): every
// word prints whole and in order, nothing is lost at a line's or a page's end, and no line
// reaches into the next column.
TEST_F(ReportTest, LongCellsWrapInTheirColumnWithEveryWordWhole)
{
    QString latin;
    for (int i = 0; latin.size() < 900; ++i)
        latin += QStringLiteral("Füllstand%1 tank%2 ").arg(i).arg(QString(i % 9, u'w'));
    const QStringList texts = {latin.trimmed(), QStringLiteral("Στάθμη δεξαμενής ").repeated(40).trimmed(),
                               QStringLiteral("مستوى الخزان ").repeated(40).trimmed(),
                               QStringLiteral("Cafe\u0301 level ").repeated(50).trimmed(),
                               QStringLiteral("line one\nline two\r\nline three")};
    S7RuleList read = Saved(project, S7Rule::List::Read);
    for (std::size_t i = 0; i < 40; ++i) {
        read[i] = read[0];
        read[i].Position = QString::number(2 * i);
        read[i].Mnemonic = texts[qsizetype(i % std::size_t(texts.size()))];
    }
    Save_S7_Protocol(project + QStringLiteral("/S7_Protocol.xml"), read, Saved(project, S7Rule::List::Write));
    const QString pdf = ws.file(QStringLiteral("cells.pdf"));
    ASSERT_EQ(Run_Report({project, pdf}).exitCode, 0);

    const QString text = Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).simplified();
    EXPECT_TRUE(text.contains(latin.trimmed())) << text.left(3000).toStdString();
    EXPECT_TRUE(text.contains(texts[1])) << text.left(3000).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("line one line two line three")));

    // Every word of the Latin cells lies left of the S7 address column beside it.
    const QString boxes = Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")})
                              .section(QStringLiteral(">Write<"), 0, 0);
    const QRegularExpression address(QStringLiteral(R"re(xMin="([0-9.]+)"[^>]*>DB\d+\.DBW\d+<)re"));
    const QRegularExpression word(QStringLiteral(R"re(xMax="([0-9.]+)"[^>]*>(Füllstand|tank)\w*<)re"));
    double addressLeft = 1e9;
    for (auto it = address.globalMatch(boxes); it.hasNext();)
        addressLeft = std::min(addressLeft, it.next().captured(1).toDouble());
    int words = 0;
    double rightmost = 0;
    for (auto it = word.globalMatch(boxes); it.hasNext(); ++words)
        rightmost = std::max(rightmost, it.next().captured(1).toDouble());
    EXPECT_GT(words, 8 * 60);
    EXPECT_LT(rightmost, addressLeft);
}

// As gsd does: an existing file is replaced only with --force, and a link to a missing file
// is never written through.
TEST_F(ReportTest, ReplacesAFileOnlyWithForceAndNeverWritesThroughADanglingLink)
{
    const QString file = ws.file(QStringLiteral("old.html"));
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    CliTextRun r = Run_Report({project, file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"already exists; use --force to replace it")) << r.err.toStdString();
    EXPECT_EQ(ws.read(QStringLiteral("old.html")), "old");
    r = Run_Report({project, file, QStringLiteral("--force")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(ws.read(QStringLiteral("old.html")).startsWith("<!DOCTYPE html>"));

    const QString missing = ws.file(QStringLiteral("elsewhere/target.pdf"));
    QDir().mkpath(QFileInfo(missing).path());
    const QString link = ws.file(QStringLiteral("link.pdf"));
    ASSERT_TRUE(QFile::link(missing, link));
    for (const QStringList &args : {QStringList{project, link}, QStringList{project, link, QStringLiteral("--force")}}) {
        r = Run_Report(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(u"is a link to the missing file")) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(missing));
    }
}

// An editor's lists with a gap: the rules after the empty row are listed and marked in the
// rule table and the map, and the rules the map cannot place are named with the reason.
TEST_F(ReportTest, RulesAfterAGapAndRulesWithoutAPlaceAreListedAndMarked)
{
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    ASSERT_FALSE(Load_S7_Protocol(ws.file(QStringLiteral("PROJECTS/Plant A/S7_Protocol.xml")), read, write));
    read[4] = read[0];
    read[4].Position = QStringLiteral("10");
    read[4].Mnemonic = QStringLiteral("Level after the gap");
    read[5] = read[0];
    read[5].Position.clear();
    read[1].Bit = QStringLiteral("9");
    TextTable texts;
    texts.Load_Default_Texts();
    const ReportInput input = Load_Report_Input(project, QDateTime(QDate(2026, 12, 11), QTime(15, 0)), read, write);
    const QString pdf = ws.file(QStringLiteral("gap.pdf"));
    Write_Report(pdf, input, texts);
    if (const QByteArray keep = qgetenv("BRIVANT_KEEP_REPORT"); !keep.isEmpty())
        QFile::copy(pdf, QString::fromLocal8Bit(keep));
    const QString text = Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).simplified();
    for (const char *expected : {"Level after the gap", "Rows 5, 6: after the end of the list: not sent to the device",
                                 "S7comm Read row 2 is not on the map: Start Bit 9 is not within 0 to 7",
                                 "S7comm Read row 6 is not on the map: Position is empty; after the end of the list: not sent "
                                 "to the device"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(expected))) << expected << "\n" << text.toStdString();
    // The map table marks the placed rule after the end in its note.
    const QString html = Report_Html(input, texts);
    EXPECT_TRUE(html.contains(QStringLiteral("<td>Level after the gap</td><td>after the end of the list: not sent to the device</td>")))
        << html.toStdString();
}

} // namespace
