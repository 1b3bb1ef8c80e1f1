#include "s7access/S7Frames.h"

#include <algorithm>

namespace S7 {

namespace {

constexpr std::uint8_t kTpktVersion = 0x03;
constexpr std::uint8_t kCotpConnectionRequest = 0xE0;
constexpr std::uint8_t kCotpConnectionConfirm = 0xD0;
constexpr std::uint8_t kCotpDisconnectRequest = 0x80;
constexpr std::uint8_t kCotpData = 0xF0;
constexpr std::uint8_t kProtocolId = 0x32;
constexpr std::uint8_t kRosctrJob = 0x01;
constexpr std::uint8_t kRosctrAck = 0x02;
constexpr std::uint8_t kRosctrAckData = 0x03;
constexpr std::uint8_t kRosctrUserData = 0x07;
constexpr int kJobHeaderSize = 10;
constexpr int kAckHeaderSize = 12;
constexpr int kItemSpecSize = 12;
constexpr int kItemAnswerHeaderSize = 4;

void putU16(QByteArray &bytes, unsigned value)
{
    bytes.append(static_cast<char>((value >> 8) & 0xFF));
    bytes.append(static_cast<char>(value & 0xFF));
}

std::uint8_t u8(const QByteArray &bytes, qsizetype at)
{
    return static_cast<std::uint8_t>(bytes.at(at));
}

unsigned u16(const QByteArray &bytes, qsizetype at)
{
    return (unsigned{u8(bytes, at)} << 8) | u8(bytes, at + 1);
}

QString hex2(unsigned value)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// TPKT and COTP data header around an S7 PDU.
QByteArray isoFrame(const QByteArray &pdu)
{
    QByteArray frame;
    frame.append(static_cast<char>(kTpktVersion));
    frame.append('\0');
    putU16(frame, static_cast<unsigned>(kIsoHeaderSize + pdu.size()));
    frame.append('\x02');
    frame.append(static_cast<char>(kCotpData));
    frame.append('\x80'); // last data unit
    return frame + pdu;
}

QByteArray jobHeader(std::uint16_t pduReference, qsizetype parameterLength)
{
    QByteArray header;
    header.append(static_cast<char>(kProtocolId));
    header.append(static_cast<char>(kRosctrJob));
    putU16(header, 0); // redundancy identification
    putU16(header, pduReference);
    putU16(header, static_cast<unsigned>(parameterLength));
    putU16(header, 0); // no data part
    return header;
}

// The S7 answer inside a data frame: its parameter and data parts, or why it cannot be used.
struct AckPdu
{
    std::optional<QString> error;
    QByteArray parameters;
    QByteArray data;
};

AckPdu parseAck(const QByteArray &frame, std::uint16_t pduReference)
{
    AckPdu ack;
    const auto malformed = [&ack] {
        ack.error = QStringLiteral("the PLC sent an answer that is not S7comm");
        return ack;
    };
    if (frame.size() < kIsoHeaderSize + kAckHeaderSize || u8(frame, 5) != kCotpData
        || u8(frame, kIsoHeaderSize) != kProtocolId)
        return malformed();
    const qsizetype s7 = kIsoHeaderSize;
    const std::uint8_t rosctr = u8(frame, s7 + 1);
    if (rosctr != kRosctrAck && rosctr != kRosctrAckData)
        return malformed();
    if (u16(frame, s7 + 4) != pduReference) {
        ack.error = QStringLiteral("the PLC answered another request");
        return ack;
    }
    const unsigned parameterLength = u16(frame, s7 + 6);
    const unsigned dataLength = u16(frame, s7 + 8);
    const std::uint8_t errorClass = u8(frame, s7 + 10);
    const std::uint8_t errorCode = u8(frame, s7 + 11);
    if (errorClass != 0 || errorCode != 0) {
        ack.error = Header_Error_Text(errorClass, errorCode);
        return ack;
    }
    if (frame.size() < s7 + kAckHeaderSize + qsizetype(parameterLength) + qsizetype(dataLength))
        return malformed();
    ack.parameters = frame.mid(s7 + kAckHeaderSize, parameterLength);
    ack.data = frame.mid(s7 + kAckHeaderSize + parameterLength, dataLength);
    return ack;
}

int itemAnswerSize(const ReadItem &item)
{
    const int size = Value_Size(item.transportSize);
    return kItemAnswerHeaderSize + size + (size & 1); // odd values are padded to an even length
}

} // namespace

int Value_Size(std::uint8_t transportSize)
{
    switch (transportSize) {
    case 4: // Word
    case 5: // Int
        return 2;
    case 6: // DWord
    case 7: // DInt
    case 8: // Real
        return 4;
    default: // Bit, Byte, Char
        return 1;
    }
}

std::uint16_t Remote_Tsap(int rack, int slot)
{
    return static_cast<std::uint16_t>(0x0100 | ((rack * 32 + slot) & 0xFF));
}

QByteArray Connection_Request(int rack, int slot)
{
    QByteArray cotp;
    cotp.append(static_cast<char>(kCotpConnectionRequest));
    putU16(cotp, 0x0000); // destination reference
    putU16(cotp, 0x0001); // source reference
    cotp.append('\0');    // class 0
    cotp.append("\xC0\x01\x0A", 3); // TPDU size 1024
    cotp.append("\xC1\x02", 2);
    putU16(cotp, 0x0100); // calling (local) TSAP
    cotp.append("\xC2\x02", 2);
    putU16(cotp, Remote_Tsap(rack, slot));
    cotp.prepend(static_cast<char>(cotp.size()));

    QByteArray frame;
    frame.append(static_cast<char>(kTpktVersion));
    frame.append('\0');
    putU16(frame, static_cast<unsigned>(4 + cotp.size()));
    return frame + cotp;
}

QByteArray Setup_Communication_Request(std::uint16_t pduReference, int pduSize)
{
    QByteArray parameters;
    parameters.append(static_cast<char>(kFunctionSetupCommunication));
    parameters.append('\0');
    putU16(parameters, 1); // parallel jobs as caller
    putU16(parameters, 1); // parallel jobs as callee
    putU16(parameters, static_cast<unsigned>(pduSize));
    return isoFrame(jobHeader(pduReference, parameters.size()) + parameters);
}

QByteArray Read_Var_Request(std::uint16_t pduReference, std::span<const ReadItem> items)
{
    QByteArray parameters;
    parameters.append(static_cast<char>(kFunctionReadVar));
    parameters.append(static_cast<char>(items.size()));
    for (const ReadItem &item : items) {
        parameters.append('\x12'); // item head: a variable's address follows
        parameters.append('\x0A'); // its length
        parameters.append('\x10'); // syntax: S7 any pointer
        parameters.append(static_cast<char>(item.transportSize));
        putU16(parameters, 1); // one value
        putU16(parameters, item.dbNumber);
        parameters.append(static_cast<char>(item.area));
        const std::uint32_t bitAddress = item.byteAddress * 8 + (item.transportSize == 1 ? (item.bit & 7u) : 0u);
        parameters.append(static_cast<char>((bitAddress >> 16) & 0xFF));
        putU16(parameters, bitAddress & 0xFFFF);
    }
    return isoFrame(jobHeader(pduReference, parameters.size()) + parameters);
}

int Items_Fitting(std::span<const ReadItem> items, int pduSize)
{
    int requestSize = kJobHeaderSize + 2;
    int answerSize = kAckHeaderSize + 2;
    int count = 0;
    for (const ReadItem &item : items) {
        if (count == kMaxItemsPerRequest)
            break;
        requestSize += kItemSpecSize;
        answerSize += itemAnswerSize(item);
        if (count > 0 && (requestSize > pduSize || answerSize > pduSize))
            break;
        ++count;
    }
    return count;
}

std::optional<int> Frame_Length(const QByteArray &buffer)
{
    if (buffer.size() < 4)
        return std::nullopt;
    const int length = static_cast<int>(u16(buffer, 2));
    if (u8(buffer, 0) != kTpktVersion || length < kIsoHeaderSize || length > kMaxFrameSize)
        return -1;
    return length;
}

std::optional<QString> Parse_Connection_Confirm(const QByteArray &frame)
{
    if (frame.size() >= 6 && u8(frame, 5) == kCotpConnectionConfirm)
        return std::nullopt;
    if (frame.size() >= 6 && u8(frame, 5) == kCotpDisconnectRequest)
        return QStringLiteral("the PLC refused the ISO connection (check rack and slot)");
    return QStringLiteral("the PLC sent no ISO connection confirm");
}

SetupAnswer Parse_Setup_Communication_Answer(const QByteArray &frame, std::uint16_t pduReference)
{
    SetupAnswer answer;
    const AckPdu ack = parseAck(frame, pduReference);
    if (ack.error) {
        answer.error = ack.error;
    } else if (ack.parameters.size() < 8 || u8(ack.parameters, 0) != kFunctionSetupCommunication) {
        answer.error = QStringLiteral("the PLC did not accept Setup Communication");
    } else {
        answer.pduSize = static_cast<int>(u16(ack.parameters, 6));
        if (answer.pduSize < kJobHeaderSize + 2 + kItemSpecSize)
            answer.error = QStringLiteral("the PLC offered a PDU size of %1 bytes, too small to read").arg(answer.pduSize);
    }
    return answer;
}

ReadAnswer Parse_Read_Var_Answer(const QByteArray &frame, std::uint16_t pduReference, int itemCount)
{
    ReadAnswer answer;
    const AckPdu ack = parseAck(frame, pduReference);
    if (ack.error) {
        answer.error = ack.error;
        return answer;
    }
    if (ack.parameters.size() < 2 || u8(ack.parameters, 0) != kFunctionReadVar
        || u8(ack.parameters, 1) != itemCount) {
        answer.error = QStringLiteral("the PLC's answer does not match the read request");
        return answer;
    }
    // Each item stands alone: an error item is its 4-byte header only, whatever its length
    // field says (snap7 and real PLCs send a length of 4 and no data there), and an answer that
    // ends early fails the items from the one where it ends.
    answer.items.resize(std::size_t(itemCount));
    qsizetype at = 0;
    for (int i = 0; i < itemCount; ++i) {
        ItemAnswer &item = answer.items[std::size_t(i)];
        const auto cutShort = [&] {
            for (int k = i; k < itemCount; ++k) {
                answer.items[std::size_t(k)].returnCode = 0;
                answer.items[std::size_t(k)].error =
                    QStringLiteral("the PLC's answer is cut short at item %1 of %2").arg(i + 1).arg(itemCount);
            }
        };
        if (at >= ack.data.size()) {
            cutShort();
            break;
        }
        item.returnCode = u8(ack.data, at);
        if (item.returnCode != kReturnSuccess) {
            at += std::min<qsizetype>(kItemAnswerHeaderSize, ack.data.size() - at); // a header cut short still names the error
            continue;
        }
        if (at + kItemAnswerHeaderSize > ack.data.size()) {
            cutShort();
            break;
        }
        const std::uint8_t size = u8(ack.data, at + 1);
        const unsigned length = u16(ack.data, at + 2);
        // Bit, byte/word and integer sizes count bits; the others count bytes.
        const qsizetype bytes = (size == 0x03 || size == 0x04 || size == 0x05) ? (length + 7) / 8 : length;
        at += kItemAnswerHeaderSize;
        if (at + bytes > ack.data.size()) {
            cutShort();
            break;
        }
        item.data = ack.data.mid(at, bytes);
        at += bytes + (bytes & 1);
    }
    return answer;
}

std::optional<std::uint16_t> Answer_Pdu_Reference(const QByteArray &frame)
{
    if (frame.size() < kIsoHeaderSize + 10 || u8(frame, 5) != kCotpData || u8(frame, kIsoHeaderSize) != kProtocolId)
        return std::nullopt;
    const std::uint8_t rosctr = u8(frame, kIsoHeaderSize + 1);
    if (rosctr != kRosctrAck && rosctr != kRosctrAckData && rosctr != kRosctrUserData)
        return std::nullopt;
    return static_cast<std::uint16_t>(u16(frame, kIsoHeaderSize + 4));
}

QString Return_Code_Text(std::uint8_t code)
{
    switch (code) {
    case 0xFF: return QStringLiteral("success");
    case 0x01: return QStringLiteral("hardware fault (0x01)");
    case 0x03: return QStringLiteral("access to the object not allowed (0x03)");
    case 0x05: return QStringLiteral("address out of range (0x05)");
    case 0x06: return QStringLiteral("data type not supported (0x06)");
    case 0x07: return QStringLiteral("data type inconsistent (0x07)");
    case 0x0A: return QStringLiteral("object does not exist (0x0A)");
    default: return QStringLiteral("PLC return code %1").arg(hex2(code));
    }
}

QString Header_Error_Text(std::uint8_t errorClass, std::uint8_t errorCode)
{
    QString what;
    switch (errorClass) {
    case 0x81: what = QStringLiteral("application relationship error"); break;
    case 0x82: what = QStringLiteral("object definition error"); break;
    case 0x83: what = QStringLiteral("no resources available"); break;
    case 0x84: what = QStringLiteral("error on service processing"); break;
    case 0x85: what = QStringLiteral("error on supplies"); break;
    case 0x87: what = QStringLiteral("access error"); break;
    default: what = QStringLiteral("error"); break;
    }
    if (errorClass == 0x81 && errorCode == 0x04)
        what = QStringLiteral("function not supported by the PLC");
    else if (errorClass == 0x85 && errorCode == 0x00)
        what = QStringLiteral("request longer than the PLC's PDU size");
    return QStringLiteral("PLC %1 (%2%3)").arg(what, hex2(errorClass), hex2(errorCode).mid(2));
}

} // namespace S7
