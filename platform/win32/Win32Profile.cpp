#include "platform/win32/Win32Profile.h"

#include <windows.h>

namespace win32 {

std::uint32_t Win32Profile::getString(const char* section, const char* key, const char* defaultValue, char* buffer,
                                      std::uint32_t size, const char* fileName) {
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

std::uint32_t Win32Profile::getInt(const char* section, const char* key, int defaultValue, const char* fileName) {
    return GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

bool Win32Profile::writeString(const char* section, const char* key, const char* value, const char* fileName) {
    return WritePrivateProfileStringA(section, key, value, fileName) != FALSE;
}

}  // namespace win32
