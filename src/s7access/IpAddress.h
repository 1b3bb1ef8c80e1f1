#pragma once

#include <QString>
#include <array>
#include <cstdint>

// Dotted IPv4 text to four bytes. `error` is true when the text is not a valid address. The
// text is not trimmed: each part follows Text_To_Int, so a leading blank, a sign or a
// hexadecimal prefix is accepted and a trailing blank is not. An empty text leaves `bytes`
// unchanged; a part out of range is stored as 0.
struct ParsedIp
{
    bool error = false;
    std::array<std::uint8_t, 4> bytes{};

    // a × 2^24 + b × 2^16 + c × 2^8 + d
    std::uint32_t value() const
    {
        return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16)
            | (std::uint32_t{bytes[2]} << 8) | bytes[3];
    }
};

ParsedIp Parse_IP_Address(QStringView text, std::array<std::uint8_t, 4> previous = {});
