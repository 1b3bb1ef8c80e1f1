#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The frames of a read-only S7comm client over ISO-on-TCP: a TPKT header (version 3, length
// of the whole frame), a COTP header, then the S7 PDU. The encoder knows the connection
// request, Setup Communication and Read Var; it has no way to build a write request.
namespace S7 {

inline constexpr std::uint8_t kFunctionReadVar = 0x04;
inline constexpr std::uint8_t kFunctionSetupCommunication = 0xF0;
inline constexpr std::uint8_t kAreaDataBlock = 0x84;
inline constexpr std::uint8_t kReturnSuccess = 0xFF;

// The PDU size the client asks for; the PLC answers with the size it accepts.
inline constexpr int kRequestedPduSize = 480;
// Items per Read Var request, whatever the PDU size allows.
inline constexpr int kMaxItemsPerRequest = 20;
// TPKT 4 bytes + COTP data header 3 bytes.
inline constexpr int kIsoHeaderSize = 7;
// No answer of this client's requests comes near this; a larger length is a broken stream.
inline constexpr int kMaxFrameSize = 4096;

// One item of a Read Var request: one value of `transportSize` (1 Bit, 2 Byte, 3 Char, 4 Word,
// 5 Int, 6 DWord, 7 DInt, 8 Real, as the device's data type codes) in `area` (0x84 with
// `dbNumber` for a data block), at byte `byteAddress` and, for a Bit, bit `bit`.
struct ReadItem
{
    std::uint8_t transportSize = 2;
    std::uint16_t dbNumber = 0;
    std::uint8_t area = kAreaDataBlock;
    std::uint32_t byteAddress = 0;
    std::uint8_t bit = 0;
    bool operator==(const ReadItem &) const = default;
};

// Bytes of one value of a transport size: 1 for Bit, Byte and Char, 2 for Word and Int, 4 for
// DWord, DInt and Real.
int Value_Size(std::uint8_t transportSize);

// The remote TSAP: connection type 1, then rack × 32 + slot as the device packs it.
std::uint16_t Remote_Tsap(int rack, int slot);

// TPKT + COTP connection request, local TSAP 0x0100, TPDU size 1024.
QByteArray Connection_Request(int rack, int slot);
QByteArray Setup_Communication_Request(std::uint16_t pduReference, int pduSize = kRequestedPduSize);
// One Read Var job with every item of `items` (the caller keeps within Items_Fitting).
QByteArray Read_Var_Request(std::uint16_t pduReference, std::span<const ReadItem> items);

// How many items from the front of `items` one request can carry so that the request and its
// answer both fit in `pduSize` (at least 1 when `items` is not empty, at most kMaxItemsPerRequest).
int Items_Fitting(std::span<const ReadItem> items, int pduSize);

// The length of the frame at the start of `buffer` once its TPKT header has arrived: nothing
// while fewer than 4 bytes are there, -1 when the header is not a TPKT header.
std::optional<int> Frame_Length(const QByteArray &buffer);

// The answer to the connection request: nothing when the PLC confirmed it, else the reason.
std::optional<QString> Parse_Connection_Confirm(const QByteArray &frame);

struct SetupAnswer
{
    std::optional<QString> error;
    int pduSize = 0;
};
SetupAnswer Parse_Setup_Communication_Answer(const QByteArray &frame, std::uint16_t pduReference);

struct ItemAnswer
{
    std::uint8_t returnCode = 0;
    QByteArray data; // the value's bytes, big-endian as the PLC sent them
    // Set when the answer ended before this item: "the PLC's answer is cut short at item 3 of 5".
    std::optional<QString> error;
};
struct ReadAnswer
{
    std::optional<QString> error; // the whole answer failed
    std::vector<ItemAnswer> items; // `itemCount` items unless the whole answer failed
};
ReadAnswer Parse_Read_Var_Answer(const QByteArray &frame, std::uint16_t pduReference, int itemCount);

// The PDU reference of an S7 answer (ack, ack-data or user data), nothing for other frames: a
// client drops an answer whose reference is not its request's.
std::optional<std::uint16_t> Answer_Pdu_Reference(const QByteArray &frame);

// A PLC's item return code as text: "address out of range", "object does not exist" ...
QString Return_Code_Text(std::uint8_t code);
// The error class and code of an S7 answer header as text.
QString Header_Error_Text(std::uint8_t errorClass, std::uint8_t errorCode);

} // namespace S7
