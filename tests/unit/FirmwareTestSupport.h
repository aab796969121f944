// A simulated machine with one emulated camera and the firmware channel opened on it.
#pragma once

#include <memory>
#include <string>

#include "firmware/CFirmwareChannel.h"
#include "tests/unit/ShellTestSupport.h"

namespace testing_support {

struct FirmwareRig : RunningDialog {
    explicit FirmwareRig(std::uint8_t controllerId = 0x85, const common::Variant& variant = common::kTiltmate,
                         std::uint8_t flashType = 0x79)
        : RunningDialog(variant), variant(variant) {
        camera = machine.video.addCamera("Integrated Camera");
        camera->controller().setId(controllerId);
        camera->flash().setChip(sim::EmulatedFlash::chip(flashType));
        start();
    }
    firmware::Status open(char letter = 'e', int skip = 0) {
        owned = std::make_unique<firmware::CFirmwareChannel>(machine.platform(), variant);
        channel = owned.get();
        return channel->Open(letter, skip);
    }
    char chip() {
        char letter = 0;
        channel->Get_ICType(&letter);
        return letter;
    }
    common::Variant variant;
    std::shared_ptr<sim::EmulatedCamera> camera;
    std::unique_ptr<firmware::CFirmwareChannel> owned;
    firmware::CFirmwareChannel* channel = nullptr;
};

}  // namespace testing_support
