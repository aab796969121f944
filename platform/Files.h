// Files beyond the module path: the Windows directory, files opened by path, read,
// written, flushed, renamed and deleted, shaped like the kernel32 calls. (Folders are
// made through the shell.)
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
    // ReadFile / WriteFile, synchronous: false when the call failed; `done` (never
    // null) receives the bytes moved.
    virtual bool readFile(FileHandle handle, void* buffer, std::uint32_t size, std::uint32_t* done) = 0;
    virtual bool writeFile(FileHandle handle, const void* data, std::uint32_t size, std::uint32_t* done) = 0;
    // FlushFileBuffers: what was written is on the disk when it returns true.
    virtual bool flushFileBuffers(FileHandle handle) = 0;
    // GetFileSize, the low 32 bits; kINVALID_FILE_SIZE when it fails or the file is
    // larger than that.
    virtual std::uint32_t getFileSize(FileHandle handle) = 0;
    // MoveFileExA, DeleteFileA: 0 on success, otherwise GetLastError's code.
    virtual std::uint32_t moveFileEx(const char* existing, const char* replacement, std::uint32_t flags) = 0;
    virtual std::uint32_t deleteFile(const char* path) = 0;
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
    FileHandle get() const { return m_handle; }
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
