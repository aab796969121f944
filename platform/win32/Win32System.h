// Process and system facts from kernel32. The WOW64 entries are looked up once at
// construction because older systems do not export them.
#pragma once

#include "platform/System.h"

namespace win32 {

class Win32System final : public platform::ISystem {
public:
    Win32System();

    std::uint32_t moduleFileName(char* buffer, std::uint32_t size) override;
    std::uint32_t tempPath(char* buffer, std::uint32_t size) override;
    bool isWow64Process() override;
    bool enableWow64FsRedirection(bool enable) override;
    bool getVersion(platform::OsVersion& out) override;

private:
    // Kept untyped here so this header needs no <windows.h>; the .cpp knows the types.
    using AnyEntry = void (*)();
    AnyEntry m_isWow64Process = nullptr;
    AnyEntry m_enableFsRedirection = nullptr;
};

}  // namespace win32
