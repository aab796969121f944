// The system's app-visibility service: whether the Start screen (launcher) or a
// full-screen app covers a monitor, and events when that changes.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Types.h"

namespace platform {

// Implemented by the program; the system calls it on the program's thread.
class IAppVisibilityEvents {
public:
    virtual HResult AppVisibilityOnMonitorChanged(MonitorHandle monitor, int previousMode, int currentMode) = 0;
    virtual HResult LauncherVisibilityChange(bool currentVisibleState) = 0;

protected:
    ~IAppVisibilityEvents() = default;
};

// One app visibility object; released when destroyed.
class IAppVisibility {
public:
    virtual ~IAppVisibility() = default;
    virtual HResult GetAppVisibilityOnMonitor(MonitorHandle monitor, int& mode) = 0;
    virtual HResult IsLauncherVisible(bool& visible) = 0;
    // The sink must stay alive until Unadvise; the system holds its own reference to
    // the object that carries the events to it.
    virtual HResult Advise(IAppVisibilityEvents& sink, std::uint32_t& cookie) = 0;
    virtual HResult Unadvise(std::uint32_t cookie) = 0;
};

class IAppVisibilityService {
public:
    virtual ~IAppVisibilityService() = default;
    // CoCreateInstance(CLSID_AppVisibility, in-process, IID_IAppVisibility).
    virtual HResult create(std::unique_ptr<IAppVisibility>& out) = 0;
};

}  // namespace platform
