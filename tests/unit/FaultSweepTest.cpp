// One failed extension-unit transfer, anywhere in a first bring-up with the LED check
// on, must never leave the camera's flash worse than before: afterwards it holds
// either what it held or exactly the intended image (the LED byte set, every other
// byte of the 64 KB as it was). Guards against the erase and write faults a sweep once
// found: a whole-flash erase from a shifted step table, writes outside sector 13 after
// a lost register address, sector 0 copied into sector 13, and a Viewmate 'l' taken
// for 'i' after a failed variant read.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/Constants.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;

namespace {

constexpr const char* kIni = "C:\\Program Files\\Tiltmate\\bkg.ini";
constexpr std::uint32_t kLedByte = 0xD000;

struct Letter {
    char chip;
    std::uint8_t controller;
    std::uint8_t variant;
    const firmware::Variant* program;
    bool writes;  // the letter has a write path
};

const Letter kLetters[] = {
    {'g', 0x93, 0, &firmware::kTiltmate, false}, {'h', 0x85, 0, &firmware::kTiltmate, true},
    {'i', 0xA3, 0, &firmware::kTiltmate, true},  {'j', 0xB0, 0, &firmware::kTiltmate, true},
    {'k', 0xC0, 0, &firmware::kTiltmate, true},  {'l', 0xA3, 0x10, &firmware::kViewmate, false},
};

// The firmware everywhere, sector 13 with the LED off and a little data in three of
// its pages.
std::vector<std::uint8_t> Image() {
    std::vector<std::uint8_t> image(0x10000);
    std::uint32_t seed = 12345;
    for (std::uint8_t& byte : image) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    std::fill(image.begin() + kLedByte, image.begin() + kLedByte + 0x1000, 0xFF);
    image[kLedByte] = 0;
    for (std::uint32_t offset : {1u, 2u, 3u, 0x150u, 0x151u, 0xFFEu}) {
        image[kLedByte + offset] = static_cast<std::uint8_t>(0x40 + offset);
    }
    return image;
}

// A started program with one integrated camera of this letter, its flash loaded, and
// an OEM record whose LED default is on.
struct SweepRig : testing_support::RunningDialog {
    explicit SweepRig(const Letter& letter) : RunningDialog(*letter.program) {
        machine.profile.setFile(kIni, "[Snap]\r\nVideoFriendly=Integrated\r\n[LED]\r\nLedCtrl=1\r\n");
        testing_support::PutOemRecord(machine, 0x200);
        camera = machine.video.addCamera("Integrated Camera");
        camera->controller().setId(letter.controller);
        camera->controller().setVariant(letter.variant);
        camera->flash().setChip(sim::EmulatedFlash::chip(0x79));
        camera->loadFlash(Image());
        start();
    }
    void bringUp() { machine.window.runFor(5000); }
    std::shared_ptr<sim::EmulatedCamera> camera;
};

}  // namespace

// A flash slow to finish every write once held the only thread for minutes (the
// nested poll bounds multiplied): one budget now bounds a whole bring-up.
TEST(TransferBudget, ASlowFlashIsCutOffAndTheRotationPassStillRuns) {
    SweepRig rig(kLetters[1]);  // 'h': register-level writes, the costliest
    std::vector<std::uint8_t> image = Image();
    std::fill(image.begin() + kLedByte + 1, image.begin() + kLedByte + 0x1000, 0x5A);
    rig.camera->loadFlash(image);
    rig.camera->flash().setBusyStatusReads(999);
    rig.bringUp();
    EXPECT_EQ(rig.camera->transferCount(), firmware::kTransferBudget);
    EXPECT_TRUE(rig.machine.trace.contains("firmware channel gave up: transfer budget spent"));
    EXPECT_TRUE(rig.machine.trace.contains("==== First Download_Sector Fail\t===="));
    EXPECT_FALSE(rig.camera->valuesSet(7).empty());  // the rotation pass ran
    // Nothing outside sector 13 was touched.
    const std::vector<std::uint8_t>& flash = rig.camera->flash().data();
    EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + kLedByte, image.begin()));
    EXPECT_TRUE(std::equal(flash.begin() + kLedByte + 0x1000, flash.end(), image.begin() + kLedByte + 0x1000));
}

TEST(FaultSweep, OneFailedTransferNeverLeavesTheFlashWorse) {
    const std::vector<std::uint8_t> original = Image();
    std::vector<std::uint8_t> intended = original;
    intended[kLedByte] = 1;
    for (const Letter& letter : kLetters) {
        SweepRig clean(letter);
        clean.bringUp();
        const std::uint32_t count = clean.camera->transferCount();
        ASSERT_GT(count, 0u) << letter.chip;
        EXPECT_EQ(clean.camera->flash().data(), letter.writes ? intended : original) << letter.chip;

        std::uint32_t unchanged = 0;
        for (std::uint32_t k = 1; k <= count; ++k) {
            SweepRig rig(letter);
            rig.camera->failTransfer(k);
            rig.bringUp();
            const std::vector<std::uint8_t>& flash = rig.camera->flash().data();
            const bool asBefore = flash == original;
            unchanged += asBefore ? 1 : 0;
            ASSERT_TRUE(asBefore || (letter.writes && flash == intended))
                << "letter " << letter.chip << ": transfer " << k << " of " << count << " failing";
            // The rotation pass runs whatever happened to the flash.
            ASSERT_FALSE(rig.camera->valuesSet(7).empty()) << letter.chip << " " << k;
        }
        std::printf("[ sweep    ] letter %c: %u transfers, each failed once; %u left the flash as it was\n",
                    letter.chip, count, unchanged);
    }
}
