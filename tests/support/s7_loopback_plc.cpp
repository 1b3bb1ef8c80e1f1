// A loopback S7 PLC for trying the PLC check by hand and for the README's screenshot: listens
// on a free port of 127.0.0.1 and prints "PORT CLOSED_PORT" (a port where nothing listens).
// DB100 holds 64 bytes (DBW0 = 1500, DBD8 = 21.5, DBW20 = 4711), the flags 16 bytes
// (MB10 = 0x08), the inputs 8 bytes (IB3 = 0x5A); every other block does not exist.
#include "support/LoopbackHttpServer.h"
#include "support/LoopbackS7Server.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    LoopbackS7Server plc;
    QByteArray db(64, '\0');
    db.replace(0, 2, QByteArray::fromHex("05DC"));
    db.replace(8, 4, QByteArray::fromHex("41AC0000"));
    db.replace(20, 2, QByteArray::fromHex("1267"));
    plc.setDataBlock(100, db);
    QByteArray flags(16, '\0');
    flags[10] = 0x08;
    plc.setArea(0x83, flags);
    QByteArray inputs(8, '\0');
    inputs[3] = 0x5A;
    plc.setArea(0x81, inputs);
    std::printf("%u %u\n", unsigned(plc.port()), unsigned(LoopbackHttpServer::closedPort()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
