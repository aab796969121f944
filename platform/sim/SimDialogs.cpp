#include "platform/sim/SimDialogs.h"

#include "audio/AudioEffects.h"
#include "platform/Constants.h"
#include "resources/resource.h"

using namespace platform;

namespace sim {

class SimDialogs::Box final : public IDialogWindow {
public:
    Box(IDialogBoxHandler& handler, Hwnd hwnd) : m_handler(handler), m_hwnd(hwnd) {}

    Hwnd window() const override { return m_hwnd; }
    bool setWindowText(const std::string& text) override {
        m_caption = text;
        return true;
    }
    bool setDlgItemText(int id, const std::string& text) override {
        auto it = m_controls.find(id);
        if (it == m_controls.end()) {
            return false;
        }
        it->second.text = text;
        return true;
    }
    bool checkDlgButton(int id, std::uint32_t check) override {
        auto it = m_controls.find(id);
        if (it == m_controls.end()) {
            return false;
        }
        it->second.check = check;
        return true;
    }
    std::uint32_t isDlgButtonChecked(int id) const override {
        auto it = m_controls.find(id);
        return it != m_controls.end() ? it->second.check : kBST_UNCHECKED;
    }
    void endDialog(int result) override {
        m_ended = true;
        m_result = result;
    }

    IDialogBoxHandler& m_handler;
    Hwnd m_hwnd;
    std::string m_caption;
    std::map<int, Control> m_controls;
    bool m_ended = false;
    int m_result = 0;
};

namespace {

// The templates the program's resources hold for dialog boxes.
bool LoadTemplate(int templateId, std::string& caption, std::map<int, SimDialogs::Control>& controls) {
    if (templateId != IDD_AUDIO_PROPERTY) {
        return false;
    }
    // As resources/companion.rc has it: one automatic check box per effect.
    caption = "Audio Effect";
    for (const audio::AudioEffect& effect : audio::kAudioEffects) {
        controls[effect.controlId] = SimDialogs::Control{effect.text, true, kBST_UNCHECKED};
    }
    return true;
}

// Handles of the simulated boxes, apart from the main windows'.
Hwnd NewBoxHandle() {
    static Hwnd next = 0x7A0010;
    const Hwnd handle = next;
    next += 4;
    return handle;
}

}  // namespace

int SimDialogs::dialogBox(Hwnd owner, int templateId, IDialogBoxHandler& handler) {
    Box box(handler, NewBoxHandle());
    if (m_failCreate || m_box != nullptr || !LoadTemplate(templateId, box.m_caption, box.m_controls)) {
        return -1;
    }
    m_box = &box;
    handler.onInitDialog(box);
    Run run;
    run.templateId = templateId;
    run.owner = owner;
    if (!box.m_ended) {
        run.abandoned = !m_window.runNestedLoop([&box] { return box.m_ended; });
    }
    m_box = nullptr;
    run.result = box.m_ended ? box.m_result : -1;
    run.caption = box.m_caption;
    run.controls = box.m_controls;
    m_runs.push_back(run);
    return run.result;
}

bool SimDialogs::command(std::uint32_t id, std::uint32_t code) {
    if (m_box == nullptr || m_box->m_ended) {
        return false;
    }
    m_box->m_handler.onCommand(*m_box, id, code);
    return true;
}

bool SimDialogs::click(int id) {
    if (m_box == nullptr || m_box->m_ended) {
        return false;
    }
    auto it = m_box->m_controls.find(id);
    if (it == m_box->m_controls.end()) {
        return false;
    }
    if (it->second.autoCheckBox) {
        it->second.check = it->second.check == kBST_CHECKED ? kBST_UNCHECKED : kBST_CHECKED;
    }
    return command(static_cast<std::uint32_t>(id), kBN_CLICKED);
}

bool SimDialogs::close() { return command(static_cast<std::uint32_t>(kIDCANCEL), 0); }

bool SimDialogs::pressEnter() { return command(static_cast<std::uint32_t>(kIDOK), 0); }

std::string SimDialogs::caption() const { return m_box != nullptr ? m_box->m_caption : std::string(); }

const SimDialogs::Control* SimDialogs::control(int id) const {
    if (m_box == nullptr) {
        return nullptr;
    }
    auto it = m_box->m_controls.find(id);
    return it != m_box->m_controls.end() ? &it->second : nullptr;
}

}  // namespace sim
