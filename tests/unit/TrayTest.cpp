// Window hooks and the notification-area icon, on the simulated machine: messages go in
// as the shell and other programs deliver them, results are read back from the
// window's own procedure, the notification area, the menus and the message boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "common/WindowPort.h"
#include "platform/Constants.h"
#include "platform/sim/SimMachine.h"
#include "resources/resource.h"
#include "tray/CSubclassWnd.h"
#include "tray/CTrayIcon.h"

using namespace platform;
using tray::CSubclassWnd;
using tray::CSubclassWndMap;
using tray::CTrayIcon;

namespace {

constexpr std::uint32_t kProbeMsg = kWM_USER + 7;
constexpr LResult kProbeResult = 77;

// The window's own procedure: writes down what reaches it, and hands a bound icon its
// two messages as the main window's table does.
struct OwnWindow final : IDialogHandler {
    bool preTranslateMessage(Hwnd, std::uint32_t, WParam, LParam) override { return false; }
    std::optional<LResult> windowProc(std::uint32_t msg, WParam wParam, LParam lParam, IDefaultProcessing&) override {
        seen.push_back(msg);
        if (tray != nullptr && msg == common::kMsgTrayCallback) {
            tray->OnTrayMessage(wParam, lParam);
        } else if (tray != nullptr && tray->taskbarCreatedMessage() != 0 && msg == tray->taskbarCreatedMessage()) {
            tray->OnShellRestart(wParam, lParam);
        }
        if (msg == kWM_COMMAND) {
            commands.push_back(static_cast<std::uint32_t>(wParam));
        }
        if (onMessage) {
            onMessage(msg);
        }
        return msg == kProbeMsg ? std::optional<LResult>(kProbeResult) : std::nullopt;
    }
    std::size_t count(std::uint32_t msg) const { return static_cast<std::size_t>(std::count(seen.begin(), seen.end(), msg)); }

    std::vector<std::uint32_t> seen;
    std::vector<std::uint32_t> commands;
    std::function<void(std::uint32_t)> onMessage;
    CTrayIcon* tray = nullptr;
};

struct Port final : common::IWindowPort {
    bool post(std::uint32_t, WParam, LParam) override { return true; }
    LResult ShowNotice(const char*, const char*, std::uint32_t, int) override { return 0; }
    bool trayMenuAllowed() const override { return allowed; }
    void setTrayMenuAllowed(bool value) override { allowed = value; }
    void WriteLog(const std::string&, int) override {}
    bool allowed = true;
};

// A hook that writes its name down for every message it sees, then passes it on.
struct NamedHook final : CSubclassWnd {
    NamedHook(IWindowManager& windows, std::string hookName, std::vector<std::string>& journal)
        : CSubclassWnd(windows), name(std::move(hookName)), log(journal) {}
    LResult HandleMessage(std::uint32_t msg, WParam wParam, LParam lParam) override {
        if (msg == kProbeMsg) {
            log.push_back(name);
        }
        return CSubclassWnd::HandleMessage(msg, wParam, lParam);
    }
    std::string name;
    std::vector<std::string>& log;
};

// The icon with what its callback answered, as the hook saw it.
struct ObservedTray final : CTrayIcon {
    using CTrayIcon::CTrayIcon;
    LResult OnTrayMessage(WParam id, LParam mouseMessage) override {
        lastResult = CTrayIcon::OnTrayMessage(id, mouseMessage);
        return lastResult;
    }
    LResult lastResult = -1;
};

struct Rig {
    Rig() { machine.window.create(IDD_MAIN, own); }
    Hwnd hwnd() const { return machine.window.window(); }
    ObservedTray& bound() {
        tray.emplace(machine.platform(), port);
        tray->BindOwner(hwnd(), common::kMsgTrayCallback);
        own.tray = &*tray;
        return *tray;
    }
    void click(WParam id, std::uint32_t mouse) {
        machine.window.sendMessage(common::kMsgTrayCallback, id, static_cast<LParam>(mouse));
    }
    std::vector<std::uint32_t> requests() const {
        std::vector<std::uint32_t> out;
        for (const auto& request : machine.notifyArea.requests()) {
            out.push_back(request.message);
        }
        return out;
    }

    sim::SimMachine machine;
    OwnWindow own;
    Port port;
    std::optional<ObservedTray> tray;  // last: goes before the machine it was given
};

}  // namespace

TEST(WindowHooks, TheLaterHookSeesFirstAndDetachingInEitherOrderRestoresTheWindow) {
    struct Case {
        const char* detachFirst;
        std::vector<std::string> seenAfterFirstDetach;
    };
    const Case cases[] = {{"earlier", {"later"}}, {"later", {"earlier"}}};
    for (const Case& c : cases) {
        Rig rig;
        std::vector<std::string> log;
        NamedHook earlier(rig.machine.window, "earlier", log);
        NamedHook later(rig.machine.window, "later", log);
        earlier.Subclass(rig.hwnd());
        later.Subclass(rig.hwnd());

        EXPECT_EQ(rig.machine.window.sendMessage(kProbeMsg, 0, 0), kProbeResult);
        EXPECT_EQ(log, (std::vector<std::string>{"later", "earlier"}));

        NamedHook& first = std::string(c.detachFirst) == "earlier" ? earlier : later;
        NamedHook& second = &first == &earlier ? later : earlier;
        first.Subclass(0);
        EXPECT_EQ(rig.machine.window.windowProc(), rig.machine.window.relayProcedure()) << c.detachFirst;
        EXPECT_EQ(CSubclassWndMap::Instance().Find(rig.hwnd()), &second) << c.detachFirst;
        log.clear();
        EXPECT_EQ(rig.machine.window.sendMessage(kProbeMsg, 0, 0), kProbeResult);
        EXPECT_EQ(log, c.seenAfterFirstDetach) << c.detachFirst;

        second.Subclass(0);
        EXPECT_EQ(rig.machine.window.windowProc(), sim::SimWindowHost::kDialogProc) << c.detachFirst;
        EXPECT_EQ(CSubclassWndMap::Instance().Find(rig.hwnd()), nullptr) << c.detachFirst;
        log.clear();
        EXPECT_EQ(rig.machine.window.sendMessage(kProbeMsg, 0, 0), kProbeResult);
        EXPECT_TRUE(log.empty()) << c.detachFirst;
        EXPECT_EQ(rig.own.count(kProbeMsg), 3u) << c.detachFirst;
    }
}

TEST(WindowHooks, AttachingTwiceOrToAWindowThatRefusesKeepsOneSoundChain) {
    Rig rig;
    std::vector<std::string> log;
    {
        NamedHook hook(rig.machine.window, "hook", log);
        hook.Subclass(rig.hwnd());
        hook.Subclass(rig.hwnd());  // would make the hook its own next
        rig.machine.window.postMessage(kProbeMsg, 0, 0);
        rig.machine.window.runFor(0);
        EXPECT_EQ(log, std::vector<std::string>{"hook"});

        // Another process's window refuses the relay: the hook leaves its old window
        // and stays detached.
        const Hwnd foreign = rig.machine.window.addWindow("Snap", "Snap");
        hook.Subclass(foreign);
        EXPECT_EQ(hook.window(), 0u);
        EXPECT_EQ(CSubclassWndMap::Instance().Find(foreign), nullptr);
        EXPECT_EQ(rig.machine.window.windowProc(), sim::SimWindowHost::kDialogProc);

        hook.Subclass(rig.hwnd());
    }
    // A hook that goes away leaves the window as it found it.
    EXPECT_EQ(rig.machine.window.windowProc(), sim::SimWindowHost::kDialogProc);
    EXPECT_EQ(CSubclassWndMap::Instance().Find(rig.hwnd()), nullptr);
}

TEST(WindowHooks, DestroyingTheWindowDetachesEveryHookBeforeItsOwnProcedureHearsOfIt) {
    Rig rig;
    std::vector<std::string> log;
    NamedHook earlier(rig.machine.window, "earlier", log);
    NamedHook later(rig.machine.window, "later", log);
    earlier.Subclass(rig.hwnd());
    later.Subclass(rig.hwnd());
    const Hwnd hwnd = rig.hwnd();
    bool checked = false;
    rig.own.onMessage = [&](std::uint32_t msg) {
        if (msg == kWM_NCDESTROY) {
            checked = true;
            EXPECT_EQ(CSubclassWndMap::Instance().Find(hwnd), nullptr);
            EXPECT_EQ(earlier.window(), 0u);
            EXPECT_EQ(later.window(), 0u);
        }
    };
    rig.machine.window.destroy();
    EXPECT_TRUE(checked);
    EXPECT_EQ(rig.own.count(kWM_DESTROY), 1u);
}

TEST(TrayIcon, CallbackMessagesByIdMouseMessageAndMenuFlag) {
    struct Case {
        bool allowed;
        WParam id;
        LParam mouse;
        LResult result;
        std::size_t popups;
        std::vector<std::uint32_t> commands;  // sent to the window at once
    };
    const Case cases[] = {
        {true, 129, kWM_RBUTTONUP, 1, 1, {}},
        {false, 129, kWM_RBUTTONUP, 1, 0, {}},
        {true, 130, kWM_RBUTTONUP, 0, 0, {}},
        {true, 129, kWM_LBUTTONDBLCLK, 1, 0, {ID_TRAY_CONSOLE}},
        {false, 129, kWM_LBUTTONDBLCLK, 1, 0, {ID_TRAY_CONSOLE}},
        {true, 0x10081, kWM_LBUTTONDBLCLK, 0, 0, {}},
        {true, 129, kWM_RBUTTONDOWN, 0, 0, {}},
        {true, 129, kWM_MOUSEMOVE, 0, 0, {}},
        {true, 129, -1, 0, 0, {}},
        {true, 129, (static_cast<LParam>(1) << 20) | kWM_RBUTTONUP, 0, 0, {}},
    };
    for (const Case& c : cases) {
        Rig rig;
        ObservedTray& icon = rig.bound();
        rig.port.allowed = c.allowed;
        rig.machine.window.sendMessage(common::kMsgTrayCallback, c.id, c.mouse);
        const std::string row = std::to_string(c.allowed) + " " + std::to_string(c.id) + " " + std::to_string(c.mouse);
        EXPECT_EQ(icon.lastResult, c.result) << row;
        EXPECT_EQ(rig.machine.menus.popups().size(), c.popups) << row;
        EXPECT_EQ(rig.machine.window.foregroundRequests().size(), c.popups) << row;
        EXPECT_EQ(rig.own.commands, c.commands) << row;
        // The window's own procedure hears of every callback.
        EXPECT_EQ(rig.own.count(common::kMsgTrayCallback), 1u) << row;
    }
}

TEST(TrayIcon, PopupOpensAtTheCursorWithItsFirstItemMadeDefaultEachTime) {
    Rig rig;
    CTrayIcon& icon = rig.bound();
    rig.machine.window.setCursorPos(640, 700);
    rig.machine.menus.pickInNextPopup(ID_TRAY_EXIT);
    rig.click(129, kWM_RBUTTONUP);

    // A language switch rewrites the item, and its default state with it.
    rig.machine.menus.modifyMenu(icon.popup(), 0, kMF_BYPOSITION, ID_TRAY_CONSOLE, "Kamerakonsole (&M)");
    rig.machine.window.failCursorPos(true);
    rig.click(129, kWM_RBUTTONUP);

    const auto& popups = rig.machine.menus.popups();
    ASSERT_EQ(popups.size(), 2u);
    for (const auto& shown : popups) {
        EXPECT_EQ(shown.menu, icon.popup());
        EXPECT_EQ(shown.flags, 0u);
        EXPECT_EQ(shown.owner, rig.hwnd());
        EXPECT_NE(shown.items[0].state & kMF_DEFAULT, 0u);
    }
    EXPECT_EQ(popups[0].items[0].text, "PC Camera Console (&M)");
    EXPECT_EQ(popups[1].items[0].text, "Kamerakonsole (&M)");
    EXPECT_EQ(std::make_pair(popups[0].x, popups[0].y), std::make_pair(640, 700));
    EXPECT_EQ(std::make_pair(popups[1].x, popups[1].y), std::make_pair(0, 0));
    EXPECT_EQ(rig.machine.window.foregroundRequests(), (std::vector<Hwnd>{rig.hwnd(), rig.hwnd()}));

    // The pick arrives as a posted command, the WM_NULL after it.
    rig.own.seen.clear();
    rig.machine.window.runFor(0);
    EXPECT_EQ(rig.own.seen, (std::vector<std::uint32_t>{kWM_COMMAND, kWM_NULL, kWM_NULL}));
    EXPECT_EQ(rig.own.commands, std::vector<std::uint32_t>{ID_TRAY_EXIT});
}

TEST(TrayIcon, IconStatesFollowWhatTheShellAccepts) {
    enum Step { Show, Change, Hide, ShellStops, ShellRuns, ShellForgets };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::uint32_t> requests;
        bool lastResult;
        bool shown;
    };
    const Case cases[] = {
        {"hide while hidden", {Hide}, {}, true, false},
        {"show", {Show}, {kNIM_ADD}, true, true},
        {"show, change", {Show, Change}, {kNIM_ADD, kNIM_MODIFY}, true, true},
        {"show, hide", {Show, Hide}, {kNIM_ADD, kNIM_DELETE}, true, false},
        {"refused add", {ShellStops, Show}, {kNIM_ADD}, false, false},
        {"refused add, then add", {ShellStops, Show, ShellRuns, Show}, {kNIM_ADD, kNIM_ADD}, true, true},
        {"refused modify", {Show, ShellForgets, Change}, {kNIM_ADD, kNIM_MODIFY}, false, false},
        {"refused modify, then add", {Show, ShellForgets, Change, Show}, {kNIM_ADD, kNIM_MODIFY, kNIM_ADD}, true, true},
        {"refused delete", {Show, ShellForgets, Hide}, {kNIM_ADD, kNIM_DELETE}, false, false},
        {"refused delete, then hide", {Show, ShellForgets, Hide, Hide}, {kNIM_ADD, kNIM_DELETE}, true, false},
    };
    for (const Case& c : cases) {
        Rig rig;
        CTrayIcon& icon = rig.bound();
        bool result = true;
        for (Step step : c.steps) {
            switch (step) {
                case Show: result = icon.UpdateIcon(0x4001, "Camera"); break;
                case Change: result = icon.UpdateIcon(0x4002, nullptr); break;
                case Hide: result = icon.UpdateIcon(0, nullptr); break;
                case ShellStops: rig.machine.notifyArea.setRunning(false); break;
                case ShellRuns: rig.machine.notifyArea.setRunning(true); break;
                case ShellForgets: rig.machine.notifyArea.restart(); break;
            }
        }
        EXPECT_EQ(rig.requests(), c.requests) << c.name;
        EXPECT_EQ(result, c.lastResult) << c.name;
        EXPECT_EQ(icon.iconShown(), c.shown) << c.name;
        EXPECT_EQ(rig.machine.notifyArea.icon(rig.hwnd(), 129) != nullptr, c.shown) << c.name;
    }
}

TEST(TrayIcon, RequestsCarryTheRecordTheShellExpects) {
    Rig rig;
    rig.machine.resources.addString(140, "Tiltmate camera");
    rig.machine.resources.addIcon(140, 0x4140);
    CTrayIcon& icon = rig.bound();
    EXPECT_TRUE(icon.UpdateIconFromResource(140));
    icon.UpdateIcon(0x4002, std::string(200, 'x').c_str());
    EXPECT_TRUE(icon.UpdateIconFromResource(0));
    // An id without an icon removes nothing that is not there.
    EXPECT_TRUE(icon.UpdateIconFromResource(141));

    const auto& requests = rig.machine.notifyArea.requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::uint32_t all = kNIF_ICON | kNIF_TIP | kNIF_MESSAGE;
    for (const auto& request : requests) {
        EXPECT_EQ(request.data.cbSize, 508u);
        EXPECT_EQ(request.data.hWnd, rig.hwnd());
        EXPECT_EQ(request.data.uID, 129u);
        EXPECT_EQ(request.data.uCallbackMessage, common::kMsgTrayCallback);
    }
    EXPECT_EQ(requests[0].data.uFlags, all);
    EXPECT_EQ(requests[0].data.hIcon, 0x4140u);
    EXPECT_STREQ(requests[0].data.szTip, "Tiltmate camera");
    EXPECT_EQ(std::string(requests[1].data.szTip), std::string(127, 'x'));
    EXPECT_EQ(requests[2].message, kNIM_DELETE);
    EXPECT_EQ(requests[2].data.uFlags, kNIF_TIP | kNIF_MESSAGE);
}

TEST(TrayIcon, NoticesAreBalloonsWhereTheSystemHasThemAndMessageBoxesElsewhere) {
    struct Case {
        std::uint32_t platformId;
        std::uint32_t major;
        std::uint32_t minor;
        bool versionFails;
        bool balloons;
    };
    const Case cases[] = {
        {kVER_PLATFORM_WIN32_NT, 6, 1, false, true},  {kVER_PLATFORM_WIN32_NT, 4, 0, false, true},
        {kVER_PLATFORM_WIN32_WINDOWS, 4, 90, false, true}, {kVER_PLATFORM_WIN32_WINDOWS, 4, 10, false, false},
        {kVER_PLATFORM_WIN32s, 3, 11, false, false},  {kVER_PLATFORM_WIN32_NT, 6, 1, true, false},
    };
    struct Notice {
        const char* text;
        std::uint32_t kind;
        std::uint32_t boxIcon;
    };
    const Notice notices[] = {
        {"Detect New Device", 1, kMB_ICONINFORMATION},
        {"Setting invalid Please Retry", 2, kMB_ICONWARNING},
        {"Device Remove Error, please retry", 3, kMB_ICONERROR},
        {nullptr, 7, kMB_ICONINFORMATION},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.machine.system.setPlatformId(c.platformId);
        rig.machine.system.setVersion(c.major, c.minor);
        rig.machine.system.failVersion(c.versionFails);
        CTrayIcon& icon = rig.bound();
        const std::string row = std::to_string(c.platformId) + " " + std::to_string(c.major) + "." +
                                std::to_string(c.minor) + (c.versionFails ? " failing" : "");
        for (const Notice& notice : notices) {
            // No icon is in the notification area, so the shell refuses every balloon.
            EXPECT_EQ(icon.ShowNotice(notice.text, "Device", 5000, notice.kind), !c.balloons) << row;
        }
        EXPECT_TRUE(rig.machine.notifyArea.balloons().empty()) << row;
        const auto& boxes = rig.machine.window.messageBoxes();
        const auto& requests = rig.machine.notifyArea.requests();
        ASSERT_EQ(boxes.size(), c.balloons ? 0u : 4u) << row;
        ASSERT_EQ(requests.size(), c.balloons ? 4u : 0u) << row;
        for (std::size_t i = 0; i < 4; ++i) {
            const Notice& notice = notices[i];
            const std::string text = notice.text != nullptr ? notice.text : "";
            if (c.balloons) {
                EXPECT_EQ(requests[i].message, kNIM_MODIFY) << row;
                EXPECT_EQ(requests[i].data.uFlags, kNIF_INFO) << row;
                EXPECT_EQ(requests[i].data.cbSize, 508u) << row;
                EXPECT_EQ(requests[i].data.szInfo, text) << row;
                EXPECT_STREQ(requests[i].data.szInfoTitle, "Device") << row;
                EXPECT_EQ(requests[i].data.uTimeout, 5000u) << row;
                EXPECT_EQ(requests[i].data.dwInfoFlags, notice.kind) << row;
            } else {
                EXPECT_EQ(boxes[i].owner, 0u) << row;
                EXPECT_EQ(boxes[i].text, text) << row;
                EXPECT_EQ(boxes[i].caption, "Device") << row;
                EXPECT_EQ(boxes[i].type, kMB_OK | notice.boxIcon) << row;
            }
        }
    }
}

TEST(TrayIcon, ABalloonOnAShownIconIsDisplayedAndCutToItsFields) {
    Rig rig;
    CTrayIcon& icon = rig.bound();
    icon.UpdateIcon(0x4001, nullptr);
    EXPECT_TRUE(icon.ShowNotice(std::string(300, 't').c_str(), std::string(80, 'T').c_str(), 5000, 3));
    ASSERT_EQ(rig.machine.notifyArea.balloons().size(), 1u);
    const auto& balloon = rig.machine.notifyArea.balloons()[0];
    EXPECT_EQ(balloon.text, std::string(255, 't'));
    EXPECT_EQ(balloon.title, std::string(63, 'T'));
    EXPECT_EQ(balloon.infoFlags, kNIIF_ERROR);
}

TEST(TrayIcon, ARestartedShellGetsAShownIconBack) {
    for (bool shown : {true, false}) {
        Rig rig;
        CTrayIcon& icon = rig.bound();
        if (shown) {
            icon.UpdateIcon(0x4001, "Camera");
        }
        rig.machine.notifyArea.restart();
        const std::uint32_t taskbarCreated = rig.machine.window.registerWindowMessage("TaskbarCreated");
        rig.machine.window.sendMessage(taskbarCreated, 0, 0);

        EXPECT_EQ(rig.requests(), shown ? (std::vector<std::uint32_t>{kNIM_ADD, kNIM_ADD}) : std::vector<std::uint32_t>{})
            << shown;
        EXPECT_EQ(icon.iconShown(), shown) << shown;
        const auto* inArea = rig.machine.notifyArea.icon(rig.hwnd(), 129);
        EXPECT_EQ(inArea != nullptr && inArea->tip == "Camera", shown) << shown;
        EXPECT_EQ(rig.own.count(taskbarCreated), 1u) << shown;
    }
}

TEST(TrayIcon, GoingAwayRemovesTheIconUnhooksTheWindowAndDestroysTheMenu) {
    Rig rig;
    rig.bound().UpdateIcon(0x4001, nullptr);
    // The icon leaves the window's procedure as it is: its owner hands it its messages.
    EXPECT_EQ(rig.machine.window.windowProc(), sim::SimWindowHost::kDialogProc);
    EXPECT_EQ(rig.machine.menus.liveMenus(), 4u);  // the tray menu and its three popups

    rig.own.tray = nullptr;
    rig.tray.reset();
    EXPECT_EQ(rig.requests(), (std::vector<std::uint32_t>{kNIM_ADD, kNIM_DELETE}));
    EXPECT_EQ(rig.machine.notifyArea.iconCount(), 0u);
    EXPECT_EQ(rig.machine.window.windowProc(), sim::SimWindowHost::kDialogProc);
    EXPECT_EQ(rig.machine.menus.liveMenus(), 0u);
}

TEST(TrayIcon, OutlivesItsWindow) {
    Rig rig;
    rig.bound();
    const Hwnd hwnd = rig.hwnd();
    rig.machine.window.destroy();
    EXPECT_EQ(CSubclassWndMap::Instance().Find(hwnd), nullptr);
    rig.tray.reset();
    EXPECT_TRUE(rig.requests().empty());
}
