#include "platform/win32/Win32Resources.h"

#include <windows.h>

namespace win32 {

int Win32Resources::loadString(std::uint32_t id, char* buffer, int size) {
    return LoadStringA(GetModuleHandleA(nullptr), id, buffer, size);
}

platform::IconHandle Win32Resources::loadIcon(std::uint32_t id) {
    return reinterpret_cast<platform::IconHandle>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
}

}  // namespace win32
