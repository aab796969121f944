// The display through user32: the current mode as rotated, and the monitors.
#pragma once

#include "platform/Display.h"

namespace win32 {

class Win32Display final : public platform::IDisplay {
public:
    bool currentModeRotated(platform::DisplayMode& mode) override;
    std::vector<platform::MonitorHandle> monitors() override;
};

}  // namespace win32
