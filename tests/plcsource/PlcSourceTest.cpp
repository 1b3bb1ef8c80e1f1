#include "plcsource/PlcSource.h"
#include "support/TempWorkspace.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// One classic DB 1 around the given member declarations.
QString db1(const char *members)
{
    return QStringLiteral("DATA_BLOCK DB 1\nSTRUCT\n%1\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n").arg(QLatin1String(members));
}

std::vector<PlcBlockLayout> layout(const QString &source, const QString &file = QStringLiteral("t.db"))
{
    PlcSourceSet set;
    Parse_Plc_Source(source, file, set);
    return Plc_Layout(set);
}

const PlcMemberLayout *member(const PlcBlockLayout &block, const QString &path)
{
    for (const PlcMemberLayout &m : block.members)
        if (m.path == path)
            return &m;
    return nullptr;
}

struct LayoutCase
{
    const char *what;
    const char *members;
    const char *path;
    int byte;
    int bit;
    int length; // of the block
};

// One case per row of the layout of standard-access blocks, and the cases libraries got wrong.
const LayoutCase kLayoutCases[] = {
    {"BOOLs pack 0.0 to 0.7, then 1.0", "a:BOOL; b:BOOL; c:BOOL; d:BOOL; e:BOOL; f:BOOL; g:BOOL; h:BOOL; i:BOOL;", "i", 1, 0, 2},
    {"BYTE after BOOL takes the next byte", "a:BOOL; b:BYTE;", "b", 1, 0, 2},
    {"BYTE after BYTE may be odd", "a:BYTE; b:BYTE; c:BYTE;", "c", 2, 0, 4},
    {"CHAR is one byte", "a:BYTE; b:CHAR;", "b", 1, 0, 2},
    {"SINT is one byte", "a:BYTE; b:SINT;", "b", 1, 0, 2},
    {"USINT is one byte", "a:BYTE; b:USINT;", "b", 1, 0, 2},
    {"WORD after BYTE is even", "a:BYTE; b:WORD;", "b", 2, 0, 4},
    {"INT after BOOL is even", "a:BOOL; b:INT;", "b", 2, 0, 4},
    {"UINT is 2 bytes", "a:UINT; b:BYTE;", "b", 2, 0, 4},
    {"DATE is 2 bytes", "a:DATE; b:BYTE;", "b", 2, 0, 4},
    {"S5TIME is 2 bytes", "a:S5TIME; b:BYTE;", "b", 2, 0, 4},
    {"DWORD after WORD at 2, not 4", "a:WORD; b:DWORD;", "b", 2, 0, 6},
    {"DINT after BYTE at 2", "a:BYTE; b:DINT;", "b", 2, 0, 6},
    {"UDINT is 4 bytes", "a:UDINT; b:BYTE;", "b", 4, 0, 6},
    {"REAL after INT at 2", "a:INT; b:REAL;", "b", 2, 0, 6},
    {"TIME is 4 bytes", "a:TIME; b:BYTE;", "b", 4, 0, 6},
    {"TIME_OF_DAY is 4 bytes", "a:BYTE; b:TIME_OF_DAY; c:BYTE;", "c", 6, 0, 8},
    {"TOD is TIME_OF_DAY", "a:TOD; b:BYTE;", "b", 4, 0, 6},
    {"DATE_AND_TIME is 8 bytes on even", "a:BYTE; b:DATE_AND_TIME; c:BYTE;", "c", 10, 0, 12},
    {"DT is DATE_AND_TIME", "a:DT; b:BYTE;", "b", 8, 0, 10},
    {"STRING[n] is n+2 on even", "a:BYTE; b:STRING[4]; c:WORD;", "c", 8, 0, 10},
    {"BYTE after STRING[3] is odd", "a:STRING[3]; b:BYTE;", "b", 5, 0, 6},
    {"STRING is STRING[254]", "a:STRING; b:BYTE;", "b", 256, 0, 258},
    {"ARRAY starts even", "a:BYTE; b:ARRAY[0..1] OF BYTE;", "b[0]", 2, 0, 4},
    {"member after an odd-sized ARRAY is even", "a:ARRAY[1..3] OF BYTE; b:BYTE;", "b", 4, 0, 6},
    {"ARRAY OF INT elements", "a:ARRAY[1..3] OF INT;", "a[3]", 4, 0, 6},
    {"negative bounds", "a:ARRAY[-2..1] OF INT;", "a[0]", 4, 0, 8},
    {"ARRAY OF BOOL packs its bits", "a:ARRAY[0..9] OF BOOL; b:BOOL;", "a[9]", 1, 1, 4},
    {"BOOL after an ARRAY OF BOOL starts even", "a:ARRAY[0..9] OF BOOL; b:BOOL;", "b", 2, 0, 4},
    {"BOOL matrix [1..2,1..8] is 2 bytes", "a:ARRAY[1..2,1..8] OF BOOL; b:BYTE;", "b", 2, 0, 4},
    {"BOOL matrix row on a new byte", "a:ARRAY[1..2,1..8] OF BOOL;", "a[2,1]", 1, 0, 2},
    {"BOOL matrix [1..8,1..2] is 8 bytes", "a:ARRAY[1..8,1..2] OF BOOL; b:BYTE;", "b", 8, 0, 10},
    {"BOOL matrix [1..8,1..2] element", "a:ARRAY[1..8,1..2] OF BOOL;", "a[3,2]", 2, 1, 8},
    {"INT matrix is row-major", "a:ARRAY[0..1,0..2] OF INT;", "a[1,0]", 6, 0, 12},
    {"STRUCT starts even", "a:BYTE; s:STRUCT x:BYTE; END_STRUCT;", "s.x", 2, 0, 4},
    {"member after a STRUCT is even", "s:STRUCT x:BYTE; END_STRUCT; b:BYTE;", "b", 2, 0, 4},
    {"BOOL after a STRUCT of one BOOL", "s:STRUCT x:BOOL; END_STRUCT; b:BOOL;", "b", 2, 0, 4},
    {"STRUCT of odd size rounds to even", "s:STRUCT x:INT; y:BYTE; END_STRUCT; b:INT;", "b", 4, 0, 6},
    {"ARRAY OF odd-sized STRUCT: even stride", "a:ARRAY[0..2] OF STRUCT x:BYTE; y:BOOL; END_STRUCT; b:BYTE;", "a[1].y", 3, 0, 8},
    {"after an ARRAY OF STRUCT", "a:ARRAY[0..2] OF STRUCT x:BYTE; y:BOOL; END_STRUCT; b:BYTE;", "b", 6, 0, 8},
    {"DINT inside a STRUCT at its even byte", "a:ARRAY[0..1] OF STRUCT on:BOOL; h:DINT; c:BYTE; END_STRUCT;", "a[1].h", 10, 0, 16},
    {"nested STRUCT", "s:STRUCT t:STRUCT x:BOOL; END_STRUCT; y:BOOL; END_STRUCT;", "s.y", 2, 0, 4},
    {"block length rounds up to even", "a:BYTE;", "a", 0, 0, 2},
};

TEST(PlcLayoutTest, EveryRowOfTheStandardLayout)
{
    for (const LayoutCase &c : kLayoutCases) {
        SCOPED_TRACE(c.what);
        const auto blocks = layout(db1(c.members));
        ASSERT_EQ(blocks.size(), 1u);
        const PlcMemberLayout *m = member(blocks[0], QString::fromLatin1(c.path));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->byte, c.byte);
        EXPECT_EQ(m->bit, c.bit);
        EXPECT_EQ(blocks[0].length, c.length);
    }
}

TEST(PlcLayoutTest, NestedBlockWithUdtArraysOfStructuresAndBoolMatrix)
{
    QFile f(QStringLiteral(BRIVANT_TEST_DATA_DIR "/plcsource/tank.db"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const auto blocks = layout(Decode_Plc_Source(f.readAll()), f.fileName());
    ASSERT_EQ(blocks.size(), 1u);
    const PlcBlockLayout &b = blocks[0];
    EXPECT_EQ(b.name, QStringLiteral("DB100"));
    EXPECT_EQ(b.number, 100);
    EXPECT_EQ(b.length, 54);
    QStringList got;
    for (const PlcMemberLayout &m : b.members)
        got << QStringLiteral("%1 %2 %3").arg(Plc_Member_Address(b, m), m.typeName(), m.path);
    const QStringList expected = {
        "DB100.DBX0.0 BOOL Enabled", "DB100.DBB1 BYTE Mode", "DB100.DBW2 INT Level",
        "DB100.DBX4.0 BOOL Motor.Run", "DB100.DBX4.1 BOOL Motor.Fault", "DB100.DBW6 INT Motor.Speed",
        "DB100.DBD8 REAL Motor.Current", "DB100.DBX12.0 BOOL Valve.Open", "DB100.DBB13 BYTE Valve.Position",
        "DB100.DBB14 BYTE Status", "DB100.DBW16 INT Values[1]", "DB100.DBW18 INT Values[2]",
        "DB100.DBW20 INT Values[3]", "DB100.DBX22.0 BOOL Pumps[0].On", "DB100.DBD24 DINT Pumps[0].Hours",
        "DB100.DBB28 BYTE Pumps[0].Code", "DB100.DBX30.0 BOOL Pumps[1].On", "DB100.DBD32 DINT Pumps[1].Hours",
        "DB100.DBB36 BYTE Pumps[1].Code", "DB100.DBX38.0 BOOL Grid[1,1]", "DB100.DBX38.1 BOOL Grid[1,2]",
        "DB100.DBX38.2 BOOL Grid[1,3]", "DB100.DBX39.0 BOOL Grid[2,1]", "DB100.DBX39.1 BOOL Grid[2,2]",
        "DB100.DBX39.2 BOOL Grid[2,3]", "DB100.DBB40 STRING[3] Label", "DB100.DBB45 BYTE Tail",
        "DB100.DBB46 DATE_AND_TIME Stamp"};
    EXPECT_EQ(got, expected);
}

// The sources the newer engineering tool writes: quoted names, attributes, VAR sections,
// mixed-case types, comments and start values; the UDT defined in another file, after the DB.
TEST(PlcLayoutTest, TiaSourcesAcrossFilesInAnyOrder)
{
    TempWorkspace ws;
    const QString dbFile = ws.write(QStringLiteral("Tank_Data.db"), QByteArray(
        "\xEF\xBB\xBF" "DATA_BLOCK \"Tank_Data\"\r\n"
        "{ S7_Optimized_Access := 'FALSE' }\r\n"
        "VERSION : 0.1\r\n"
        "NON_RETAIN\r\n"
        "   VAR \r\n"
        "      Motor : \"UDT_Motor\";   // the pump motor\r\n"
        "      Values : Array[0..9] of Int;\r\n"
        "      (* a comment\r\n over two lines *)\r\n"
        "      Name { ExternalAccessible := 'False'; ExternalWritable := 'False'} : String[10] := 'A';\r\n"
        "      Flag : Bool := TRUE;\r\n"
        "      Mask : Word := 16#0F;\r\n"
        "      Inner : Struct\r\n"
        "         x : Byte;\r\n"
        "      END_STRUCT;\r\n"
        "   END_VAR\r\n\r\n"
        "BEGIN\r\n   Motor.Speed := 5;\r\n   Values[3] := -1;\r\nEND_DATA_BLOCK\r\n"));
    // Windows-1252 comment, and a whole program's other blocks to skip.
    const QString udtFile = ws.write(QStringLiteral("UDT_Motor.udt"), QByteArray(
        "FUNCTION_BLOCK \"FB_Pump\"\n VAR_INPUT\n  x : LReal;\n END_VAR\n BEGIN\n  #x := 1.5; // f\xfcr \n"
        "  IF #x > 2 THEN #x := 0; END_IF;\nEND_FUNCTION_BLOCK\n"
        "FUNCTION \"Scale\" : Void\nBEGIN\nEND_FUNCTION\n"
        "ORGANIZATION_BLOCK \"Main\"\nBEGIN\n A I 0.0;\n = Q 0.0;\nEND_ORGANIZATION_BLOCK\n"
        "TYPE \"UDT_Motor\"\nVERSION : 0.1\n   STRUCT\n      Run : Bool;   // l\xe4uft\n      Speed : Int;\n   END_STRUCT;\n\nEND_TYPE\n"));
    const auto blocks = Load_Plc_Sources({dbFile, udtFile});
    ASSERT_EQ(blocks.size(), 1u);
    const PlcBlockLayout &b = blocks[0];
    EXPECT_EQ(b.name, QStringLiteral("Tank_Data"));
    EXPECT_EQ(b.number, -1);
    ASSERT_NE(member(b, QStringLiteral("Motor.Speed")), nullptr);
    EXPECT_EQ(member(b, QStringLiteral("Motor.Speed"))->byte, 2);
    EXPECT_EQ(member(b, QStringLiteral("Values[9]"))->byte, 22);
    EXPECT_EQ(member(b, QStringLiteral("Name"))->byte, 24);
    EXPECT_EQ(member(b, QStringLiteral("Name"))->typeName(), QStringLiteral("STRING[10]"));
    EXPECT_EQ(member(b, QStringLiteral("Flag"))->byte, 36);
    EXPECT_EQ(member(b, QStringLiteral("Mask"))->byte, 38);
    EXPECT_EQ(member(b, QStringLiteral("Inner.x"))->byte, 40);
    EXPECT_EQ(b.length, 42);
    EXPECT_EQ(Plc_Member_Address(b, *member(b, QStringLiteral("Mask"))), QStringLiteral("\"Tank_Data\".DBW38"));
    const QByteArray json = Plc_Layout_Json(blocks);
    EXPECT_TRUE(json.contains("{\"block\": \"Tank_Data\", \"db\": null, \"length\": 42, \"members\": ["));
}

TEST(PlcLayoutTest, DataBlockOfAUdtTypeAndUdtByNumber)
{
    const auto blocks = layout(QStringLiteral(
        "TYPE UDT 7\nSTRUCT\n a : BOOL;\n b : INT;\nEND_STRUCT ;\nEND_TYPE\n"
        "DATA_BLOCK DB 3\nTITLE =\nVERSION : 0.0\n UDT 7\nBEGIN\n a := TRUE;\nEND_DATA_BLOCK\n"
        "DATA_BLOCK DB4\n STRUCT\n m : ARRAY[1..2] OF UDT7;\n END_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n"));
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].length, 4);
    EXPECT_EQ(member(blocks[0], QStringLiteral("b"))->byte, 2);
    EXPECT_EQ(member(blocks[1], QStringLiteral("m[2].b"))->byte, 6);
}

struct RefusalCase
{
    const char *what;
    const char *source;
    int line;
    const char *reason; // a part of the reason
};

const RefusalCase kRefusals[] = {
    {"optimized access", "DATA_BLOCK \"D\"\n{ S7_Optimized_Access := 'TRUE' }\nVERSION : 0.1\nVAR\n a : Bool;\nEND_VAR\nBEGIN\nEND_DATA_BLOCK\n",
     1, "switch off \"Optimized block access\""},
    {"instance DB, classic", "DATA_BLOCK DB 5\nTITLE =\n FB 10\nBEGIN\nEND_DATA_BLOCK\n", 3, "instance DB"},
    {"instance DB of a function block in the files",
     "FUNCTION_BLOCK \"Pump\"\nBEGIN\nEND_FUNCTION_BLOCK\nDATA_BLOCK \"P1\"\n{ S7_Optimized_Access := 'FALSE' }\n\"Pump\"\nBEGIN\nEND_DATA_BLOCK\n",
     6, "instance DB of the function block \"Pump\""},
    {"unknown UDT", "DATA_BLOCK DB 1\nSTRUCT\n a : BOOL;\n m : \"UDT_Missing\";\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 4,
     "unknown UDT \"UDT_Missing\""},
    {"unknown UDT by number", "DATA_BLOCK DB 1\nSTRUCT\n m : UDT 9;\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 3, "unknown UDT UDT 9"},
    {"missing colon", "DATA_BLOCK DB 1\nSTRUCT\n a : BOOL;\n b INT;\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 4, "expected ':'"},
    {"no END_DATA_BLOCK", "DATA_BLOCK DB 1\nSTRUCT\n a : BOOL;\nEND_STRUCT ;\nBEGIN\n", 1, "no END_DATA_BLOCK"},
    {"unterminated comment", "DATA_BLOCK DB 1\n(* open\nSTRUCT\n", 2, "does not end"},
    {"other text", "PROGRAM x\n", 1, "expected DATA_BLOCK"},
    {"LREAL", "DATA_BLOCK DB 1\nSTRUCT\n a : BOOL;\n b : LREAL;\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 4, "LREAL"},
    {"LINT", "DATA_BLOCK DB 1\nSTRUCT\n b : LInt;\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 3, "LINT"},
    {"DTL", "DATA_BLOCK DB 1\nSTRUCT\n b : DTL;\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 3, "DTL"},
    {"WSTRING", "DATA_BLOCK DB 1\nSTRUCT\n b : WString[4];\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 3, "WSTRING"},
    {"ARRAY OF LREAL", "DATA_BLOCK DB 1\nSTRUCT\n b : ARRAY[0..1] OF LREAL;\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 3, "LREAL"},
    {"beyond 64 kB", "DATA_BLOCK DB 1\nSTRUCT\n b : ARRAY[0..40000] OF INT;\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 1, "more than a data block holds"},
    {"huge BOOL array", "DATA_BLOCK DB 1\nSTRUCT\n b : ARRAY[-900000000..900000000, 0..900000000] OF BOOL;\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 1, "more than a data block holds"},
    {"reversed bounds", "DATA_BLOCK DB 1\nSTRUCT\n b : ARRAY[3..1] OF INT;\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 3, "reversed"},
    {"STRING beyond 254", "DATA_BLOCK DB 1\nSTRUCT\n b : STRING[300];\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n", 3, "STRING[300]"},
    {"UDT containing itself", "TYPE \"A\"\nSTRUCT\n x : \"A\";\nEND_STRUCT;\nEND_TYPE\nDATA_BLOCK DB 1\nSTRUCT\n a : \"A\";\nEND_STRUCT ;\nBEGIN\nEND_DATA_BLOCK\n",
     3, "contain"},
};

TEST(PlcLayoutTest, RefusalsNameFileLineAndReason)
{
    for (const RefusalCase &c : kRefusals) {
        SCOPED_TRACE(c.what);
        try {
            layout(QString::fromLatin1(c.source), QStringLiteral("src.db"));
            ADD_FAILURE() << "not refused";
        } catch (const PlcSourceError &e) {
            EXPECT_EQ(e.line(), c.line) << e.text().toStdString();
            EXPECT_TRUE(e.reason().contains(QString::fromLatin1(c.reason))) << e.text().toStdString();
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("src.db:%1: ").arg(c.line)));
        }
    }
}

TEST(PlcLayoutTest, NestingIsBounded)
{
    QString deep;
    for (int i = 0; i < 200; ++i)
        deep += QStringLiteral("s%1 : STRUCT\n").arg(i);
    try {
        layout(QStringLiteral("DATA_BLOCK DB 1\nSTRUCT\n") + deep);
        ADD_FAILURE() << "not refused";
    } catch (const PlcSourceError &e) {
        EXPECT_TRUE(e.reason().contains(QStringLiteral("nested deeper"))) << e.text().toStdString();
    }
    // A UDT chain as deep as the bound allows is fine; one level more is refused.
    const auto chain = [](int n) {
        QString s;
        for (int i = 1; i < n; ++i)
            s += QStringLiteral("TYPE UDT %1\nSTRUCT\n x : UDT %2;\nEND_STRUCT;\nEND_TYPE\n").arg(i).arg(i + 1);
        s += QStringLiteral("TYPE UDT %1\nSTRUCT\n x : BOOL;\nEND_STRUCT;\nEND_TYPE\n").arg(n);
        return s + QStringLiteral("DATA_BLOCK DB 1\nSTRUCT\n m : UDT 1;\nEND_STRUCT;\nBEGIN\nEND_DATA_BLOCK\n");
    };
    EXPECT_EQ(layout(chain(8))[0].length, 2);
    EXPECT_THROW(layout(chain(200)), PlcSourceError);
}

TEST(PlcLayoutTest, FilesAreBounded)
{
    TempWorkspace ws;
    EXPECT_THROW(Load_Plc_Sources({ws.path()}), FileError);
    EXPECT_THROW(Load_Plc_Sources({ws.file(QStringLiteral("missing.db"))}), FileError);
    QFile big(ws.file(QStringLiteral("big.db")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(kMaxPlcSourceFileSize + 1));
    big.close();
    EXPECT_THROW(Load_Plc_Sources({big.fileName()}), FileError);
}

} // namespace
