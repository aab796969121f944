// The command surface as the main window holds it: the tray icon's callback from
// outside, the opt-in icon, and notices.
#include <gtest/gtest.h>

#include <string>

#include "common/Messages.h"
#include "platform/Constants.h"
#include "resources/resource.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using testing_support::RunningDialog;

namespace {

constexpr const char* kIni = "C:\\Program Files\\Tiltmate\\bkg.ini";

}  // namespace

// WM_USER+150 from another program, with any wParam and lParam, shows the popup,
// opens the console, or does nothing.
TEST(CommandSurface, TrayCallbackFromOutside) {
    struct Case {
        const char* name;
        WParam id;
        LParam mouse;
        std::size_t popups;
        bool console;
    };
    const Case cases[] = {
        {"right click", IDR_TRAY_MENU, kWM_RBUTTONUP, 1, false},
        {"double click", IDR_TRAY_MENU, kWM_LBUTTONDBLCLK, 0, true},
        {"mouse move", IDR_TRAY_MENU, kWM_MOUSEMOVE, 0, false},
        {"another icon", 130, kWM_RBUTTONUP, 0, false},
        {"junk", static_cast<WParam>(-1), -12345, 0, false},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        run.start();
        run.machine.window.sendMessage(common::kMsgTrayCallback, c.id, c.mouse);
        run.machine.window.runFor(10);
        EXPECT_EQ(run.machine.menus.popups().size(), c.popups) << c.name;
        EXPECT_EQ(run.machine.window.isWindowVisible(), c.console) << c.name;
    }
    // The popup's pick reaches the window as a command: its first item opens the console,
    // and that item is the popup's default each time it opens.
    RunningDialog run;
    run.start();
    run.machine.menus.pickInNextPopup(ID_TRAY_CONSOLE);
    run.machine.window.sendMessage(common::kMsgTrayCallback, IDR_TRAY_MENU, kWM_RBUTTONUP);
    run.machine.window.runFor(10);
    EXPECT_TRUE(run.machine.window.isWindowVisible());
    EXPECT_NE(run.machine.menus.getMenuState(run.dialog->trayPopupMenu(), 0, kMF_BYPOSITION) & kMF_DEFAULT, 0u);
}

TEST(CommandSurface, TheIconIsOptInAndFollowsTheCaption) {
    for (int showIcon : {0, 1}) {
        RunningDialog run;
        run.machine.profile.setFile(kIni, "[Tray]\r\nShowIcon=" + std::to_string(showIcon) +
                                              "\r\n[Language]\r\nLanguageCount=2\r\nLanguage2=Deutsch.ini\r\n");
        run.machine.profile.setFile("C:\\Program Files\\Tiltmate\\Language\\Deutsch.ini",
                                    "[Main]\r\nTitle=Kamerakonsole\r\n");
        run.start();
        const Hwnd window = run.machine.window.window();
        const sim::SimNotifyArea::Icon* icon = run.machine.notifyArea.icon(window, IDR_TRAY_MENU);
        if (showIcon == 0) {
            // As the program has always been: nothing in the notification area, and a
            // notice goes nowhere.
            EXPECT_EQ(icon, nullptr);
            run.machine.window.sendMessage(common::kMsgDeviceNotice, 1, 0);
            EXPECT_TRUE(run.machine.notifyArea.balloons().empty());
            EXPECT_TRUE(run.machine.window.messageBoxes().empty());
            continue;
        }
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->callbackMessage, common::kMsgTrayCallback);
        EXPECT_EQ(icon->tip, "Tavrin PC Camera Console");
        run.command(35001);  // Deutsch
        EXPECT_EQ(run.machine.notifyArea.icon(window, IDR_TRAY_MENU)->tip, "Kamerakonsole");

        // Notices become balloons on the icon.
        run.machine.window.sendMessage(common::kMsgDeviceError, 0, 0);
        ASSERT_EQ(run.machine.notifyArea.balloons().size(), 1u);
        EXPECT_EQ(run.machine.notifyArea.balloons()[0].text, "Device Remove Error, please retry");
        EXPECT_EQ(run.machine.notifyArea.balloons()[0].title, "Device Error");
        EXPECT_EQ(run.machine.notifyArea.balloons()[0].infoFlags, 3u);

        // A restarted shell gets the icon again; the end of the program removes it.
        run.machine.notifyArea.restart();
        run.machine.window.sendMessage(run.machine.window.registerWindowMessage("TaskbarCreated"), 0, 0);
        EXPECT_NE(run.machine.notifyArea.icon(window, IDR_TRAY_MENU), nullptr);
        run.dialog.reset();
        EXPECT_EQ(run.machine.notifyArea.iconCount(), 0u);
    }
}
