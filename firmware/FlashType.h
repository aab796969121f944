// The serial flashes the firmware channel knows: how each one is identified, the
// code that names it, and the step table of serial-flash opcodes its sector
// operations load into the firmware. Written once, as tables.
#pragma once

#include <cstdint>
#include <functional>

#include "firmware/Status.h"
#include "common/Variant.h"

namespace firmware {

// Standard SPI flash opcodes, by the command each one is.
constexpr std::uint8_t kSpiRead = 0x03;
constexpr std::uint8_t kSpiFastRead = 0x0B;
constexpr std::uint8_t kSpiReadStatus = 0x05;
constexpr std::uint8_t kSpiWriteEnable = 0x06;
constexpr std::uint8_t kSpiWriteDisable = 0x04;
constexpr std::uint8_t kSpiSectorErase = 0x20;      // 4 KB
constexpr std::uint8_t kSpiPageErase = 0xD7;        // the 4 KB erase of kind 2
constexpr std::uint8_t kSpiBlockErase = 0xD8;       // 64 KB
constexpr std::uint8_t kSpiBlockErase32K = 0x52;
constexpr std::uint8_t kSpiChipErase = 0xC7;
constexpr std::uint8_t kSpiChipEraseAlt = 0x60;
constexpr std::uint8_t kSpiPageProgram = 0x02;
constexpr std::uint8_t kSpiAutoIncrementProgram = 0xAF;
constexpr std::uint8_t kSpiEnableStatusWrite = 0x50;
constexpr std::uint8_t kSpiWriteStatus = 0x01;
constexpr std::uint8_t kSpiNone = 0xFF;             // a step the flash does not have
constexpr std::uint8_t kSpiReadId = 0x90;           // manufacturer and device id
constexpr std::uint8_t kSpiReadSignature = 0xAB;    // electronic signature
constexpr std::uint8_t kSpiReadJedecId = 0x9F;

// The twelve opcodes of steps 1 to 12 and the program mode (value 13) that a flash
// command loads into the firmware.
struct StepTable {
    std::uint8_t read;                  // step 1
    std::uint8_t fastRead;              // step 2
    std::uint8_t readStatus;            // step 3
    std::uint8_t writeEnable;           // step 4
    std::uint8_t writeDisable;          // step 5
    std::uint8_t sectorErase;           // step 6
    std::uint8_t blockErase;            // step 7
    std::uint8_t chipErase;             // step 8
    std::uint8_t pageProgram;           // step 9
    std::uint8_t autoIncrementProgram;  // step 10
    std::uint8_t enableStatusWrite;     // step 11
    std::uint8_t writeStatus;           // step 12
    std::uint8_t programMode;           // control 16
};

constexpr int kStepCount = 12;

// The opcode of step 1 to 12 of a table.
std::uint8_t StepOpcode(const StepTable& table, int step);

// Command kinds 0 to 6; a command names one directly or through its flash code.
constexpr int kKindCount = 7;
constexpr int kNoKind = -1;

struct FlashType {
    std::uint8_t code;          // flash-type code Get_FlashType gives, and the command that names it
    const char* name;           // the part, as its identification bytes tell it
    std::uint8_t probe;         // the identification opcode it answers
    std::uint8_t id[3];         // the three bytes it answers with
    int kind;                   // command kind: which step table its sector operations load
    bool common::Variant::*admittedBy;  // the program flag that admits it; null: both programs
};

// The code of a flash that is not recognised.
constexpr std::uint8_t kFlashUnknown = 0x78;

// The identification opcodes in the order they are tried, and when an answer that
// matches no flash lets the next one be tried.
enum class NextProbe {
    Never,        // an unmatched answer means an unknown flash
    WhenBlank,    // only an answer of all 0xFF or all 0x00 goes on
    Always,       // an unmatched answer goes on
};

struct FlashProbe {
    std::uint8_t opcode;
    NextProbe next;
};

// What identification asks of the device: the three id bytes for an opcode; fails
// when they could not be read.
using FlashIdReader = std::function<Status(std::uint8_t id[3], std::uint8_t opcode)>;

// Runs the probes in order and gives the flash-type code (kFlashUnknown when none
// fits, or when an answer could not be read: a flash taken for another would get the
// other's opcodes).
std::uint8_t IdentifyFlash(const FlashIdReader& readFlashId, const common::Variant& program);

// The kind of a command: 0 to 6 stand for themselves, a flash code for its flash's
// kind; kNoKind for anything else.
int CommandKind(std::uint8_t command);
// A command that Upload_Sector accepts: a kind or a known flash code.
bool IsValidCommand(std::uint8_t command);
// The step table a command loads (the kind-0 table for a command without a kind).
const StepTable& StepTableOf(std::uint8_t command);

}  // namespace firmware
