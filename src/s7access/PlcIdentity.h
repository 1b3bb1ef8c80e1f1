#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// Which PLC answers: what the S7 "read SZL" user-data request (function group 4, subfunction
// 1) tells of a PLC. SZL 0x0011 is the module identification (order number; its record 0x0007
// the firmware), 0x001C the component identification (station, module and module type names,
// serial number), 0x0424 the operating mode. Only reads: the request has no write form.
namespace S7 {

inline constexpr std::uint16_t kSzlModuleIdentification = 0x0011;
inline constexpr std::uint16_t kSzlComponentIdentification = 0x001C;
inline constexpr std::uint16_t kSzlOperatingMode = 0x0424;
// A PLC's whole list never comes near this; more parts are a broken answer.
inline constexpr int kMaxSzlParts = 16;

// The first request of a list, and the request for its next part (`sequence` as the previous
// part's answer gave it).
QByteArray Read_Szl_Request(std::uint16_t pduReference, std::uint16_t szlId, std::uint16_t szlIndex);
QByteArray Read_Szl_Next_Request(std::uint16_t pduReference, std::uint8_t sequence);

struct SzlPart
{
    std::optional<QString> error; // not an answer to this request at all
    bool refused = false;         // the PLC does not give this list
    QByteArray data;              // this part's bytes (the first part starts with the list's header)
    bool more = false;            // further parts follow
    std::uint8_t sequence = 0;    // for the next part's request
};
SzlPart Parse_Read_Szl_Answer(const QByteArray &frame, std::uint16_t pduReference);

// A list from its parts' bytes: nothing when the header is missing; the records that came whole
// when the list was cut short.
struct SzlList
{
    std::uint16_t id = 0;
    std::uint16_t index = 0;
    std::vector<QByteArray> records;
};
std::optional<SzlList> Parse_Szl_List(const QByteArray &data);

} // namespace S7

enum class PlcMode { Unknown, Run, Stop, Startup, Hold, Defect };

// What a PLC told of itself; empty fields where it did not say.
struct PlcIdentity
{
    QString orderNumber;    // "6ES7 315-2EH14-0AB0"
    QString firmware;       // "V3.2.6"
    QString stationName;
    QString moduleName;
    QString moduleTypeName; // "CPU 315-2 PN/DP"
    QString serialNumber;
    PlcMode mode = PlcMode::Unknown;

    // Anything at all was read.
    bool available() const;
    void apply(const S7::SzlList &list);
};

// "RUN", "STOP", "STARTUP", "HOLD", "DEFECT", or "unknown".
QString Plc_Mode_Text(PlcMode mode);

// The PLC family an order number belongs to, by the public order number patterns: "S7-300",
// "S7-400", "S7-1200", "S7-1500", "S7-200" or "LOGO"; empty for a pattern not in the table.
QString Plc_Family(const QString &orderNumber);
// The rules' PLC Type of a family ("S7-1200" -> "S71200", "LOGO" -> "Logo0BA8"); empty when none.
QString Plc_Type_Of_Family(const QString &family);

// One line for people: "6ES7 315-2EH14-0AB0 (S7-300), CPU 315-2 PN/DP, firmware V3.2.6, RUN",
// or "identity not available".
QString Plc_Identity_Text(const PlcIdentity &identity);

// `text` with its control characters (C0, DEL, C1) escaped as \t, \n, \r or \xNN, so that
// what a PLC sends can never break a line or a column of the output.
QString Escape_Control_Characters(const QString &text);
