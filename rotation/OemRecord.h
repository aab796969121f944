// The OEM record the PC maker keeps in the SMBIOS table: how the camera is mounted
// and the LED default. The main window keeps room for two of them.
#pragma once

#include <cstdint>

namespace rotation {

struct OemRecord {
    std::uint8_t type;
    std::uint8_t length;
    std::uint16_t handle;  // low byte of the structure's handle
    std::uint8_t byte4;
    std::uint8_t byte5;
    std::uint8_t byte6;
    std::uint32_t devInfo;
    std::uint16_t value11;
    std::uint16_t value13;
};
static_assert(sizeof(OemRecord) == 16, "two records fill the 32-byte buffer");

constexpr int kOemRecordCount = 2;

// Fields of devInfo.
constexpr std::uint32_t kMountingCodeMask = 0xFF;
constexpr std::uint32_t kRotationEnableBit = 0x100;
constexpr std::uint32_t kLedDefaultBit = 0x200;

}  // namespace rotation
