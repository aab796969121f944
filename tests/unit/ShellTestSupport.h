// A simulated machine with the program's main window created on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Variant.h"
#include "platform/sim/SimMachine.h"
#include "resources/resource.h"
#include "shell/CBACKDlg.h"

namespace testing_support {

constexpr const char* kSmbiosKey = "SYSTEM\\CurrentControlSet\\Services\\mssmbios\\Data";

// An SMBIOS table as Windows keeps it in the registry, holding one OEM record
// (marker "_QX_OEM_", type 0x85) whose devInfo field is `devInfo`.
inline std::vector<std::uint8_t> SmbiosWithOemRecord(std::uint32_t devInfo) {
    std::vector<std::uint8_t> data(16, 0x11);
    data.insert(data.end(), {0x85, 0x20, 0, 0, 0});
    for (char c : std::string("_QX_OEM_")) {
        data.push_back(static_cast<std::uint8_t>(c));
    }
    data.insert(data.end(), {0x85, 15, 0x34, 0x12, 2, 5, 0x77, static_cast<std::uint8_t>(devInfo),
                             static_cast<std::uint8_t>(devInfo >> 8), static_cast<std::uint8_t>(devInfo >> 16),
                             static_cast<std::uint8_t>(devInfo >> 24), 0xAA, 0xBB, 0xCC, 0xDD});
    return data;
}

inline void PutOemRecord(sim::SimMachine& machine, std::uint32_t devInfo) {
    machine.registry.put(platform::Hive::LocalMachine, kSmbiosKey, "SMBiosData", platform::kREG_BINARY,
                         SmbiosWithOemRecord(devInfo));
}

struct RunningDialog {
    explicit RunningDialog(const common::Variant& variant = common::kTiltmate) {
        machine.system.setModulePath("C:\\Program Files\\Tiltmate\\Tiltmate.exe");
        dialog = std::make_unique<CBACKDlg>(machine.platform(), variant);
    }
    // Creates the window and lets the loop process what initialisation posted.
    void start() {
        machine.window.create(IDD_MAIN, *dialog);
        machine.window.runFor(0);
    }
    void command(std::uint32_t id) { machine.window.sendMessage(platform::kWM_COMMAND, id, 0); }

    sim::SimMachine machine;
    std::unique_ptr<CBACKDlg> dialog;
};

}  // namespace testing_support
