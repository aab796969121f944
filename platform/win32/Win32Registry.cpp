#include "platform/win32/Win32Registry.h"

#include <windows.h>

namespace win32 {

namespace {

HKEY rootOf(platform::Hive hive) {
    switch (hive) {
    case platform::Hive::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case platform::Hive::CurrentUser:
        return HKEY_CURRENT_USER;
    case platform::Hive::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    }
    return nullptr;
}

HKEY toKey(platform::RegKey key) { return reinterpret_cast<HKEY>(key); }
platform::RegKey fromKey(HKEY key) { return reinterpret_cast<platform::RegKey>(key); }

}  // namespace

platform::Long Win32Registry::openKey(platform::Hive hive, const std::string& subKey, std::uint32_t samDesired,
                                      platform::RegKey& out) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(rootOf(hive), subKey.c_str(), 0, samDesired, &key);
    out = status == ERROR_SUCCESS ? fromKey(key) : 0;
    return status;
}

platform::Long Win32Registry::createKey(platform::Hive hive, const std::string& subKey, std::uint32_t samDesired,
                                        platform::RegKey& out) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(rootOf(hive), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, samDesired,
                                  nullptr, &key, nullptr);
    out = status == ERROR_SUCCESS ? fromKey(key) : 0;
    return status;
}

platform::Long Win32Registry::closeKey(platform::RegKey key) { return RegCloseKey(toKey(key)); }

platform::Long Win32Registry::queryValue(platform::RegKey key, const char* name, std::uint32_t* type,
                                         std::uint8_t* data, std::uint32_t* size) {
    // DWORD is unsigned long on Windows: same width as ours, different type.
    DWORD valueType = 0;
    DWORD valueSize = size != nullptr ? *size : 0;
    LONG status = RegQueryValueExA(toKey(key), name, nullptr, type != nullptr ? &valueType : nullptr, data,
                                   size != nullptr ? &valueSize : nullptr);
    if (type != nullptr) {
        *type = valueType;
    }
    if (size != nullptr) {
        *size = valueSize;
    }
    return status;
}

platform::Long Win32Registry::setValue(platform::RegKey key, const char* name, std::uint32_t type,
                                       const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExA(toKey(key), name, 0, type, data, size);
}

platform::Long Win32Registry::deleteValue(platform::RegKey key, const char* name) {
    return RegDeleteValueA(toKey(key), name);
}

}  // namespace win32
