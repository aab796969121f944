// Dialog boxes on the simulated machine: the template's controls, the handler's
// initialisation and commands, and a nested modal loop on the main window's thread
// until the box ends. A test drives an open box from actions it schedules on the
// window host (SimWindowHost::at): clicks, the close button, the confirm key.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/sim/SimWindowHost.h"

namespace sim {

class SimDialogs final : public platform::IDialogBoxes {
public:
    struct Control {
        std::string text;
        bool autoCheckBox = false;
        std::uint32_t check = 0;  // BST_UNCHECKED / BST_CHECKED
    };
    // One box as it was when it ended.
    struct Run {
        int templateId = 0;
        platform::Hwnd owner = 0;
        int result = 0;
        bool abandoned = false;  // the loop stopped before the box ended
        std::string caption;
        std::map<int, Control> controls;
    };

    explicit SimDialogs(SimWindowHost& window) : m_window(window) {}

    // platform::IDialogBoxes
    int dialogBox(platform::Hwnd owner, int templateId, platform::IDialogBoxHandler& handler) override;

    // Test driving, while a box is open.
    bool isOpen() const { return m_box != nullptr; }
    // A mouse click: an automatic check box flips its own check, then the handler gets
    // BN_CLICKED. False when no box is open or it has no such control.
    bool click(int id);
    // The caption's close button and the cancel key: IDCANCEL. The confirm key: IDOK.
    bool close();
    bool pressEnter();
    void failCreate(bool fail) { m_failCreate = fail; }

    // Observation.
    std::string caption() const;
    const Control* control(int id) const;
    const std::vector<Run>& runs() const { return m_runs; }

private:
    class Box;
    bool command(std::uint32_t id, std::uint32_t code);

    SimWindowHost& m_window;
    Box* m_box = nullptr;
    bool m_failCreate = false;
    std::vector<Run> m_runs;
};

}  // namespace sim
