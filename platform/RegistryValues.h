// DWORD values as the program stores and reads them: exactly 4 bytes of REG_DWORD.
#pragma once

#include <cstdint>
#include <cstring>

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
    std::memcpy(&value, bytes, sizeof value);
    return true;
}

inline Long WriteDwordValue(IRegistry& registry, RegKey key, const char* name, std::uint32_t value) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    return registry.setValue(key, name, kREG_DWORD, bytes, sizeof bytes);
}

}  // namespace platform
