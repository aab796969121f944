// The firmware channel: finds the camera with a usable extension unit, identifies
// its controller, and offers the operations the rest of the program needs.
#pragma once

#include <cstdint>
#include <memory>

#include "firmware/CFirmwareDevice.h"
#include "firmware/UsbIdentity.h"
#include "common/Variant.h"
#include "platform/Platform.h"

namespace firmware {

// The channel is the opened camera's device (its registers, sectors and serial-flash
// steps, see CFirmwareDevice) together with how a camera is found, opened and
// identified. The device's operations that the rest of the program calls on the
// channel are its own, named here; everything else of the device is reached through
// device().
class CFirmwareChannel : private CFirmwareDevice {
public:
    CFirmwareChannel(const platform::Platform& platform, const common::Variant& variant);
    ~CFirmwareChannel();
    CFirmwareChannel(const CFirmwareChannel&) = delete;
    CFirmwareChannel& operator=(const CFirmwareChannel&) = delete;

    // 0 opened, 1 no suitable camera, 160 a family letter outside 'e' to 'k'.
    Status Open(char familyLetter, int skipCount);
    // Lets go of the camera and forgets it: every operation then sends nothing (1).
    Status Close();

    using CFirmwareDevice::WriteRegister;
    using CFirmwareDevice::ReadRegister;
    using CFirmwareDevice::EraseSector;
    using CFirmwareDevice::Upload_Sector;
    using CFirmwareDevice::Download_Sector;

    Status Get_ICType(char* letter);
    Status Get_FlashType(std::uint8_t* code);
    // Fills the camera's USB ids from the Imaging device whose instance id matches the
    // opened camera's path; 1 only when the device list cannot be had or breaks off.
    Status FindUsbIdentity(UsbIdentity& record);

    // The opened camera's protocol, for the operations the channel does not name.
    CFirmwareDevice* device() { return this; }
    const CFirmwareDevice* device() const { return this; }
    using CFirmwareDevice::selectLevel;
    // The identified controller's row; null before a successful Open.
    using CFirmwareDevice::family;
    // The transfer budget of this channel: what it has spent, and whether it ran out.
    using CFirmwareDevice::transfersUsed;
    using CFirmwareDevice::budgetExhausted;

private:
    // One register read that counts only when a second read agrees; `value` is left
    // as it was otherwise.
    Status ReadRegisterTwice(std::uint16_t address, std::uint8_t* value);
    // Identifies the candidate's controller; fails when the family is not wanted.
    Status IdentifyController(std::uint8_t controllerByte, char familyLetter);
    // Tries one camera of the walk; succeeds when it is opened.
    Status TryCandidate(platform::IDeviceMoniker& moniker, char familyLetter);
    void ReleaseCandidate();

    platform::Platform m_platform;
    common::Variant m_variant;
};

}  // namespace firmware
