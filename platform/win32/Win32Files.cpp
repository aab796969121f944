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

}  // namespace win32
