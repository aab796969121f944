// Files and folders from kernel32.
#pragma once

#include "platform/Files.h"

namespace win32 {

class Win32Files final : public platform::IFiles {
public:
    std::uint32_t windowsDirectory(char* buffer, std::uint32_t size) override;
    platform::FileHandle createFile(const char* path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                                    std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
    bool closeHandle(platform::FileHandle handle) override;
};

}  // namespace win32
