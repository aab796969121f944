// The video capture devices: the list a rotation pass builds, the lookup of the
// integrated camera, and the user's choice among the listed devices.
#include <cstring>
#include <string>

#include "platform/Constants.h"
#include "resources/resource.h"
#include "shell/CBACKDlg.h"
#include "shell/Format.h"
#include "shell/Messages.h"

using namespace platform;
using camera::VideoDeviceEntry;

namespace {

constexpr const char* kIntegratedCameraName = "Integrated Camera";
// The lookup converts names into an 80-byte buffer: longer names never match.
constexpr std::size_t kIntegratedNameBuffer = 80;
constexpr const char* kNoHardwareText = "No video capture hardware was detected.\r\n";
// Menu ids 33000-33500 are the video items; a machine with more devices than that
// lists the first ones.
constexpr std::size_t kMaxVideoEntries = camera::kVideoCommandLast - camera::kVideoCommandFirst + 1;
// A guard for enumerators that never end.
constexpr int kMaxMonikers = 100000;

bool Succeeded(HResult hr) { return hr >= 0; }

// One device of the walk: its moniker and, when its property bag could be bound, the
// result of reading its friendly name.
struct NamedDevice {
    std::unique_ptr<IDeviceMoniker> moniker;
    bool hasBag = false;
    HResult nameRead = kE_FAIL;
    std::string name;
};

// The next device of the category; false at the end.
bool NextDevice(IMonikerEnum& monikers, NamedDevice& device) {
    device = NamedDevice();
    if (monikers.next(device.moniker) != kS_OK || !device.moniker) {
        return false;
    }
    std::unique_ptr<IPropertyBag> bag;
    if (Succeeded(device.moniker->bindToStorage(bag)) && bag) {
        device.hasBag = true;
        device.nameRead = bag->readString("FriendlyName", device.name);
    }
    return true;
}

// "%s #%d", with the name cut so that the number always fits.
void AppendNumberSuffix(char (&name)[camera::kDeviceNameSize], int number) {
    const std::string suffix = shell::Format(" #%d", number);
    const std::size_t room = camera::kDeviceNameSize - 1 - suffix.size();
    if (std::strlen(name) > room) {
        name[room] = '\0';
    }
    std::strncat(name, suffix.c_str(), camera::kDeviceNameSize - 1 - std::strlen(name));
}

}  // namespace

void CBACKDlg::EnumVideoDevice() {
    WriteLog("CoCreateInstance", 1);
    std::unique_ptr<IDeviceEnumerator> deviceEnum;
    if (!Succeeded(m_platform.video.createSystemDeviceEnum(kCLSCTX_INPROC_SERVER, deviceEnum)) || !deviceEnum) {
        m_platform.window.messageBox("Error Creating Device Enumerator", "ERROR", kMB_OK);
        return;
    }
    std::unique_ptr<IMonikerEnum> monikers;
    if (deviceEnum->createClassEnumerator(kCLSID_VideoInputDeviceCategory, 0, monikers) != kS_OK || !monikers) {
        m_platform.window.postMessage(shell::kMsgGrayOut, 1, 0);
        return;
    }
    deviceEnum.reset();
    monikers->reset();

    NamedDevice device;
    for (int step = 0; step < kMaxMonikers && NextDevice(*monikers, device); ++step) {
        if (!device.hasBag) {
            continue;
        }
        const std::string& friendlyName = device.name;
        std::unique_ptr<IDeviceMoniker>& moniker = device.moniker;
        WriteLog(friendlyName, 1);
        WriteLog(m_settings.VideoFriendly, 0);
        if (!Succeeded(device.nameRead) || friendlyName.find(m_settings.VideoFriendly) == std::string::npos) {
            continue;
        }
        if (m_VideoDevices.size() >= kMaxVideoEntries) {
            continue;
        }
        std::unique_ptr<ICaptureFilter> filter;
        if (!Succeeded(moniker->bindToObject(filter)) || !filter) {
            continue;
        }
        std::unique_ptr<ICameraCustomProperty> custom;
        if (!Succeeded(filter->queryCustomProperty(custom)) || !custom) {
            continue;
        }

        VideoDeviceEntry entry;
        entry.moniker = moniker->addRef();
        entry.filter = std::move(filter);
        entry.pCmp = std::move(custom);
        entry.commandId = camera::kVideoCommandFirst + static_cast<std::uint32_t>(m_nVideoCount);
        entry.selected = 0;
        std::strncpy(entry.name, friendlyName.c_str(), camera::kDeviceNameSize - 1);
        if (m_nVideoCount != 0) {
            AppendNumberSuffix(entry.name, m_nVideoCount + 1);
        }

        m_platform.menus.insertMenu(m_hDeviceMenu, static_cast<std::uint32_t>(m_nVideoCount), kMF_BYPOSITION,
                                    entry.commandId, entry.name);
        m_platform.window.comboAddString(IDC_VIDEO_DEVICE, entry.name);
        if (m_nVideoCount == 0) {
            m_platform.menus.checkMenuItem(m_hDeviceMenu, entry.commandId, kMF_BYCOMMAND | kMF_CHECKED);
            m_platform.window.comboSelectString(IDC_VIDEO_DEVICE, -1, entry.name);
            entry.selected = 1;
        }
        CVIterator = nullptr;  // the list may move as it grows
        m_VideoDevices.push_back(std::move(entry));
        ++m_nVideoCount;
    }
}

int CBACKDlg::RemoveDevice() {
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        CVIterator = &entry;
        entry.pCmp.reset();
        entry.filter.reset();
        entry.moniker.reset();
        if (m_hDeviceMenu != 0) {
            m_platform.menus.deleteMenu(m_hDeviceMenu, entry.commandId, kMF_BYCOMMAND);
        }
    }
    m_VideoDevices.clear();
    CVIterator = nullptr;
    m_platform.window.comboResetContent(IDC_VIDEO_DEVICE);
    m_nVideoCount = 0;
    return 0;
}

VideoDeviceEntry* CBACKDlg::FindSelectedVideoDevice() {
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

HResult CBACKDlg::FindIntegratedCamera(std::unique_ptr<ICaptureFilter>& filter, std::string* message) {
    filter.reset();
    std::unique_ptr<IDeviceEnumerator> deviceEnum;
    HResult hr = m_platform.video.createSystemDeviceEnum(kCLSCTX_ALL, deviceEnum);
    std::unique_ptr<IMonikerEnum> monikers;
    if (Succeeded(hr) && deviceEnum) {
        hr = deviceEnum->createClassEnumerator(kCLSID_VideoInputDeviceCategory, 0, monikers);
    } else if (Succeeded(hr)) {
        hr = kE_FAIL;
    }
    if (hr != kS_OK || !monikers) {
        if (message != nullptr) {
            *message += kNoHardwareText;
        }
        return hr != kS_OK ? hr : kE_FAIL;
    }

    monikers->reset();
    std::unique_ptr<ICaptureFilter> found;
    NamedDevice device;
    for (int step = 0; step < kMaxMonikers && NextDevice(*monikers, device); ++step) {
        if (!device.hasBag || !Succeeded(device.nameRead)) {
            continue;
        }
        if (device.name.size() < kIntegratedNameBuffer && device.name == kIntegratedCameraName) {
            // Keep walking: of several such devices the last one counts.
            std::unique_ptr<ICaptureFilter> candidate;
            if (Succeeded(device.moniker->bindToObject(candidate)) && candidate) {
                found = std::move(candidate);
            }
        }
    }
    if (!found) {
        return 1;
    }
    filter = std::move(found);
    return 0;
}

void CBACKDlg::OnVideoDeviceMenu(std::uint32_t id) {
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        if (entry.selected == 1) {
            entry.selected = 0;
            m_platform.menus.checkMenuItem(m_hDeviceMenu, entry.commandId, kMF_BYCOMMAND);
        }
    }
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        if (entry.commandId == id) {
            m_platform.menus.checkMenuItem(m_hDeviceMenu, entry.commandId, kMF_BYCOMMAND | kMF_CHECKED);
            entry.selected = 1;
            m_platform.window.comboSelectString(IDC_VIDEO_DEVICE, -1, entry.name);
            CVIterator = &entry;
            break;
        }
    }
}

void CBACKDlg::OnVideoDeviceBox() {
    const int selection = m_platform.window.comboGetCurSel(IDC_VIDEO_DEVICE);
    const std::string text = m_platform.window.comboGetText(IDC_VIDEO_DEVICE, selection);
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        if (entry.selected == 1) {
            entry.selected = 0;
            m_platform.menus.checkMenuItem(m_hDeviceMenu, entry.commandId, kMF_BYCOMMAND);
            break;
        }
    }
    for (VideoDeviceEntry& entry : m_VideoDevices) {
        if (text == entry.name) {
            m_platform.menus.checkMenuItem(m_hDeviceMenu, entry.commandId, kMF_BYCOMMAND | kMF_CHECKED);
            entry.selected = 1;
            m_platform.window.comboSelectString(IDC_VIDEO_DEVICE, -1, entry.name);
            CVIterator = &entry;
            break;
        }
    }
}
