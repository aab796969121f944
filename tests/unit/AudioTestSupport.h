// The program running on a simulated machine with the camera's audio interfaces:
// interfaces plugged in and out as the system reports them, and what the user sees
// of them (the "Device Option" items, combo box 1003, the notices).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/AudioInterfaceEntry.h"
#include "platform/Constants.h"
#include "platform/DeviceSetup.h"
#include "resources/resource.h"
#include "tests/unit/ShellTestSupport.h"

namespace testing_support {

// The effect identifiers the device knows (its driver's numbering).
constexpr std::uint32_t kEffectAEC = 1;
constexpr std::uint32_t kEffectNS = 2;
constexpr std::uint32_t kEffectBF = 3;

constexpr const char* kAudioIni = "C:\\Program Files\\Tiltmate\\bkg.ini";
// The settings' default AudioSyname is in the hardware id.
constexpr const char* kAudioHardwareId = "USB\\VID_7C3E&PID_410B&REV_0100&MI_02";

inline std::string AudioPath(const std::string& instance) {
    return "\\\\?\\usb#vid_7c3e&pid_410b&mi_02#" + instance + "#{2d94e7b1-3a60-4c8f-b5e2-91f0c6a8d47e}";
}

struct AudioRig : RunningDialog {
    // Notices are shown as balloons, so a test can read them.
    explicit AudioRig(const std::string& ini = "[Tray]\r\nShowIcon=1\r\n") { machine.profile.setFile(kAudioIni, ini); }

    // An interface present in SetupAPI, with its effect channel.
    sim::SimEffectEndpoint& add(const std::string& path, const std::string& description,
                                const std::string& hardwareId = kAudioHardwareId) {
        machine.deviceSetup.addInterface(audio::kAudioInterfaceClass, path, description, hardwareId);
        return machine.deviceIo.addEffectEndpoint(path + "\\AF");
    }
    platform::LResult notify(platform::WParam event, const std::string& path) {
        std::vector<std::uint8_t> record = sim::InterfaceBroadcast(audio::kAudioInterfaceClass, path);
        const platform::LResult result = machine.window.sendMessage(platform::kWM_DEVICECHANGE, event,
                                                                    reinterpret_cast<platform::LParam>(record.data()));
        machine.window.runFor(0);
        return result;
    }
    sim::SimEffectEndpoint& plugIn(const std::string& path, const std::string& description) {
        sim::SimEffectEndpoint& endpoint = add(path, description);
        notify(platform::kDBT_DEVICEARRIVAL, path);
        return endpoint;
    }
    void unplug(const std::string& path) {
        if (sim::SimDeviceInterface* member = machine.deviceSetup.findInterface(path)) {
            member->present = false;
        }
        notify(platform::kDBT_DEVICEREMOVECOMPLETE, path);
    }

    // The audio items of "Device Option" (below its separator), checked ones with " *".
    std::vector<std::string> audioItems() {
        std::vector<std::string> texts;
        bool below = false;
        for (const auto& item : *machine.menus.items(dialog->videoDevices().deviceMenu())) {
            if (item.separator) {
                below = true;
            } else if (below) {
                texts.push_back(std::to_string(item.id) + " " + item.text +
                                ((item.state & platform::kMF_CHECKED) != 0 ? " *" : ""));
            }
        }
        return texts;
    }
    std::vector<std::string> comboItems() const { return machine.window.control(IDC_AUDIO_DEVICE)->items; }
    std::string comboSelection() const {
        const auto* combo = machine.window.control(IDC_AUDIO_DEVICE);
        return combo->selection < 0 ? "" : combo->items[static_cast<std::size_t>(combo->selection)];
    }
    std::vector<std::string> notices() const {
        std::vector<std::string> texts;
        for (const auto& balloon : machine.notifyArea.balloons()) {
            texts.push_back(balloon.text);
        }
        return texts;
    }
    bool audioSettingGrayed() {
        return !machine.window.control(IDC_AUDIO_SETTING)->enabled &&
               (machine.menus.getMenuState(dialog->trayPopupMenu(), ID_TRAY_AUDIO_SETTING, platform::kMF_BYCOMMAND) &
                platform::kMF_GRAYED) != 0;
    }
};

}  // namespace testing_support
