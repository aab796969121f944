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
using RegKey = std::uintptr_t;    // an opened registry key

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
