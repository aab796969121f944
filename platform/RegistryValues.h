// Registry values as the program stores and reads them: DWORDs of exactly 4 bytes of
// REG_DWORD, and whole values of any type.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/LittleEndian.h"
#include "platform/Constants.h"
#include "platform/Registry.h"

namespace platform {

// False for a missing value and for one of another type or size.
inline bool ReadDwordValue(IRegistry& registry, RegKey key, const char* name, std::uint32_t& value) {
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    std::uint32_t type = 0;
    std::uint32_t size = sizeof bytes;
    if (key == 0 || registry.queryValue(key, name, &type, bytes, &size) != kERROR_SUCCESS || type != kREG_DWORD ||
        size != sizeof bytes) {
        return false;
    }
    value = platform::ReadLe32(bytes);
    return true;
}

inline Long WriteDwordValue(IRegistry& registry, RegKey key, const char* name, std::uint32_t value) {
    std::uint8_t bytes[4];
    platform::WriteLe32(bytes, value);
    return registry.setValue(key, name, kREG_DWORD, bytes, sizeof bytes);
}

// Registry values are small; anything larger than this is not one we can use.
constexpr std::uint32_t kMaxWholeValueSize = 16u * 1024 * 1024;

// Reads a whole value of any type; false when it is missing, unreadable, empty or
// larger than kMaxWholeValueSize.
inline bool ReadWholeValue(IRegistry& registry, RegKey key, const char* name, std::vector<std::uint8_t>& data) {
    std::uint32_t size = 0;
    if (registry.queryValue(key, name, nullptr, nullptr, &size) != kERROR_SUCCESS || size == 0 ||
        size > kMaxWholeValueSize) {
        return false;
    }
    data.assign(size, 0);
    if (registry.queryValue(key, name, nullptr, data.data(), &size) != kERROR_SUCCESS || size == 0 ||
        size > data.size()) {
        return false;
    }
    data.resize(size);
    return true;
}

}  // namespace platform
