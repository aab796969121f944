#include <gtest/gtest.h>

#include "platform/Constants.h"
#include "shell/CBACKApp.h"
#include "common/Messages.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using namespace common;
using testing_support::RunningDialog;

TEST(CommandRouting, FirstMatchingRowWins) {
    struct Case {
        std::uint32_t id;
        std::uint32_t code;
        const char* handler;  // null: no row takes it
    };
    const Case cases[] = {
        {2, 0, "OnCancel"},
        {1, 0, nullptr},  // Enter's IDOK never ends the program
        {32771, 0, "OnConsole"},
        {32772, 0, "OnVideoSetting"},
        {1000, 0, "OnVideoSetting"},
        {32773, 0, "OnAudioSetting"},
        {1001, 0, "OnAudioSetting"},
        {32775, 0, "Exit"},
        {32778, 0, "OnSnapStorePath"},
        {1005, 0, "OnSnapStorePath"},
        {1002, kCBN_SELCHANGE, "OnVideoDeviceBox"},
        {1002, 3, nullptr},  // other combo box notifications
        {1003, kCBN_SELCHANGE, "OnAudioDeviceBox"},
        {32999, 0, nullptr},
        {33000, 0, "OnVideoDeviceMenu"},
        {33500, 0, "OnVideoDeviceMenu"},
        {33501, 0, nullptr},
        // Audio ids lie inside the language range: they must never switch the language.
        {34000, 0, "OnAudioDeviceMenu"},
        {34500, 0, "OnAudioDeviceMenu"},
        {34501, 0, "OnLanguageMenu"},
        {35000, 0, "OnLanguageMenu"},
        {35500, 0, "OnLanguageMenu"},
        {35501, 0, nullptr},
    };
    for (const Case& c : cases) {
        const char* routed = CBACKDlg::RoutedCommand(c.id, c.code);
        EXPECT_STREQ(routed != nullptr ? routed : "(none)", c.handler != nullptr ? c.handler : "(none)")
            << "id " << c.id << " code " << c.code;
    }
}

TEST(StartUp, SecondInstanceOfOneExecutableLeavesAtOnce) {
    sim::SimSession session;
    sim::SimMachine first(&session, "Tiltmate");
    sim::SimMachine second(&session, "Tiltmate");
    sim::SimMachine other(&session, "Viewmate");

    // The first instance is still running when the second one starts.
    CBACKApp firstApp(first.platform(), common::kTiltmate);
    CBACKApp secondApp(second.platform(), common::kTiltmate);
    CBACKApp otherApp(other.platform(), common::kViewmate);
    first.window.at(1000, [&] {
        EXPECT_EQ(secondApp.InitInstance(), 0);
        EXPECT_EQ(otherApp.InitInstance(), 0);
        first.window.postMessage(kMsgExit, 0, 0);
    });
    other.window.at(2000, [&] { other.window.postMessage(kMsgExit, 0, 0); });

    EXPECT_EQ(firstApp.InitInstance(), 0);
    EXPECT_TRUE(first.window.ended());
    EXPECT_EQ(second.com.initializeCalls(), 0);
    EXPECT_FALSE(second.window.created() || second.window.ended());
    EXPECT_EQ(secondApp.mainWindow(), nullptr);
    EXPECT_TRUE(other.window.ended());  // the other program has its own counter
    // The name stays taken while the first process lives.
    EXPECT_EQ(session.namedObjects.count("Tiltmate.BackGrou"), 1u);
}

// The gate was once one counter for the whole machine: with fast user switching the
// second user's program ended at once and that user's camera never rotated.
TEST(StartUp, EachUserSessionRunsItsOwnInstance) {
    sim::SimSession firstUser;
    sim::SimSession secondUser;
    sim::SimMachine first(&firstUser, "Tiltmate");
    sim::SimMachine second(&secondUser, "Tiltmate");
    CBACKApp firstApp(first.platform(), common::kTiltmate);
    CBACKApp secondApp(second.platform(), common::kTiltmate);
    first.window.at(1000, [&] {
        second.window.at(1000, [&] { second.window.postMessage(kMsgExit, 0, 0); });
        EXPECT_EQ(secondApp.InitInstance(), 0);
        first.window.postMessage(kMsgExit, 0, 0);
    });
    EXPECT_EQ(firstApp.InitInstance(), 0);
    EXPECT_TRUE(first.window.ended());
    EXPECT_TRUE(second.trace.contains("OnInitDialog"));  // it ran, and ended by its own exit
    EXPECT_TRUE(second.window.ended());
}

TEST(StartUp, WindowIsParkedOffScreenThenHidden) {
    RunningDialog run;
    run.machine.window.create(IDD_MAIN, *run.dialog);
    // Until the loop runs, the dialog is visible but off screen.
    EXPECT_TRUE(run.machine.window.isWindowVisible());
    EXPECT_EQ(run.machine.window.x(), -400);
    EXPECT_EQ(run.machine.window.y(), -400);
    run.machine.window.runFor(0);
    EXPECT_FALSE(run.machine.window.isWindowVisible());
    EXPECT_FALSE(run.machine.window.ended());
    // Every placement while visible was off screen.
    for (const auto& placement : run.machine.window.placements()) {
        if (placement.visible) {
            EXPECT_EQ(placement.x, -400);
        }
    }
    const auto messages = run.machine.trace.messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0], "OnInitDialog");
    EXPECT_EQ(messages[1], "C:\\Users\\user\\AppData\\Local\\Temp\\2014-03-07_Monitor_log.txt");
}

TEST(StartUp, MonitorLogPathFollowsLocalDateAndSurvivesFailures) {
    struct Case {
        const char* temp;
        bool timeFails;
        const char* expected;
    };
    const std::string longTemp(300, 'T');
    const Case cases[] = {
        {"C:\\Temp\\", false, "C:\\Temp\\2026-12-09_Monitor_log.txt"},
        {"", false, "2026-12-09_Monitor_log.txt"},
        {"C:\\Temp\\", true, "C:\\Temp\\"},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        run.machine.system.setTempPath(c.temp);
        run.machine.clock.setLocalStart(2026, 12, 9, 23, 59, 59);
        run.machine.clock.failLocalTime(c.timeFails);
        run.start();
        EXPECT_EQ(run.dialog->monitorLogPath(), c.expected);
    }
    RunningDialog run;
    run.machine.system.setTempPath(longTemp);
    run.start();
    EXPECT_EQ(run.dialog->monitorLogPath().substr(0, 259), longTemp.substr(0, 259));
}

TEST(Timers, StartTimerFiresOnceAfterFiveSeconds) {
    RunningDialog run;
    run.start();
    run.machine.window.runFor(60'000);
    std::vector<std::uint64_t> startExpiries;
    for (const auto& [id, time] : run.machine.window.timerExpiries()) {
        if (id == kTimerStart) {
            startExpiries.push_back(time);
        }
    }
    EXPECT_EQ(startExpiries, std::vector<std::uint64_t>{5000});
    EXPECT_EQ(run.machine.trace.count("timer! 5sec"), 1u);
    EXPECT_FALSE(run.machine.window.timerActive(kTimerStart));
    // One bring-up.
    EXPECT_EQ(run.machine.trace.count("in MactionAction"), 1u);
}

TEST(Timers, GravityBurstGivesOneExpiryAfterTheLastEvent) {
    struct Case {
        std::uint32_t message;
        bool toThread;
    };
    const Case cases[] = {{kGravityRotateMsg1, false}, {kGravityRotateMsg2, false}, {kGravityRotateMsg1, true}};
    for (const Case& c : cases) {
        RunningDialog run;
        run.start();
        auto& window = run.machine.window;
        for (int i = 0; i < 5; ++i) {
            window.at(10'000 + 100 * i, [&window, c] {
                if (c.toThread) {
                    window.postThreadMessage(c.message, 0, 0);
                } else {
                    window.postMessage(c.message, 0, 0);
                }
            });
        }
        window.runFor(20'000);
        std::vector<std::uint64_t> expiries;
        for (const auto& [id, time] : window.timerExpiries()) {
            if (id == kTimerGravity) {
                expiries.push_back(time);
            }
        }
        EXPECT_EQ(expiries, std::vector<std::uint64_t>{10'400 + 300}) << c.message;
        EXPECT_EQ(run.machine.trace.count("i get GRAVITY_ROTATE_MSG event"), 1u);
        EXPECT_FALSE(window.timerActive(kTimerGravity));
    }
}

TEST(Console, ShowsCentredByClientSizeAndHidesAgain) {
    struct Case {
        int screenW, screenH, clientW, clientH, x, y;
    };
    const Case cases[] = {
        {1366, 768, 300, 150, 533, 309},
        {1024, 768, 1025, 770, 0, -1},  // a client larger than the screen: halves truncate toward zero
        {800, 600, 0, 0, 400, 300},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        run.machine.window.setScreenSize(c.screenW, c.screenH);
        run.machine.window.setClientSize(c.clientW, c.clientH);
        run.start();
        run.command(32771);
        EXPECT_TRUE(run.machine.window.isWindowVisible());
        EXPECT_EQ(run.machine.window.x(), c.x);
        EXPECT_EQ(run.machine.window.y(), c.y);
    }

    RunningDialog run;
    run.start();
    auto& window = run.machine.window;
    const std::function<void()> hiders[] = {
        [&] { window.pressKey(kVK_ESCAPE); },
        [&] { window.postMessage(kWM_CLOSE, 0, 0); },
        [&] { window.postMessage(kWM_COMMAND, kIDCANCEL, 0); },
    };
    for (const auto& hide : hiders) {
        run.command(32771);
        window.pressKey(kVK_RETURN);
        window.postMessage(kWM_COMMAND, kIDOK, 0);
        window.runFor(10);
        EXPECT_TRUE(window.isWindowVisible());  // Enter and OK change nothing
        hide();
        window.runFor(10);
        EXPECT_FALSE(window.isWindowVisible());
        EXPECT_FALSE(window.ended());
    }
}

TEST(Exit, EveryExitPathClosesSnapAndEndsTheDialog) {
    struct Case {
        const char* name;
        std::uint32_t msg;
        WParam wParam;
        bool quitPosted;
    };
    const Case cases[] = {
        {"menu", kWM_COMMAND, 32775, false},
        {"message", kMsgExit, 0, false},
        {"session ends", kWM_ENDSESSION, 1, true},
        {"session goes on", kWM_ENDSESSION, 0, true},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        auto& window = run.machine.window;
        const Hwnd snap = window.addWindow("", "Snap");
        run.start();
        window.postMessage(c.msg, c.wParam, 0);
        window.runFor(100);
        EXPECT_TRUE(window.ended()) << c.name;
        EXPECT_EQ(window.endResult(), kIDCANCEL) << c.name;
        EXPECT_EQ(window.quitPosted(), c.quitPosted) << c.name;
        EXPECT_FALSE(run.dialog->oemRecords().allocated()) << c.name;
        ASSERT_EQ(window.otherWindow(snap)->received.size(), 1u) << c.name;
        EXPECT_EQ(window.otherWindow(snap)->received[0].msg, kWM_CLOSE) << c.name;
    }
}

TEST(PrivateMessages, ResultsAndGrayOut) {
    RunningDialog run;
    run.start();
    auto& window = run.machine.window;
    auto& menus = run.machine.menus;
    const MenuHandle popup = run.dialog->trayPopupMenu();

    EXPECT_EQ(window.sendMessage(kMsgCameraNotice, 0, 0), 1);
    EXPECT_EQ(window.sendMessage(kMsgGrayOut, 5, 0), 1);  // any non-zero wParam means video
    EXPECT_FALSE(window.control(1000)->enabled);
    EXPECT_TRUE(window.control(1001)->enabled);
    EXPECT_NE(menus.getMenuState(popup, 32772, kMF_BYCOMMAND) & kMF_GRAYED, 0u);
    EXPECT_EQ(menus.getMenuState(popup, 32773, kMF_BYCOMMAND) & kMF_GRAYED, 0u);
    window.sendMessage(kMsgGrayOut, 0, 0);
    EXPECT_FALSE(window.control(1001)->enabled);
    EXPECT_NE(menus.getMenuState(popup, 32773, kMF_BYCOMMAND) & kMF_GRAYED, 0u);
    // Unknown private messages go to default processing and change nothing.
    window.sendMessage(kWM_USER + 140, 0, 0);
    EXPECT_FALSE(window.ended());
}

TEST(Painting, MinimisedWindowDrawsItsIconCentred) {
    RunningDialog run;
    run.machine.window.setClientSize(160, 40);
    run.start();
    run.machine.window.setIconic(true);
    run.machine.window.sendMessage(kWM_PAINT, 0, 0);
    EXPECT_EQ(run.machine.window.iconPaintedAt(), std::make_pair((160 - 32 + 1) / 2, (40 - 32 + 1) / 2));
    EXPECT_EQ(run.machine.window.sendMessage(kWM_QUERYDRAGICON, 0, 0), run.machine.window.mainIconHandle());
}

TEST(Trace, MessagesOfAnySizeAreAccepted) {
    RunningDialog run;
    run.dialog->WriteLog("", 0);
    run.dialog->WriteLog(std::string(8192, 'x'), 1);
    WriteLog("free-standing");
    ASSERT_EQ(run.machine.trace.lines().size(), 3u);
    EXPECT_EQ(run.machine.trace.lines()[1].second, 1);
    EXPECT_EQ(run.machine.trace.lines()[2].first, "free-standing");
}
