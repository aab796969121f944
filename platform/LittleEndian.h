// Little-endian fields, the byte order of every multi-byte value the camera, the
// SMBIOS table and the registry hand us.
#pragma once

#include <cstdint>

namespace platform {

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void WriteLe16(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value & 0xFF);
    p[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

inline void WriteLe32(std::uint8_t* p, std::uint32_t value) {
    WriteLe16(p, value);
    WriteLe16(p + 2, value >> 16);
}

}  // namespace platform
