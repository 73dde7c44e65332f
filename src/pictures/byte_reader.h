// Little-endian fields of an untrusted buffer. Offsets are 64-bit so that a
// header's lying size can be added without wrapping. A read that does not fit
// yields 0: callers check a structure's extent once with Fits() and then read
// its fields, and a field they did not check can only read as zero, never
// from outside the buffer.
#pragma once

#include <cstdint>
#include <span>

namespace nuvra::pictures {

inline bool Fits(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t count)
{
    return offset <= bytes.size() && count <= bytes.size() - offset;
}

inline std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    if (!Fits(bytes, offset, 2))
        return 0;
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    if (!Fits(bytes, offset, 4))
        return 0;
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline std::int16_t ReadS16(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return static_cast<std::int16_t>(ReadU16(bytes, offset));
}

inline std::int32_t ReadS32(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return static_cast<std::int32_t>(ReadU32(bytes, offset));
}

}  // namespace nuvra::pictures
