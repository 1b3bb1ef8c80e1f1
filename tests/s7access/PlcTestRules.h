#pragma once

#include "s7access/S7Rule.h"

#include <QString>

// An enabled rule that reads from a PLC on 127.0.0.1:port: a DB item when `identifier` is
// "DB", else an item of the Flags area.
inline S7Rule Loopback_Rule(quint16 port, const char *dataType, const char *identifier, int db, int add, int bit = 0,
                            int rack = 0, int slot = 1)
{
    S7Rule r;
    r.PLC_Address = QStringLiteral("127.0.0.1");
    r.PLC_Port = QString::number(port);
    r.PLC_Type = QStringLiteral("S71200");
    r.Rack = QString::number(rack);
    r.Slot = QString::number(slot);
    r.Data_Type = QString::fromLatin1(dataType);
    r.Data_Identifier = QString::fromLatin1(identifier);
    r.DB_Number = QString::number(db);
    r.PLC_Area = QStringLiteral("Flags (M) (Merker)");
    r.PLC_Add = QString::number(add);
    r.PLC_Bit = QString::number(bit);
    r.PollTime = QStringLiteral("1000");
    r.Position = QStringLiteral("0");
    r.Bit = QStringLiteral("0");
    r.Swap = QStringLiteral("N");
    r.SwapWord = QStringLiteral("N");
    r.OnChange = QStringLiteral("N");
    r.OnCMD = QStringLiteral("N");
    return r;
}
