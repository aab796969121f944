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
    bool readFile(platform::FileHandle handle, void* buffer, std::uint32_t size, std::uint32_t* done) override;
    bool writeFile(platform::FileHandle handle, const void* data, std::uint32_t size, std::uint32_t* done) override;
    bool flushFileBuffers(platform::FileHandle handle) override;
    std::uint32_t getFileSize(platform::FileHandle handle) override;
    std::uint32_t moveFileEx(const char* existing, const char* replacement, std::uint32_t flags) override;
    std::uint32_t deleteFile(const char* path) override;
};

}  // namespace win32
