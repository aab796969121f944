#include "platform/win32/Win32Files.h"

#include <windows.h>

namespace win32 {

std::uint32_t Win32Files::windowsDirectory(char* buffer, std::uint32_t size) {
    return GetWindowsDirectoryA(buffer, size);
}

platform::FileHandle Win32Files::createFile(const char* path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                                            std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) {
    HANDLE handle = CreateFileA(path, desiredAccess, shareMode, nullptr, creationDisposition, flagsAndAttributes, nullptr);
    return reinterpret_cast<platform::FileHandle>(handle);
}

bool Win32Files::closeHandle(platform::FileHandle handle) {
    return CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

bool Win32Files::readFile(platform::FileHandle handle, void* buffer, std::uint32_t size, std::uint32_t* done) {
    DWORD moved = 0;
    const BOOL ok = ReadFile(reinterpret_cast<HANDLE>(handle), buffer, size, &moved, nullptr);
    *done = moved;
    return ok != FALSE;
}

bool Win32Files::writeFile(platform::FileHandle handle, const void* data, std::uint32_t size, std::uint32_t* done) {
    DWORD moved = 0;
    const BOOL ok = WriteFile(reinterpret_cast<HANDLE>(handle), data, size, &moved, nullptr);
    *done = moved;
    return ok != FALSE;
}

bool Win32Files::flushFileBuffers(platform::FileHandle handle) {
    return FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

std::uint32_t Win32Files::getFileSize(platform::FileHandle handle) {
    DWORD high = 0;
    const DWORD low = GetFileSize(reinterpret_cast<HANDLE>(handle), &high);
    return high != 0 ? platform::kINVALID_FILE_SIZE : low;
}

std::uint32_t Win32Files::moveFileEx(const char* existing, const char* replacement, std::uint32_t flags) {
    return MoveFileExA(existing, replacement, flags) != FALSE ? 0 : GetLastError();
}

std::uint32_t Win32Files::deleteFile(const char* path) { return DeleteFileA(path) != FALSE ? 0 : GetLastError(); }

}  // namespace win32
