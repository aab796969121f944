#include "camera/VideoDeviceList.h"

#include <cstring>
#include <string>

#include "camera/DeviceItems.h"
#include "common/Messages.h"
#include "platform/Constants.h"
#include "platform/VideoDeviceWalk.h"
#include "resources/resource.h"

using namespace platform;

namespace camera {
namespace {

constexpr const char* kIntegratedCameraName = "Integrated Camera";
// The lookup converts names into an 80-byte buffer: longer names never match.
constexpr std::size_t kIntegratedNameBuffer = 80;
constexpr const char* kNoHardwareText = "No video capture hardware was detected.\r\n";
// Menu ids 33000-33500 are the video items; a machine with more devices than that
// lists the first ones.
constexpr std::size_t kMaxVideoEntries = kVideoCommandLast - kVideoCommandFirst + 1;

bool Succeeded(HResult hr) { return hr >= 0; }

}  // namespace

void VideoDeviceList::EnumVideoDevice(bool untilChosen) {
    m_port.WriteLog("CoCreateInstance", 1);
    const VideoWalkResult walk =
        WalkVideoInputDevices(m_video, kCLSCTX_INPROC_SERVER, [this, untilChosen](IDeviceMoniker& moniker, int) {
            const FriendlyName friendlyName = ReadFriendlyName(moniker);
            if (!friendlyName.hasBag) {
                return true;
            }
            m_port.WriteLog(friendlyName.text, 1);
            m_port.WriteLog(m_settings.VideoFriendly, 0);
            if (!Succeeded(friendlyName.read) || friendlyName.text.find(m_settings.VideoFriendly) == std::string::npos ||
                m_VideoDevices.size() >= kMaxVideoEntries) {
                return true;
            }
            std::unique_ptr<ICaptureFilter> filter;
            if (!Succeeded(moniker.bindToObject(filter)) || !filter) {
                return true;
            }
            std::unique_ptr<ICameraCustomProperty> custom;
            if (!Succeeded(filter->queryCustomProperty(custom)) || !custom) {
                return true;
            }

            VideoDeviceEntry entry;
            entry.moniker = moniker.addRef();
            entry.filter = std::move(filter);
            entry.pCmp = std::move(custom);
            entry.commandId = kVideoCommandFirst + static_cast<std::uint32_t>(m_nVideoCount);
            entry.selected = 0;
            std::strncpy(entry.name, friendlyName.text.c_str(), kDeviceNameSize - 1);
            if (m_nVideoCount != 0) {
                AppendNumberSuffix(entry.name, m_nVideoCount + 1);
            }

            m_menus.insertMenu(m_hDeviceMenu, static_cast<std::uint32_t>(m_nVideoCount), kMF_BYPOSITION,
                               entry.commandId, entry.name);
            m_window.comboAddString(IDC_VIDEO_DEVICE, entry.name);
            if (m_nVideoCount == 0) {
                MarkChosenDevice(m_menus, m_hDeviceMenu, m_window, IDC_VIDEO_DEVICE, entry.commandId, entry.name);
                entry.selected = 1;
            }
            CVIterator = nullptr;  // the list may move as it grows
            m_VideoDevices.push_back(std::move(entry));
            ++m_nVideoCount;
            return !untilChosen;
        });
    if (!walk.haveEnumerator) {
        m_window.messageBox("Error Creating Device Enumerator", "ERROR", kMB_OK);
    } else if (walk.hr != kS_OK) {
        m_port.post(common::kMsgGrayOut, 1, 0);
    }
}

int VideoDeviceList::RemoveDevice() {
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        CVIterator = &entry;
        entry.pCmp.reset();
        entry.filter.reset();
        entry.moniker.reset();
        if (m_hDeviceMenu != 0) {
            m_menus.deleteMenu(m_hDeviceMenu, entry.commandId, kMF_BYCOMMAND);
        }
    }
    m_VideoDevices.clear();
    CVIterator = nullptr;
    m_window.comboResetContent(IDC_VIDEO_DEVICE);
    m_nVideoCount = 0;
    return 0;
}

VideoDeviceEntry* VideoDeviceList::FindSelectedVideoDevice() {
    CVIterator = nullptr;
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        if (entry.selected == 1) {
            CVIterator = &entry;
            return CVIterator;
        }
    }
    if (!m_VideoDevices.empty()) {
        CVIterator = &m_VideoDevices.front();
    }
    return CVIterator;
}

HResult VideoDeviceList::FindIntegratedCamera(std::unique_ptr<ICaptureFilter>& filter, std::string* message) {
    filter.reset();
    std::unique_ptr<ICaptureFilter> found;
    const VideoWalkResult walk = WalkVideoInputDevices(m_video, kCLSCTX_ALL, [&found](IDeviceMoniker& moniker, int) {
        const FriendlyName name = ReadFriendlyName(moniker);
        if (name.hasBag && Succeeded(name.read) && name.text.size() < kIntegratedNameBuffer &&
            name.text == kIntegratedCameraName) {
            // Keep walking: of several such devices the last one counts.
            std::unique_ptr<ICaptureFilter> candidate;
            if (Succeeded(moniker.bindToObject(candidate)) && candidate) {
                found = std::move(candidate);
            }
        }
        return true;
    });
    if (walk.hr != kS_OK) {
        if (message != nullptr) {
            *message += kNoHardwareText;
        }
        return walk.hr;
    }
    if (!found) {
        return 1;
    }
    filter = std::move(found);
    return 0;
}

void VideoDeviceList::Select(VideoDeviceEntry& entry) {
    MarkChosenDevice(m_menus, m_hDeviceMenu, m_window, IDC_VIDEO_DEVICE, entry.commandId, entry.name);
    entry.selected = 1;
    CVIterator = &entry;
}

void VideoDeviceList::OnVideoDeviceMenu(std::uint32_t id) {
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        if (entry.selected == 1) {
            entry.selected = 0;
            m_menus.checkMenuItem(m_hDeviceMenu, entry.commandId, kMF_BYCOMMAND);
        }
    }
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        if (entry.commandId == id) {
            Select(entry);
            break;
        }
    }
}

void VideoDeviceList::OnVideoDeviceBox() {
    const int selection = m_window.comboGetCurSel(IDC_VIDEO_DEVICE);
    const std::string text = m_window.comboGetText(IDC_VIDEO_DEVICE, selection);
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        if (entry.selected == 1) {
            entry.selected = 0;
            m_menus.checkMenuItem(m_hDeviceMenu, entry.commandId, kMF_BYCOMMAND);
            break;
        }
    }
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        if (text == entry.name) {
            Select(entry);
            break;
        }
    }
}

}  // namespace camera
