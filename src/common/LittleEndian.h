#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Little-endian put and get helpers for the device images: least significant byte first.
namespace LittleEndian {

inline void putU8(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value)
{
    bytes[offset] = static_cast<std::uint8_t>(value);
}

inline void putU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value)
{
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void putU32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint32_t getU8(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return bytes[offset];
}

inline std::uint32_t getU16(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return bytes[offset] | (std::uint32_t{bytes[offset + 1]} << 8);
}

inline std::uint32_t getU32(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= std::uint32_t{bytes[offset + i]} << (8 * i);
    return v;
}

} // namespace LittleEndian
