#include "platform/sim/SimWindowHost.h"

#include <algorithm>
#include <limits>

#include "resources/resource.h"

using namespace platform;

namespace sim {
namespace {

// Windows raises shorter timer periods to this minimum; it also keeps a zero period
// from spinning the simulated loop at one instant.
constexpr std::uint32_t kMinTimerPeriod = 10;
// A guard against a runaway test, far above any scenario's needs.
constexpr std::uint64_t kMaxLoopSteps = 5'000'000;

// Handles of every simulated window of the test process.
Hwnd newHandle() {
    static Hwnd next = 0x10010;
    const Hwnd handle = next;
    next += 4;
    return handle;
}

class DefaultOnce final : public IDefaultProcessing {
public:
    DefaultOnce(std::function<LResult()> run) : m_run(std::move(run)) {}
    LResult callDefault() override {
        if (!m_called) {
            m_called = true;
            m_result = m_run();
        }
        return m_result;
    }

private:
    std::function<LResult()> m_run;
    bool m_called = false;
    LResult m_result = 0;
};

}  // namespace

SimWindowHost::SimWindowHost(SimClock& clock) : m_clock(clock), m_hwnd(newHandle()) {}

void SimWindowHost::initialiseControls(int templateId) {
    m_controls.clear();
    if (templateId != IDD_MAIN) {
        return;
    }
    m_windowText = "Main";
    m_controls[IDC_GROUP_SNAP] = Control{"Snap Store path", true, true, false, {}, kCB_ERR};
    m_controls[IDC_SNAP_PATH] = Control{"", false, true, false, {}, kCB_ERR};
    m_controls[IDC_BROWSE] = Control{"Browse", true, true, false, {}, kCB_ERR};
    m_controls[IDC_GROUP_VIDEO] = Control{"Video Device", true, true, false, {}, kCB_ERR};
    m_controls[IDC_VIDEO_DEVICE] = Control{"", true, true, true, {}, kCB_ERR};
    m_controls[IDC_VIDEO_SETTING] = Control{"Video Setting", true, true, false, {}, kCB_ERR};
    m_controls[IDC_GROUP_AUDIO] = Control{"Audio Device", true, false, false, {}, kCB_ERR};
    m_controls[IDC_AUDIO_DEVICE] = Control{"", true, false, true, {}, kCB_ERR};
    m_controls[IDC_AUDIO_SETTING] = Control{"Audio Setting", true, false, false, {}, kCB_ERR};
    m_controls[IDC_SPARE_COMBO] = Control{"", true, true, false, {}, kCB_ERR};
}

bool SimWindowHost::create(int templateId, IDialogHandler& handler) {
    if (templateId != IDD_MAIN || m_created) {
        return false;
    }
    m_handler = &handler;
    m_created = true;
    m_ended = false;
    m_endResult = kNotEnded;
    m_windowProc = kDialogProc;
    initialiseControls(templateId);
    deliver(kWM_INITDIALOG, 0, 0);
    // The template is visible: the dialog manager shows it once initialisation returns.
    if (!m_ended) {
        m_visible = true;
        recordPlacement();
    }
    return true;
}

int SimWindowHost::runModalDialog(int templateId, IDialogHandler& handler) {
    if (!create(templateId, handler)) {
        return -1;
    }
    pump(m_horizon);
    // The dialog is destroyed with its loop.
    destroy();
    return m_ended ? m_endResult : -1;
}

void SimWindowHost::destroy() {
    if (!m_created) {
        return;
    }
    deliver(kWM_DESTROY, 0, 0);
    deliver(kWM_NCDESTROY, 0, 0);
    // Nothing may reach the handler any more.
    m_timers.clear();
    m_queue.clear();
    m_handler = nullptr;
    m_created = false;
    m_visible = false;
    m_windowProc = kDialogProc;
}

void SimWindowHost::runFor(std::uint64_t milliseconds) {
    const std::uint64_t limit = m_clock.now() + milliseconds;
    pump(limit);
    m_clock.advanceTo(limit);
}

void SimWindowHost::at(std::uint64_t time, std::function<void()> action) {
    m_actions.push_back(Action{std::max(time, m_clock.now()), m_order++, std::move(action)});
}

bool SimWindowHost::runNestedLoop(const std::function<bool()>& done) {
    pump(m_horizon, &done);
    return done();
}

void SimWindowHost::pump(std::uint64_t limit, const std::function<bool()>* stop) {
    for (std::uint64_t step = 0; step < kMaxLoopSteps && m_handler != nullptr && !m_ended; ++step) {
        if (stop != nullptr && (*stop)()) {
            break;
        }
        if (!m_queue.empty()) {
            const Message message = m_queue.front();
            m_queue.pop_front();
            dispatchQueued(message);
            continue;
        }
        if (m_quitPosted) {
            break;
        }
        // Nothing queued: the next timer or scheduled action, whichever is first.
        auto timer = std::min_element(m_timers.begin(), m_timers.end(), [](const auto& a, const auto& b) {
            return a.second.due != b.second.due ? a.second.due < b.second.due : a.second.order < b.second.order;
        });
        auto action = std::min_element(m_actions.begin(), m_actions.end(), [](const Action& a, const Action& b) {
            return a.time != b.time ? a.time < b.time : a.order < b.order;
        });
        const std::uint64_t never = std::numeric_limits<std::uint64_t>::max();
        const std::uint64_t timerTime = timer == m_timers.end() ? never : timer->second.due;
        const std::uint64_t actionTime = action == m_actions.end() ? never : action->time;
        const std::uint64_t next = std::min(timerTime, actionTime);
        if (next == never || next > limit) {
            break;
        }
        m_clock.advanceTo(next);
        if (actionTime <= timerTime) {
            std::function<void()> run = std::move(action->run);
            m_actions.erase(action);
            run();
        } else {
            const std::uint32_t id = timer->first;
            timer->second.due = m_clock.now() + timer->second.period;
            timer->second.order = m_order++;
            m_expiries.emplace_back(id, m_clock.now());
            dispatchQueued(Message{m_hwnd, kWM_TIMER, id, 0});
        }
    }
}

void SimWindowHost::dispatchQueued(const Message& message) {
    if (m_handler == nullptr) {
        return;
    }
    if (m_handler->preTranslateMessage(message.hwnd, message.msg, message.wParam, message.lParam)) {
        return;
    }
    if (message.hwnd != m_hwnd) {
        return;  // a thread message has no window to go to
    }
    // The dialog manager's keyboard interface: Esc cancels, Enter presses the default button.
    if (message.msg == kWM_KEYDOWN && message.wParam == kVK_ESCAPE) {
        deliver(kWM_COMMAND, static_cast<WParam>(kIDCANCEL), 0);
        return;
    }
    if (message.msg == kWM_KEYDOWN && message.wParam == kVK_RETURN) {
        deliver(kWM_COMMAND, static_cast<WParam>(kIDOK), 0);
        return;
    }
    deliver(message.msg, message.wParam, message.lParam);
}

LResult SimWindowHost::deliver(std::uint32_t msg, WParam wParam, LParam lParam) {
    return callWindowProc(m_windowProc, m_hwnd, msg, wParam, lParam);
}

LResult SimWindowHost::ownWindowProc(std::uint32_t msg, WParam wParam, LParam lParam) {
    if (m_handler == nullptr) {
        return 0;
    }
    DefaultOnce defaultProcessing([=] { return defaultDialogProc(msg, wParam, lParam); });
    const std::optional<LResult> result = m_handler->windowProc(msg, wParam, lParam, defaultProcessing);
    return result ? *result : defaultProcessing.callDefault();
}

LResult SimWindowHost::defaultDialogProc(std::uint32_t msg, WParam, LParam) {
    m_defaultProcessed.push_back(msg);
    if (msg == kWM_CLOSE) {
        // A dialog turns its close box into the cancel command.
        deliver(kWM_COMMAND, static_cast<WParam>(kIDCANCEL), 0);
    }
    return 0;
}

void SimWindowHost::endDialog(int result) {
    if (!m_created) {
        return;
    }
    m_ended = true;
    m_endResult = result;
}

bool SimWindowHost::postMessage(std::uint32_t msg, WParam wParam, LParam lParam) {
    if (!m_created || m_handler == nullptr) {
        return false;
    }
    m_queue.push_back(Message{m_hwnd, msg, wParam, lParam});
    return true;
}

bool SimWindowHost::postThreadMessage(std::uint32_t msg, WParam wParam, LParam lParam) {
    m_queue.push_back(Message{0, msg, wParam, lParam});
    return true;
}

LResult SimWindowHost::sendMessage(std::uint32_t msg, WParam wParam, LParam lParam) {
    if (!m_created) {
        return 0;
    }
    return deliver(msg, wParam, lParam);
}

void SimWindowHost::postQuitMessage(int exitCode) {
    m_quitPosted = true;
    m_quitCode = exitCode;
}

std::uint32_t SimWindowHost::registerWindowMessage(const std::string& name) {
    if (name.empty()) {
        return 0;
    }
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    auto it = m_registered.find(key);
    if (it != m_registered.end()) {
        return it->second;
    }
    const std::uint32_t number = 0xC000u + static_cast<std::uint32_t>(m_registered.size());
    m_registered.emplace(key, number);
    return number;
}

bool SimWindowHost::setTimer(std::uint32_t id, std::uint32_t elapseMs) {
    if (!m_created) {
        return false;
    }
    const std::uint32_t period = std::max(elapseMs, kMinTimerPeriod);
    m_timers[id] = Timer{period, m_clock.now() + period, m_order++};
    return true;
}

bool SimWindowHost::killTimer(std::uint32_t id) { return m_timers.erase(id) != 0; }

std::uint64_t SimWindowHost::timerDue(std::uint32_t id) const {
    auto it = m_timers.find(id);
    return it == m_timers.end() ? 0 : it->second.due;
}

bool SimWindowHost::showWindow(int showCommand) {
    const bool wasVisible = m_visible;
    if (showCommand == kSW_HIDE) {
        m_visible = false;
    } else {
        m_visible = true;
        if (showCommand == kSW_SHOWNORMAL) {
            m_iconic = false;
        }
    }
    recordPlacement();
    return wasVisible;
}

bool SimWindowHost::moveWindowNoSize(int x, int y) {
    if (!m_created) {
        return false;
    }
    m_x = x;
    m_y = y;
    recordPlacement();
    return true;
}

void SimWindowHost::recordPlacement() { m_placements.push_back(Placement{m_visible, m_x, m_y, m_clock.now()}); }

int SimWindowHost::getSystemMetrics(int index) const {
    if (index == kSM_CXSCREEN) {
        return m_screenWidth;
    }
    if (index == kSM_CYSCREEN) {
        return m_screenHeight;
    }
    return 0;
}

bool SimWindowHost::setDlgItemText(int id, const std::string& text) {
    auto it = m_controls.find(id);
    if (it == m_controls.end()) {
        return false;
    }
    it->second.text = text;
    return true;
}

std::string SimWindowHost::getDlgItemText(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? std::string() : it->second.text;
}

bool SimWindowHost::enableDlgItem(int id, bool enable) {
    auto it = m_controls.find(id);
    if (it == m_controls.end()) {
        return false;
    }
    const bool wasDisabled = !it->second.enabled;
    it->second.enabled = enable;
    return wasDisabled;
}

bool SimWindowHost::setWindowText(const std::string& text) {
    m_windowText = text;
    return m_created;
}

namespace {

// Sorted combo boxes order and match their items without regard to case.
int compareNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && compareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

}  // namespace

int SimWindowHost::comboAddString(int id, const std::string& text) {
    auto it = m_controls.find(id);
    if (it == m_controls.end()) {
        return kCB_ERR;
    }
    auto& items = it->second.items;
    std::size_t position = items.size();
    if (it->second.sortedList) {
        position = 0;
        while (position < items.size() && compareNoCase(items[position], text) <= 0) {
            ++position;
        }
    }
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(position), text);
    if (it->second.selection != kCB_ERR && static_cast<std::size_t>(it->second.selection) >= position) {
        ++it->second.selection;
    }
    return static_cast<int>(position);
}

void SimWindowHost::closeOwnedWindows() {
    ++m_closeOwnedRequests;
    if (m_closeOwned) {
        m_closeOwned();
    }
}

int SimWindowHost::comboSelectString(int id, int startAfter, const std::string& text) {
    const int index = comboFindString(id, startAfter, text);
    if (index == kCB_ERR) {
        return kCB_ERR;  // the selection stays as it was
    }
    Control& control = m_controls.at(id);
    control.selection = index;
    control.text = control.items[static_cast<std::size_t>(index)];
    return index;
}

int SimWindowHost::comboResetContent(int id) {
    auto it = m_controls.find(id);
    if (it == m_controls.end()) {
        return kCB_ERR;
    }
    it->second.items.clear();
    it->second.selection = kCB_ERR;
    it->second.text.clear();
    return 0;
}

int SimWindowHost::comboFindString(int id, int startAfter, const std::string& text) const {
    auto it = m_controls.find(id);
    if (it == m_controls.end()) {
        return kCB_ERR;
    }
    const auto& items = it->second.items;
    const int count = static_cast<int>(items.size());
    // From the item after startAfter to the end, then wrapping to the top; a prefix
    // match without regard to case.
    const int first = (startAfter < 0 || startAfter >= count) ? 0 : startAfter + 1;
    for (int n = 0; n < count; ++n) {
        const int index = (first + n) % count;
        if (startsWithNoCase(items[static_cast<std::size_t>(index)], text)) {
            return index;
        }
    }
    return kCB_ERR;
}

int SimWindowHost::comboDeleteString(int id, int index) {
    auto it = m_controls.find(id);
    if (it == m_controls.end()) {
        return kCB_ERR;
    }
    Control& control = it->second;
    if (index < 0 || static_cast<std::size_t>(index) >= control.items.size()) {
        return kCB_ERR;
    }
    control.items.erase(control.items.begin() + index);
    // Deleting the selected item leaves no selection; items below it move up.
    if (control.selection == index) {
        control.selection = kCB_ERR;
        control.text.clear();
    } else if (control.selection > index) {
        --control.selection;
    }
    return static_cast<int>(control.items.size());
}

int SimWindowHost::comboGetCurSel(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? kCB_ERR : it->second.selection;
}

int SimWindowHost::comboGetCount(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? kCB_ERR : static_cast<int>(it->second.items.size());
}

std::string SimWindowHost::comboGetText(int id, int index) const {
    auto it = m_controls.find(id);
    if (it == m_controls.end() || index < 0 || static_cast<std::size_t>(index) >= it->second.items.size()) {
        return std::string();
    }
    return it->second.items[static_cast<std::size_t>(index)];
}

bool SimWindowHost::userSelectsComboItem(int id, int index) {
    auto it = m_controls.find(id);
    if (it == m_controls.end() || index < 0 || static_cast<std::size_t>(index) >= it->second.items.size()) {
        return false;
    }
    it->second.selection = index;
    it->second.text = it->second.items[static_cast<std::size_t>(index)];
    return true;
}

LResult SimWindowHost::setIconBig() { return 0; }

void SimWindowHost::paintIcon(int x, int y) {
    m_defaultProcessed.push_back(kWM_ICONERASEBKGND);
    m_iconPaintedAt = {x, y};
}

Hwnd SimWindowHost::addWindow(const std::string& className, const std::string& title) {
    const Hwnd hwnd = newHandle();
    m_others[hwnd] = OtherWindow{className, title, {}};
    return hwnd;
}

const SimWindowHost::OtherWindow* SimWindowHost::otherWindow(Hwnd hwnd) const {
    auto it = m_others.find(hwnd);
    return it == m_others.end() ? nullptr : &it->second;
}

Hwnd SimWindowHost::findWindow(const char* className, const char* title) const {
    Hwnd found = 0;
    for (const auto& [hwnd, window] : m_others) {
        if ((className == nullptr || window.className == className) && (title == nullptr || window.title == title)) {
            found = hwnd;  // the newest of several windows of one caption
        }
    }
    return found;
}

bool SimWindowHost::deliverToOther(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    auto it = m_others.find(hwnd);
    if (it == m_others.end()) {
        return false;
    }
    it->second.received.push_back(Message{hwnd, msg, wParam, lParam});
    return true;
}

LResult SimWindowHost::sendMessageTo(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    if (hwnd == m_hwnd) {
        return sendMessage(msg, wParam, lParam);
    }
    deliverToOther(hwnd, msg, wParam, lParam);
    return 0;
}

const SimWindowHost::Control* SimWindowHost::control(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

int SimWindowHost::messageBox(const std::string& text, const std::string& caption, std::uint32_t type) {
    // Owned by the dialog, as the Win32 host does it.
    m_messageBoxes.push_back(Box{text, caption, type, window()});
    return m_messageBoxAnswer;
}

WndProc SimWindowHost::setWindowProc(Hwnd hwnd, WndProc proc) {
    // Only the program's own window can be subclassed; another process's refuses.
    if (hwnd != m_hwnd || !m_created) {
        return 0;
    }
    const WndProc previous = m_windowProc;
    m_windowProc = proc;
    return previous;
}

LResult SimWindowHost::callWindowProc(WndProc proc, Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    if (proc == kRelayThunk) {
        return m_relay != nullptr ? m_relay(hwnd, msg, wParam, lParam) : 0;
    }
    if (proc == kDialogProc && hwnd == m_hwnd && m_created) {
        return ownWindowProc(msg, wParam, lParam);
    }
    return 0;  // a procedure the machine does not know does nothing
}

bool SimWindowHost::setForegroundWindow(Hwnd hwnd) {
    m_foreground.push_back(hwnd);
    return (hwnd == m_hwnd && m_created) || m_others.count(hwnd) != 0;
}

bool SimWindowHost::getCursorPos(Point& out) const {
    if (m_cursorFails) {
        return false;
    }
    out = m_cursor;
    return true;
}

bool SimWindowHost::postMessageTo(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    if (hwnd == m_hwnd) {
        return postMessage(msg, wParam, lParam);
    }
    return deliverToOther(hwnd, msg, wParam, lParam);
}

int SimWindowHost::messageBox(Hwnd owner, const std::string& text, const std::string& caption, std::uint32_t type) {
    m_messageBoxes.push_back(Box{text, caption, type, owner});
    return m_messageBoxAnswer;
}

}  // namespace sim
