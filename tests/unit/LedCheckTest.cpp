#include <gtest/gtest.h>

#include "camera/DriverKey.h"
#include "firmware/LedCheck.h"
#include "platform/Constants.h"
#include "tests/unit/FirmwareTestSupport.h"

using namespace platform;
using testing_support::FirmwareRig;

namespace {

constexpr const char* kDriverKey = "SOFTWARE\\Velnor VNUVCb";

struct LedRig : FirmwareRig {
    explicit LedRig(std::uint8_t controllerId, const common::Variant& variant = common::kTiltmate,
                    std::uint8_t flashType = 0x79)
        : FirmwareRig(controllerId, variant, flashType) {}
    void run(std::uint32_t devInfo = 0) {
        EXPECT_EQ(open(), 0);
        check(devInfo);
    }
    // The LED check on the opened channel, with the OEM record's devInfo.
    void check(std::uint32_t devInfo) {
        machine.trace.clear();
        camera::DriverKey key(machine.registry);
        firmware::LedCheck ledCheck(machine.registry, machine.files, machine.shell, "Tiltmate", dialog->port());
        ledCheck.CheckLED(*channel, key.OpenDriverKey(), devInfo, firmware::UsbIdentity{});
    }
    bool dword(const char* name, std::uint32_t& value) {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
        if (!machine.registry.get(Hive::CurrentUser, kDriverKey, name, type, bytes) || type != kREG_DWORD ||
            bytes.size() != 4) {
            return false;
        }
        value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
        return true;
    }
    std::uint8_t flashByte() { return camera->flash().data()[0xD000]; }
    bool erased() {
        for (const auto& line : camera->journal()) {
            if (line.rfind("flash erase", 0) == 0) {
                return true;
            }
        }
        return false;
    }
};

}  // namespace

TEST(LedCheck, FirstRunTakesTheOemDefault) {
    struct Case {
        std::uint8_t controller;
        std::uint32_t devInfo;
        std::uint16_t ledRegister;
        std::uint8_t led;
    };
    const Case cases[] = {
        {0x85, 0x200, 0x250D, 1}, {0xB0, 0x100, 0x250F, 0}, {0xC0, 0x200, 0x250D, 1}, {0xC0, 0, 0x250D, 0},
    };
    for (const Case& c : cases) {
        LedRig rig(c.controller);
        rig.run(c.devInfo);
        EXPECT_EQ(rig.camera->controller().registerValue(c.ledRegister), c.led) << std::hex << int(c.controller);
        EXPECT_EQ(rig.flashByte(), c.led) << std::hex << int(c.controller);
        std::uint32_t setting = 99, def = 99;
        ASSERT_TRUE(rig.dword("LED_Setting", setting));
        ASSERT_TRUE(rig.dword("LED_Def", def));
        EXPECT_EQ(setting, c.led);
        EXPECT_EQ(def, c.led);
        EXPECT_TRUE(rig.machine.trace.contains("==== First Download_Sector Success\t===="));
    }
    LedRig rig(0x85);
    rig.run(0x200);
    const std::vector<std::string> expected = {
        "in CheckLED",   "Get_ICType",  "Get_FlashType", "Upload_Sector", "====LED Reg is empty",
        "ky devInfo =512", "set 250d=1", "==== First Download_Sector Success\t===="};
    EXPECT_EQ(rig.machine.trace.messages(), expected);
}

TEST(LedCheck, LaterRunsFollowTheRegistry) {
    // `erased`: only a bit that must rise from 0 to 1 costs an erase; a byte already
    // right, or one whose bits only fall, is programmed (or left) as it is.
    struct Case {
        const char* name;
        std::uint8_t cameraByte;
        std::vector<std::uint8_t> stored;
        std::uint32_t storedType;
        bool written;
        bool erased;
        const char* outcome;
    };
    const Case cases[] = {
        {"equal", 1, {1, 0, 0, 0}, kREG_DWORD, false, false, "====\tDownload_Sector Success\t===="},
        {"differs", 0, {1, 0, 0, 0}, kREG_DWORD, true, true, "====\tDownload_Sector Success\t===="},
        {"0x101 against 1", 1, {1, 1, 0, 0}, kREG_DWORD, true, false, "====\tDownload_Sector Success\t===="},
        {"8 bytes: a first run", 1, {1, 0, 0, 0, 0, 0, 0, 0}, kREG_QWORD, true, false,
         "==== First Download_Sector Success\t===="},
        {"a string: a first run", 1, {'1', 0}, kREG_SZ, true, false, "==== First Download_Sector Success\t===="},
    };
    for (const Case& c : cases) {
        LedRig rig(0x85);
        rig.camera->flash().data()[0xD000] = c.cameraByte;
        rig.machine.registry.put(Hive::CurrentUser, kDriverKey, "LED_Setting", c.storedType, c.stored);
        rig.run(0);
        EXPECT_TRUE(rig.machine.trace.contains(c.outcome)) << c.name;
        EXPECT_EQ(rig.erased(), c.erased) << c.name;
        bool registerWritten = false;
        for (const auto& [address, value] : rig.camera->controller().registerWrites()) {
            registerWritten = registerWritten || address == 0x250D;
        }
        EXPECT_EQ(registerWritten, c.written) << c.name;
        // A stored setting wins; without one the OEM default (0 here) is written.
        EXPECT_EQ(rig.flashByte(), c.storedType == kREG_DWORD ? 1 : 0) << c.name;
        // A finished update leaves no backup behind.
        EXPECT_TRUE(rig.machine.files.filesUnder("C:\\Users\\user\\AppData\\Local\\Tiltmate").empty()) << c.name;
    }
}

TEST(LedCheck, TheRestOfTheSectorSurvives) {
    for (std::uint8_t controller : {0x85, 0xB0, 0xC0}) {
        LedRig rig(controller);
        std::vector<std::uint8_t> image(0x10000, 0xFF);
        image[0xD000] = 0;
        for (std::size_t i = 1; i < 0x1000; i += 7) {
            image[0xD000 + i] = static_cast<std::uint8_t>(i * 13);
        }
        image[0xDFFF] = 0x42;
        image[0xE000] = 0x24;  // the next sector is never touched
        rig.camera->loadFlash(image);
        rig.run(0x200);
        image[0xD000] = 1;
        EXPECT_EQ(rig.camera->flash().data(), image) << std::hex << int(controller);
        EXPECT_TRUE(rig.machine.trace.contains("==== First Download_Sector Success\t===="));
    }
}

TEST(LedCheck, AnUnreadableOrUnwritableSectorIsNeverErased) {
    struct Case {
        const char* name;
        std::uint8_t controller;
        const common::Variant* variant;
        std::uint8_t variantRegister;
        bool unknownFlash;
        bool failRead;
    };
    const Case cases[] = {
        {"unknown flash", 0x85, &common::kTiltmate, 0, true, false},
        {"read fails", 0xB0, &common::kTiltmate, 0, false, true},
        {"no write path (l)", 0xA3, &common::kViewmate, 0x10, false, false},
        {"no write path (f)", 0x60, &common::kTiltmate, 0, false, false},
    };
    for (const Case& c : cases) {
        LedRig rig(c.controller, *c.variant);
        rig.camera->controller().setVariant(c.variantRegister);
        if (c.unknownFlash) {
            rig.camera->flash().setChip(sim::EmulatedFlash::unknownChip());
        }
        std::vector<std::uint8_t> image(0x10000, 0x3C);
        rig.camera->loadFlash(image);
        if (c.failRead) {
            // Every read of the flash data fails.
            rig.camera->setInterposer([](const sim::XuCall& call) {
                sim::XuInterposition result;
                if (call.request == sim::XuRequest::GetCur && call.selector == 15) {
                    result.action = sim::XuInterposition::Action::Fail;
                    result.result = kE_FAIL;
                }
                return result;
            });
            ASSERT_EQ(rig.open(), 0);
            rig.check(0x200);
        } else {
            rig.run(0x200);
        }
        EXPECT_EQ(rig.camera->flash().data(), image) << c.name;
        EXPECT_TRUE(rig.machine.trace.contains("==== First Download_Sector Fail\t====")) << c.name;
        std::uint32_t setting = 0;
        EXPECT_TRUE(rig.dword("LED_Setting", setting)) << c.name;
        EXPECT_EQ(setting, 1u) << c.name;
        const std::uint16_t ledRegister = c.controller == 0xB0 ? 0x250F : 0x250D;
        EXPECT_EQ(rig.camera->controller().registerValue(ledRegister), 1) << c.name;
    }
}

TEST(LedCheck, FlashTypeChoosesTheStepTable) {
    LedRig rig(0xC0, common::kTiltmate, 0x7C);  // erases only with D7
    rig.run(0x200);
    EXPECT_EQ(rig.flashByte(), 1);
    EXPECT_EQ(rig.camera->controller().step(6), 0xD7);
}
