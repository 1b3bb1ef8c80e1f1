#pragma once

#include "s7access/S7Protocol.h"
#include "s7access/S7Rule.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class TextTable;

// One S7 connection of the device: a PLC address with a TCP port. -1 everywhere when free.
struct TIPPort
{
    int IP1 = -1;
    int IP2 = -1;
    int IP3 = -1;
    int IP4 = -1;
    int Port = -1;
    bool operator==(const TIPPort &) const = default;
};

// The device holds at most 10 connections, shared by the read and write rules. Entries are
// taken from the front, so the free ones always form the tail.
inline constexpr int kMaxConnections = 10;
using IpPortTable = std::array<TIPPort, kMaxConnections>;

// The index of the entry holding (b1.b2.b3.b4, p), taking the first free entry for a new
// connection; -1 when the connection is new and the table is full.
int Check_IP_Port(IpPortTable &array_ip_Port, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                  std::uint8_t b4, int p);

// A rule that may not be saved: its list, 1-based row, the text index of the failed check,
// the message the editor shows ("Error row " + row + failure text [+ limit - 1]) and the field
// the check reads (PLC_Address for the connection check).
struct S7Fault
{
    S7Rule::List list;
    int row;
    int textId;
    QString message;
    S7Rule::Field field = S7Rule::Field::PLC_Address;
    bool operator==(const S7Fault &) const = default;
};

// Checks every enabled rule in use, the whole read list first, then the write list; each list
// ends at its first rule whose trimmed PLC_Address is empty. Answers the first fault, or
// nothing when the lists may be saved. `array_ip_Port` is cleared first and left as the run
// built it.
std::optional<S7Fault> Controllo_dati(const S7RuleList &read, const S7RuleList &write,
                                      const PositionLimits &limits, const TextTable &texts,
                                      IpPortTable &array_ip_Port);
std::optional<S7Fault> Controllo_dati(const S7RuleList &read, const S7RuleList &write,
                                      const PositionLimits &limits, const TextTable &texts);

// Every faulty rule, one fault each (its first failing check), in the same order. The
// connection table fills as in Controllo_dati; a rule refused for an eleventh connection
// does not take one.
std::vector<S7Fault> Controllo_dati_All(const S7RuleList &read, const S7RuleList &write,
                                        const PositionLimits &limits, const TextTable &texts);

// The field of the first check that one enabled rule fails on its own (the count of
// connections, which depends on the other rules, is not checked), or nothing when it passes.
// `positionLimit` is the byte count of the rule's area.
std::optional<S7Rule::Field> First_Refused_Field(const S7Rule &rule, S7Rule::List list, int positionLimit);
