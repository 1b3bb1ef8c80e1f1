#include "PlcKnownValues.h"
#include "plcsource/PlcSource.h"
#include "s7access/S7Protocol.h"
#include "support/CliRunner.h"
#include "support/LoopbackS7Server.h"
#include "support/Snap7Peer.h"
#include "support/TempWorkspace.h"
#include "support/TestParGen.h"

#include <QFile>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>

namespace {

const QString kTank = QStringLiteral(BRIVANT_TEST_DATA_DIR "/plcsource/tank.db");

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(DbLayoutCliTest, TextAndJson)
{
    CliRun r = Run_Cli_Captured({QStringLiteral("db-layout"), kTank, QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, readFile(QStringLiteral(BRIVANT_TEST_DATA_DIR "/plcsource/tank.json")));
    const CliTextRun t = Run_Cli_Text({QStringLiteral("db-layout"), kTank});
    EXPECT_EQ(t.exitCode, 0);
    EXPECT_TRUE(t.out.startsWith(QStringLiteral("DB100: 54 bytes\n  DB100.DBX0.0   BOOL           Enabled\n")))
        << t.out.toStdString();
    EXPECT_TRUE(t.out.contains(QStringLiteral("  DB100.DBX39.2  BOOL           Grid[2,3]\n")));

    TempWorkspace ws;
    const QString bad = ws.write(QStringLiteral("bad.db"), "DATA_BLOCK DB 1\nSTRUCT\n a : LREAL;\nEND_STRUCT;\nBEGIN\nEND_DATA_BLOCK\n");
    const CliTextRun refused = Run_Cli_Text({QStringLiteral("db-layout"), kTank, bad});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.out, QString());
    EXPECT_TRUE(refused.err.startsWith(QStringLiteral("brivant-cli db-layout: %1:3: the type LREAL").arg(bad)))
        << refused.err.toStdString();
    EXPECT_EQ(Run_Cli_Text({QStringLiteral("db-layout")}).exitCode, 2);
}

// "ADDRESS OK VALUE" of each rule from row 3 on (the imported ones) in plc-check's output; a
// line that is neither a rule's nor a PLC's identity line fails the test.
QStringList importedRuleLines(const QString &checkOutput)
{
    QStringList got;
    for (const QString &line : checkOutput.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(QStringLiteral("PLC ")))
            continue; // the PLC's identity line before its rules
        const QStringList cells = line.split(u'\t');
        EXPECT_EQ(cells.size(), 5) << line.toStdString();
        if (cells.size() == 5 && cells[1].toInt() >= 3)
            got << cells[3] + u' ' + cells[4];
    }
    return got;
}

// A project with two read rules in use on a loopback PLC; the PROFIBUS areas hold 64 and 8 bytes.
class ImportDbCliTest : public ::testing::Test
{
protected:
    ImportDbCliTest()
    {
        Write_Test_ParGen(ws.file(QStringLiteral("PROJECTS/P1/ParGen.xml")), QStringLiteral("64"), QStringLiteral("8"));
        read[0] = rule(QStringLiteral("Word"), 0, 0);
        read[1] = rule(QStringLiteral("Bit"), 2, 0);
        Save_S7_Protocol(s7File(), read, write);
    }
    S7Rule rule(const QString &type, int position, int bit) const
    {
        S7Rule r;
        r.PLC_Address = QStringLiteral("127.0.0.1");
        r.PLC_Port = QString::number(plc.port());
        r.PLC_Type = QStringLiteral("S71200");
        r.Rack = QStringLiteral("0");
        r.Slot = QStringLiteral("1");
        r.Data_Type = type;
        r.Data_Identifier = QStringLiteral("DB");
        r.DB_Number = QStringLiteral("1");
        r.PLC_Area = QStringLiteral("Direct peripheral access (P)");
        r.PLC_Add = QStringLiteral("0");
        r.PLC_Bit = QStringLiteral("0");
        r.PollTime = QStringLiteral("100");
        r.Position = QString::number(position);
        r.Bit = QString::number(bit);
        return r;
    }
    QString s7File() const { return ws.file(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")); }
    CliTextRun importDb(const QStringList &more, quint16 port = 0, const QString &type = QStringLiteral("S71200"))
    {
        return Run_Cli_Text(QStringList{QStringLiteral("import-db"), project, kTank, QStringLiteral("--plc"),
                                        QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                                        QString::number(port ? port : plc.port()), QStringLiteral("--type"), type}
                            + more);
    }

    LoopbackS7Server plc;
    TempWorkspace ws;
    QString project = ws.mkdir(QStringLiteral("PROJECTS/P1"));
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
};

// Every imported rule reads, from a PLC whose DB 100 holds known values at the offsets the
// layout gives, the value put there; validation passes and the map shows no conflict.
TEST_F(ImportDbCliTest, ImportedRulesReadTheirValuesFromThePlc)
{
    const CliTextRun r = importDb({QStringLiteral("--list"), QStringLiteral("read"), QStringLiteral("--poll"), QStringLiteral("100")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("26 read rules added at rows 3 to 28:\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Skipped 2:\nDB100.Label  STRING[3]      no rule carries a STRING[3]\n"
                                              "DB100.Stamp  DATE_AND_TIME  no rule carries a DATE_AND_TIME\n")))
        << r.out.toStdString();

    const CliTextRun valid = Run_Cli_Text({QStringLiteral("validate"), project, QStringLiteral("--all")});
    EXPECT_EQ(valid.exitCode, 0) << valid.out.toStdString() << valid.err.toStdString();
    EXPECT_EQ(valid.err, QString()); // no conflict, nothing past the area
    const CliTextRun map = Run_Cli_Text({QStringLiteral("map"), project});
    EXPECT_EQ(map.exitCode, 0);
    EXPECT_TRUE(map.out.contains(QStringLiteral("DB100.DBD32"))) << map.out.toStdString();

    // The PLC's DB 100: a distinct value in every member.
    const PlcKnownValues values = Plc_Known_Values(Load_Plc_Sources({kTank})[0]);
    plc.setDataBlock(1, QByteArray(4, '\0'));
    plc.setDataBlock(100, values.bytes);
    const CliTextRun check = Run_Cli_Text({QStringLiteral("plc-check"), project});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
    EXPECT_EQ(importedRuleLines(check.out), values.checkLines);
    for (const std::uint8_t code : plc.functionCodes())
        EXPECT_TRUE(code == 0xF0 || code == 0x04) << "function code " << int(code);
}

// The same against snap7's S7 server, a PLC this program's authors did not write, with DB 100
// served as an S7-300 would: every imported rule reads the value the layout places there.
TEST_F(ImportDbCliTest, ImportedRulesReadTheirValuesFromSnap7sServer)
{
    const PlcKnownValues values = Plc_Known_Values(Load_Plc_Sources({kTank})[0]);
    Snap7Peer peer(QStringLiteral("127.0.0.1"), {QStringLiteral("--db"), QStringLiteral("100:") + QString::fromLatin1(values.bytes.toHex())});
    BRIVANT_START_SNAP7(peer);
    // The project's two rules name the same PLC: snap7's DB 1 holds 32 bytes.
    for (S7Rule &r : read)
        if (!r.PLC_Address.isEmpty())
            r.PLC_Port = QString::number(peer.port());
    Save_S7_Protocol(s7File(), read, write);

    const CliTextRun r = importDb({QStringLiteral("--list"), QStringLiteral("read"), QStringLiteral("--rack"), QStringLiteral("0"),
                                   QStringLiteral("--slot"), QStringLiteral("2")},
                                  peer.port(), QStringLiteral("S7300"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("26 read rules added at rows 3 to 28:\n"))) << r.out.toStdString();

    const CliTextRun check = Run_Cli_Text({QStringLiteral("plc-check"), project});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_EQ(importedRuleLines(check.out), values.checkLines);
}

TEST_F(ImportDbCliTest, PlacementSelectionAndRulesThatDoNotFit)
{
    CliTextRun r = importDb({QStringLiteral("--list"), QStringLiteral("write"), QStringLiteral("--select"),
                             QStringLiteral("Values[*]"), QStringLiteral("--select=Motor.R*")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), "4 write rules added at rows 1 to 4:\n"
                                   "row 1  DB100.DBX4.0  Bit  position 0.0  DB100.Motor.Run\n"
                                   "row 2  DB100.DBW16   Int  position 2.0  DB100.Values[1]\n"
                                   "row 3  DB100.DBW18   Int  position 4.0  DB100.Values[2]\n"
                                   "row 4  DB100.DBW20   Int  position 6.0  DB100.Values[3]\n");
    S7RuleList r2 = Fresh_Rule_List(), w2 = Fresh_Rule_List();
    ASSERT_FALSE(Load_S7_Protocol(s7File(), r2, w2));
    EXPECT_EQ(w2[1].Data_Type, QStringLiteral("Int"));
    EXPECT_EQ(w2[1].Mnemonic, QStringLiteral("DB100.Values[1]"));
    EXPECT_EQ(w2[1].DB_Number, QStringLiteral("100"));
    EXPECT_EQ(w2[1].PLC_Add, QStringLiteral("16"));
    EXPECT_EQ(w2[0].PLC_Bit, QStringLiteral("0"));

    // Out holds 8 bytes and 7 are taken: two DWords do not fit, one would not either.
    const QByteArray before = readFile(s7File());
    r = importDb({QStringLiteral("--list"), QStringLiteral("write"), QStringLiteral("--select"), QStringLiteral("Pumps[*].Hours")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QStringLiteral("2 write rules do not fit: 0 would fit (508 rows free after the last rule, "
                                    "8 bytes in the out area); nothing written\n"));
    EXPECT_EQ(readFile(s7File()), before);
}

TEST_F(ImportDbCliTest, UsageAndRefusedSourcesChangeNothing)
{
    const QByteArray before = readFile(s7File());
    struct Case
    {
        QStringList args;
        const char *err;
    };
    TempWorkspace src;
    const QString tia = src.write(QStringLiteral("t.db"), "DATA_BLOCK \"T\"\n{ S7_Optimized_Access := 'FALSE' }\nVAR\n a : Int;\nEND_VAR\nBEGIN\nEND_DATA_BLOCK\n");
    const QString optimized = src.write(QStringLiteral("o.db"), "DATA_BLOCK \"O\"\n{ S7_Optimized_Access := 'TRUE' }\nVAR\n a : Int;\nEND_VAR\nBEGIN\nEND_DATA_BLOCK\n");
    const QString plcPort = QString::number(plc.port());
    const Case cases[] = {
        {{QStringLiteral("--list"), QStringLiteral("read")}, "--plc IP is required"},
        {{QStringLiteral("--plc"), QStringLiteral("127.0.0.1")}, "--list read or --list write is required"},
        {{QStringLiteral("--list"), QStringLiteral("read"), QStringLiteral("--plc"), QStringLiteral("127.0.0.300")},
         "!! [S7comm Read] PLC Address must be a valid TCP IP Address"},
        {{QStringLiteral("--list"), QStringLiteral("write"), QStringLiteral("--plc"), QStringLiteral("127.0.0.1"), QStringLiteral("--slot"), QStringLiteral("40")},
         "!! [S7comm Write] Slot must be between 0 and 31"},
        {{QStringLiteral("--list"), QStringLiteral("read"), QStringLiteral("--plc"), QStringLiteral("127.0.0.1"), QStringLiteral("--type"), QStringLiteral("S5")},
         "the PLC type S5 is not one of"},
        {{QStringLiteral("--list"), QStringLiteral("read"), QStringLiteral("--plc"), QStringLiteral("127.0.0.1"), QStringLiteral("--select"), QStringLiteral("Nothing*")},
         "no member matches Nothing*"},
        {{QStringLiteral("--list"), QStringLiteral("read"), QStringLiteral("--plc"), QStringLiteral("127.0.0.1"), QStringLiteral("--block"), QStringLiteral("DB7")},
         "the sources hold no data block DB7"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.err);
        const CliTextRun r = Run_Cli_Text(QStringList{QStringLiteral("import-db"), project, kTank} + c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QLatin1String(c.err))) << r.err.toStdString();
    }
    CliTextRun r = Run_Cli_Text({QStringLiteral("import-db"), project, tia, QStringLiteral("--list"), QStringLiteral("read"),
                                 QStringLiteral("--plc"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("give it with --db N"))) << r.err.toStdString();
    r = Run_Cli_Text({QStringLiteral("import-db"), project, optimized, QStringLiteral("--list"), QStringLiteral("read"),
                      QStringLiteral("--plc"), QStringLiteral("127.0.0.1"), QStringLiteral("--db"), QStringLiteral("5")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("%1:1: \"O\" has optimized access").arg(optimized))) << r.err.toStdString();
    EXPECT_EQ(readFile(s7File()), before);

    r = Run_Cli_Text({QStringLiteral("import-db"), project, tia, QStringLiteral("--list"), QStringLiteral("read"),
                      QStringLiteral("--plc"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"), plcPort,
                      QStringLiteral("--db"), QStringLiteral("7")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("1 read rules added at rows 3 to 3:\nrow 3  DB7.DBW0  Int  position 4.0  T.a\n"));
}

TEST_F(ImportDbCliTest, ImportTagsFromASymbolFile)
{
    const auto line = [](const char *name, const char *address, const char *type) {
        return "126," + QByteArray(name).leftJustified(24, ' ') + QByteArray(address).leftJustified(12, ' ')
               + QByteArray(type).leftJustified(10, ' ') + QByteArray().leftJustified(80, ' ') + "\r\n";
    };
    const QString asc = ws.write(QStringLiteral("Symbols.asc"), line("Start", "E       3.4", "BOOL") + line("Speed", "MW     20", "INT")
                                                                       + line("Lamp", "A       0.1", "BOOL") + line("T1", "T       1", "TIMER"));
    const CliTextRun r = Run_Cli_Text({QStringLiteral("import-tags"), project, asc, QStringLiteral("--list"),
                                       QStringLiteral("read"), QStringLiteral("--plc"), QStringLiteral("127.0.0.1"),
                                       QStringLiteral("--port"), QString::number(plc.port())});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), "3 read rules added at rows 3 to 5:\n"
                                   "row 3  I3.4  Bit  position 2.1  Start\n"
                                   "row 4  MW20  Int  position 4.0  Speed\n"
                                   "row 5  Q0.1  Bit  position 2.2  Lamp\n"
                                   "Skipped 1:\nT1  TIMER  the address T 1 is not in the inputs, outputs or flags\n");
    S7RuleList r2 = Fresh_Rule_List(), w2 = Fresh_Rule_List();
    ASSERT_FALSE(Load_S7_Protocol(s7File(), r2, w2));
    EXPECT_EQ(r2[2].PLC_Area, QStringLiteral("Inputs (I)"));
    EXPECT_EQ(r2[2].Data_Identifier, QStringLiteral("OB"));
    EXPECT_EQ(r2[4].PLC_Area, QStringLiteral("Output (Q)"));
    EXPECT_EQ(Run_Cli_Text({QStringLiteral("validate"), project}).exitCode, 0);
}

} // namespace
