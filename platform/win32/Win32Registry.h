// The registry through advapi32; keys are HKEYs carried as integers.
#pragma once

#include "platform/Registry.h"

namespace win32 {

class Win32Registry final : public platform::IRegistry {
public:
    platform::Long openKey(platform::Hive hive, const std::string& subKey, std::uint32_t samDesired,
                           platform::RegKey& out) override;
    platform::Long createKey(platform::Hive hive, const std::string& subKey, std::uint32_t samDesired,
                             platform::RegKey& out) override;
    platform::Long closeKey(platform::RegKey key) override;
    platform::Long queryValue(platform::RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size) override;
    platform::Long setValue(platform::RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                            std::uint32_t size) override;
    platform::Long deleteValue(platform::RegKey key, const char* name) override;
};

}  // namespace win32
