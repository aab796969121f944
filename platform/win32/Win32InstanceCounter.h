// The one-instance gate: a named object in the session's own namespace ("Local\"),
// one name per executable. A second start in the same session finds the name taken;
// another user's session has a namespace of its own, so each user gets an instance.
#pragma once

#include <windows.h>

#include <string>

#include "platform/System.h"

namespace win32 {

class Win32InstanceCounter final : public platform::IInstanceCounter {
public:
    explicit Win32InstanceCounter(const char* programName);
    ~Win32InstanceCounter() override;
    Win32InstanceCounter(const Win32InstanceCounter&) = delete;
    Win32InstanceCounter& operator=(const Win32InstanceCounter&) = delete;

    bool tryEnter() override;

private:
    std::string m_name;
    // Held for the life of the process: the name is taken as long as it is open.
    HANDLE m_object = nullptr;
};

}  // namespace win32
