#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "platform/Constants.h"
#include "common/Messages.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using testing_support::RunningDialog;

namespace {

constexpr const char* kDriverKey = "SOFTWARE\\Velnor VNUVCb";
constexpr const char* kIni = "C:\\Program Files\\Tiltmate\\bkg.ini";
const char* const kObsolete[] = {"AEManual_UI", "BGain_UI", "GGain_UI", "IMQuality_UI", "OutDoor_UI", "RGain_UI"};

struct BringUpRig : RunningDialog {
    explicit BringUpRig(const std::string& name = "Integrated Camera", int ledCtrl = 0) {
        machine.profile.setFile(kIni, "[Snap]\r\nVideoFriendly=Integrated\r\n[LED]\r\nLedCtrl=" +
                                          std::to_string(ledCtrl) + "\r\n");
        camera = machine.video.addCamera(name);
        machine.deviceSetup.addImagingDevice("USB\\VID_7C3E&PID_410B&MI_00\\6&2D8A7D2&0&0000",
                                             "USB\\VID_7C3E&PID_410B&REV_0100");
        for (const char* value : kObsolete) {
            machine.registry.putDword(Hive::CurrentUser, kDriverKey, value, 1);
        }
        start();
    }
    // The start timer's bring-up.
    void startBringUp() { machine.window.runFor(5000); }
    bool hasValue(const char* name) {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
        return machine.registry.get(Hive::CurrentUser, kDriverKey, name, type, bytes);
    }
    std::size_t procAmpSets() const { return camera->procAmpSets().size(); }
    std::shared_ptr<sim::EmulatedCamera> camera;
};

}  // namespace

TEST(BringUp, FirstRunRecordsTheCameraAndWritesEveryDefault) {
    BringUpRig rig;
    rig.startBringUp();
    EXPECT_TRUE(rig.machine.trace.contains("Velnor Camera init ok"));
    EXPECT_TRUE(rig.machine.trace.contains("QueryInterface pCusP  = TRUE"));
    EXPECT_TRUE(rig.machine.trace.contains("====clear old reg"));
    for (const char* value : kObsolete) {
        EXPECT_FALSE(rig.hasValue(value)) << value;
    }
    EXPECT_TRUE(rig.hasValue("Camera_VID"));
    EXPECT_TRUE(rig.hasValue("Camera_PID"));
    using Set = std::tuple<std::int32_t, std::int32_t, std::int32_t>;
    const std::vector<Set> expected = {{0, 128, 2}, {1, 50, 2}, {2, 0, 2}, {8, 1, 2}, {13, 1, 2}, {7, 0, 1}};
    for (const Set& set : expected) {
        EXPECT_NE(std::find(rig.camera->procAmpSets().begin(), rig.camera->procAmpSets().end(), set),
                  rig.camera->procAmpSets().end());
    }
    EXPECT_EQ(rig.procAmpSets(), 9u);
    for (const auto& [property, value] : {std::pair{0u, 0u}, {6u, 0u}, {5u, 0u}, {4u, 10u}}) {
        EXPECT_EQ(rig.camera->valuesSet(property), std::vector<std::uint32_t>{value}) << property;
    }
    // The mounting value, then the pipeline's first value; the flag is cleared after.
    EXPECT_EQ(rig.camera->valuesSet(7), (std::vector<std::uint32_t>{0, 0}));
    EXPECT_FALSE(rig.dialog->pipeline().firstRun());
    EXPECT_EQ(rig.machine.video.liveObjects(), 0);
    EXPECT_EQ(rig.machine.registry.openHandleCount(), 0);
    const auto lines = rig.machine.trace.messages();
    const std::vector<std::string> tail(lines.end() - 5, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Clean, pProcAmp & pCustom & pCap & pCamera", "1", "2", "3", "8"}));
}

TEST(BringUp, TheSameCameraIsLeftAloneAndAnotherIsRecordedAgain) {
    BringUpRig rig;
    rig.startBringUp();
    rig.camera->clearJournal();
    const std::size_t setsBefore = rig.procAmpSets();
    rig.machine.registry.putDword(Hive::CurrentUser, kDriverKey, "AEManual_UI", 1);

    DevBroadcastDeviceInterface notice{};
    notice.dbcc_size = sizeof notice;
    notice.dbcc_devicetype = kDBT_DEVTYP_DEVICEINTERFACE;
    notice.dbcc_classguid = kKSCATEGORY_VIDEO;
    rig.machine.window.sendMessage(kWM_DEVICECHANGE, kDBT_DEVICEARRIVAL, reinterpret_cast<LParam>(&notice));
    EXPECT_TRUE(rig.machine.trace.contains("The same camera, no need change"));
    EXPECT_EQ(rig.procAmpSets(), setsBefore);
    EXPECT_TRUE(rig.hasValue("AEManual_UI"));
    EXPECT_EQ(rig.camera->valuesSet(7).size(), 3u);  // only the pipeline's value

    // Another product: recorded anew, defaults again.
    rig.machine.deviceSetup.removeAll();
    rig.machine.deviceSetup.addImagingDevice("USB\\VID_7C3E&PID_4200&MI_00\\6&2D8A7D2&0&0000",
                                             "USB\\VID_7C3E&PID_4200&REV_0100");
    rig.machine.trace.clear();
    rig.machine.window.sendMessage(kWM_DEVICECHANGE, kDBT_DEVICEARRIVAL, reinterpret_cast<LParam>(&notice));
    EXPECT_TRUE(rig.machine.trace.contains("====pid vid is different"));
    EXPECT_EQ(rig.procAmpSets(), 2 * setsBefore);
    EXPECT_FALSE(rig.hasValue("AEManual_UI"));
    EXPECT_EQ(rig.dialog->bringUp().identity().pid, 0x4200);

    // A removal only releases.
    rig.machine.trace.clear();
    rig.machine.window.sendMessage(kWM_DEVICECHANGE, kDBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LParam>(&notice));
    EXPECT_FALSE(rig.machine.trace.contains("in MactionAction"));
    EXPECT_FALSE(rig.machine.trace.contains("OnSettingChange"));
    EXPECT_EQ(rig.machine.video.liveObjects(), 0);
}

TEST(BringUp, FailuresStillRotateAndRelease) {
    struct Case {
        const char* name;
        std::string cameraName;
        std::uint8_t controller;
        bool answersCustom;
        const char* failure;
    };
    const Case cases[] = {
        {"no integrated camera", "Integrated Cam 2", 0x85, true, "The name is not intergate..."},
        {"controller refused", "Integrated Camera", 0xD0, true, "Velnor Camera init fail"},
        {"other driver", "Integrated Camera", 0x85, false, "Not velnor driver"},
    };
    for (const Case& c : cases) {
        BringUpRig rig(c.cameraName);
        rig.camera->controller().setId(c.controller);
        if (!c.answersCustom) {
            rig.machine.video.devices()[0].answersCustomProperty = false;
        }
        rig.startBringUp();
        EXPECT_TRUE(rig.machine.trace.contains(c.failure)) << c.name;
        EXPECT_TRUE(rig.machine.trace.contains("end OnSettingChange")) << c.name;
        for (const char* line : {"1", "2", "3", "8"}) {
            EXPECT_TRUE(rig.machine.trace.contains(line)) << c.name << " " << line;
        }
        EXPECT_EQ(rig.procAmpSets(), 0u) << c.name;
        EXPECT_TRUE(rig.hasValue("AEManual_UI")) << c.name;
        EXPECT_FALSE(rig.dialog->pipeline().firstRun()) << c.name;
        EXPECT_EQ(rig.machine.video.liveObjects(), 0) << c.name;
    }
}

TEST(BringUp, ACameraWithoutHueRangeGetsEveryOtherDefault) {
    BringUpRig rig;
    rig.camera->removeProcAmpRange(kVideoProcAmp_Hue);
    rig.startBringUp();
    EXPECT_EQ(rig.procAmpSets(), 8u);
    for (const auto& set : rig.camera->procAmpSets()) {
        EXPECT_NE(std::get<0>(set), kVideoProcAmp_Hue);
    }
    EXPECT_EQ(rig.camera->valuesSet(4), std::vector<std::uint32_t>{10});
}

TEST(BringUp, TheLedCheckRunsExactlyWhenEnabled) {
    for (int ledCtrl : {0, 1, -3}) {
        BringUpRig rig("Integrated Camera", ledCtrl);
        rig.startBringUp();
        EXPECT_EQ(rig.machine.trace.contains("in CheckLED"), ledCtrl != 0) << ledCtrl;
        EXPECT_EQ(rig.hasValue("LED_Setting"), ledCtrl != 0) << ledCtrl;
    }
}
