#pragma once

#include <QByteArray>
#include <QStringList>

// S7_Protocol.xml with the given rows (each the attributes of one <row>).
inline QByteArray S7_Protocol_Xml(const QList<QByteArray> &readRows, const QList<QByteArray> &writeRows)
{
    QByteArray xml = "<S7_Protocol><S7_Protocol_Read>";
    for (const QByteArray &r : readRows)
        xml += "<row " + r + "/>";
    xml += "</S7_Protocol_Read><S7_Protocol_Write>";
    for (const QByteArray &r : writeRows)
        xml += "<row " + r + "/>";
    return xml + "</S7_Protocol_Write></S7_Protocol><!--SW_VERSION = 1.002-->";
}

// The two worked examples of a read and a write rule.
inline const QByteArray kExampleReadRow =
    R"~(Enable="Y" PLC_Address="192.168.1.125" PLC_Port="102" PLC_Type="S71200" Rack="0" Slot="1" )~"
    R"~(Data_Type="Word" Data_Identifier="DB" DB_Number="10" PLC_Area="Direct peripheral access (P)" )~"
    R"~(PLC_Add="4" PLC_Bit="0" PollTime="500" Position="0" Bit="0" Swap="Y" SwapWord="N" Mnemonic="Tank level")~";
inline const char *const kExampleReadEntry = "7D 01 A8 C0 F4 01 00 00 04 00 0A 00 66 00 00 00 00 00 00 1E 04 0A 00 04 00 80 01 00";

inline const QByteArray kExampleWriteRow =
    R"~(Enable="Y" PLC_Address="10.0.0.2" PLC_Port="102" PLC_Type="S7300" Rack="0" Slot="2" )~"
    R"~(Data_Type="Bit" Data_Identifier="DB" DB_Number="0" PLC_Area="Flags (M) (Merker)" PLC_Add="12" )~"
    R"~(PLC_Bit="3" PollTime="1000" OnChange="Y" OnCMD="N" Position="5" Bit="3" Swap="N" SwapWord="N" Mnemonic="")~";
inline const char *const kExampleWriteEntry = "02 00 00 0A E8 03 00 00 0C 00 00 00 66 00 05 00 00 00 03 0A 01 0A 00 21 03 83 02 00";

// A disabled rule with every attribute, at `address`: compiled into nothing.
inline QByteArray Disabled_Read_Row(const QByteArray &address)
{
    return QByteArray(kExampleReadRow).replace("Enable=\"Y\"", "Enable=\"N\"").replace("192.168.1.125", address);
}
