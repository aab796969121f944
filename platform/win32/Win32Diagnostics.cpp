#include "platform/win32/Win32Diagnostics.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace win32 {

void Win32Diagnostics::writeStdout(const std::wstring& text) {
    // A GUI program usually has no console: the runtime's stdout then has no valid
    // handle and both calls just report an error, which nobody needs to hear about.
    std::fputws(text.c_str(), stdout);
    std::fflush(stdout);
}

void Win32Diagnostics::outputDebugString(const std::string& text) { OutputDebugStringA(text.c_str()); }

}  // namespace win32
