#include "platform/win32/Win32NotifyIcon.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace win32 {

// The portable record states the size of the 32-bit system record (508 bytes), which
// the 32-bit build passes unchanged. The shell judges which members a record carries by
// its size among the sizes it knows for the caller's own build: 508 bytes from a 64-bit
// process is none of them, so it takes a Windows 95 record and silently drops the balloon.
// Every member is copied into the system record below, so its own size is the one to state.
static_assert(sizeof(NOTIFYICONDATAA) >= platform::kNOTIFYICONDATAA_SIZE, "the system record holds every member");

namespace {

template <std::size_t N, std::size_t M>
void copyText(CHAR (&to)[N], const char (&from)[M]) {
    static_assert(N == M, "text members have the system's sizes");
    std::memcpy(to, from, N);
    to[N - 1] = '\0';
}

}  // namespace

bool Win32NotifyIcon::shellNotifyIcon(std::uint32_t message, const platform::NotifyIconData& data) {
    NOTIFYICONDATAA record;
    std::memset(&record, 0, sizeof record);
    record.cbSize = sizeof record;
    record.hWnd = reinterpret_cast<HWND>(data.hWnd);
    record.uID = data.uID;
    record.uFlags = data.uFlags;
    record.uCallbackMessage = data.uCallbackMessage;
    record.hIcon = reinterpret_cast<HICON>(data.hIcon);
    copyText(record.szTip, data.szTip);
    record.dwState = data.dwState;
    record.dwStateMask = data.dwStateMask;
    copyText(record.szInfo, data.szInfo);
    record.uTimeout = data.uTimeout;
    copyText(record.szInfoTitle, data.szInfoTitle);
    record.dwInfoFlags = data.dwInfoFlags;
    record.guidItem.Data1 = data.guidItem.data1;
    record.guidItem.Data2 = data.guidItem.data2;
    record.guidItem.Data3 = data.guidItem.data3;
    std::memcpy(record.guidItem.Data4, data.guidItem.data4, sizeof record.guidItem.Data4);
    record.hBalloonIcon = reinterpret_cast<HICON>(data.hBalloonIcon);
    return Shell_NotifyIconA(message, &record) != FALSE;
}

}  // namespace win32
