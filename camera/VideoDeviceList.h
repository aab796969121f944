// The video capture devices: the list a rotation pass or a mounting probe builds
// (and empties again), with its menu items and combo box entries, the lookup of the
// integrated camera, and the user's choice among the listed devices.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera/VideoDeviceEntry.h"
#include "common/WindowPort.h"
#include "config/Settings.h"
#include "platform/Menus.h"
#include "platform/VideoCatalog.h"
#include "platform/WindowHost.h"

namespace camera {

class VideoDeviceList {
public:
    VideoDeviceList(platform::IVideoCatalog& video, platform::IMenus& menus, platform::IWindowHost& window,
                    common::IWindowPort& port, const config::Settings& settings)
        : m_video(video), m_menus(menus), m_window(window), m_port(port), m_settings(settings) {}
    ~VideoDeviceList() { RemoveDevice(); }
    VideoDeviceList(const VideoDeviceList&) = delete;
    VideoDeviceList& operator=(const VideoDeviceList&) = delete;

    // The "Device Option" submenu the entries are listed in.
    void bindMenu(platform::MenuHandle deviceMenu) { m_hDeviceMenu = deviceMenu; }
    platform::MenuHandle deviceMenu() const { return m_hDeviceMenu; }

    // Lists the devices whose friendly name holds the settings' VideoFriendly text and
    // whose driver answers the custom property interface; the first is selected.
    // untilChosen: the walk ends once an entry is listed. FindSelectedVideoDevice
    // answers the same then (an entry listed later is never selected, nor the front),
    // so a caller that needs only the chosen device binds no other.
    void EnumVideoDevice(bool untilChosen = false);
    // Empties the list, its menu items and the combo box.
    int RemoveDevice();
    // The selected entry (the first one when entries exist but none is selected);
    // leaves CVIterator on it.
    VideoDeviceEntry* FindSelectedVideoDevice();
    // The last device named exactly "Integrated Camera", bound.
    platform::HResult FindIntegratedCamera(std::unique_ptr<platform::ICaptureFilter>& filter, std::string* message);

    // The user's choice, by menu command 33000-33500 or by combo box 1002.
    void OnVideoDeviceMenu(std::uint32_t id);
    void OnVideoDeviceBox();

    const std::vector<VideoDeviceEntry>& entries() const { return m_VideoDevices; }
    int count() const { return m_nVideoCount; }

private:
    // Moves the selection mark to `entry`, in the menu and the combo box.
    void Select(VideoDeviceEntry& entry);

    platform::IVideoCatalog& m_video;
    platform::IMenus& m_menus;
    platform::IWindowHost& m_window;
    common::IWindowPort& m_port;
    const config::Settings& m_settings;
    platform::MenuHandle m_hDeviceMenu = 0;

    int m_nVideoCount = 0;
    std::vector<VideoDeviceEntry> m_VideoDevices;
    VideoDeviceEntry* CVIterator = nullptr;
};

}  // namespace camera
