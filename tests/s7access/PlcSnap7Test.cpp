// The PLC check, plc-info and plc-scan against snap7's S7 server (tests/peers/snap7), the
// open-source server many engineers use as a PLC simulator. Its contents are listed in
// tests/peers/snap7/s7_server.js.
#include "PlcTestRules.h"
#include "platform/qt/PlcScanner.h"
#include "platform/qt/QtPlcChecker.h"
#include "s7access/PlcCheck.h"
#include "s7access/PlcCheckIdentity.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/Snap7Peer.h"
#include "support/TempWorkspace.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *type;
    const char *identifier; // "DB", or an area
    int db;
    int add;
    int bit;
    const char *outcome;
};

S7Rule snap7Rule(quint16 port, const Case &c)
{
    S7Rule rule = Loopback_Rule(port, c.type, c.identifier == std::string("DB") ? "DB" : "OB", c.db, c.add, c.bit, 0, 2);
    rule.PLC_Type = QStringLiteral("S7300");
    if (c.identifier != std::string("DB"))
        rule.PLC_Area = QString::fromLatin1(c.identifier);
    return rule;
}

std::string outcome(const PlcCheckResult &r)
{
    return (r.ok ? "OK " + r.value.text() : r.error).toStdString();
}

// Every data type, areas I, Q and M, and error items among good ones in the same answer.
const Case kCases[] = {
    {"Bit", "DB", 1, 0, 0, "OK 1"},
    {"Bit", "DB", 1, 0, 1, "OK 0"},
    {"Bit", "DB", 1, 0, 7, "OK 1"},
    {"Byte", "DB", 1, 1, 0, "OK 200"},
    {"Word", "DB", 9, 0, 0, "object does not exist (0x0A)"},
    {"Char", "DB", 1, 2, 0, "OK A"},
    {"Char", "DB", 1, 3, 0, "OK \\x07"},
    {"Word", "DB", 1, 4, 0, "OK 48879"},
    {"Int", "DB", 1, 6, 0, "OK -1234"},
    {"DWord", "DB", 1, 40, 0, "address out of range (0x05)"},
    {"DWord", "DB", 1, 8, 0, "OK 3735928559"},
    {"DInt", "DB", 1, 12, 0, "OK -123456789"},
    {"Real", "DB", 1, 16, 0, "OK 21.5"},
    {"Real", "DB", 1, 20, 0, "OK NaN"},
    {"Real", "DB", 1, 24, 0, "OK Infinity"},
    {"Word", "DB", 1, 31, 0, "address out of range (0x05)"},
    {"Word", "DB", 1, 28, 0, "OK 4711"},
    {"Word", "DB", 2, 0, 0, "OK 1500"},
    {"Byte", "Flags (M) (Merker)", 0, 10, 0, "OK 8"},
    {"Bit", "Flags (M) (Merker)", 0, 10, 3, "OK 1"},
    {"Byte", "Inputs (I)", 0, 3, 0, "OK 90"},
    {"Word", "Output (Q)", 0, 2, 0, "OK 4660"},
};

TEST(PlcSnap7, EveryDataTypeAndErrorItemsAmongGoodOnesAtPduSizes480And240)
{
    for (const char *pdu : {"480", "240"}) {
        Snap7Peer peer(QStringLiteral("127.0.0.1"), {QStringLiteral("--pdu"), QString::fromLatin1(pdu)});
        BRIVANT_START_SNAP7(peer);
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        // Many rules on one PLC: the cases five times over, more than one answer can carry.
        const int rounds = 5;
        for (int r = 0; r < rounds; ++r)
            for (std::size_t i = 0; i < std::size(kCases); ++i)
                read[std::size_t(r) * std::size(kCases) + i] = snap7Rule(peer.port(), kCases[i]);
        write[0] = snap7Rule(peer.port(), kCases[3]);

        std::vector<PlcCheckIdentity> identities;
        const std::vector<PlcCheckResult> results =
            QtPlcChecker::Run_Plc_Check(Plc_Check_Items(read, write), {}, &identities);
        ASSERT_EQ(results.size(), rounds * std::size(kCases) + 1);
        for (std::size_t i = 0; i + 1 < results.size(); ++i) {
            const Case &c = kCases[i % std::size(kCases)];
            EXPECT_EQ(outcome(results[i]), c.outcome) << "PDU " << pdu << ", row " << i + 1 << ": " << c.type << " "
                                                      << c.identifier << " " << c.db << "." << c.add << "." << c.bit;
        }
        EXPECT_EQ(outcome(results.back()), "OK 200");

        ASSERT_EQ(identities.size(), 1u);
        EXPECT_TRUE(identities[0].connected);
        EXPECT_EQ(identities[0].identity.orderNumber, QStringLiteral("6ES7 315-2EH14-0AB0"));
        EXPECT_EQ(identities[0].identity.moduleTypeName, QStringLiteral("CPU 315-2 PN/DP"));
        EXPECT_EQ(identities[0].identity.firmware, QStringLiteral("V3.2.6"));
        EXPECT_EQ(identities[0].identity.mode, PlcMode::Run);
    }
}

class PlcSnap7CliTest : public ::testing::Test
{
protected:
    void save(const S7RuleList &read)
    {
        Save_S7_Protocol(ws.file(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")), read, Fresh_Rule_List());
    }

    TempWorkspace ws;
    QString project = ws.mkdir(QStringLiteral("PROJECTS/P1"));
};

TEST_F(PlcSnap7CliTest, PlcCheckJsonGivesEachRuleItsOwnResultAndWarnsOfTheWrongPlcType)
{
    Snap7Peer peer;
    BRIVANT_START_SNAP7(peer);
    S7RuleList read = Fresh_Rule_List();
    read[0] = snap7Rule(peer.port(), {"Word", "DB", 1, 28, 0, ""});
    read[1] = snap7Rule(peer.port(), {"Word", "DB", 9, 0, 0, ""});   // no DB 9
    read[2] = snap7Rule(peer.port(), {"Real", "DB", 1, 16, 0, ""});
    read[3] = snap7Rule(peer.port(), {"DWord", "DB", 2, 2, 0, ""});  // past the end of DB 2
    read[4] = snap7Rule(peer.port(), {"Byte", "Inputs (I)", 0, 3, 0, ""});
    for (int i = 0; i < 5; ++i)
        read[std::size_t(i)].PLC_Type = QStringLiteral("S71200"); // snap7 says it is an S7-300
    save(read);

    const CliRun r = Run_Cli_Captured({QStringLiteral("plc-check"), project, QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 1);
    const QString at = QStringLiteral("127.0.0.1:%1").arg(peer.port());
    const QJsonArray array = QJsonDocument::fromJson(r.out).array();
    const QJsonArray expected{
        QJsonObject{{"list", "Read"}, {"row", 1}, {"plc", at}, {"ok", true}, {"value", 4711}},
        QJsonObject{{"list", "Read"}, {"row", 2}, {"plc", at}, {"ok", false}, {"error", "object does not exist (0x0A)"}},
        QJsonObject{{"list", "Read"}, {"row", 3}, {"plc", at}, {"ok", true}, {"value", 21.5}},
        QJsonObject{{"list", "Read"}, {"row", 4}, {"plc", at}, {"ok", false}, {"error", "address out of range (0x05)"}},
        QJsonObject{{"list", "Read"}, {"row", 5}, {"plc", at}, {"ok", true}, {"value", 90}},
    };
    EXPECT_EQ(array, expected) << r.out.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.err),
              QStringLiteral("warning: PLC %1: the rules name PLC Type S71200, but the PLC is S7-300 (6ES7 315-2EH14-0AB0)\n")
                  .arg(at));

    // The text output tells which PLC answered before its rules.
    const CliTextRun text = Run_Cli_Text({QStringLiteral("plc-check"), project});
    EXPECT_TRUE(text.out.startsWith(
        QStringLiteral("PLC %1 rack 0 slot 2: 6ES7 315-2EH14-0AB0 (S7-300), CPU 315-2 PN/DP, firmware V3.2.6, RUN\n"
                       "Read\t1\t%1\tDB1.DBW28\tOK 4711\n")
            .arg(at)))
        << text.out.toStdString();
}

TEST_F(PlcSnap7CliTest, PlcInfoTellsRunFromStop)
{
    for (const bool stop : {false, true}) {
        Snap7Peer peer(QStringLiteral("127.0.0.1"), stop ? QStringList{QStringLiteral("--stop")} : QStringList{});
        BRIVANT_START_SNAP7(peer);
        const QString port = QString::number(peer.port());
        const CliTextRun r = Run_Cli_Text({QStringLiteral("plc-info"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"), port});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("Order number: 6ES7 315-2EH14-0AB0\nFamily: S7-300\n"
                                                  "Module type: CPU 315-2 PN/DP\nFirmware: V3.2.6\n")))
            << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(stop ? QStringLiteral("Mode: STOP\n") : QStringLiteral("Mode: RUN\n"))) << r.out.toStdString();
        EXPECT_EQ(r.err, stop ? QStringLiteral("warning: PLC 127.0.0.1:%1 is in STOP: the values read are stale\n").arg(port)
                              : QString());

        const CliRun json = Run_Cli_Captured(
            {QStringLiteral("plc-info"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"), port, QStringLiteral("--json")});
        const QJsonObject object = QJsonDocument::fromJson(json.out).object();
        EXPECT_EQ(object.value(QStringLiteral("mode")).toString(), stop ? QStringLiteral("STOP") : QStringLiteral("RUN"));
        EXPECT_EQ(object.value(QStringLiteral("plcType")).toString(), QStringLiteral("S7300"));
    }
}

TEST(PlcSnap7Scan, FindsTheServersOfTheRangeAndNothingElse)
{
    Snap7Peer first(QStringLiteral("127.0.0.2"));
    BRIVANT_START_SNAP7(first);
    const QString port = QString::number(first.port());
    Snap7Peer second(QStringLiteral("127.0.0.5"), {QStringLiteral("--port"), port});
    ASSERT_TRUE(second.running()) << second.error().toStdString();

    const CliTextRun r = Run_Cli_Text({QStringLiteral("plc-scan"), QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.6"),
                                       QStringLiteral("--port"), port, QStringLiteral("--timeout"), QStringLiteral("3000")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("127.0.0.2:%1\track 0 slot 2\tS7-300\tCPU 315-2 PN/DP\n"
                                    "127.0.0.5:%1\track 0 slot 2\tS7-300\tCPU 315-2 PN/DP\n")
                         .arg(port));
    EXPECT_EQ(r.err, QStringLiteral("plc-scan: 2 PLCs found among 6 addresses\n"));
}

} // namespace
