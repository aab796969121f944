// Four characters of a hardware id to a 16-bit value, the way identity records have
// always been read.
#pragma once

#include <cstdint>

namespace firmware {

// Reads exactly four characters, most significant first: digits, A-F/a-f and the six
// characters ':' to '?' (10 to 15) count, a NUL or a space adds nothing, and any other
// character gives 0xFFFF.
std::uint16_t ParseHexWord(const char* four);

}  // namespace firmware
