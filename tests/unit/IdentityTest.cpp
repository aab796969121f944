#include <gtest/gtest.h>

#include "camera/DriverKey.h"
#include "firmware/CFirmwareChannel.h"

#include <cstring>

#include "firmware/HexWord.h"
#include "firmware/UsbIdentity.h"
#include "platform/Constants.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using testing_support::RunningDialog;

namespace {
constexpr const char* kDriverKey = "SOFTWARE\\Velnor VNUVCb";
}

TEST(HexWord, ParsesFourCharactersMostSignificantFirst) {
    struct Case {
        const char text[5];
        std::uint16_t value;
    };
    const Case cases[] = {
        {"1234", 0x1234}, {"ABCD", 0xABCD}, {"abcd", 0xABCD}, {" 123", 0x0123}, {"12G4", 0xFFFF},
        {":;<=", 0xABCD}, {">?00", 0xEF00}, {"\0\0\0\0", 0}, {"1\0" "23", 0x1023}, {"-123", 0xFFFF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(firmware::ParseHexWord(c.text), c.value) << c.text;
    }
    EXPECT_EQ(firmware::ParseHexWord(nullptr), 0xFFFF);
}

TEST(UsbIdentity, InstanceKeyIsTheFourthToken) {
    struct Case {
        const char* id;
        const char* key;
    };
    const Case cases[] = {
        {"usb\\vid_7c3e&pid_410b&mi_00\\6&2d8a7d2&0&0000", "2d8a7d2"},
        {"usb\\\\vid_1&pid_2\\\\7&abc&0", "abc"},  // empty tokens are skipped
        {"usb\\vid_7c3e&pid_410b\\5&1234", "1234"},
        {"usb\\vid_7c3e&pid_410b\\123456", ""},  // no '&' in the instance part
        {"usb", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(firmware::InstanceKey(c.id), c.key) << c.id;
    }
}

namespace {

// The identity check of one bring-up, on a channel that has not opened a camera (so
// only the Imaging class gives ids); the driver key is closed again after it.
int CheckIdentity(RunningDialog& run) {
    firmware::CFirmwareChannel channel(run.machine.platform(), common::kTiltmate);
    camera::DriverKey key(run.machine.registry);
    return run.dialog->bringUp().CheckDeviceIdentity(channel, key);
}

}  // namespace

TEST(IdentityCheck, RecordsNewCamerasAndRecognisesKnownOnes) {
    RunningDialog run;
    run.machine.deviceSetup.addImagingDevice("USB\\VID_7C3E&PID_410B&MI_00\\6&2D8A7D2&0&0000",
                                             "USB\\VID_7C3E&PID_410B&REV_0100");
    run.start();
    auto& registry = run.machine.registry;

    EXPECT_EQ(CheckIdentity(run), 1);
    EXPECT_TRUE(run.machine.trace.contains("====Reg is empty"));
    EXPECT_TRUE(run.machine.trace.contains("old method Pid=0x410b, vid=0x7c3e"));
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(registry.get(Hive::CurrentUser, kDriverKey, "Camera_VID", type, bytes));
    EXPECT_EQ(type, kREG_DWORD);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x3E, 0x7C, 0, 0}));

    run.machine.trace.clear();
    EXPECT_EQ(CheckIdentity(run), 0);
    EXPECT_FALSE(run.machine.trace.contains("====I write the pid vid in reg"));

    struct Change {
        const char* name;
        std::function<void()> apply;
    };
    const Change changes[] = {
        {"other product", [&] { registry.putDword(Hive::CurrentUser, kDriverKey, "Camera_PID", 0x1234); }},
        {"pid unreadable", [&] { registry.put(Hive::CurrentUser, kDriverKey, "Camera_PID", kREG_NONE, {}); }},
        {"vid as string", [&] { registry.putString(Hive::CurrentUser, kDriverKey, "Camera_VID", "7c3e"); }},
        {"vid as 8 bytes", [&] {
             registry.put(Hive::CurrentUser, kDriverKey, "Camera_VID", kREG_QWORD, {0x3E, 0x7C, 0, 0, 0, 0, 0, 0});
         }},
    };
    for (const Change& change : changes) {
        change.apply();
        run.machine.trace.clear();
        EXPECT_EQ(CheckIdentity(run), 1) << change.name;
        EXPECT_TRUE(run.machine.trace.contains("====I write the pid vid in reg")) << change.name;
            EXPECT_EQ(CheckIdentity(run), 0) << change.name;
        }
    EXPECT_EQ(registry.openHandleCount(), 0);
}

TEST(IdentityCheck, TheLastUsableImagingDeviceGivesTheIds) {
    struct Case {
        const char* name;
        std::vector<std::string> hardwareIds;
        std::uint16_t vid;
        std::uint16_t pid;
    };
    const Case cases[] = {
        {"last wins", {"USB\\VID_1111&PID_2222&REV_0001", "USB\\VID_3333&PID_4444&REV_0001"}, 0x3333, 0x4444},
        {"short ids are passed over", {"USB\\VID_1111&PID_2222", "USB\\VID_12"}, 0x1111, 0x2222},
        {"no device keeps what was there", {}, 0, 0},
        {"junk characters", {"USB\\VID_12G4&PID_abcd&REV_0001"}, 0xFFFF, 0xABCD},
        {"very long id", {"USB\\VID_5555&PID_6666" + std::string(5000, 'x')}, 0x5555, 0x6666},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        for (const std::string& id : c.hardwareIds) {
            run.machine.deviceSetup.addImagingDevice("USB\\X\\1&2", id);
        }
        run.start();
        CheckIdentity(run);
        EXPECT_EQ(run.dialog->bringUp().identity().vid, c.vid) << c.name;
        EXPECT_EQ(run.dialog->bringUp().identity().pid, c.pid) << c.name;
        EXPECT_EQ(run.machine.deviceSetup.openSets(), 0) << c.name;
    }
}

TEST(DeviceChange, OnlyVideoInterfaceArrivalsRunABringUp) {
    struct Case {
        const char* name;
        WParam event;
        std::uint32_t type;
        std::uint32_t size;
        Guid classGuid;
        LResult result;
        std::size_t bringUps;
    };
    const Guid other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    const Case cases[] = {
        {"video arrival", kDBT_DEVICEARRIVAL, kDBT_DEVTYP_DEVICEINTERFACE, 32, kKSCATEGORY_VIDEO, 1, 1},
        {"video removal", kDBT_DEVICEREMOVECOMPLETE, kDBT_DEVTYP_DEVICEINTERFACE, 32, kKSCATEGORY_VIDEO, 1, 0},
        {"other class", kDBT_DEVICEARRIVAL, kDBT_DEVTYP_DEVICEINTERFACE, 32, other, 1, 0},
        {"volume", kDBT_DEVICEARRIVAL, 2, 32, kKSCATEGORY_VIDEO, 0, 0},
        {"short record", kDBT_DEVICEARRIVAL, kDBT_DEVTYP_DEVICEINTERFACE, 12, kKSCATEGORY_VIDEO, 0, 0},
        {"other event", 0x0007, kDBT_DEVTYP_DEVICEINTERFACE, 32, kKSCATEGORY_VIDEO, 0, 0},
    };
    for (const Case& c : cases) {
        RunningDialog run;
        run.start();
        DevBroadcastDeviceInterface notice{};
        notice.dbcc_size = c.size;
        notice.dbcc_devicetype = c.type;
        notice.dbcc_classguid = c.classGuid;
        const LResult result =
            run.machine.window.sendMessage(kWM_DEVICECHANGE, c.event, reinterpret_cast<LParam>(&notice));
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(run.machine.trace.count("in MactionAction"), c.bringUps) << c.name;
        EXPECT_EQ(run.machine.video.liveObjects(), 0) << c.name;
    }
    RunningDialog run;
    run.start();
    EXPECT_EQ(run.machine.window.sendMessage(kWM_DEVICECHANGE, kDBT_DEVICEARRIVAL, 0), 0);
    // Video capture interfaces, then the audio interfaces (which the audio list handles).
    ASSERT_EQ(run.machine.deviceSetup.registrations().size(), 2u);
    EXPECT_EQ(run.machine.deviceSetup.registrations()[0].interfaceClass, kKSCATEGORY_VIDEO);
    EXPECT_EQ(run.machine.deviceSetup.registrations()[0].window, run.machine.window.window());
}

#include "tests/unit/FirmwareTestSupport.h"

TEST(UsbIdentity, FindsTheImagingDeviceOfTheOpenedCamera) {
    struct Device {
        std::string instanceId;
        std::string hardwareId;
        bool hasAddress;
    };
    struct Case {
        const char* name;
        std::vector<Device> devices;
        std::uint16_t vid;
        std::uint16_t pid;
    };
    const std::string ours = "USB\\VID_7C3E&PID_410B&MI_00\\6&2D8A7D2&0&0000";
    const Case cases[] = {
        {"match", {{ours, "USB\\VID_7C3E&PID_410B&REV_0100", true}}, 0x7C3E, 0x410B},
        {"other instance", {{"USB\\VID_1111&PID_2222&MI_00\\6&FFFF&0&0000", "USB\\VID_1111&PID_2222&REV_0100", true}},
         0xAAAA, 0xBBBB},
        {"no address", {{ours, "USB\\VID_7C3E&PID_410B&REV_0100", false}}, 0xAAAA, 0xBBBB},
        {"no & in the instance part", {{"USB\\VID_7C3E&PID_410B\\2D8A7D2", "USB\\VID_7C3E&PID_410B&REV_0", true}},
         0xAAAA, 0xBBBB},
        {"short hardware id", {{ours, "USB\\VID_12", true}}, 0xFFFF, 0xFFFF},  // reads on into the next id
        {"junk hardware id", {{ours, "USB\\VID_zzzz&PID_12;4&REV", true}}, 0xFFFF, 0x12B4},
        {"huge instance id", {{std::string(5000, 'a'), "USB\\VID_7C3E&PID_410B&REV_0100", true}}, 0xAAAA, 0xBBBB},
    };
    for (const Case& c : cases) {
        testing_support::FirmwareRig rig;
        for (const Device& device : c.devices) {
            rig.machine.deviceSetup.addImagingDevice(device.instanceId, device.hardwareId).hasAddress =
                device.hasAddress;
        }
        ASSERT_EQ(rig.open(), 0);
        firmware::UsbIdentity record;
        record.vid = 0xAAAA;
        record.pid = 0xBBBB;
        EXPECT_EQ(rig.channel->FindUsbIdentity(record), 0) << c.name;
        EXPECT_EQ(record.vid, c.vid) << c.name;
        EXPECT_EQ(record.pid, c.pid) << c.name;
    }
    testing_support::FirmwareRig rig;
    ASSERT_EQ(rig.open(), 0);
    firmware::UsbIdentity record;
    rig.machine.deviceSetup.setEnumEndError(kERROR_ACCESS_DENIED);
    EXPECT_EQ(rig.channel->FindUsbIdentity(record), 1);
    rig.machine.deviceSetup.failClassDevs(true);
    EXPECT_EQ(rig.channel->FindUsbIdentity(record), 1);
}
