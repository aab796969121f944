// Private-profile (.ini) files, through the same calls as kernel32's.
#pragma once

#include <cstdint>

namespace platform {

class IProfile {
public:
    virtual ~IProfile() = default;
    // GetPrivateProfileStringA with a section and key: copies at most size-1 characters
    // and returns how many were copied.
    virtual std::uint32_t getString(const char* section, const char* key, const char* defaultValue,
                                    char* buffer, std::uint32_t size, const char* fileName) = 0;
    // GetPrivateProfileIntA.
    virtual std::uint32_t getInt(const char* section, const char* key, int defaultValue,
                                 const char* fileName) = 0;
    // WritePrivateProfileStringA: a null value deletes the key, a null key the section.
    virtual bool writeString(const char* section, const char* key, const char* value,
                             const char* fileName) = 0;
};

}  // namespace platform
