#include "platform/win32/Win32Clock.h"

#include <windows.h>

namespace win32 {

void Win32Clock::sleep(std::uint32_t milliseconds) {
    // A pause of 0 (Delay=0) is no pause: Sleep(0) would only offer the processor to
    // any other ready thread, which on a busy machine can hold the rotation a whole
    // time slice.
    if (milliseconds != 0) {
        Sleep(milliseconds);
    }
}

std::uint32_t Win32Clock::tickCount() const { return GetTickCount(); }

bool Win32Clock::localTime(std::tm& out) const {
    std::time_t now = std::time(nullptr);
    // The program runs on one thread, so the runtime's shared result buffer is safe
    // as long as we copy it out at once.
    const std::tm* local = std::localtime(&now);
    if (local == nullptr) {
        return false;
    }
    out = *local;
    return true;
}

}  // namespace win32
