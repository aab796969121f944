// Basic value types shared by every interface of the system layer. They have the
// width and signedness of their Win32 counterparts so the Win32 side is a plain cast.
#pragma once

#include <cstdint>

namespace platform {

using Hwnd = std::uintptr_t;      // window handle
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using HResult = std::int32_t;     // COM status: 0 success, negative failure
using Long = std::int32_t;        // Win32 LONG / error code
using MenuHandle = std::uintptr_t;
using IconHandle = std::uintptr_t;  // HICON
using RegKey = std::uintptr_t;    // an opened registry key
using MonitorHandle = std::uintptr_t;

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

inline bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.data4[i] != b.data4[i]) {
            return false;
        }
    }
    return true;
}
inline bool operator!=(const Guid& a, const Guid& b) { return !(a == b); }

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct Size {
    int cx = 0;
    int cy = 0;
};

}  // namespace platform
