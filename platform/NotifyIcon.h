// The shell's notification area: Shell_NotifyIconA with the NOTIFYICONDATAA record.
#pragma once

#include <cstdint>

#include "platform/Constants.h"
#include "platform/Types.h"

namespace platform {

// NOTIFYICONDATAA, member for member with the same names and text sizes. The system
// layer copies every member into the system's own record and states that record's size
// to the shell: cbSize here is the 32-bit record's size, which a 64-bit shell would take
// for a Windows 95 record without balloons.
struct NotifyIconData {
    std::uint32_t cbSize = kNOTIFYICONDATAA_SIZE;
    Hwnd hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;  // kNIF_ flags: which members the request carries
    std::uint32_t uCallbackMessage = 0;
    IconHandle hIcon = 0;
    char szTip[128] = {};
    std::uint32_t dwState = 0;
    std::uint32_t dwStateMask = 0;
    char szInfo[256] = {};
    std::uint32_t uTimeout = 0;  // shares its place with uVersion
    char szInfoTitle[64] = {};
    std::uint32_t dwInfoFlags = 0;  // kNIIF_ balloon icon
    Guid guidItem = {};
    IconHandle hBalloonIcon = 0;
};

class INotifyIcon {
public:
    virtual ~INotifyIcon() = default;
    // Shell_NotifyIconA(message, &data) with kNIM_ADD, kNIM_MODIFY or kNIM_DELETE; the
    // shell refuses a modify or delete for an icon (hWnd, uID) it does not hold.
    virtual bool shellNotifyIcon(std::uint32_t message, const NotifyIconData& data) = 0;
};

}  // namespace platform
