#include "PlcTestRules.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/LoopbackHttpServer.h"
#include "support/LoopbackS7Server.h"
#include "support/TempWorkspace.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// A project whose rules read from a loopback PLC: DB 10 holds 12 34 41 00, flags byte 0 holds 7.
class PlcCheckCliTest : public ::testing::Test
{
protected:
    PlcCheckCliTest()
    {
        plc.setDataBlock(10, QByteArray::fromHex("12344100"));
        plc.setArea(0x83, QByteArray::fromHex("07"));
        read[0] = Loopback_Rule(plc.port(), "Word", "DB", 10, 0);
        read[1] = Loopback_Rule(plc.port(), "Byte", "OB", 0, 0);
        read[2] = Loopback_Rule(plc.port(), "Word", "DB", 10, 2);
        read[2].Enable = QStringLiteral("N"); // not checked
        write[0] = Loopback_Rule(plc.port(), "Char", "DB", 10, 2);
        save();
    }
    ~PlcCheckCliTest() override
    {
        for (const std::uint8_t code : plc.functionCodes())
            EXPECT_TRUE(code == 0xF0 || code == 0x04) << "function code " << int(code);
    }

    void save() { Save_S7_Protocol(ws.file(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")), read, write); }
    CliTextRun run(const QStringList &more = {})
    {
        return Run_Cli_Text(QStringList{QStringLiteral("plc-check"), project} + more);
    }

    LoopbackS7Server plc;
    TempWorkspace ws;
    QString project = ws.mkdir(QStringLiteral("PROJECTS/P1"));
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
};

TEST_F(PlcCheckCliTest, TextLinePerRuleAndExitCodeByTheResults)
{
    const QString at = QStringLiteral("127.0.0.1:%1").arg(plc.port());
    CliTextRun r = run();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Read\t1\t%1\tDB10.DBW0\tOK 4660\n"
                                    "Read\t2\t%1\tMB0\tOK 7\n"
                                    "Write\t1\t%1\tDB10.DBB2\tOK A\n").arg(at));
    EXPECT_EQ(r.err, QString());

    write[1] = Loopback_Rule(plc.port(), "DWord", "DB", 11, 0);
    write[2] = Loopback_Rule(LoopbackHttpServer::closedPort(), "Bit", "DB", 10, 0, 4);
    save();
    r = run({QStringLiteral("--timeout"), QStringLiteral("500")});
    EXPECT_EQ(r.exitCode, 1);
    const QStringList lines = r.out.split(u'\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[3], QStringLiteral("Write\t2\t%1\tDB11.DBD0\tobject does not exist (0x0A)").arg(at));
    EXPECT_EQ(lines[4], QStringLiteral("Write\t3\t127.0.0.1:%1\tDB10.DBX0.4\tconnection refused").arg(write[2].PLC_Port));

    // A row with only an address and a port is refused by validation: not sent, and said so in
    // its place.
    write[1] = S7Rule();
    write[1].PLC_Address = QStringLiteral("127.0.0.1");
    write[1].PLC_Port = QString::number(plc.port());
    write[2] = S7Rule();
    save();
    r = run();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("Write\t2\t%1\tP0.0\tincomplete: PLC_Type\n").arg(at))) << r.out.toStdString();
}

TEST_F(PlcCheckCliTest, JsonArrayWithValueOrError)
{
    write[1] = Loopback_Rule(plc.port(), "Int", "DB", 10, 3);
    save();
    const CliTextRun r = run({QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 1);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    const QJsonArray array = doc.array();
    ASSERT_EQ(array.size(), 4);
    const QString at = QStringLiteral("127.0.0.1:%1").arg(plc.port());
    EXPECT_EQ(array[0].toObject(), (QJsonObject{{"list", "Read"}, {"row", 1}, {"plc", at}, {"ok", true}, {"value", 4660}}));
    EXPECT_EQ(array[2].toObject(), (QJsonObject{{"list", "Write"}, {"row", 1}, {"plc", at}, {"ok", true}, {"value", "A"}}));
    EXPECT_EQ(array[3].toObject(), (QJsonObject{{"list", "Write"}, {"row", 2}, {"plc", at}, {"ok", false},
                                                {"error", "address out of range (0x05)"}}));
}

TEST_F(PlcCheckCliTest, ProjectThatCannotBeReadAndBadArguments)
{
    const struct { QStringList args; int exitCode; const char *err; } cases[] = {
        {{QStringLiteral("plc-check"), ws.file(QStringLiteral("PROJECTS/none"))}, 2, "no project folder"},
        {{QStringLiteral("plc-check")}, 2, "usage: brivant-cli plc-check PROJECT_DIR [--timeout MS] [--json]"},
        {{QStringLiteral("plc-check"), project, QStringLiteral("--timeout"), QStringLiteral("0")}, 2, "--timeout"},
        {{QStringLiteral("plc-check"), project, QStringLiteral("--write")}, 2, "--write"},
    };
    for (const auto &c : cases) {
        const CliTextRun r = Run_Cli_Text(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.err;
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.err))) << r.err.toStdString();
        EXPECT_EQ(r.out, QString());
    }
    ws.write(QStringLiteral("PROJECTS/P1/S7_Protocol.xml"), "<S7_Protocol><S7_Protocol_Read>");
    const CliTextRun r = run();
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(plc.connections(), 0);
}

} // namespace
