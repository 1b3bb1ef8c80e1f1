#include "s7access/PlcCheck.h"
#include "s7access/S7AddressText.h"
#include "s7access/S7Frames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

std::string hexOf(const QByteArray &bytes)
{
    return bytes.toHex(' ').toUpper().toStdString();
}

// An S7 ack-data frame around parameters and data, as a PLC sends it.
QByteArray ackFrame(std::uint16_t reference, const QByteArray &parameters, const QByteArray &data,
                    std::uint8_t errorClass = 0, std::uint8_t errorCode = 0)
{
    QByteArray pdu = hex("32 03 00 00");
    pdu.append(char(reference >> 8)).append(char(reference & 0xFF));
    pdu.append(char(parameters.size() >> 8)).append(char(parameters.size() & 0xFF));
    pdu.append(char(data.size() >> 8)).append(char(data.size() & 0xFF));
    pdu.append(char(errorClass)).append(char(errorCode));
    pdu += parameters + data;
    const int length = 7 + int(pdu.size());
    QByteArray frame = hex("03 00");
    frame.append(char(length >> 8)).append(char(length & 0xFF));
    return frame + hex("02 F0 80") + pdu;
}

S7Rule rule(const char *type, const char *identifier, const char *db, const char *area, const char *add,
            const char *bit = "0")
{
    S7Rule r;
    r.PLC_Address = QStringLiteral("127.0.0.1");
    r.PLC_Port = QStringLiteral("102");
    r.Data_Type = QString::fromLatin1(type);
    r.Data_Identifier = QString::fromLatin1(identifier);
    r.DB_Number = QString::fromLatin1(db);
    r.PLC_Area = QString::fromLatin1(area);
    r.PLC_Add = QString::fromLatin1(add);
    r.PLC_Bit = QString::fromLatin1(bit);
    // The rest as validation wants it: a row it refuses is not sent.
    r.PLC_Type = QStringLiteral("S71200");
    r.Rack = QStringLiteral("0");
    r.Slot = QStringLiteral("0");
    r.PollTime = QStringLiteral("100");
    r.Position = QStringLiteral("0");
    r.Bit = QStringLiteral("0");
    return r;
}

const char *const kFlags = "Flags (M) (Merker)";
const char *const kInputs = "Inputs (I)";
const char *const kOutputs = "Output (Q)";
const char *const kPeripheral = "Direct peripheral access (P)";

} // namespace

TEST(S7Frames, ConnectionRequestCarriesTheRackAndSlotInTheRemoteTsap)
{
    EXPECT_EQ(hexOf(S7::Connection_Request(0, 2)),
              "03 00 00 16 11 E0 00 00 00 01 00 C0 01 0A C1 02 01 00 C2 02 01 02");
    const struct { int rack, slot; std::uint16_t tsap; } cases[] = {
        {0, 0, 0x0100}, {0, 1, 0x0101}, {1, 2, 0x0122}, {3, 31, 0x017F}, {8, 0, 0x0100}};
    for (const auto &c : cases) {
        EXPECT_EQ(S7::Remote_Tsap(c.rack, c.slot), c.tsap) << c.rack << "/" << c.slot;
        const QByteArray frame = S7::Connection_Request(c.rack, c.slot);
        EXPECT_EQ(std::uint8_t(frame.at(21)), c.tsap & 0xFF);
    }
}

TEST(S7Frames, SetupCommunicationAndReadVarRequests)
{
    EXPECT_EQ(hexOf(S7::Setup_Communication_Request(1)),
              "03 00 00 19 02 F0 80 32 01 00 00 00 01 00 08 00 00 F0 00 00 01 00 01 01 E0");
    const S7::ReadItem items[] = {
        {4, 100, 0x84, 20, 0},  // DB100.DBW20
        {1, 0, 0x83, 10, 3},    // M10.3
        {8, 7, 0x84, 70000, 5}, // a byte address past 16 bits keeps its third address byte; bit ignored
    };
    EXPECT_EQ(hexOf(S7::Read_Var_Request(0x1234, items)),
              "03 00 00 37 02 F0 80 32 01 00 00 12 34 00 26 00 00 04 03 "
              "12 0A 10 04 00 01 00 64 84 00 00 A0 "
              "12 0A 10 01 00 01 00 00 83 00 00 53 "
              "12 0A 10 08 00 01 00 07 84 08 8B 80");
}

TEST(S7Frames, ItemsFitTheNegotiatedPduInBothDirections)
{
    const std::vector<S7::ReadItem> bytes(30, S7::ReadItem{2, 1, 0x84, 0, 0});
    const std::vector<S7::ReadItem> reals(30, S7::ReadItem{8, 1, 0x84, 0, 0});
    const struct { const std::vector<S7::ReadItem> *items; int pdu; int fitting; } cases[] = {
        {&bytes, 480, 20}, // the item limit
        {&bytes, 240, 19}, // the request: 12 + 12 n <= 240
        {&reals, 100, 7},  // the request: 12 + 12 * 7 = 96
        {&reals, 60, 4},   // request 60, answer 14 + 8 * 4 = 46
        {&bytes, 20, 1},   // one item always goes
    };
    for (const auto &c : cases)
        EXPECT_EQ(S7::Items_Fitting(*c.items, c.pdu), c.fitting) << c.pdu;
    EXPECT_EQ(S7::Items_Fitting({}, 480), 0);
}

TEST(S7Frames, FrameLengthFromTheTpktHeader)
{
    EXPECT_FALSE(S7::Frame_Length(hex("03 00 00")));
    EXPECT_EQ(S7::Frame_Length(hex("03 00 00 16 11")), 22);
    EXPECT_EQ(S7::Frame_Length(hex("04 00 00 16")), -1);   // not TPKT
    EXPECT_EQ(S7::Frame_Length(hex("03 00 00 03")), -1);   // shorter than its own headers
    EXPECT_EQ(S7::Frame_Length(hex("03 00 FF FF")), -1);   // far beyond any answer
}

TEST(S7Frames, ConnectionConfirmAndSetupAnswer)
{
    EXPECT_FALSE(S7::Parse_Connection_Confirm(hex("03 00 00 16 11 D0 00 01 00 01 00 C0 01 0A C1 02 01 00 C2 02 01 02")));
    EXPECT_EQ(S7::Parse_Connection_Confirm(hex("03 00 00 0B 06 80 00 01 00 01 00")).value_or(QString()),
              QStringLiteral("the PLC refused the ISO connection (check rack and slot)"));

    const S7::SetupAnswer ok = S7::Parse_Setup_Communication_Answer(ackFrame(1, hex("F0 00 00 01 00 01 00 F0"), {}), 1);
    EXPECT_FALSE(ok.error);
    EXPECT_EQ(ok.pduSize, 240);
    const S7::SetupAnswer refused =
        S7::Parse_Setup_Communication_Answer(ackFrame(1, hex("F0 00 00 01 00 01 00 F0"), {}, 0x81, 0x04), 1);
    EXPECT_EQ(refused.error.value_or(QString()), QStringLiteral("PLC function not supported by the PLC (0x8104)"));
    EXPECT_TRUE(S7::Parse_Setup_Communication_Answer(ackFrame(2, hex("F0 00 00 01 00 01 00 F0"), {}), 1).error);
    EXPECT_TRUE(S7::Parse_Setup_Communication_Answer(ackFrame(1, hex("F0 00 00 01 00 01 00 10"), {}), 1).error);
}

TEST(S7Frames, ReadVarAnswerWithPaddingAndItemErrors)
{
    // A byte (padded), an error item, a word, and a bit as the last item.
    const QByteArray data = hex("FF 04 00 08 2A 00  0A 00 00 00  FF 04 00 10 12 34  FF 03 00 01 01");
    const S7::ReadAnswer answer = S7::Parse_Read_Var_Answer(ackFrame(7, hex("04 04"), data), 7, 4);
    ASSERT_FALSE(answer.error) << answer.error->toStdString();
    ASSERT_EQ(answer.items.size(), 4u);
    EXPECT_EQ(answer.items[0].data, hex("2A"));
    EXPECT_EQ(answer.items[1].returnCode, 0x0A);
    EXPECT_EQ(answer.items[2].data, hex("12 34"));
    EXPECT_EQ(answer.items[3].data, hex("01"));

    const struct { QByteArray frame; int items; const char *error; } faults[] = {
        {ackFrame(7, hex("04 02"), data), 4, "the PLC's answer does not match the read request"},
        {ackFrame(7, hex("04 01"), hex("FF 04 00 20 12 34")), 1, "the PLC's answer is cut short"},
        {ackFrame(7, hex("04 01"), {}, 0x85, 0x00), 1, "PLC request longer than the PLC's PDU size (0x8500)"},
        {ackFrame(7, hex("04 01"), {}, 0x87, 0x01), 1, "PLC access error (0x8701)"},
        {ackFrame(8, hex("04 01"), hex("FF 04 00 08 01")), 1, "the PLC answered another request"},
        {hex("03 00 00 0A 02 F0 80 11 22 33"), 1, "the PLC sent an answer that is not S7comm"},
    };
    for (const auto &f : faults) {
        const S7::ReadAnswer bad = S7::Parse_Read_Var_Answer(f.frame, 7, f.items);
        EXPECT_EQ(bad.error.value_or(QString()).toStdString(), f.error);
    }
}

TEST(S7Frames, ReturnCodesAsText)
{
    const struct { std::uint8_t code; const char *text; } cases[] = {
        {0x01, "hardware fault (0x01)"},
        {0x03, "access to the object not allowed (0x03)"},
        {0x05, "address out of range (0x05)"},
        {0x06, "data type not supported (0x06)"},
        {0x07, "data type inconsistent (0x07)"},
        {0x0A, "object does not exist (0x0A)"},
        {0x42, "PLC return code 0x42"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(S7::Return_Code_Text(c.code).toStdString(), c.text);
}

TEST(PlcValue, DecodedByDataTypeFromBigEndianBytes)
{
    const struct { std::uint8_t type; const char *bytes; const char *text; QJsonValue json; } cases[] = {
        {1, "01", "1", 1},
        {1, "00", "0", 0},
        {2, "FF", "255", 255},
        {3, "41", "A", QStringLiteral("A")},
        {3, "E9", "\xC3\xA9", QStringLiteral("\u00E9")}, // Latin-1
        {4, "FF FE", "65534", 65534},
        {5, "FF FE", "-2", -2},
        {6, "FF FF FF FF", "4294967295", qint64(4294967295)},
        {7, "80 00 00 00", "-2147483648", qint64(-2147483648LL)},
        {8, "3D CC CC CD", "0.1", 0.1},
        {8, "C0 48 00 00", "-3.125", -3.125},
        {8, "7F C0 00 00", "nan", QJsonValue()},
    };
    for (const auto &c : cases) {
        const auto value = Decode_Plc_Value(c.type, hex(c.bytes));
        ASSERT_TRUE(value) << c.bytes;
        EXPECT_EQ(value->text(), QString::fromUtf8(c.text)) << c.bytes;
        EXPECT_EQ(value->json(), c.json) << c.bytes;
    }
    EXPECT_FALSE(Decode_Plc_Value(4, hex("01")));
}

TEST(S7AddressText, AsAnEngineerWritesIt)
{
    const struct { S7Rule rule; const char *text; } cases[] = {
        {rule("Word", "DB", "100", kFlags, "20"), "DB100.DBW20"},
        {rule("Bit", "DB", "1", kFlags, "4", "3"), "DB1.DBX4.3"},
        {rule("Byte", "DB", "2", kFlags, "0"), "DB2.DBB0"},
        {rule("Char", "DB", "2", kFlags, "1"), "DB2.DBB1"},
        {rule("Int", "DB", "$10", kFlags, "2"), "DB16.DBW2"},
        {rule("DInt", "DB", "3", kFlags, "4"), "DB3.DBD4"},
        {rule("Real", "DB", "3", kFlags, "8"), "DB3.DBD8"},
        {rule("Byte", "OB", "5", kFlags, "12"), "MB12"},
        {rule("Word", "FB", "", kFlags, "4"), "MW4"},
        {rule("DWord", "SDB", "", kFlags, "8"), "MD8"},
        {rule("Byte", "OB", "", kInputs, "3"), "IB3"},
        {rule("Word", "OB", "", kOutputs, "2"), "QW2"},
        {rule("Byte", "OB", "", kPeripheral, "256"), "PB256"},
        {rule("Bit", "OB", "", kInputs, "3", "4"), "I3.4"},
        {rule("Bit", "OB", "", kFlags, "10", "0"), "M10.0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(S7_Address_Text(c.rule).toStdString(), c.text);
}

TEST(PlcCheckItems, EnabledRulesInUseOfBothListsWithTheirItemAndPlc)
{
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    read[0] = rule("Word", "DB", "100", kFlags, "20");
    read[1] = rule("Bit", "OB", "100", kFlags, "12", "3");
    read[1].Rack = QStringLiteral("1");
    read[1].Slot = QStringLiteral("2");
    read[2] = rule("Byte", "DB", "1", kFlags, "0");
    read[2].Enable = QStringLiteral("N");
    read[3] = rule("Byte", "DB", "1", kFlags, "0");
    read[3].PLC_Address = QStringLiteral("10.0.0");
    read[5] = rule("Byte", "DB", "1", kFlags, "0"); // after the end of the list
    write[0] = rule("Real", "DB", "7", kFlags, "4");
    write[1].PLC_Address = QStringLiteral("127.0.0.1"); // only an address and a port
    write[1].PLC_Port = QStringLiteral("102");
    write[2] = rule("Byte", "DB", "1", kFlags, "0");
    write[2].Position = QStringLiteral("8"); // outside an area of 8 bytes

    const PositionLimits limits{8, 8};
    std::vector<PlcCheckItem> items = Plc_Check_Items(read, write, limits);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[3].row, 6);
    EXPECT_TRUE(items[3].afterEnd);
    EXPECT_FALSE(items[0].afterEnd);
    items.erase(items.begin() + 3);
    EXPECT_EQ(items[0].row, 1);
    EXPECT_EQ(items[0].address, QStringLiteral("DB100.DBW20"));
    EXPECT_EQ(items[0].item, (S7::ReadItem{4, 100, 0x84, 20, 0}));
    EXPECT_EQ(items[0].plcText, QStringLiteral("127.0.0.1:102"));
    EXPECT_EQ(items[1].item, (S7::ReadItem{1, 0, 0x83, 12, 3})); // no DB outside the DB area
    EXPECT_EQ(items[1].plc->rack, 1);
    EXPECT_EQ(items[2].row, 4);
    EXPECT_FALSE(items[2].plc);
    EXPECT_EQ(items[2].plcText, QStringLiteral("10.0.0:102"));
    EXPECT_EQ(items[3].list, S7Rule::List::Write);
    EXPECT_EQ(items[3].row, 1);

    const std::vector<PlcEndpoint> endpoints = Plc_Check_Endpoints(items);
    ASSERT_EQ(endpoints.size(), 2u); // the same address with another rack and slot is another PLC
    EXPECT_EQ(endpoints[0], (PlcEndpoint{0x7F000001, 102, 0, 0}));
    EXPECT_EQ(endpoints[1], (PlcEndpoint{0x7F000001, 102, 1, 2}));

    // The rows validation refuses are not sent; each fails on the first field it refuses, and
    // joins the results in its place.
    const std::vector<PlcCheckResult> unsent = Plc_Check_Unsent(read, write, limits);
    ASSERT_EQ(unsent.size(), 2u);
    EXPECT_EQ(unsent[0].row, 2);
    EXPECT_EQ(unsent[0].incomplete, S7Rule::Field::PLC_Type);
    EXPECT_EQ(Plc_Check_Line(unsent[0]), QStringLiteral("Write\t2\t127.0.0.1:102\tP0.0\tincomplete: PLC_Type"));
    EXPECT_EQ(unsent[1].row, 3);
    EXPECT_EQ(unsent[1].incomplete, S7Rule::Field::Position);
    EXPECT_TRUE(Plc_Check_Unsent(read, write).size() == 1); // 1500 positions without ParGen.xml
    std::vector<PlcCheckResult> checked;
    for (const PlcCheckItem &item : Plc_Check_Items(read, write, limits))
        checked.push_back(Plc_Check_Failure(item, QStringLiteral("connection refused")));
    std::vector<std::pair<S7Rule::List, int>> order;
    for (const PlcCheckResult &r : Plc_Check_Merge(checked, unsent))
        order.emplace_back(r.list, r.row);
    using L = S7Rule::List;
    EXPECT_EQ(order, (std::vector<std::pair<L, int>>{{L::Read, 1}, {L::Read, 2}, {L::Read, 4}, {L::Read, 6},
                                                      {L::Write, 1}, {L::Write, 2}, {L::Write, 3}}));
    EXPECT_EQ(Plc_Check_After_End_Count(Plc_Check_Merge(checked, unsent)), 1);
}

TEST(PlcCheckOutput, TextLinesAndJson)
{
    PlcCheckItem word;
    word.row = 3;
    word.plcText = QStringLiteral("127.0.0.1:102");
    word.address = QStringLiteral("DB100.DBW20");
    PlcCheckItem character = word;
    character.list = S7Rule::List::Write;
    character.row = 1;
    const std::vector<PlcCheckResult> results = {
        Plc_Check_Success(word, *Decode_Plc_Value(5, hex("04 D2"))),
        Plc_Check_Success(character, *Decode_Plc_Value(3, hex("5A"))),
        Plc_Check_Failure(word, QStringLiteral("connection refused")),
    };
    EXPECT_EQ(Plc_Check_Line(results[0]), QStringLiteral("Read\t3\t127.0.0.1:102\tDB100.DBW20\tOK 1234"));
    EXPECT_EQ(Plc_Check_Line(results[2]), QStringLiteral("Read\t3\t127.0.0.1:102\tDB100.DBW20\tconnection refused"));

    EXPECT_EQ(Plc_Check_Json(results),
              "[\n{\"list\":\"Read\",\"row\":3,\"plc\":\"127.0.0.1:102\",\"ok\":true,\"value\":1234},\n"
              "{\"list\":\"Write\",\"row\":1,\"plc\":\"127.0.0.1:102\",\"ok\":true,\"value\":\"Z\"},\n"
              "{\"list\":\"Read\",\"row\":3,\"plc\":\"127.0.0.1:102\",\"ok\":false,\"error\":\"connection refused\"}\n]\n");
    EXPECT_EQ(Plc_Check_Json({}), "[\n]\n");

    // A rule after the list's end says so on its line and in its object.
    PlcCheckItem after = word;
    after.afterEnd = true;
    const PlcCheckResult late = Plc_Check_Success(after, *Decode_Plc_Value(5, hex("04 D2")));
    EXPECT_EQ(Plc_Check_Line(late), QStringLiteral("Read\t3\t127.0.0.1:102\tDB100.DBW20\tOK 1234; after the end of the "
                                                   "list: not sent to the device"));
    EXPECT_EQ(Plc_Check_Json({late}),
              "[\n{\"list\":\"Read\",\"row\":3,\"plc\":\"127.0.0.1:102\",\"ok\":true,\"value\":1234,\"afterEnd\":true}\n]\n");
    const QJsonArray array = QJsonDocument::fromJson(Plc_Check_Json(results)).array();
    ASSERT_EQ(array.size(), 3);
    EXPECT_EQ(array[0].toObject(), (QJsonObject{{"list", "Read"}, {"row", 3}, {"plc", "127.0.0.1:102"}, {"ok", true}, {"value", 1234}}));
    EXPECT_EQ(array[1].toObject(), (QJsonObject{{"list", "Write"}, {"row", 1}, {"plc", "127.0.0.1:102"}, {"ok", true}, {"value", "Z"}}));
    EXPECT_EQ(array[2].toObject(),
              (QJsonObject{{"list", "Read"}, {"row", 3}, {"plc", "127.0.0.1:102"}, {"ok", false}, {"error", "connection refused"}}));
}
