// The client's frames decoded by an independent S7comm dissector (tshark): what it reads from
// them must be what the client means. Skipped when tshark is not installed.
#include "s7access/PlcIdentity.h"
#include "s7access/S7Frames.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void putBe16(QByteArray &b, int v) { b.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF)); }
void putBe32(QByteArray &b, quint32 v) { putBe16(b, int(v >> 16)); putBe16(b, int(v & 0xFFFF)); }
void putLe32(QByteArray &b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// A capture file (link type raw IPv4) with one TCP segment from 127.0.0.1:40000 to port 102
// per frame.
QByteArray capture(const QList<QByteArray> &frames)
{
    QByteArray file;
    putLe32(file, 0xA1B2C3D4);
    file.append("\x02\x00\x04\x00", 4); // version 2.4
    putLe32(file, 0);
    putLe32(file, 0);
    putLe32(file, 65535);
    putLe32(file, 101); // raw IP
    quint32 sequence = 1;
    for (int i = 0; i < frames.size(); ++i) {
        QByteArray tcp;
        putBe16(tcp, 40000);
        putBe16(tcp, 102);
        putBe32(tcp, sequence);
        putBe32(tcp, 0);
        tcp.append(char(5 << 4)).append(char(0x18)); // header length, PSH ACK
        putBe16(tcp, 65535);
        putBe32(tcp, 0); // checksum (not checked) and urgent pointer
        QByteArray ip("\x45\x00", 2);
        putBe16(ip, int(20 + tcp.size() + frames[i].size()));
        putBe16(ip, i);
        ip.append("\x00\x00\x40\x06\x00\x00\x7F\x00\x00\x01\x7F\x00\x00\x01", 14);
        const QByteArray packet = ip + tcp + frames[i];
        sequence += quint32(frames[i].size());
        putLe32(file, quint32(i));
        putLe32(file, 0);
        putLe32(file, quint32(packet.size()));
        putLe32(file, quint32(packet.size()));
        file += packet;
    }
    return file;
}

} // namespace

TEST(S7FramesTshark, AnIndependentDissectorReadsWhatTheClientMeans)
{
    const QString tshark = QStandardPaths::findExecutable(QStringLiteral("tshark"));
    if (tshark.isEmpty())
        GTEST_SKIP() << "tshark is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const S7::ReadItem items[] = {
        {4, 100, 0x84, 20, 0}, {1, 0, 0x83, 10, 3}, {8, 7, 0x84, 4, 0},
        {2, 0, 0x81, 3, 0},    {6, 0, 0x82, 8, 0},  {3, 1, 0x84, 1, 0},
    };
    QFile file(dir.filePath(QStringLiteral("client.pcap")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(capture({S7::Connection_Request(1, 2), S7::Setup_Communication_Request(1),
                        S7::Read_Var_Request(2, items), S7::Read_Szl_Request(3, 0x0011, 0),
                        S7::Read_Szl_Next_Request(4, 7)}));
    file.close();

    QProcess process;
    process.start(tshark, {QStringLiteral("-r"), file.fileName(), QStringLiteral("-V"), QStringLiteral("-n")});
    ASSERT_TRUE(process.waitForFinished(60000)) << "tshark did not end";
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    for (const char *line : {"Destination TSAP: 0122", "Source TSAP: 0100", "Function: Setup communication (0xf0)",
                             "PDU length: 480", "Function: Read Var (0x04)", "Item count: 6",
                             "Item [1]: (DB 100.DBX 20.0 WORD 1)", "Item [2]: (M 10.3 BIT 1)",
                             "Item [3]: (DB 7.DBX 4.0 REAL 1)", "Item [4]: (I 3.0 BYTE 1)",
                             "Item [5]: (Q 8.0 DWORD 1)", "Item [6]: (DB 1.DBX 1.0 CHAR 1)",
                             "Subfunction: Read SZL (1)", "SZL-ID: 0x0011", "SZL-Index: 0x0000"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(line))) << line << "\n" << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("S7 Communication\n")), 4);
    EXPECT_FALSE(text.contains(QStringLiteral("Malformed")));
    EXPECT_FALSE(text.contains(QStringLiteral("Write Var")));
}
