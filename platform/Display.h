// The display: its current mode and its monitors.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Types.h"

namespace platform {

// The part of the display-mode record the program looks at.
struct DisplayMode {
    std::uint32_t dmFields = 0;
    std::uint32_t dmDisplayOrientation = 0;
};

class IDisplay {
public:
    virtual ~IDisplay() = default;
    // EnumDisplaySettingsExA(NULL, ENUM_CURRENT_SETTINGS, mode, EDS_ROTATEDMODE) on a
    // zero-filled record; the fields are copied back whatever the call answered.
    virtual bool currentModeRotated(DisplayMode& mode) = 0;
    // EnumDisplayMonitors over the whole desktop.
    virtual std::vector<MonitorHandle> monitors() = 0;
};

}  // namespace platform
