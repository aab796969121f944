// The shell's app-visibility service (Windows 8 and later). Not every MinGW or SDK
// header set declares it, so we declare the two interfaces under our own names; the
// vtables are what matter. A test server standing in for the service can include
// this header too.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace win32 {

// {7E5FE3D9-985F-4908-91F9-EE19F9FD1514}
inline constexpr GUID kCLSID_AppVisibility = {
    0x7E5FE3D9, 0x985F, 0x4908, {0x91, 0xF9, 0xEE, 0x19, 0xF9, 0xFD, 0x15, 0x14}};
// {2246EA2D-CAEA-4444-A3C4-6DE827E44313}
inline constexpr GUID kIID_AppVisibility = {
    0x2246EA2D, 0xCAEA, 0x4444, {0xA3, 0xC4, 0x6D, 0xE8, 0x27, 0xE4, 0x43, 0x13}};
// {6584CE6B-7D82-49C2-89C9-C6BC02BA8C38}
inline constexpr GUID kIID_AppVisibilityEvents = {
    0x6584CE6B, 0x7D82, 0x49C2, {0x89, 0xC9, 0xC6, 0xBC, 0x02, 0xBA, 0x8C, 0x38}};

// MONITOR_APP_VISIBILITY: passed by value as a C enum, which is an int.
enum MonitorAppVisibilityCom : int {
    kMonitorAppVisibilityUnknown = 0,
    kMonitorNoAppVisible = 1,
    kMonitorAppVisible = 2,
};

struct IAppVisibilityEventsCom : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AppVisibilityOnMonitorChanged(HMONITOR monitor,
                                                                    MonitorAppVisibilityCom previousMode,
                                                                    MonitorAppVisibilityCom currentMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE LauncherVisibilityChange(BOOL currentVisibleState) = 0;
};

struct IAppVisibilityCom : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetAppVisibilityOnMonitor(HMONITOR monitor, MonitorAppVisibilityCom* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsLauncherVisible(BOOL* visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IAppVisibilityEventsCom* callback, DWORD* cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) = 0;
};

}  // namespace win32
