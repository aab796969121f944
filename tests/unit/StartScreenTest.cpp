#include <gtest/gtest.h>

#include "platform/Constants.h"
#include "rotation/StartScreenWatcher.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using testing_support::RunningDialog;

namespace {

struct Win8Rig : RunningDialog {
    explicit Win8Rig(bool win8 = true) {
        machine.system.setVersion(6, win8 ? 2 : 1);
        machine.appVisibility.setLauncherVisible(false);
        camera = machine.video.addCamera("Tavrin Camera");
        start();
    }
    std::shared_ptr<sim::EmulatedCamera> camera;
};

}  // namespace

TEST(StartScreen, NotStartedBeforeWindows8) {
    Win8Rig rig(false);
    EXPECT_EQ(rig.machine.appVisibility.objectsCreated(), 0);
    EXPECT_TRUE(rig.machine.diagnostics.standardOutput().empty());
    EXPECT_EQ(rig.dialog->policy().metroMode(), 1);
}

TEST(StartScreen, StartReportsAndSubscribes) {
    RunningDialog run;
    run.machine.system.setVersion(6, 2);
    run.machine.display.setMonitors({0x1001, 0x1002, 0x1003});
    run.machine.appVisibility.setMonitorMode(0x1001, kMAV_APP_VISIBLE);
    run.machine.appVisibility.failMonitorQuery(0x1002);
    run.machine.appVisibility.setMonitorMode(0x1003, 7);
    run.start();
    EXPECT_TRUE(run.dialog->startScreenWatcher().subscribed());
    EXPECT_EQ(run.dialog->policy().metroMode(), 0);  // the launcher is not visible
    const std::wstring out = run.machine.diagnostics.standardOutput();
    EXPECT_EQ(out.find(L"Toggle Start menu visibility 5 times to exit\r\n"), 0u);
    EXPECT_NE(out.find(L"has a visible app\r\n"), std::wstring::npos);
    EXPECT_NE(out.find(L"has unknown\r\n"), std::wstring::npos);
    EXPECT_NE(out.find(L"\r\n\r\nThe Start menu is currently not visible\r\n"), std::wstring::npos);
    EXPECT_EQ(run.machine.diagnostics.debugOutput(),
              "Current app visibility status is:\r\n _GetMonitorAppVisibilityString \n _GetMonitorAppVisibilityString \n");
    EXPECT_TRUE(run.machine.trace.contains(" * EnumVisib, current is not visible"));

    // Ending the window unsubscribes and balances the apartment the watcher entered.
    const int depth = run.machine.com.depth();
    run.dialog.reset();
    EXPECT_EQ(run.machine.appVisibility.subscribers(), 0u);
    EXPECT_EQ(run.machine.appVisibility.objectsAlive(), 0);
    EXPECT_EQ(run.machine.com.depth(), depth - 1);
}

TEST(StartScreen, FailuresEndStartQuietly) {
    for (int failure = 0; failure < 2; ++failure) {
        RunningDialog run;
        run.machine.system.setVersion(6, 2);
        run.machine.appVisibility.failCreate(failure == 0);
        run.machine.appVisibility.failAdvise(failure == 1);
        run.start();
        EXPECT_FALSE(run.dialog->startScreenWatcher().subscribed());
        EXPECT_EQ(run.machine.appVisibility.subscribers(), 0u);
    }
}

TEST(StartScreen, EveryEventRunsThePipelineAndOnlyMonitorEventsMoveTheFlag) {
    Win8Rig rig;
    auto& events = rig.machine.appVisibility;
    ASSERT_EQ(events.subscribers(), 1u);

    struct Step {
        int kind;  // 0 launcher, 1 monitor
        bool visible;
        int mode;
        std::uint8_t metro;
        const char* trace;
    };
    const Step steps[] = {
        {0, true, 0, 0, " LauncherVisibilityChange->Start menu m_bMetroMode =0"},
        {1, false, kMAV_APP_VISIBLE, 1, " AppVisibilityOnMonitorChanged->Start menu m_bMetroMode =1"},
        {0, false, 0, 1, " LauncherVisibilityChange->Start menu m_bMetroMode =1"},
        {1, false, kMAV_NO_APP_VISIBLE, 0, " AppVisibilityOnMonitorChanged->Start menu m_bMetroMode =0"},
        {1, false, kMAV_UNKNOWN, 0, " AppVisibilityOnMonitorChanged->Start menu m_bMetroMode =0"},
    };
    std::size_t runs = 0;
    for (const Step& step : steps) {
        if (step.kind == 0) {
            events.fireLauncherVisibility(step.visible);
        } else {
            events.fireMonitorChanged(0x10001, kMAV_UNKNOWN, step.mode);
        }
        ++runs;
        EXPECT_EQ(rig.dialog->policy().metroMode(), step.metro);
        EXPECT_EQ(rig.machine.trace.count("end OnSettingChange"), runs);
        EXPECT_EQ(rig.machine.trace.lines().back().first, step.trace);
    }
    // The flag only changes the trace, never the value sent.
    const auto values = rig.camera->valuesSet(7);
    ASSERT_EQ(values.size(), runs);
    for (std::size_t i = 1; i < values.size(); ++i) {
        EXPECT_EQ(values[i], 8u);
    }
    EXPECT_TRUE(rig.machine.trace.contains("metro mode"));
    EXPECT_TRUE(rig.machine.trace.contains("is Win8, check launcher state."));
    EXPECT_NE(rig.machine.diagnostics.standardOutput().find(L"previously had unknown and now has a visible app\r\n"),
              std::wstring::npos);
}
