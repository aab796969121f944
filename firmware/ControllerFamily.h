// The camera controller families the firmware channel serves: one row a family (or
// a variant of one), and everything the channel does differently for it is a field
// of that row. Open identifies the row once; the rest of the channel reads fields.
#pragma once

#include <cstdint>
#include <functional>

#include "firmware/Status.h"
#include "common/Variant.h"

namespace firmware {

// The controller's LED registers.
constexpr std::uint16_t kRegLed = 0x250D;
constexpr std::uint16_t kRegLedJ = 0x250F;

// The firmware's write block (control 22) and the register-level page program.
constexpr std::uint32_t kWriteBlockSize = 64;
constexpr std::uint32_t kMaxPageProgramBytes = 33;

// How the serial flash's identification bytes are read.
enum class FlashIdPath {
    Registers,  // SPI opcodes shifted through the serial-flash interface registers
    Firmware,   // step 13 of the firmware's table, then control 23
};

// How Download_Sector writes flash.
enum class WritePath {
    None,               // no write path: Download_Sector returns 1 and sends nothing
    PageProgram,        // register-level page program, up to 33 bytes
    BlockWriteCounted,  // 64-byte block on control 22: a count byte, then up to 63 bytes
    BlockWrite,         // 64-byte block on control 22: up to 64 bytes of data
};

// A controller-variant value that does not single out a row.
constexpr int kAnyVariant = -1;

struct ControllerFamily {
    std::uint8_t family;       // high nibble of controller register 0x20FF
    int variant;               // value of register 0x20D0 that singles out this row, or kAnyVariant
    char chip;                 // the chip letter Open sets
    std::uint8_t selectLevel;  // level written to 0x2025 to start a flash command (2 - level ends it)
    FlashIdPath flashIdPath;   // how Get_FlashType reads the flash
    WritePath writePath;       // how Download_Sector writes it
    std::uint32_t maxDownload; // the most bytes one Download_Sector writes; 0 without a write path
    std::uint16_t ledRegister; // controller register that holds the LED setting
    bool common::Variant::*admittedBy; // the program flag that admits the row; null: both programs
};

// The chip letter of a channel with no identified controller.
constexpr char kNoChip = 'd';

// The row of an identified controller: `family` is the high nibble of 0x20FF, and
// Open's letter ('e' for any family) names the family wanted. `readVariant` is asked
// for register 0x20D0 only for a wanted family that has variant rows in this program;
// it fails when the register could not be read. Null when the program does not
// serve the family, the letter wants another, or the variant that decides could not be
// read (the controller would otherwise be taken for its general row).
using VariantReader = std::function<Status(int& variant)>;
const ControllerFamily* IdentifyControllerFamily(std::uint8_t family, const common::Variant& program, char wantedLetter,
                                                const VariantReader& readVariant);

// The family that Open's letter 'f' to 'k' asks for; 0 for 'e' (any family).
std::uint8_t FamilyWantedBy(char letter);

}  // namespace firmware
