// The backup of the camera's flash on disk: what a damaged file does (nothing to the
// camera), what a missing or unwritable one does (no write at all), and the mend at
// the next bring-up from each state an earlier update can leave behind.
#include <gtest/gtest.h>

#include <vector>

#include "camera/DriverKey.h"
#include "firmware/FlashBackup.h"
#include "firmware/LedCheck.h"
#include "platform/Constants.h"
#include "tests/unit/FirmwareTestSupport.h"

using namespace platform;
using testing_support::FirmwareRig;

namespace {

constexpr const char* kFolder = "C:\\Users\\user\\AppData\\Local\\Tiltmate";
constexpr const char* kBackup = "C:\\Users\\user\\AppData\\Local\\Tiltmate\\flash-7c3e-410b.bak";
const firmware::UsbIdentity kCamera{0x7C3E, 0x410B};

std::vector<std::uint8_t> Firmware() {
    std::vector<std::uint8_t> image(0x10000, 0xFF);
    for (std::size_t sector = 0; sector < 16; ++sector) {
        for (std::size_t i = 0; i < 48; ++i) {
            image[sector * 0x1000 + i] = static_cast<std::uint8_t>(sector * 31 + i * 7);
        }
    }
    image[0xD000] = 0;
    return image;
}

struct MendRig : FirmwareRig {
    MendRig() : FirmwareRig(0x85), ledCheck(machine.registry, machine.files, machine.shell, "Tiltmate", dialog->port()) {
        camera->loadFlash(Firmware());
        EXPECT_EQ(open(), 0);
    }
    bool mend() { return ledCheck.MendFlash(*channel, kCamera); }
    void putBackup(const std::vector<std::uint8_t>& image, std::uint8_t led) {
        firmware::FlashBackup backup{kCamera, image, {{0xD000, led}}};
        machine.files.addFolder(kFolder);
        machine.files.addFile(kBackup, firmware::EncodeFlashBackup(backup));
    }
    firmware::LedCheck ledCheck;
};

}  // namespace

TEST(FlashBackup, TheFileSurvivesOnlyWhole) {
    firmware::FlashBackup backup{kCamera, Firmware(), {{0xD000, 1}}};
    const std::vector<std::uint8_t> bytes = firmware::EncodeFlashBackup(backup);
    firmware::FlashBackup back;
    ASSERT_TRUE(firmware::DecodeFlashBackup(bytes, back));
    EXPECT_EQ(back.image, backup.image);
    EXPECT_EQ(back.Intended()[0xD000], 1);
    EXPECT_EQ(back.identity.pid, 0x410B);

    struct Damage {
        const char* name;
        std::size_t at;  // byte flipped; SIZE_MAX: the file cut short
    };
    const Damage damages[] = {{"magic", 0}, {"version", 8}, {"change count", 20}, {"an image byte", 5000},
                              {"the checksum", bytes.size() - 1}, {"cut short", SIZE_MAX}};
    for (const Damage& d : damages) {
        std::vector<std::uint8_t> broken = bytes;
        if (d.at == SIZE_MAX) {
            broken.resize(broken.size() - 100);
        } else {
            broken[d.at] ^= 0x10;
        }
        EXPECT_FALSE(firmware::DecodeFlashBackup(broken, back)) << d.name;
    }
}

TEST(FlashBackup, MendFromEachStateAnUpdateCanLeave) {
    struct Case {
        const char* name;
        bool damaged;
        int flashLed;       // the LED byte the camera holds
        bool wipeSector2;   // sector 2 erased, as a misdirected erase leaves it
        bool whole;         // MendFlash's answer
        bool fileLeft;      // the .bak is still there
        bool setAside;      // a .bad is there
    };
    const Case cases[] = {
        {"flash as the backup", false, 0, false, true, false, false},
        {"flash as intended", false, 1, false, true, false, false},
        {"LED sector erased", false, 0xFF, false, true, false, false},
        {"another sector erased", false, 1, true, true, false, false},
        {"damaged backup", true, 0xFF, true, true, false, true},
    };
    for (const Case& c : cases) {
        MendRig rig;
        std::vector<std::uint8_t> flash = Firmware();
        if (c.flashLed == 0xFF) {
            std::fill(flash.begin() + 0xD000, flash.begin() + 0xE000, 0xFF);
        } else {
            flash[0xD000] = static_cast<std::uint8_t>(c.flashLed);
        }
        if (c.wipeSector2) {
            std::fill(flash.begin() + 0x2000, flash.begin() + 0x3000, 0xFF);
        }
        rig.camera->loadFlash(flash);
        rig.putBackup(Firmware(), 1);
        if (c.damaged) {
            std::vector<std::uint8_t> bytes = rig.machine.files.contents(kBackup);
            bytes[3000] ^= 1;
            rig.machine.files.addFile(kBackup, bytes);
        }
        EXPECT_EQ(rig.mend(), c.whole) << c.name;
        EXPECT_EQ(rig.machine.files.fileExists(kBackup), c.fileLeft) << c.name;
        EXPECT_EQ(rig.machine.files.fileExists(std::string(kFolder) + "\\flash-7c3e-410b.bad"), c.setAside) << c.name;
        const std::vector<std::uint8_t>& now = rig.camera->flash().data();
        if (c.damaged) {
            EXPECT_EQ(now, flash) << c.name << ": a damaged backup is never written to the camera";
        } else {
            std::vector<std::uint8_t> intended = Firmware();
            intended[0xD000] = 1;
            EXPECT_TRUE(now == Firmware() || now == intended) << c.name;
        }
    }
}

TEST(FlashBackup, NoBackupOnDiskMeansNoWrite) {
    MendRig rig;
    rig.machine.files.protectFolder(kFolder);
    rig.machine.trace.clear();
    camera::DriverKey key(rig.machine.registry);
    rig.ledCheck.CheckLED(*rig.channel, key.OpenDriverKey(), 0x200, kCamera);
    EXPECT_EQ(rig.camera->flash().data(), Firmware());
    EXPECT_TRUE(rig.machine.trace.contains("flash backup could not be written: the flash is left as it is"));
    EXPECT_TRUE(rig.machine.trace.contains("==== First Download_Sector Fail\t===="));
    for (const std::string& line : rig.camera->journal()) {
        EXPECT_NE(line.rfind("flash erase", 0), 0u) << line;
        EXPECT_NE(line.rfind("flash program", 0), 0u) << line;
    }
}
