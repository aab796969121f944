#include "platform/win32/Win32System.h"

#include <windows.h>

namespace win32 {

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
using Wow64EnableWow64FsRedirectionFn = BOOLEAN(WINAPI*)(BOOLEAN);

// GetProcAddress answers a FARPROC; going through void (*)() is the one conversion
// between function pointer types the compiler accepts without a warning.
void (*lookUp(HMODULE module, const char* name))() {
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void (*)()>(GetProcAddress(module, name));
}

}  // namespace

Win32System::Win32System() {
    HMODULE kernel = GetModuleHandleA("kernel32");
    m_isWow64Process = lookUp(kernel, "IsWow64Process");
    m_enableFsRedirection = lookUp(kernel, "Wow64EnableWow64FsRedirection");
}

std::uint32_t Win32System::moduleFileName(char* buffer, std::uint32_t size) {
    return GetModuleFileNameA(nullptr, buffer, size);
}

std::uint32_t Win32System::tempPath(char* buffer, std::uint32_t size) { return GetTempPathA(size, buffer); }

bool Win32System::isWow64Process() {
    if (m_isWow64Process == nullptr) {
        return false;
    }
    BOOL wow64 = FALSE;
    if (!reinterpret_cast<IsWow64ProcessFn>(m_isWow64Process)(GetCurrentProcess(), &wow64)) {
        return false;
    }
    return wow64 != FALSE;
}

bool Win32System::enableWow64FsRedirection(bool enable) {
    if (m_enableFsRedirection == nullptr) {
        return false;
    }
    return reinterpret_cast<Wow64EnableWow64FsRedirectionFn>(m_enableFsRedirection)(enable ? TRUE : FALSE) != FALSE;
}

bool Win32System::getVersion(platform::OsVersion& out) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    // Newer SDKs mark GetVersionExA deprecated; the program wants exactly the
    // (possibly compatibility-shimmed) answer it gives.
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    BOOL ok = GetVersionExA(&info);
#if defined(_MSC_VER)
#pragma warning(pop)
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (!ok) {
        return false;
    }
    out.major = info.dwMajorVersion;
    out.minor = info.dwMinorVersion;
    out.build = info.dwBuildNumber;
    out.platformId = info.dwPlatformId;
    return true;
}

}  // namespace win32
