#pragma once

#include "s7access/PlcCheck.h"
#include "s7access/PlcIdentity.h"

#include <QString>
#include <cstdint>
#include <optional>

// A scan for PLCs never tries more addresses than this, and never beyond the range typed.
inline constexpr int kMaxScanAddresses = 256;

// A PLC found by a scan, at the rack and slot that answered.
struct FoundPlc
{
    PlcEndpoint plc;
    PlcIdentity identity;
};

// Strict dotted IPv4 text ("127.0.0.1"): four decimal parts of 0 to 255, nothing else.
std::optional<std::uint32_t> Parse_Dotted_Ipv4(const QString &text);
// Why FIRST..LAST is no range to scan, or nothing: "the first address is after the last", or
// "the range holds 300 addresses; a scan tries at most 256".
std::optional<QString> Scan_Range_Error(std::uint32_t first, std::uint32_t last);
