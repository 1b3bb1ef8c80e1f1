// Hostile project files through every command that reads them, and through the loaders of the
// windows: refused with exit 2 and a message naming the file and the reason, nothing written.
// The time each takes is bounded by the test's TIMEOUT.
#include "app/Settings.h"
#include "common/Errors.h"
#include "common/XmlReader.h"
#include "commparams/CommParams.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QMap>
#include <gtest/gtest.h>

namespace {

struct Hostile
{
    const char *label;
    QByteArray bytes;
    const char *reason;
};

const std::vector<Hostile> &hostileFiles()
{
    static const std::vector<Hostile> files = [] {
        QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
        for (int i = 1; i < 10; ++i)
            laughs += "<!ENTITY lol" + QByteArray::number(i) + " \"" + QByteArray("&lol" + (i > 1 ? QByteArray::number(i - 1) : QByteArray()) + ";").repeated(10) + "\">";
        laughs += "]><Par_Gen><PROFINET_NB_IN>&lol9;</PROFINET_NB_IN></Par_Gen>";
        QByteArray attributes = "<S7_Protocol><S7_Protocol_Read><row";
        for (int i = 0; i < 100000; ++i)
            attributes += " a" + QByteArray::number(i) + "=\"1\"";
        attributes += "/></S7_Protocol_Read><S7_Protocol_Write/></S7_Protocol>";
        QByteArray declarations = "<!DOCTYPE S7_Protocol [<!ATTLIST row";
        for (int i = 0; i < 50000; ++i)
            declarations += " a" + QByteArray::number(i) + " CDATA \"x\"";
        declarations += ">]><S7_Protocol/>";
        return std::vector<Hostile>{
            {"100 000 nested elements", QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000),
             "its elements nest deeper than 16 levels"},
            {"internal entities", laughs, "document type declaration (DOCTYPE)"},
            {"external entity", "<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><Par_Gen>&x;</Par_Gen>",
             "document type declaration (DOCTYPE)"},
            {"50 000 attribute declarations", declarations, "document type declaration (DOCTYPE)"},
            {"5 MiB", "<S7_Protocol><!--" + QByteArray(5 * 1024 * 1024, '-').replace("--", "- ") + "--></S7_Protocol>",
             "is too large: 5242914 bytes"},
            {"100 000 attributes", attributes, "an element has more than 256 attributes"},
        };
    }();
    return files;
}

QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        files[f.fileName()] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
    }
    return files;
}

class HostileXmlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ws.mkdir(QStringLiteral("P"));
        Write_ParGen(ws.file(QStringLiteral("P/ParGen.xml")), CommParams::windowDefaults());
        ws.write(QStringLiteral("P/S7_Protocol.xml"),
                 "<S7_Protocol><S7_Protocol_Read><row Enable=\"Y\" PLC_Address=\"127.0.0.1\" PLC_Port=\"102\" PLC_Type=\"S7300\" "
                 "Rack=\"0\" Slot=\"2\" Data_Type=\"Byte\" Data_Identifier=\"DB\" DB_Number=\"1\" PLC_Area=\"Inputs (I)\" "
                 "PLC_Add=\"0\" PLC_Bit=\"0\" PollTime=\"100\" Position=\"0\" Bit=\"0\" Swap=\"N\" SwapWord=\"N\" "
                 "Mnemonic=\"m\"/></S7_Protocol_Read><S7_Protocol_Write/></S7_Protocol><!--SW_VERSION = 1.002-->");
        ASSERT_EQ(Run_Cli_Captured({QStringLiteral("compile"), project()}).exitCode, 0);
        ASSERT_EQ(Run_Cli_Captured({QStringLiteral("export-rules"), project(), ws.file(QStringLiteral("in.csv"))}).exitCode, 0);
    }
    QString project() const { return ws.file(QStringLiteral("P")); }

    TempWorkspace ws;
};

TEST_F(HostileXmlTest, EveryReadingCommandRefusesWithExitTwoAndChangesNothing)
{
    struct Command
    {
        QStringList args;
        QStringList reads;  // the project files it reads
        const char *output; // a file it would create, relative to the workspace
    };
    const QString p = project();
    const QString out = ws.file(QStringLiteral("out"));
    const Command commands[] = {
        {{QStringLiteral("validate"), p}, {QStringLiteral("ParGen.xml"), QStringLiteral("S7_Protocol.xml")}, nullptr},
        {{QStringLiteral("compile"), p}, {QStringLiteral("ParGen.xml"), QStringLiteral("S7_Protocol.xml")}, nullptr},
        {{QStringLiteral("export-rules"), p, out + QStringLiteral(".csv")}, {QStringLiteral("S7_Protocol.xml")}, "out.csv"},
        {{QStringLiteral("import-rules"), p, ws.file(QStringLiteral("in.csv"))}, {QStringLiteral("ParGen.xml")}, nullptr},
        {{QStringLiteral("gsd"), p, out}, {QStringLiteral("ParGen.xml")}, "out.gsd"},
        {{QStringLiteral("update"), p, QStringLiteral("--ip"), QStringLiteral("127.0.0.1"), QStringLiteral("--workspace"), ws.path()},
         {QStringLiteral("ParGen.xml"), QStringLiteral("S7_Protocol.xml")},
         "Ethernet_Update.xml"},
    };
    for (const Hostile &h : hostileFiles()) {
        for (const Command &c : commands) {
            for (const QString &file : c.reads) {
                const QString label = QStringLiteral("%1 as %2, %3").arg(QLatin1String(h.label), file, c.args.first());
                const QByteArray good = ws.read(QStringLiteral("P/") + file);
                ws.write(QStringLiteral("P/") + file, h.bytes);
                const QMap<QString, QByteArray> before = snapshot(ws.path());

                const CliTextRun r = Run_Cli_Text(c.args);
                EXPECT_EQ(r.exitCode, 2) << label.toStdString() << "\n" << r.err.toStdString();
                EXPECT_TRUE(r.err.contains(file)) << label.toStdString() << "\n" << r.err.toStdString();
                EXPECT_TRUE(r.err.contains(QLatin1String(h.reason))) << label.toStdString() << "\n" << r.err.toStdString();
                EXPECT_EQ(snapshot(ws.path()), before) << label.toStdString();
                if (c.output) {
                    EXPECT_FALSE(ws.exists(QLatin1String(c.output))) << label.toStdString();
                }

                ws.write(QStringLiteral("P/") + file, good);
            }
        }
    }
}

// The windows read through the same functions: the ParGen window and the editor get the
// error, the start-up takes a hostile Brivant.xml as a missing one.
TEST_F(HostileXmlTest, LoadersOfTheWindowsRefuseAsWell)
{
    for (const Hostile &h : hostileFiles()) {
        const QString parGen = ws.write(QStringLiteral("P/ParGen.xml"), h.bytes);
        try {
            Read_ParGen_For_Window(parGen);
            ADD_FAILURE() << h.label << ": read";
        } catch (const XmlLimitError &e) {
            EXPECT_TRUE(e.text().contains(QLatin1String(h.reason))) << e.text().toStdString();
        }
        const QString s7 = ws.write(QStringLiteral("P/S7_Protocol.xml"), h.bytes);
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        const std::optional<QString> error = Load_S7_Protocol(s7, read, write);
        ASSERT_TRUE(error) << h.label;
        EXPECT_TRUE(error->contains(QLatin1String(h.reason))) << error->toStdString();

        const StoredSettings stored = Load_Setting(ws.write(QStringLiteral("Brivant.xml"), h.bytes));
        EXPECT_EQ(stored.settings.Language, QString::fromLatin1(AppSettings::kDefaultLanguage)) << h.label;
        EXPECT_TRUE(stored.Project_Name.isEmpty()) << h.label;
    }
}

} // namespace

namespace {

// The encodings a project file may come in, with or without a declaration, read alike; any
// other declared encoding is refused before reading, as is a byte the encoding cannot hold.
TEST(HostileXmlEncodingTest, ReadsTheFiveEncodingsAndRefusesTheRestBeforeReading)
{
    const QString text = QStringLiteral("<R a=\"\u00e9\u00fc\"><B>\u00c4 &#x41;</B></R>");
    const auto declared = [&](const char *name) {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>").arg(QLatin1String(name)) + text;
    };
    const auto utf16 = [](const QString &s) {
        QStringEncoder encoder(QStringConverter::Utf16LE);
        return "\xFF\xFE" + QByteArray(encoder.encode(s));
    };
    const auto utf32 = [](const QString &s) {
        QStringEncoder encoder(QStringConverter::Utf32BE);
        return QByteArray(encoder.encode(s));
    };
    const QByteArray read[] = {
        text.toUtf8(),
        "\xEF\xBB\xBF" + declared("UTF-8").toUtf8(),
        utf16(text),
        utf16(declared("UTF-16")),
        utf32(declared("UTF-32")),
        declared("ISO-8859-1").toLatin1(),
        declared("windows-1252").toLatin1(),
    };
    for (const QByteArray &bytes : read) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        const XmlDocument doc = Read_Xml(bytes, QStringLiteral("f.xml"));
        EXPECT_EQ(doc.root().attribute(u"a"), QStringLiteral("\u00e9\u00fc"));
        EXPECT_EQ(doc.root().firstChildElement(u"B").text(), QStringLiteral("\u00c4 A"));
    }
    EXPECT_EQ(Read_Xml("<?xml version='1.0' encoding='cp1252'?><R a='\x80'/>", QStringLiteral("f.xml")).root().attribute(u"a"),
              QStringLiteral("\u20ac"));

    const struct
    {
        QByteArray bytes;
        bool limit;
        const char *text;
    } refused[] = {
        {declared("UTF-7").toLatin1(), true,
         "f.xml is refused: it declares the encoding \"UTF-7\"; the program reads UTF-8, UTF-16, UTF-32, ISO-8859-1 and "
         "Windows-1252 (line 1, column 31)"},
        {declared("Shift_JIS").toLatin1() + "<!DOCTYPE R>", true, "f.xml is refused: it declares the encoding \"Shift_JIS\""},
        {utf16(declared("UTF-8")), true, "f.xml is refused: it declares the encoding \"UTF-8\", but its bytes are in another one"},
        {"<R a=\"\xE9\"/>", false, "f.xml is not a valid XML file: the byte 0xE9 is no UTF-8 text, the file's encoding (line 1, column 7)"},
        {"<?xml version=\"1.0\" encoding=\"US-ASCII\"?>\n<R a=\"\xE9\"/>", false,
         "f.xml is not a valid XML file: the byte 0xE9 is no US-ASCII text, the file's encoding (line 2, column 7)"},
        {"<R>\x1b[2J</R>", false, "f.xml is not a valid XML file: it holds the character U+001B, which XML does not allow (line 1, column 4)"},
        {"<R a\xC2\x85=\"1\"/>", false, "f.xml is not a valid XML file: the name of an attribute holds the control character U+0085"},
    };
    for (const auto &r : refused) {
        SCOPED_TRACE(r.bytes.toHex().toStdString());
        try {
            Read_Xml(r.bytes, QStringLiteral("f.xml"));
            ADD_FAILURE() << "read";
        } catch (const XmlLimitError &e) {
            EXPECT_TRUE(r.limit) << e.text().toStdString();
            EXPECT_TRUE(e.text().startsWith(QLatin1String(r.text))) << e.text().toStdString();
        } catch (const XmlError &e) {
            EXPECT_FALSE(r.limit) << e.text().toStdString();
            EXPECT_TRUE(e.text().startsWith(QLatin1String(r.text))) << e.text().toStdString();
        }
    }
}

// What a writer saves, the readers read back: it refuses a cell over the bound and a file over
// the reader's bound, and leaves the old file.
TEST(HostileXmlEncodingTest, WritersRefuseWhatTheReadersWouldRefuse)
{
    TempWorkspace ws;
    const QString file = ws.write(QStringLiteral("S7_Protocol.xml"), "old");
    S7Rule rule;
    rule.PLC_Address = QStringLiteral("10.0.0.1");
    const auto saveFails = [&](const S7RuleList &read, const S7RuleList &write) {
        try {
            Save_S7_Protocol(file, read, write);
        } catch (const ValueError &e) {
            EXPECT_EQ(ws.read(QStringLiteral("S7_Protocol.xml")), QByteArray("old"));
            return e.text();
        }
        return QStringLiteral("saved");
    };
    S7RuleList read(3, rule);
    read[2].Mnemonic = QString(9000, u'm');
    EXPECT_EQ(saveFails(read, {}), QStringLiteral("Read row 3, Mnemonic: 9,000 characters, while a cell holds at most 1,000"));

    // Five cells at the bound in each of 1024 rules make 5 MB.
    rule.Mnemonic = rule.PLC_Add = rule.DB_Number = rule.PollTime = rule.Position = QString(kMaxCellLength, u'1');
    const QString text = saveFails(S7RuleList(kMaxRules, rule), S7RuleList(kMaxRules, rule));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Read row 1, DB_Number: 1,000 characters; the file would be \\d\\.\\d MB, "
                                                  "the program reads at most 4 MiB$"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();

    // Within both bounds the file is written and read back.
    rule.PLC_Add = rule.DB_Number = rule.PollTime = rule.Position = QString();
    const S7RuleList full(kMaxRules, rule);
    Save_S7_Protocol(file, full, full);
    S7RuleList back = Fresh_Rule_List();
    S7RuleList backWrite = Fresh_Rule_List();
    EXPECT_EQ(Load_S7_Protocol(file, back, backWrite), std::nullopt);
    EXPECT_EQ(back[511].Mnemonic.size(), kMaxCellLength);
}

} // namespace
