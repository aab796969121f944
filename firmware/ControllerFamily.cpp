#include "firmware/ControllerFamily.h"

namespace firmware {
namespace {

// Rows are searched in order: the first row of a family is the one Open's letter
// names, and the general row of a family comes before its variants.
constexpr ControllerFamily kControllerFamilies[] = {
    // family  variant      chip level flash id path          write path
    //         most bytes a download writes   LED register  admitted by
    {0x60, kAnyVariant, 'f', 2, FlashIdPath::Registers, WritePath::None,
     0,                    kRegLed,  nullptr},
    {0x90, kAnyVariant, 'g', 2, FlashIdPath::Registers, WritePath::None,
     0,                    kRegLed,  nullptr},
    {0x80, kAnyVariant, 'h', 0, FlashIdPath::Registers, WritePath::PageProgram,
     kMaxPageProgramBytes, kRegLed,  nullptr},
    {0xA0, kAnyVariant, 'i', 0, FlashIdPath::Registers, WritePath::PageProgram,
     kMaxPageProgramBytes, kRegLed,  nullptr},
    {0xA0, 0x10,        'l', 0, FlashIdPath::Registers, WritePath::None,
     0,                    kRegLed,  &common::Variant::knowsVariantL},
    {0xB0, kAnyVariant, 'j', 0, FlashIdPath::Firmware,  WritePath::BlockWriteCounted,
     kWriteBlockSize - 1,  kRegLedJ, nullptr},
    {0xC0, kAnyVariant, 'k', 0, FlashIdPath::Firmware,  WritePath::BlockWrite,
     kWriteBlockSize,      kRegLed,  nullptr},
    {0xE0, kAnyVariant, 'k', 0, FlashIdPath::Firmware,  WritePath::BlockWrite,
     kWriteBlockSize,      kRegLed,  &common::Variant::acceptsFamilyE0},
};

bool Admits(const common::Variant& program, const ControllerFamily& row) {
    return row.admittedBy == nullptr || program.*row.admittedBy;
}

}  // namespace

const ControllerFamily* IdentifyControllerFamily(std::uint8_t family, const common::Variant& program, char wantedLetter,
                                                const VariantReader& readVariant) {
    const std::uint8_t wanted = FamilyWantedBy(wantedLetter);
    if (wanted != 0 && family != wanted) {
        return nullptr;
    }
    const ControllerFamily* general = nullptr;
    bool variantsAdmitted = false;
    for (const ControllerFamily& entry : kControllerFamilies) {
        const ControllerFamily* row = &entry;
        if (row->family != family || !Admits(program, *row)) {
            continue;
        }
        if (row->variant == kAnyVariant) {
            if (general == nullptr) {
                general = row;
            }
        } else {
            variantsAdmitted = true;
        }
    }
    if (general == nullptr || !variantsAdmitted) {
        return general;
    }
    int value = kAnyVariant;
    if (Failed(readVariant(value))) {
        return nullptr;
    }
    for (const ControllerFamily& entry : kControllerFamilies) {
        const ControllerFamily* row = &entry;
        if (row->family == family && row->variant == value && Admits(program, *row)) {
            return row;
        }
    }
    return general;
}

std::uint8_t FamilyWantedBy(char letter) {
    for (const ControllerFamily& row : kControllerFamilies) {
        if (row.chip == letter && row.variant == kAnyVariant && row.admittedBy == nullptr) {
            return row.family;
        }
    }
    return 0;
}

}  // namespace firmware
