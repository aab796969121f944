// Messages another process may send the main window: none of them can make the
// program read outside what it was given, run its initialisation again, or start a
// bring-up of its own choosing.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "common/Messages.h"
#include "platform/Constants.h"
#include "platform/DeviceSetup.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using testing_support::RunningDialog;

namespace {

struct Started : RunningDialog {
    Started() {
        camera = machine.video.addCamera("Integrated Camera");
        start();
        machine.window.runFor(5000);  // the start timer's bring-up
    }
    std::size_t bringUps() const { return machine.trace.count("in MactionAction"); }
    std::shared_ptr<sim::EmulatedCamera> camera;
};

}  // namespace

// The handler once read the record's type before its size: a 4-byte record was read
// past its end.
TEST(ForeignMessages, ShortDeviceChangeRecordsAreNotReadPastTheirEnd) {
    for (std::uint32_t size : {4u, 8u, 12u, 27u}) {
        Started run;
        // Exactly `size` bytes on the heap, so reading beyond them is caught.
        auto record = std::make_unique<std::uint8_t[]>(size);
        std::memcpy(record.get(), &size, sizeof size);
        if (size >= 8) {
            const std::uint32_t type = kDBT_DEVTYP_DEVICEINTERFACE;
            std::memcpy(record.get() + 4, &type, sizeof type);
        }
        EXPECT_EQ(run.machine.window.sendMessage(kWM_DEVICECHANGE, kDBT_DEVICEARRIVAL,
                                                 reinterpret_cast<LParam>(record.get())),
                  0)
            << size;
        EXPECT_EQ(run.bringUps(), 1u) << size;
    }
}

// Three WM_INITDIALOG from outside once left four device registrations (four bring-ups
// per arrival), a cleared OEM record, a re-armed first run and another bring-up.
TEST(ForeignMessages, InitialisationRunsOnce) {
    Started run;
    testing_support::PutOemRecord(run.machine, 0x106);
    for (int i = 0; i < 3; ++i) {
        run.machine.window.sendMessage(kWM_INITDIALOG, 0, 0x1234);
    }
    run.machine.window.runFor(10'000);
    EXPECT_EQ(run.machine.deviceSetup.registrations().size(), 2u);  // video and audio, once each
    EXPECT_EQ(run.machine.trace.count("OnInitDialog"), 1u);
    EXPECT_FALSE(run.dialog->pipeline().firstRun());
    EXPECT_TRUE(run.dialog->oemRecords().allocated());
    EXPECT_EQ(run.bringUps(), 1u);

    DevBroadcastDeviceInterface notice{};
    notice.dbcc_size = sizeof notice;
    notice.dbcc_devicetype = kDBT_DEVTYP_DEVICEINTERFACE;
    notice.dbcc_classguid = kKSCATEGORY_VIDEO;
    run.machine.window.sendMessage(kWM_DEVICECHANGE, kDBT_DEVICEARRIVAL, reinterpret_cast<LParam>(&notice));
    EXPECT_EQ(run.bringUps(), 2u);  // one arrival, one bring-up
}

// Ten WM_TIMER 1224 from outside once gave ten more bring-ups, LED check included.
TEST(ForeignMessages, OnlyTimersTheProgramArmedRunAnything) {
    Started run;
    const std::size_t passes = run.machine.trace.count("end OnSettingChange");
    for (int i = 0; i < 10; ++i) {
        run.machine.window.postMessage(kWM_TIMER, common::kTimerStart, 0);
        run.machine.window.postMessage(kWM_TIMER, common::kTimerGravity, 0);
    }
    run.machine.window.runFor(1000);
    EXPECT_EQ(run.bringUps(), 1u);
    EXPECT_EQ(run.machine.trace.count("end OnSettingChange"), passes);

    // The program's own gravity timer still runs its pass once.
    run.machine.window.postMessage(common::kGravityRotateMsg1, 0, 0);
    run.machine.window.runFor(1000);
    EXPECT_EQ(run.machine.trace.count("end OnSettingChange"), passes + 1);
}
