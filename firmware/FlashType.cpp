#include "firmware/FlashType.h"

#include <cstring>

namespace firmware {
namespace {

constexpr StepTable kStepsStandard = {kSpiRead,        kSpiFastRead,  kSpiReadStatus,  kSpiWriteEnable, kSpiWriteDisable,
                                      kSpiSectorErase, kSpiBlockErase, kSpiChipErase,  kSpiPageProgram, kSpiNone,
                                      kSpiNone,        kSpiWriteStatus, 0x00};
constexpr StepTable kStepsKind1 = {kSpiRead,        kSpiNone,          kSpiReadStatus,   kSpiWriteEnable,
                                   kSpiWriteDisable, kSpiSectorErase,  kSpiBlockErase32K, kSpiChipEraseAlt,
                                   kSpiPageProgram, kSpiAutoIncrementProgram, kSpiEnableStatusWrite, kSpiWriteStatus,
                                   0x01};
constexpr StepTable kStepsKind2 = {kSpiRead,      kSpiFastRead,  kSpiReadStatus,  kSpiWriteEnable, kSpiWriteDisable,
                                   kSpiPageErase, kSpiBlockErase, kSpiChipErase,  kSpiPageProgram, kSpiNone,
                                   kSpiNone,      kSpiWriteStatus, 0x00};
constexpr StepTable kStepsKind6 = {kSpiRead,        kSpiFastRead,  kSpiReadStatus,  kSpiWriteEnable, kSpiWriteDisable,
                                   kSpiSectorErase, kSpiBlockErase, kSpiChipErase,  kSpiPageProgram, kSpiNone,
                                   kSpiNone,        kSpiWriteStatus, 0x02};

// Step table of each command kind, indexed by kind.
constexpr const StepTable* kStepTableOfKind[kKindCount] = {
    &kStepsStandard,  // 0
    &kStepsKind1,     // 1
    &kStepsKind2,     // 2
    &kStepsStandard,  // 3
    &kStepsStandard,  // 4
    &kStepsStandard,  // 5
    &kStepsKind6,     // 6
};

// Steps 1 to 12 in the order the firmware numbers them.
constexpr std::uint8_t StepTable::*kSteps[kStepCount] = {
    &StepTable::read,        &StepTable::fastRead,   &StepTable::readStatus,           &StepTable::writeEnable,
    &StepTable::writeDisable, &StepTable::sectorErase, &StepTable::blockErase,          &StepTable::chipErase,
    &StepTable::pageProgram, &StepTable::autoIncrementProgram, &StepTable::enableStatusWrite, &StepTable::writeStatus,
};

constexpr FlashType kFlashTypes[] = {
    // code  name                          probe              id bytes            kind  admitted by
    {0x79, "Macronix (90h C2 05)",       kSpiReadId,        {0xC2, 0x05, 0xC2}, 0, nullptr},
    {0x7A, "SST (90h BF 48)",            kSpiReadId,        {0xBF, 0x48, 0xBF}, 1, nullptr},
    {0x7B, "PMC (90h 9D 05)",            kSpiReadId,        {0x9D, 0x05, 0x7F}, 2, nullptr},
    {0x7C, "PMC (90h 9D 02)",            kSpiReadId,        {0x9D, 0x02, 0x7F}, 2, nullptr},
    {0x7F, "EON (90h 1C 05)",            kSpiReadId,        {0x1C, 0x05, 0x1C}, 3, nullptr},
    {0x80, "42h 05 (90h)",               kSpiReadId,        {0x42, 0x05, 0xC2}, 4, nullptr},
    {0x83, "GigaDevice (90h C8 05)",     kSpiReadId,        {0xC8, 0x05, 0xC8}, 0, nullptr},
    {0x84, "A1h 05 (90h)",               kSpiReadId,        {0xA1, 0x05, 0xA1}, 0, &common::Variant::knowsFlashA1},
    {0x7D, "PMC (ABh 9D 7B)",            kSpiReadSignature, {0x9D, 0x7B, 0x7F}, 2, nullptr},
    {0x7E, "Atmel (9Fh 1F 65)",          kSpiReadJedecId,   {0x1F, 0x65, 0x00}, 5, nullptr},
    {0x81, "Macronix (9Fh C2 22 10)",    kSpiReadJedecId,   {0xC2, 0x22, 0x10}, 6, nullptr},
    {0x82, "Macronix (9Fh C2 22 11)",    kSpiReadJedecId,   {0xC2, 0x22, 0x11}, 6, nullptr},
};

constexpr FlashProbe kFlashProbes[] = {
    {kSpiReadId, NextProbe::WhenBlank},
    {kSpiReadSignature, NextProbe::Always},
    {kSpiReadJedecId, NextProbe::Never},
};

const FlashType* FlashOfCode(std::uint8_t code) {
    for (const FlashType& flash : kFlashTypes) {
        if (flash.code == code) {
            return &flash;
        }
    }
    return nullptr;
}

bool Blank(const std::uint8_t id[3]) {
    return (id[0] == 0xFF && id[1] == 0xFF && id[2] == 0xFF) || (id[0] == 0 && id[1] == 0 && id[2] == 0);
}

}  // namespace

std::uint8_t StepOpcode(const StepTable& table, int step) { return table.*kSteps[step - 1]; }

std::uint8_t IdentifyFlash(const FlashIdReader& readFlashId, const common::Variant& program) {
    for (const FlashProbe& probe : kFlashProbes) {
        std::uint8_t id[3] = {0, 0, 0};
        if (Failed(readFlashId(id, probe.opcode))) {
            return kFlashUnknown;
        }
        for (const FlashType& flash : kFlashTypes) {
            if (flash.probe == probe.opcode && std::memcmp(id, flash.id, 3) == 0) {
                // A flash this program does not know is an unknown flash, not a reason to ask further.
                const bool admitted = flash.admittedBy == nullptr || program.*flash.admittedBy;
                return admitted ? flash.code : kFlashUnknown;
            }
        }
        const bool goOn = probe.next == NextProbe::Always || (probe.next == NextProbe::WhenBlank && Blank(id));
        if (!goOn) {
            return kFlashUnknown;
        }
    }
    return kFlashUnknown;
}

int CommandKind(std::uint8_t command) {
    if (command < kKindCount) {
        return command;
    }
    const FlashType* flash = FlashOfCode(command);
    return flash != nullptr ? flash->kind : kNoKind;
}

bool IsValidCommand(std::uint8_t command) { return CommandKind(command) != kNoKind; }

const StepTable& StepTableOf(std::uint8_t command) {
    const int kind = CommandKind(command);
    return *kStepTableOfKind[kind == kNoKind ? 0 : kind];
}

}  // namespace firmware
