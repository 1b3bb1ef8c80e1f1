#include "cli/ReportCommand.h"
#include "report/CommissioningReport.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"
#include "support/TestParGen.h"

#include <QBuffer>
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

TEST_F(ReportTest, PdfOpensAndHoldsTheProjectTheRulesAndTheMap)
{
    const QString pdf = ws.file(QStringLiteral("report.PDF"));
    const CliTextRun r = Run_Report({project, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    EXPECT_TRUE(Poppler(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+[1-9]"))));
    const QString text = Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (const char *expected : {"Commissioning report: Plant A", "Flow <rate> & total", "DB100.DBD24", "Setpoint",
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

} // namespace
