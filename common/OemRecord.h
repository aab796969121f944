// The OEM record the PC maker keeps in the SMBIOS table: how the camera is mounted
// and the LED default. The main window keeps room for two of them.
#pragma once

#include <cstdint>
#include <memory>

namespace common {

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

// The main window's room for the two records (`Internal_camera`): allocated at
// dialog initialisation, freed at exit, allocated again by a bring-up that finds it
// gone. Readers that find no room read a devInfo of 0.
class OemRecordBuffer {
public:
    void allocate() { Internal_camera.reset(new OemRecord[kOemRecordCount]()); }
    void release() { Internal_camera.reset(); }
    bool allocated() const { return Internal_camera != nullptr; }
    OemRecord* records() { return Internal_camera.get(); }
    const OemRecord* records() const { return Internal_camera.get(); }
    std::uint32_t devInfo() const { return Internal_camera ? Internal_camera[0].devInfo : 0; }

private:
    std::unique_ptr<OemRecord[]> Internal_camera;
};

}  // namespace common
