// Private-profile files through kernel32.
#pragma once

#include "platform/Profile.h"

namespace win32 {

class Win32Profile final : public platform::IProfile {
public:
    std::uint32_t getString(const char* section, const char* key, const char* defaultValue, char* buffer,
                            std::uint32_t size, const char* fileName) override;
    std::uint32_t getInt(const char* section, const char* key, int defaultValue, const char* fileName) override;
    bool writeString(const char* section, const char* key, const char* value, const char* fileName) override;
};

}  // namespace win32
