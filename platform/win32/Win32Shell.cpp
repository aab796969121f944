#include "platform/win32/Win32Shell.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

namespace win32 {

bool Win32Shell::getOpenFileName(platform::OpenFileName& ofn) {
    OPENFILENAMEA record{};
    record.lStructSize = sizeof(record);
    record.hwndOwner = reinterpret_cast<HWND>(ofn.owner);
    record.lpstrFilter = ofn.filter;
    record.lpstrFile = ofn.file;
    record.nMaxFile = ofn.fileSize;
    record.Flags = ofn.flags;
    return GetOpenFileNameA(&record) != FALSE;
}

std::uint32_t Win32Shell::commDlgExtendedError() { return CommDlgExtendedError(); }

bool Win32Shell::getSpecialFolderPath(platform::Hwnd owner, char* path, int csidl, bool create) {
    return SHGetSpecialFolderPathA(reinterpret_cast<HWND>(owner), path, csidl, create ? TRUE : FALSE) != FALSE;
}

std::int32_t Win32Shell::createDirectory(platform::Hwnd owner, const char* path) {
    return SHCreateDirectoryExA(reinterpret_cast<HWND>(owner), path, nullptr);
}

std::uint32_t Win32Shell::winExec(const char* commandLine, int showCommand) {
    return WinExec(commandLine, static_cast<UINT>(showCommand));
}

}  // namespace win32
