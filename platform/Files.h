// Files and folders beyond the module path: the Windows directory, and files opened
// by path, shaped like the kernel32 calls.
#pragma once

#include <cstdint>

#include "platform/Constants.h"

namespace platform {

using FileHandle = std::uintptr_t;  // HANDLE of an opened file

class IFiles {
public:
    virtual ~IFiles() = default;
    // GetWindowsDirectoryA: characters copied without the NUL; when the buffer is too
    // small, the size needed (NUL included) and nothing copied; 0 when it fails.
    virtual std::uint32_t windowsDirectory(char* buffer, std::uint32_t size) = 0;
    // CreateFileA without security attributes or template; kINVALID_HANDLE_VALUE when
    // it fails.
    virtual FileHandle createFile(const char* path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                                  std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) = 0;
    virtual bool closeHandle(FileHandle handle) = 0;
};

// Closes an opened file when it goes out of scope.
class FileHolder {
public:
    explicit FileHolder(IFiles& files) : m_files(files) {}
    ~FileHolder() { reset(); }
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;

    void assign(FileHandle handle) {
        reset();
        m_handle = handle;
    }
    bool valid() const { return m_handle != kINVALID_HANDLE_VALUE && m_handle != 0; }
    void reset() {
        if (valid()) {
            m_files.closeHandle(m_handle);
        }
        m_handle = kINVALID_HANDLE_VALUE;
    }

private:
    IFiles& m_files;
    FileHandle m_handle = kINVALID_HANDLE_VALUE;
};

}  // namespace platform
