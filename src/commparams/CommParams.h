#pragma once

#include <QString>
#include <array>
#include <optional>

// The sixteen values of ParGen.xml, as texts (the window's view). Each text is written as it
// stands; only the gateway switch is a flag ("1" or "0" in the file).
struct CommParams
{
    enum Field {
        S7_Protocol_IP1, S7_Protocol_IP2, S7_Protocol_IP3, S7_Protocol_IP4,
        S7_Protocol_SM1, S7_Protocol_SM2, S7_Protocol_SM3, S7_Protocol_SM4,
        S7_Protocol_GAT1, S7_Protocol_GAT2, S7_Protocol_GAT3, S7_Protocol_GAT4,
        PROFIBUS_ID_Device, PROFINET_NB_IN, PROFINET_NB_OUT,
        FieldCount
    };

    std::array<QString, FieldCount> texts;
    bool gatewayEnabled = false; // S7_Protocol_EN_GAT

    // The element name of a field in ParGen.xml.
    static QString elementName(Field field);
    // The window's defaults: 192.168.0.5, 255.255.255.0, gateway 192.168.0.1 disabled,
    // station address 10, both byte counts 244.
    static CommParams windowDefaults();
};

// The window's reader: all defaults when the file is missing, an element's default when it
// is missing or holds child elements. Throws XmlError when the file is not well-formed.
CommParams Read_ParGen_For_Window(const QString &parGenFile);

// Writes ParGen.xml anew: Par_Gen with the sixteen elements in order, then the version
// comment. Throws ValueError for a text XML cannot carry, FileError when it cannot write.
void Write_ParGen(const QString &parGenFile, const CommParams &params);

// The first field out of range, in the window's order, and the text index of its message.
struct CommParamsFault
{
    CommParams::Field field;
    int textId;
};
std::optional<CommParamsFault> Controllo_Dati(const CommParams &params);
