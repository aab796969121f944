#include "platform/win32/Win32InstanceCounter.h"

namespace win32 {

Win32InstanceCounter::Win32InstanceCounter(const char* programName)
    : m_name(std::string("Local\\") + programName + ".BackGrou") {}

Win32InstanceCounter::~Win32InstanceCounter() {
    if (m_object != nullptr) {
        CloseHandle(m_object);
    }
}

bool Win32InstanceCounter::tryEnter() {
    if (m_object != nullptr) {
        return false;
    }
    HANDLE object = CreateMutexA(nullptr, FALSE, m_name.c_str());
    // No object (the name taken by something we may not open) is no way in either.
    if (object == nullptr) {
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(object);
        return false;
    }
    m_object = object;
    return true;
}

}  // namespace win32
