#pragma once

#include "history/ProjectHistory.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class XmlDocument;

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
// The same from a document already read.
CommParams Read_ParGen_Document(const XmlDocument &doc);

// Writes ParGen.xml anew: Par_Gen with the sixteen elements in order, then the version
// comment; the file it replaces goes to the project's history first (see Keep_In_History).
// Throws ValueError for a text XML cannot carry, HistoryError or FileError when it cannot write.
void Write_ParGen(const QString &parGenFile, const CommParams &params, KeepHistory history = KeepHistory::Yes);

// The first field out of range, in the window's order, and the text index of its message.
struct CommParamsFault
{
    CommParams::Field field;
    int textId;
};
std::optional<CommParamsFault> Controllo_Dati(const CommParams &params);

// ParGen.xml as the image compiler reads it: each value by Text_To_Int with the compiler's
// default (address 192.168.0.10, mask 255.255.255.0, gateway 192.168.0.1, station address 10,
// both byte counts 244); octets and the station address keep their low 8 bits. The gateway is
// 255.255.255.255 unless S7_Protocol_EN_GAT reads exactly "1". Nothing when the file does not
// exist; throws XmlError when it is not well-formed.
struct CompilerParGen
{
    std::array<std::uint8_t, 4> ipAddress{};
    std::array<std::uint8_t, 4> subnetMask{};
    std::array<std::uint8_t, 4> gateway{};
    bool gatewayEnabled = false;
    std::uint8_t stationAddress = 0;
    std::int32_t nbIn = 0;  // PROFINET_NB_IN, as read
    std::int32_t nbOut = 0; // PROFINET_NB_OUT, as read
};
std::optional<CompilerParGen> Read_ParGen_For_Compiler(const QString &parGenFile);

// The two byte counts, 0 where an element is missing or not an integer (the access-list
// editor's and the GSD generator's reading). The file must exist; throws FileError or XmlError.
struct ParGenCounts
{
    int nbIn = 0;  // PROFINET_NB_IN
    int nbOut = 0; // PROFINET_NB_OUT
};
ParGenCounts Read_ParGen_Counts(const QString &parGenFile);
