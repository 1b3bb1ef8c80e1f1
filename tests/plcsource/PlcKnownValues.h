#pragma once

// A data block's contents with a distinct value in every member that a rule can carry, and
// the lines "DB100.DBW16 OK 1003" that the PLC check prints for the rules imported from it.
#include "plcsource/PlcSource.h"

#include <QByteArray>
#include <QStringList>
#include <QtEndian>
#include <cstring>

struct PlcKnownValues
{
    QByteArray bytes;
    QStringList checkLines;
};

inline PlcKnownValues Plc_Known_Values(const PlcBlockLayout &block)
{
    PlcKnownValues v;
    v.bytes = QByteArray(block.length, '\0');
    int i = 0;
    for (const PlcMemberLayout &m : block.members) {
        ++i;
        QString value;
        switch (m.bits) {
        case 1:
            if (i % 2) {
                v.bytes[m.byte] = char(v.bytes[m.byte] | (1 << m.bit));
                value = QStringLiteral("1");
            } else {
                value = QStringLiteral("0");
            }
            break;
        case 8:
            v.bytes[m.byte] = char(0x40 + i);
            value = QString::number(0x40 + i);
            break;
        case 16:
            qToBigEndian<quint16>(quint16(1000 + i), v.bytes.data() + m.byte);
            value = QString::number(1000 + i);
            break;
        case 32:
            if (m.type == PlcElementary::Real) {
                const float f = 2.5f;
                quint32 raw;
                std::memcpy(&raw, &f, 4);
                qToBigEndian<quint32>(raw, v.bytes.data() + m.byte);
                value = QStringLiteral("2.5");
            } else {
                qToBigEndian<quint32>(quint32(100000 + i), v.bytes.data() + m.byte);
                value = QString::number(100000 + i);
            }
            break;
        default:
            continue; // no rule carries it: the import skips it
        }
        v.checkLines << QStringLiteral("%1 OK %2").arg(Plc_Member_Address(block, m), value);
    }
    return v;
}
