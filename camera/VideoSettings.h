// The video settings command: the property pages the camera driver publishes for its
// capture filter, in the standard property frame. The command lists the devices
// itself, shows the pages of the chosen one and empties the list again when the
// frame closes.
#pragma once

#include "camera/VideoDeviceList.h"
#include "common/WindowPort.h"
#include "platform/System.h"
#include "platform/WindowHost.h"

namespace camera {

class VideoSettings {
public:
    VideoSettings(VideoDeviceList& devices, platform::ICom& com, platform::IWindowHost& window,
                  common::IWindowPort& port)
        : m_devices(devices), m_com(com), m_window(window), m_port(port) {}
    VideoSettings(const VideoSettings&) = delete;
    VideoSettings& operator=(const VideoSettings&) = delete;

    // Tray item 32772 and button 1000.
    void OnVideoSetting();

    bool frameOpen() const { return m_bFrameOpen; }

private:
    VideoDeviceList& m_devices;
    platform::ICom& m_com;
    platform::IWindowHost& m_window;
    common::IWindowPort& m_port;
    // The frame is modal, but the loop inside it still dispatches posted commands: a
    // second request while it is open is refused rather than nested.
    bool m_bFrameOpen = false;
};

}  // namespace camera
