#include "PlcTestRules.h"
#include "platform/qt/QtPlcChecker.h"
#include "s7access/PlcCheck.h"
#include "support/LoopbackHttpServer.h"
#include "support/LoopbackS7Server.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

using Mode = LoopbackS7Server::Mode;

class PlcClientTest : public ::testing::Test
{
protected:
    // Every test shows that nothing but Setup Communication and Read Var reached the PLC.
    void TearDown() override
    {
        for (const std::uint8_t code : server.functionCodes())
            EXPECT_TRUE(code == 0xF0 || code == 0x04) << "function code " << int(code);
    }

    std::vector<PlcCheckResult> check(const PlcCheckLimits &limits = {})
    {
        return QtPlcChecker::Run_Plc_Check(Plc_Check_Items(read, write), limits);
    }

    LoopbackS7Server server;
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
};

std::string outcome(const PlcCheckResult &r)
{
    return (r.ok ? "OK " + r.value.text() : r.error).toStdString();
}

// The built-in table with the check's own error texts marked: "#1383", or "#1384 %1".
TextTable markedTexts()
{
    TextTable texts;
    texts.Load_Default_Texts();
    std::vector<int> ids = {TextId::S7_CheckIncomplete};
    for (int id = TextId::S7_CheckConnectionRefused; id <= TextId::S7_CheckDataTypeNotSupported; ++id)
        ids.push_back(id);
    for (int id = TextId::S7_CheckCancelledItem; id <= TextId::S7_CheckDataTypeInconsistent; ++id)
        ids.push_back(id);
    for (const int id : ids) {
        const QString mark = QStringLiteral("#") + QString::number(id);
        texts.setText(id, texts.text(id).contains(QLatin1String("%1")) ? mark + QStringLiteral(" %1") : mark);
    }
    return texts;
}


TEST(PlcCheckErrorText, FrequentErrorsComeFromTheTable)
{
    const TextTable texts = markedTexts();
    const struct { const char *error; const char *shown; } cases[] = {
        {"no connection within 2000 ms", "#1384 2000"},
        {"no answer within 150 ms", "#1385 150"},
        {"not a valid PLC address", "#1388"},
        {"cancelled", "#514"},
        {"the PLC's answer is cut short", "#515"},
        {"the check's time limit of 60000 ms ran out", "#516 60000"},
        {"the check's time limit of 60000 ms", "the check's time limit of 60000 ms"},
        {"incomplete: PLC_Area", "#501 PLC_Area"},
        {"data type inconsistent (0x07)", "#522"},
        {"no answer within soon ms", "no answer within soon ms"},
        {"no answer within  ms", "no answer within  ms"},
        {"Connection refused", "Connection refused"},
        {"PLC return code 0x0B", "PLC return code 0x0B"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Plc_Check_Error_Text(QString::fromLatin1(c.error), texts).toStdString(), c.shown) << c.error;

    PlcCheckResult result;
    result.list = S7Rule::List::Write;
    result.row = 4;
    result.plc = QStringLiteral("127.0.0.1:102");
    result.address = QStringLiteral("MB7");
    result.error = QStringLiteral("connection refused");
    EXPECT_EQ(Plc_Check_Line(result, texts), QStringLiteral("S7comm Write\t4\t127.0.0.1:102\tMB7\t#1383"));
    EXPECT_EQ(Plc_Check_Line(result), QStringLiteral("Write\t4\t127.0.0.1:102\tMB7\tconnection refused"));
}

TEST_F(PlcClientTest, ReadsEachDataTypeInOneRequestAfterTheHandshake)
{
    server.setDataBlock(5, QByteArray::fromHex("05 41 FFFE 80000000 3DCCCCCD"));
    server.setArea(0x83, QByteArray::fromHex("00 2A"));
    const quint16 port = server.port();
    const struct { const char *type; const char *identifier; int add; int bit; const char *value; } cases[] = {
        {"Bit", "DB", 0, 2, "OK 1"},         {"Bit", "DB", 0, 1, "OK 0"},
        {"Byte", "DB", 0, 0, "OK 5"},        {"Char", "DB", 1, 0, "OK A"},
        {"Word", "DB", 2, 0, "OK 65534"},    {"Int", "DB", 2, 0, "OK -2"},
        {"DWord", "DB", 4, 0, "OK 2147483648"}, {"DInt", "DB", 4, 0, "OK -2147483648"},
        {"Real", "DB", 8, 0, "OK 0.1"},      {"Byte", "OB", 1, 0, "OK 42"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        read[i] = Loopback_Rule(port, cases[i].type, cases[i].identifier, 5, cases[i].add, cases[i].bit, 1, 2);
    write[0] = Loopback_Rule(port, "Word", "DB", 5, 2, 0, 1, 2); // a write rule only reads its target

    const std::vector<PlcCheckResult> results = check();
    ASSERT_EQ(results.size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(outcome(results[i]), cases[i].value) << cases[i].type << " at " << cases[i].add;
    EXPECT_EQ(outcome(results.back()), "OK 65534");
    EXPECT_EQ(results.back().list, S7Rule::List::Write);
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(server.remoteTsaps(), QList<std::uint16_t>{0x0122});
    EXPECT_EQ(server.functionCodes(), (QList<std::uint8_t>{0xF0, 0x04}));
    EXPECT_EQ(server.readItemCounts(), QList<int>{11});
}

TEST_F(PlcClientTest, ItemsAreSplitToFitThePduSizeThePlcAccepts)
{
    server.setPduSize(100);
    server.setDataBlock(1, QByteArray(64, '\0'));
    for (int i = 0; i < 12; ++i)
        read[std::size_t(i)] = Loopback_Rule(server.port(), "Real", "DB", 1, 4 * i);
    const std::vector<PlcCheckResult> results = check();
    for (const PlcCheckResult &r : results)
        EXPECT_EQ(outcome(r), "OK 0");
    EXPECT_EQ(server.readItemCounts(), (QList<int>{7, 5}));
    EXPECT_LE(server.largestRequest(), 100);
}

TEST_F(PlcClientTest, PlcAnswerCodesBecomeReadableErrors)
{
    server.setDataBlock(1, QByteArray(4, '\0'));
    const struct { int db; std::uint8_t code; int add; const char *error; const char *shown; } cases[] = {
        {11, 0x01, 0, "hardware fault (0x01)", "#521"},
        {13, 0x03, 0, "access to the object not allowed (0x03)", "#1391"},
        {15, 0x05, 0, "address out of range (0x05)", "#1390"},
        {16, 0x06, 0, "data type not supported (0x06)", "#1392"},
        {17, 0x07, 0, "data type inconsistent (0x07)", "#522"},
        {20, 0x0A, 0, "object does not exist (0x0A)", "#1389"},
        {99, 0, 0, "object does not exist (0x0A)", "#1389"}, // no such DB
        {1, 0, 3, "address out of range (0x05)", "#1390"},   // a word at byte 3 of a 4-byte DB
        {1, 0, 2, "OK 0", nullptr},
    };
    const TextTable texts = markedTexts();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (cases[i].code)
            server.setDataBlockCode(cases[i].db, cases[i].code);
        read[i] = Loopback_Rule(server.port(), "Word", "DB", cases[i].db, cases[i].add);
    }
    write[0] = Loopback_Rule(server.port(), "Word", "DB", 1, 0);
    write[0].PLC_Address = QStringLiteral("127.0.0.256");
    const std::vector<PlcCheckResult> results = check();
    ASSERT_EQ(results.size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(outcome(results[i]), cases[i].error) << "DB" << cases[i].db;
        // The window shows the table's text, or the English one for the rarer errors.
        if (!results[i].ok) {
            EXPECT_EQ(Plc_Check_Error_Text(results[i].error, texts).toStdString(),
                      cases[i].shown ? cases[i].shown : cases[i].error)
                << "DB" << cases[i].db;
        }
    }
    EXPECT_EQ(outcome(results.back()), "not a valid PLC address");
    EXPECT_EQ(Plc_Check_Error_Text(results.back().error, texts), QStringLiteral("#1388"));
    EXPECT_EQ(results.back().plc, QStringLiteral("127.0.0.256:%1").arg(server.port()));
    EXPECT_EQ(server.connections(), 1);

    LoopbackS7Server denied;
    denied.setReadHeaderError(0x87, 0x01);
    read = Fresh_Rule_List();
    write = Fresh_Rule_List();
    read[0] = Loopback_Rule(denied.port(), "Byte", "DB", 1, 0);
    EXPECT_EQ(outcome(check().at(0)), "PLC access error (0x8701)");
}

TEST_F(PlcClientTest, ConnectionFaultsWithinTheTimeLimit)
{
    const struct { std::optional<Mode> mode; const char *error; const char *shown; } cases[] = {
        {Mode::Silent, "no answer within 200 ms", "#1385 200"},
        {Mode::SilentAfterSetup, "no answer within 200 ms", "#1385 200"},
        {Mode::CloseMidAnswer, "the PLC closed the connection", "#1386"},
        {Mode::RefuseIsoConnection, "the PLC refused the ISO connection (check rack and slot)", "#1387"},
        {std::nullopt, "connection refused", "#1383"}, // nothing listens on the port
    };
    const TextTable texts = markedTexts();
    for (const auto &c : cases) {
        LoopbackS7Server plc;
        plc.setDataBlock(1, QByteArray(4, '\0'));
        const quint16 port = c.mode ? plc.port() : LoopbackHttpServer::closedPort();
        if (c.mode)
            plc.setMode(*c.mode);
        read = Fresh_Rule_List();
        read[0] = Loopback_Rule(port, "Byte", "DB", 1, 0);
        read[1] = Loopback_Rule(port, "Word", "DB", 1, 2);
        const std::vector<PlcCheckResult> results = check({200, 10000});
        ASSERT_EQ(results.size(), 2u);
        EXPECT_EQ(outcome(results[0]), c.error);
        EXPECT_EQ(outcome(results[1]), c.error);
        EXPECT_EQ(Plc_Check_Error_Text(results[0].error, texts).toStdString(), c.shown);
        for (const std::uint8_t code : plc.functionCodes())
            EXPECT_TRUE(code == 0xF0 || code == 0x04);
    }

    server.setMode(Mode::Silent);
    read = Fresh_Rule_List();
    read[0] = Loopback_Rule(server.port(), "Byte", "DB", 1, 0);
    EXPECT_EQ(outcome(check({5000, 200}).at(0)), "the check's time limit of 200 ms ran out");
}

TEST_F(PlcClientTest, EachDistinctPlcOnceAndAtMostTenAtATime)
{
    server.setMode(Mode::Silent);
    for (int slot = 0; slot < 12; ++slot)
        read[std::size_t(slot)] = Loopback_Rule(server.port(), "Byte", "DB", 1, 0, 0, 0, slot);
    read[12] = Loopback_Rule(server.port(), "Word", "DB", 1, 2, 0, 0, 3); // the same PLC as row 4

    QtPlcChecker checker;
    std::optional<std::vector<PlcCheckResult>> results;
    int progressCalls = 0;
    checker.start(Plc_Check_Items(read, write), {500, 10000}, [&](int, int total) {
        ++progressCalls;
        EXPECT_EQ(total, 13);
    }, [&](const std::vector<PlcCheckResult> &r, bool cancelled) {
        results = r;
        EXPECT_FALSE(cancelled);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.connections() == 10; }, 2000));
    QTest::qWait(100);
    EXPECT_EQ(server.connections(), 10); // the other two wait for a free connection
    ASSERT_TRUE(QTest::qWaitFor([&] { return results.has_value(); }, 5000));
    EXPECT_EQ(server.connections(), 12);
    EXPECT_EQ(progressCalls, 13);
    for (const PlcCheckResult &r : *results)
        EXPECT_EQ(outcome(r), "no answer within 500 ms");
}

TEST_F(PlcClientTest, CancelEndsTheCheckAtOnce)
{
    server.setMode(Mode::Silent);
    read[0] = Loopback_Rule(server.port(), "Byte", "DB", 1, 0);
    read[1] = Loopback_Rule(server.port(), "Byte", "DB", 1, 0, 0, 0, 2);
    QtPlcChecker checker;
    std::optional<std::vector<PlcCheckResult>> results;
    bool wasCancelled = false;
    checker.start(Plc_Check_Items(read, write), {60000, 60000}, nullptr,
                  [&](const std::vector<PlcCheckResult> &r, bool cancelled) {
                      results = r;
                      wasCancelled = cancelled;
                  });
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.connections() == 2; }, 2000));
    EXPECT_TRUE(checker.running());
    checker.cancel();
    EXPECT_FALSE(results); // reported from the event loop, not from within cancel()
    ASSERT_TRUE(QTest::qWaitFor([&] { return results.has_value(); }, 1000));
    EXPECT_TRUE(wasCancelled);
    EXPECT_FALSE(checker.running());
    for (const PlcCheckResult &r : *results)
        EXPECT_EQ(outcome(r), "cancelled");
}

} // namespace
