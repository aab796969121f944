#include <gtest/gtest.h>

#include <vector>

#include "platform/Constants.h"
#include "camera/VideoDeviceEntry.h"
#include "common/Messages.h"
#include "rotation/Mounting.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using testing_support::RunningDialog;

namespace {

constexpr const char* kPolicyKey = "SOFTWARE\\Harbek\\Camera\\Integrated";
using testing_support::kSmbiosKey;

// A started main window with one camera whose name matches the settings.
struct RotationRig : RunningDialog {
    RotationRig() {
        camera = machine.video.addCamera("Tavrin Camera");
        start();
    }
    // The mounting comes from the SMBIOS table, which the start timer's bring-up reads;
    // that bring-up's own pass sends the first value (0).
    void setMounting(std::uint32_t devInfo) {
        testing_support::PutOemRecord(machine, devInfo);
        machine.window.runFor(5000);
    }
    void setPolicy(std::uint32_t type, std::vector<std::uint8_t> bytes) {
        machine.registry.put(Hive::LocalMachine, kPolicyKey, "NoRotationInMetro", type, std::move(bytes));
    }
    std::vector<std::uint32_t> rotations() const { return camera->valuesSet(7); }
    std::shared_ptr<sim::EmulatedCamera> camera;
};

}  // namespace

TEST(ChangeRotation, RemapsEveryMountingCodeAndOrientation) {
    struct Case {
        std::uint32_t code;
        int expected[4];
    };
    const Case table[] = {
        {2, {2, 1, 0, 3}}, {4, {0, 1, 2, 3}}, {6, {2, 3, 0, 1}}, {0, {0, 3, 2, 1}},
        {5, {0, 3, 2, 1}}, {3, {0, 3, 2, 1}}, {0x12, {0, 3, 2, 1}}, {0xFF, {0, 3, 2, 1}},
    };
    for (const Case& c : table) {
        for (int orientation = 0; orientation < 4; ++orientation) {
            EXPECT_EQ(rotation::RemapRotation(c.code, orientation), c.expected[orientation])
                << "code " << c.code << " orientation " << orientation;
        }
        // Out of range: not looked up; 4 and more lose 4 once, negatives stay.
        for (const auto& [in, out] : {std::pair{4, 0}, {5, 1}, {9, 5}, {-1, -1}, {-7, -7}}) {
            EXPECT_EQ(rotation::RemapRotation(c.code, in), out) << "code " << c.code << " orientation " << in;
        }
    }
}

TEST(ChangeRotation, MountingAndRotationEnableComeFromTheSmbiosRecord) {
    struct Case {
        std::uint32_t devInfo;
        int rotated;  // what orientation 1 becomes
        int enable;
    };
    // Only bits 0-7 are the mounting code; bit 8 is RotationEnable.
    const Case cases[] = {{0x106, 3, 1}, {0x6, 3, 0}, {0x300, 3, 1}, {0x104, 1, 1}, {0x2, 1, 0}};
    for (const Case& c : cases) {
        RotationRig rig;
        rig.setMounting(c.devInfo);
        int rotation = 1;
        rig.dialog->pipeline().ChangeRotation(&rotation);
        EXPECT_EQ(rotation, c.rotated) << std::hex << c.devInfo;
        EXPECT_EQ(rig.dialog->pipeline().rotationEnable(), c.enable) << std::hex << c.devInfo;
    }
    // Without a record the mounting is "other" and rotation is not enabled.
    RunningDialog run;
    run.start();
    int rotation = 1;
    run.dialog->pipeline().ChangeRotation(&rotation);
    EXPECT_EQ(rotation, 3);
    EXPECT_EQ(run.dialog->pipeline().rotationEnable(), 0);
}

TEST(RotationPipeline, FirstRunSendsZeroThenWorkedValues) {
    struct Case {
        std::uint32_t orientation;
        bool policyZero;
        std::uint32_t value;
    };
    const Case cases[] = {
        {kDMDO_DEFAULT, true, 0}, {kDMDO_90, true, 3},  {kDMDO_180, true, 2},  {kDMDO_270, true, 1},
        {kDMDO_DEFAULT, false, 8}, {kDMDO_90, false, 11}, {kDMDO_180, false, 10}, {kDMDO_270, false, 9},
    };
    for (const Case& c : cases) {
        RotationRig rig;
        if (c.policyZero) {
            rig.setPolicy(kREG_DWORD, {0, 0, 0, 0});
        }
        rig.machine.display.setOrientation(c.orientation);
        rig.machine.window.sendMessage(kWM_SETTINGCHANGE, 0, 0);
        rig.machine.window.sendMessage(kWM_DISPLAYCHANGE, 0, 0);
        EXPECT_EQ(rig.rotations(), (std::vector<std::uint32_t>{0, c.value})) << c.orientation << " " << c.policyZero;
        EXPECT_FALSE(rig.dialog->pipeline().firstRun());
        // The rotation pause of 100 ms ran before each read of the display.
        EXPECT_EQ(rig.machine.clock.sleeps(), (std::vector<std::uint32_t>{100, 100}));
        EXPECT_EQ(rig.machine.video.liveObjects(), 0);
        EXPECT_EQ(rig.machine.com.depth(), 0);
        EXPECT_EQ(rig.dialog->videoDevices().count(), 0);
    }
}

TEST(RotationPipeline, RepeatedTriggersSendTheSameValue) {
    RotationRig rig;
    rig.machine.display.setOrientation(kDMDO_90);
    rig.setMounting(6);
    for (int i = 0; i < 6; ++i) {
        rig.machine.window.sendMessage(kWM_SETTINGCHANGE, 0, 0);
    }
    // The bring-up's pass sent the first value; every trigger after it the worked one.
    EXPECT_EQ(rig.rotations(), (std::vector<std::uint32_t>{0, 11, 11, 11, 11, 11, 11}));
    // Gravity events go through the debounce timer and then the same pipeline.
    for (int i = 0; i < 5; ++i) {
        rig.machine.window.postMessage(common::kGravityRotateMsg1, 0, 0);
        rig.machine.window.runFor(100);
    }
    rig.machine.window.runFor(1000);
    EXPECT_EQ(rig.rotations().size(), 8u);
    EXPECT_EQ(rig.machine.trace.count("end OnSettingChange"), 8u);
}

TEST(RotationPipeline, NothingIsSentWithoutAUsableCamera) {
    struct Case {
        const char* name;
        bool answersCustom;
        bool bagFails;
    };
    const Case cases[] = {
        {"Other Camera", true, false},   // the name does not hold "Tavrin"
        {"Tavrin Camera", false, false},  // the driver is not ours
        {"Tavrin Camera", true, true},    // no property bag
    };
    for (const Case& c : cases) {
        RunningDialog run;
        sim::SimVideoDevice device;
        device.friendlyName = c.name;
        device.answersCustomProperty = c.answersCustom;
        device.bagFails = c.bagFails;
        auto camera = run.machine.video.addDevice(device).camera;
        run.start();
        run.machine.window.sendMessage(kWM_SETTINGCHANGE, 0, 0);
        EXPECT_TRUE(camera->journal().empty()) << c.name;
        EXPECT_TRUE(run.machine.trace.contains("RemoveDevice"));
        EXPECT_EQ(run.dialog->videoDevices().entries().size(), 0u);
        EXPECT_EQ(run.machine.video.liveObjects(), 0);
        EXPECT_TRUE(run.machine.clock.sleeps().empty());
        EXPECT_TRUE(run.dialog->pipeline().firstRun());  // still waiting for a camera
    }
}

TEST(RotationPipeline, APassBindsOnlyTheCameraItSets) {
    // The pass sets the chosen camera only; the walk stops there, so the cameras after
    // it are never bound (eight matching cameras cost one binding, not eight).
    struct Case {
        const char* label;
        std::vector<std::pair<const char*, bool>> devices;  // friendly name, answers the custom interface
        int chosenByUser;  // -1: none, else the entry chosen in the console's list first
        std::size_t receiver;
        int bound;  // filters bound by the pass
    };
    const Case cases[] = {
        {"eight matching cameras", {{"Tavrin 1", true}, {"Tavrin 2", true}, {"Tavrin 3", true}, {"Tavrin 4", true},
                                    {"Tavrin 5", true}, {"Tavrin 6", true}, {"Tavrin 7", true}, {"Tavrin 8", true}},
         -1, 0, 1},
        {"others before the first usable one", {{"Other", true}, {"Tavrin 1", false}, {"Tavrin 2", true}, {"Tavrin 3", true}},
         -1, 2, 2},
        // A list the console holds (its choice the third entry) stays the one chosen.
        {"the console's choice", {{"Tavrin 1", true}, {"Tavrin 2", true}, {"Tavrin 3", true}}, 2, 2, 1},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        std::vector<std::shared_ptr<sim::EmulatedCamera>> cameras;
        for (const auto& [name, custom] : c.devices) {
            sim::SimVideoDevice device;
            device.friendlyName = name;
            device.answersCustomProperty = custom;
            cameras.push_back(run.machine.video.addDevice(device).camera);
        }
        run.start();
        if (c.chosenByUser >= 0) {
            run.dialog->videoDevices().EnumVideoDevice();
            run.dialog->videoDevices().OnVideoDeviceMenu(camera::kVideoCommandFirst + static_cast<std::uint32_t>(c.chosenByUser));
        }
        const int boundBefore = run.machine.video.filtersBound();
        run.machine.window.sendMessage(kWM_DISPLAYCHANGE, 0, 0);
        EXPECT_EQ(run.machine.video.filtersBound() - boundBefore, c.bound) << c.label;
        for (std::size_t i = 0; i < cameras.size(); ++i) {
            EXPECT_EQ(cameras[i]->valuesSet(7).size(), i == c.receiver ? 1u : 0u) << c.label << ", camera " << i;
        }
        EXPECT_EQ(run.dialog->videoDevices().count(), 0) << c.label;
        EXPECT_EQ(run.machine.video.liveObjects(), 0) << c.label;
    }
}

TEST(RotationPipeline, TraceOfARun) {
    RotationRig rig;
    rig.machine.display.dropOrientationField();
    rig.machine.trace.clear();
    rig.machine.window.sendMessage(kWM_DISPLAYCHANGE, 0, 0);
    const std::vector<std::string> expected = {
        "WM_DISPLAYCHANGE",
        "OnSettingChange",
        "EnumVideoDevice start",
        "CoCreateInstance",
        "Tavrin Camera",
        "Tavrin",
        "EnumVideoDevice end",
        "bFind && CVIterator->pCmp != NULL",
        "======Zelvo ~ No DM_ORIENTATION flag set!======",
        "ChangeRotation",
        "in ChangeRotation",
        "isMetroMode",
        "iRotation = 0, RotationEnable = 0",
        "normal mode",
        "dwValue[0] = 0, iRotation = 0",
        "*****************",
        "ERROR_FILE_NOT_FOUND : NoRotationInMetro KEY NOT FOUND.",
        "LS KEY is : 1",
        "*****************",
        "<<<< LS key is 1, no rotate.",
        "first boot up, set 0.",
        "finally, I set 0 to driver (SetCustomProperty)",
        "RemoveDevice",
        "CoUninitialize",
        "end OnSettingChange",
    };
    // The policy key is absent altogether here, so the not-found trace is missing.
    std::vector<std::string> withoutKey = expected;
    withoutKey.erase(withoutKey.begin() + 16);
    EXPECT_EQ(rig.machine.trace.messages(), withoutKey);
    const auto& lines = rig.machine.trace.lines();
    EXPECT_EQ(lines[2].second, 1);  // "EnumVideoDevice start"
    EXPECT_EQ(lines[3].second, 1);  // "CoCreateInstance"
    EXPECT_EQ(lines[4].second, 1);  // the friendly name
}

TEST(PolicyInputs, LsKeyIsTheFirstByteOfAnyValue) {
    struct Case {
        const char* name;
        bool keyPresent;
        bool valuePresent;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        int lsKey;
    };
    const Case cases[] = {
        {"no key", false, false, 0, {}, 1},
        {"no value", true, false, 0, {}, 1},
        {"dword 0", true, true, kREG_DWORD, {0, 0, 0, 0}, 0},
        {"dword 1", true, true, kREG_DWORD, {1, 0, 0, 0}, 1},
        {"dword 256", true, true, kREG_DWORD, {0, 1, 0, 0}, 0},
        {"binary 01 00", true, true, kREG_BINARY, {1, 0}, 1},
        {"string 1", true, true, kREG_SZ, {'1', 0}, 0x31},
        {"empty", true, true, kREG_BINARY, {}, 1},
        {"one byte", true, true, kREG_BINARY, {0}, 0},
        {"1 KB", true, true, kREG_BINARY, std::vector<std::uint8_t>(1024, 0), 0},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        if (c.keyPresent) {
            run.machine.registry.put(Hive::LocalMachine, kPolicyKey, "Other", kREG_DWORD, {0, 0, 0, 0});
        }
        if (c.valuePresent) {
            run.machine.registry.put(Hive::LocalMachine, kPolicyKey, "NoRotationInMetro", c.type, c.bytes);
        }
        EXPECT_EQ(run.dialog->policy().ReadLSKey(), c.lsKey) << c.name;
        EXPECT_EQ(run.machine.registry.openHandleCount(), 0) << c.name;
    }
}

TEST(PolicyInputs, PolicyIsReadInThe64BitView) {
    RunningDialog run;
    run.machine.registry.setWow64(true);
    run.machine.registry.put(Hive::LocalMachine, "SOFTWARE\\WOW6432Node\\Harbek\\Camera\\Integrated",
                             "NoRotationInMetro", kREG_DWORD, {1, 0, 0, 0});
    run.machine.registry.put(Hive::LocalMachine, kPolicyKey, "NoRotationInMetro", kREG_DWORD, {0, 0, 0, 0});
    EXPECT_EQ(run.dialog->policy().ReadLSKey(), 0);
}

TEST(PolicyInputs, Windows8IsVersion62) {
    struct Case {
        std::uint32_t major, minor;
        bool fails;
        int win8;
    };
    const Case cases[] = {{6, 2, false, 1}, {6, 1, false, 0}, {6, 3, false, 0}, {10, 0, false, 0}, {6, 2, true, 0}};
    for (const Case& c : cases) {
        RunningDialog run;
        run.machine.system.setVersion(c.major, c.minor);
        run.machine.system.failVersion(c.fails);
        EXPECT_EQ(run.dialog->policy().IsWin8(), c.win8);
    }
}

namespace {

std::vector<std::uint8_t> Structure(std::uint8_t type, std::uint8_t b4, std::uint8_t b5, std::uint32_t devInfo) {
    return {type, 15, 0x34, 0x12, b4, b5, 0x77, static_cast<std::uint8_t>(devInfo), static_cast<std::uint8_t>(devInfo >> 8),
            static_cast<std::uint8_t>(devInfo >> 16), static_cast<std::uint8_t>(devInfo >> 24), 0xAA, 0xBB, 0xCC, 0xDD};
}

std::vector<std::uint8_t> WithMarkerAt(std::size_t offset, std::uint8_t type) {
    std::vector<std::uint8_t> data(offset - 5, 0x11);
    data.insert(data.end(), {type, 0x20, 0, 0, 0});
    for (char c : std::string("_QX_OEM_")) {
        data.push_back(static_cast<std::uint8_t>(c));
    }
    return data;
}

void Append(std::vector<std::uint8_t>& data, const std::vector<std::uint8_t>& more) {
    data.insert(data.end(), more.begin(), more.end());
}

}  // namespace

TEST(PolicyInputs, SmbiosOemRecords) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
        int result;
        std::uint32_t devInfo0;
        std::uint32_t devInfo1;
    };
    std::vector<std::uint8_t> two = WithMarkerAt(100, 0x85);
    Append(two, Structure(0x85, 2, 5, 0x106));
    Append(two, Structure(0x85, 2, 4, 0x999));  // byte 5 is 4: skipped
    Append(two, Structure(0x85, 2, 5, 0x204));
    Append(two, Structure(0x85, 2, 5, 0x333));  // a third: ignored

    std::vector<std::uint8_t> twice = WithMarkerAt(20, 0x90);
    Append(twice, Structure(0x90, 2, 5, 0x2));
    Append(twice, WithMarkerAt(20, 0x90));
    Append(twice, Structure(0x90, 2, 5, 0x6));

    std::vector<std::uint8_t> markerAtEnd = WithMarkerAt(40, 0x85);
    std::vector<std::uint8_t> cutInside = WithMarkerAt(40, 0x85);
    Append(cutInside, Structure(0x85, 2, 5, 0x106));
    cutInside.resize(cutInside.size() - 1);
    std::vector<std::uint8_t> cutMarker = WithMarkerAt(40, 0x85);
    cutMarker.resize(cutMarker.size() - 3);
    std::vector<std::uint8_t> lowMarker = {0x85, 0, 0, 0};
    for (char c : std::string("_QX_OEM_")) {
        lowMarker.push_back(static_cast<std::uint8_t>(c));
    }
    Append(lowMarker, Structure(0x85, 2, 5, 0x106));
    std::vector<std::uint8_t> huge(1024 * 1024, 0x5F);
    Append(huge, WithMarkerAt(10, 0x85));
    Append(huge, Structure(0x85, 2, 5, 0x4));

    const Case cases[] = {
        {"two records", two, 0, 0x106, 0x204},
        {"marker twice", twice, 0, 0x2, 0x6},
        {"empty value", {}, 1, 0, 0},
        {"marker at the very end", markerAtEnd, 1, 0, 0},
        {"ends inside a structure", cutInside, 1, 0, 0},
        {"ends inside the marker", cutMarker, 1, 0, 0},
        {"marker below offset 5", lowMarker, 1, 0, 0},
        {"1 MB value", huge, 0, 0x4, 0},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        run.machine.registry.put(Hive::LocalMachine, kSmbiosKey, "SMBiosData", kREG_BINARY, c.data);
        common::OemRecord records[2] = {};
        EXPECT_EQ(run.dialog->policy().smbios_info(records), c.result) << c.name;
        EXPECT_EQ(records[0].devInfo, c.devInfo0) << c.name;
        EXPECT_EQ(records[1].devInfo, c.devInfo1) << c.name;
    }

    RunningDialog run;
    run.machine.registry.put(Hive::LocalMachine, kSmbiosKey, "SMBiosData", kREG_BINARY, two);
    common::OemRecord records[2] = {};
    run.dialog->policy().smbios_info(records);
    EXPECT_EQ(records[0].type, 0x85);
    EXPECT_EQ(records[0].length, 15);
    EXPECT_EQ(records[0].handle, 0x34);  // only the low byte of the handle
    EXPECT_EQ(records[0].byte6, 0x77);
    EXPECT_EQ(records[0].value11, 0xBBAA);
    EXPECT_EQ(records[0].value13, 0xDDCC);
    EXPECT_TRUE(run.machine.trace.contains("devInfo=106"));
    EXPECT_TRUE(run.machine.trace.contains("devInfo=204"));
    // No key at all.
    RunningDialog none;
    EXPECT_EQ(none.dialog->policy().smbios_info(records), 1);
}

TEST(MountRotation, NewCameraGetsTheMountingValue) {
    struct Case {
        std::uint32_t devInfo;
        std::uint32_t value;
    };
    const Case cases[] = {{2, 2}, {6, 2}, {0x106, 2}, {4, 0}, {0, 0}, {5, 0}};
    for (const Case& c : cases) {
        RotationRig rig;
        rig.setMounting(c.devInfo);
        const int comDepth = rig.machine.com.depth();
        rig.dialog->pipeline().SetMountRotation();
        EXPECT_EQ(rig.rotations(), (std::vector<std::uint32_t>{0, c.value})) << c.devInfo;
        EXPECT_TRUE(rig.machine.window.messageBoxes().empty());
        EXPECT_EQ(rig.machine.video.liveObjects(), 0);
        EXPECT_EQ(rig.machine.com.depth(), comDepth);  // balanced around the probe
    }
    RotationRig rig;
    rig.machine.display.dropOrientationField();
    rig.dialog->pipeline().SetMountRotation();
    ASSERT_EQ(rig.machine.window.messageBoxes().size(), 1u);
    EXPECT_EQ(rig.machine.window.messageBoxes()[0].text, "No DM_ORIENTATION flag set!");
    EXPECT_EQ(rig.machine.window.messageBoxes()[0].caption, "Tiltmate");
    EXPECT_EQ(rig.rotations(), std::vector<std::uint32_t>{0});
}
