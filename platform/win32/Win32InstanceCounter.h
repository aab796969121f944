// The one-instance gate over a counter that every process of the executable shares
// (a variable in a shared section of the image, handed in by WinMain).
#pragma once

#include <windows.h>

#include "platform/System.h"

namespace win32 {

class Win32InstanceCounter final : public platform::IInstanceCounter {
public:
    explicit Win32InstanceCounter(volatile LONG* counter) : m_counter(counter) {}

    bool tryEnter() override;

private:
    volatile LONG* m_counter;
};

}  // namespace win32
