#include "platform/win32/Win32Display.h"

#include <windows.h>

namespace win32 {

namespace {

// The ANSI record is what EnumDisplaySettingsExA checks dmSize against; a wrong
// header set would make every query fail, so catch it at build time.
static_assert(sizeof(DEVMODEA) == 156, "DEVMODEA must be the 156-byte ANSI record");

BOOL CALLBACK collectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    auto* found = reinterpret_cast<std::vector<platform::MonitorHandle>*>(context);
    found->push_back(reinterpret_cast<platform::MonitorHandle>(monitor));
    return TRUE;
}

}  // namespace

bool Win32Display::currentModeRotated(platform::DisplayMode& mode) {
    DEVMODEA devMode;
    ZeroMemory(&devMode, sizeof(devMode));
    devMode.dmSize = sizeof(DEVMODEA);
    BOOL ok = EnumDisplaySettingsExA(nullptr, ENUM_CURRENT_SETTINGS, &devMode, EDS_ROTATEDMODE);
    // Copied even on failure: the caller reads the fields whatever the answer, and a
    // failed call leaves them zero.
    mode.dmFields = devMode.dmFields;
    mode.dmDisplayOrientation = devMode.dmDisplayOrientation;
    return ok != FALSE;
}

std::vector<platform::MonitorHandle> Win32Display::monitors() {
    std::vector<platform::MonitorHandle> found;
    EnumDisplayMonitors(nullptr, nullptr, &collectMonitor, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace win32
