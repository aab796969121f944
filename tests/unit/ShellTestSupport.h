// A simulated machine with the program's main window created on it.
#pragma once

#include <memory>

#include "firmware/Variant.h"
#include "platform/sim/SimMachine.h"
#include "resources/resource.h"
#include "shell/CBACKDlg.h"

namespace testing_support {

struct RunningDialog {
    explicit RunningDialog(const firmware::Variant& variant = firmware::kTiltmate) {
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
