// The main window of the simulated machine: a message queue, timers and scheduled test
// actions, all on the virtual clock. A modal loop here returns when the dialog ends,
// when the virtual time reaches the horizon, or when nothing is left that could ever
// wake it (where a real loop would block forever).
// It is also the window manager of the machine: the main window's procedure can be
// replaced by the program's relay, and every message the window gets, sent, posted or
// dispatched, goes through whatever procedure the window has at that moment.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Constants.h"
#include "platform/WindowHost.h"
#include "platform/WindowManager.h"
#include "platform/sim/SimClock.h"

namespace sim {

class SimWindowHost final : public platform::IWindowHost, public platform::IWindowManager {
public:
    struct Control {
        std::string text;
        bool enabled = true;
        bool visible = true;
        bool sortedList = false;
        std::vector<std::string> items;  // list of a combo box, in display order
        int selection = platform::kCB_ERR;
    };
    struct Message {
        platform::Hwnd hwnd;
        std::uint32_t msg;
        platform::WParam wParam;
        platform::LParam lParam;
    };
    struct OtherWindow {
        std::string className;
        std::string title;
        std::vector<Message> received;
    };

    // The procedures the machine knows: the dialog class's own (the program's dialog
    // handler and the dialog defaults), and the relay thunk.
    static constexpr platform::WndProc kDialogProc = 0x7F0010;
    static constexpr platform::WndProc kRelayThunk = 0x7F0020;
    static constexpr int kNotEnded = -0x7FFF;

    explicit SimWindowHost(SimClock& clock);

    // platform::IWindowHost
    int runModalDialog(int templateId, platform::IDialogHandler& handler) override;
    void endDialog(int result) override;
    // Window handles are unique across every machine of the test process, as they are
    // across the processes of one Windows session: state the program keeps per window
    // handle never mixes two machines up.
    platform::Hwnd window() const override { return m_created ? m_hwnd : 0; }
    bool postMessage(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam) override;
    platform::LResult sendMessage(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam) override;
    void postQuitMessage(int exitCode) override;
    std::uint32_t registerWindowMessage(const std::string& name) override;
    bool setTimer(std::uint32_t id, std::uint32_t elapseMs) override;
    bool killTimer(std::uint32_t id) override;
    bool showWindow(int showCommand) override;
    bool isWindowVisible() const override { return m_visible; }
    bool isIconic() const override { return m_iconic; }
    bool moveWindowNoSize(int x, int y) override;
    platform::Rect getClientRect() const override { return {0, 0, m_clientWidth, m_clientHeight}; }
    int getSystemMetrics(int index) const override;
    bool setDlgItemText(int id, const std::string& text) override;
    std::string getDlgItemText(int id) const override;
    bool enableDlgItem(int id, bool enable) override;
    bool setWindowText(const std::string& text) override;
    std::string getWindowText() const override { return m_windowText; }
    int comboAddString(int id, const std::string& text) override;
    int comboSelectString(int id, int startAfter, const std::string& text) override;
    int comboResetContent(int id) override;
    int comboFindString(int id, int startAfter, const std::string& text) const override;
    int comboDeleteString(int id, int index) override;
    int comboGetCurSel(int id) const override;
    int comboGetCount(int id) const override;
    std::string comboGetText(int id, int index) const override;
    platform::LResult setIconBig() override;
    platform::LResult mainIconHandle() const override { return kIconHandle; }
    platform::Size iconSize() const override { return {32, 32}; }
    void paintIcon(int x, int y) override;
    void closeOwnedWindows() override;
    platform::Hwnd findWindow(const char* className, const char* title) const override;
    platform::LResult sendMessageTo(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam,
                                    platform::LParam lParam) override;
    int messageBox(const std::string& text, const std::string& caption, std::uint32_t type) override;

    // platform::IWindowManager
    void registerRelay(platform::RelayProc relay) override { m_relay = relay; }
    platform::WndProc relayProcedure() const override { return m_relay != nullptr ? kRelayThunk : 0; }
    platform::WndProc setWindowProc(platform::Hwnd hwnd, platform::WndProc proc) override;
    platform::LResult callWindowProc(platform::WndProc proc, platform::Hwnd hwnd, std::uint32_t msg,
                                     platform::WParam wParam, platform::LParam lParam) override;
    bool setForegroundWindow(platform::Hwnd hwnd) override;
    bool getCursorPos(platform::Point& out) const override;
    bool postMessageTo(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam,
                       platform::LParam lParam) override;
    int messageBox(platform::Hwnd owner, const std::string& text, const std::string& caption,
                   std::uint32_t type) override;

    // Test driving.
    // Creates the window for `handler` (WM_INITDIALOG) without entering the loop.
    bool create(int templateId, platform::IDialogHandler& handler);
    // DestroyWindow: WM_DESTROY, then WM_NCDESTROY, through the window's procedure; the
    // end of a modal loop does the same.
    void destroy();
    // Runs the loop for `milliseconds` of virtual time, or until the dialog ends.
    void runFor(std::uint64_t milliseconds);
    // Runs `action` from inside the loop at a virtual time.
    void at(std::uint64_t time, std::function<void()> action);
    // A modal loop run from inside a handler (a property frame, a nested dialog): the
    // thread's queue, timers and scheduled actions go on until done() holds, the main
    // dialog ends, or nothing is left that could wake it. True when done() holds.
    bool runNestedLoop(const std::function<bool()>& done);
    // The virtual time at which a modal loop gives up (a guard, not a behaviour).
    void setHorizon(std::uint64_t time) { m_horizon = time; }
    bool postThreadMessage(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam);
    // Posts a key press to the dialog as the keyboard would.
    void pressKey(platform::WParam virtualKey) { postMessage(platform::kWM_KEYDOWN, virtualKey, 0); }
    platform::Hwnd addWindow(const std::string& className, const std::string& title);
    const OtherWindow* otherWindow(platform::Hwnd hwnd) const;
    void setScreenSize(int width, int height) {
        m_screenWidth = width;
        m_screenHeight = height;
    }
    void setClientSize(int width, int height) {
        m_clientWidth = width;
        m_clientHeight = height;
    }
    void setIconic(bool iconic) { m_iconic = iconic; }
    void setMessageBoxAnswer(int answer) { m_messageBoxAnswer = answer; }
    // What closing the main window's owned windows does on this machine (the machine
    // closes its open property frame and dialog box).
    void setOwnedWindowsCloser(std::function<void()> closer) { m_closeOwned = std::move(closer); }
    int closeOwnedRequests() const { return m_closeOwnedRequests; }
    void setCursorPos(int x, int y) { m_cursor = platform::Point{x, y}; }
    void failCursorPos(bool fail) { m_cursorFails = fail; }
    // Selects a combo box item as the user would (without the notification).
    bool userSelectsComboItem(int id, int index);

    // Test observation.
    bool created() const { return m_created; }
    bool ended() const { return m_ended; }
    int endResult() const { return m_endResult; }
    bool quitPosted() const { return m_quitPosted; }
    int quitCode() const { return m_quitCode; }
    int x() const { return m_x; }
    int y() const { return m_y; }
    std::string windowText() const { return m_windowText; }
    const Control* control(int id) const;
    bool timerActive(std::uint32_t id) const { return m_timers.count(id) != 0; }
    std::uint64_t timerDue(std::uint32_t id) const;
    // Virtual times at which each timer expired.
    const std::vector<std::pair<std::uint32_t, std::uint64_t>>& timerExpiries() const { return m_expiries; }
    // Messages that reached default processing, in order.
    const std::vector<std::uint32_t>& defaultProcessed() const { return m_defaultProcessed; }
    // (visible, x, y) after every change of visibility or position.
    struct Placement {
        bool visible;
        int x;
        int y;
        std::uint64_t time;
    };
    const std::vector<Placement>& placements() const { return m_placements; }
    struct Box {
        std::string text;
        std::string caption;
        std::uint32_t type;
        platform::Hwnd owner = 0;
    };
    const std::vector<Box>& messageBoxes() const { return m_messageBoxes; }
    std::size_t queueLength() const { return m_queue.size(); }
    // Where the minimised window last drew its icon.
    std::pair<int, int> iconPaintedAt() const { return m_iconPaintedAt; }
    // The main window's procedure now.
    platform::WndProc windowProc() const { return m_windowProc; }
    // Every window SetForegroundWindow was asked for, in order.
    const std::vector<platform::Hwnd>& foregroundRequests() const { return m_foreground; }

private:
    // Another program's window takes the message into its record; false when there is
    // no such window.
    bool deliverToOther(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam, platform::LParam lParam);
    struct Timer {
        std::uint32_t period;
        std::uint64_t due;
        std::uint64_t order;
    };
    struct Action {
        std::uint64_t time;
        std::uint64_t order;
        std::function<void()> run;
    };

    void pump(std::uint64_t limit, const std::function<bool()>* stop = nullptr);
    void dispatchQueued(const Message& message);
    // A message for the main window, through its procedure of the moment.
    platform::LResult deliver(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam);
    // The dialog class's procedure: the program's handler, then the dialog defaults.
    platform::LResult ownWindowProc(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam);
    platform::LResult defaultDialogProc(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam);
    void recordPlacement();
    void initialiseControls(int templateId);

    static constexpr platform::LResult kIconHandle = 0x5128;

    SimClock& m_clock;
    const platform::Hwnd m_hwnd;  // the main window's, whenever it is created
    platform::IDialogHandler* m_handler = nullptr;
    bool m_created = false;
    bool m_ended = false;
    int m_endResult = kNotEnded;
    bool m_quitPosted = false;
    int m_quitCode = 0;
    bool m_visible = false;
    bool m_iconic = false;
    int m_x = 0;
    int m_y = 0;
    int m_clientWidth = 300;
    int m_clientHeight = 150;
    int m_screenWidth = 1366;
    int m_screenHeight = 768;
    std::string m_windowText;
    std::map<int, Control> m_controls;
    std::deque<Message> m_queue;
    std::map<std::uint32_t, Timer> m_timers;
    std::vector<Action> m_actions;
    std::uint64_t m_order = 0;
    std::uint64_t m_horizon = 7ull * 24 * 3600 * 1000;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> m_expiries;
    std::vector<std::uint32_t> m_defaultProcessed;
    std::vector<Placement> m_placements;
    std::vector<Box> m_messageBoxes;
    int m_messageBoxAnswer = platform::kIDOK;
    std::function<void()> m_closeOwned;
    int m_closeOwnedRequests = 0;
    std::map<std::string, std::uint32_t> m_registered;
    std::map<platform::Hwnd, OtherWindow> m_others;
    std::pair<int, int> m_iconPaintedAt{-1, -1};
    platform::WndProc m_windowProc = kDialogProc;
    platform::RelayProc m_relay = nullptr;
    platform::Point m_cursor{};
    bool m_cursorFails = false;
    std::vector<platform::Hwnd> m_foreground;
};

}  // namespace sim
