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

class CFirmwareChannel {
public:
    CFirmwareChannel(const platform::Platform& platform, const common::Variant& variant);
    ~CFirmwareChannel();
    CFirmwareChannel(const CFirmwareChannel&) = delete;
    CFirmwareChannel& operator=(const CFirmwareChannel&) = delete;

    // 0 opened, 1 no suitable camera, 160 a family letter outside 'e' to 'k'.
    Status Open(char familyLetter, int skipCount);
    Status Close();

    Status WriteRegister(std::uint16_t address, std::uint8_t value);
    Status ReadRegister(std::uint16_t address, std::uint8_t* value);
    Status EraseSector(std::uint16_t address, std::uint8_t command);
    Status Upload_Sector(std::uint8_t* buffer, std::uint32_t bufferSize, int sector, std::uint8_t command,
                         std::uint32_t* bytesRead = nullptr);
    Status Download_Sector(std::uint16_t address, std::uint32_t count, const std::uint8_t* data);

    int Get_ICType(char* letter);
    int Get_FlashType(std::uint8_t* code);
    // Fills the camera's USB ids from the Imaging device whose instance id matches the
    // opened camera's path; 1 only when the device list cannot be had or breaks off.
    int FindUsbIdentity(UsbIdentity& record);

    // The opened camera's protocol, for the operations the channel does not forward.
    CFirmwareDevice* device() { return m_pDevice.get(); }
    const CFirmwareDevice* device() const { return m_pDevice.get(); }
    std::uint8_t selectLevel() const { return m_pDevice ? m_pDevice->selectLevel() : 0; }
    // The identified controller's row; null before a successful Open.
    const ControllerFamily* family() const { return m_pDevice ? m_pDevice->family() : nullptr; }
    // The transfer budget of this channel: what it has spent, and whether it ran out.
    std::uint32_t transfersUsed() const {
        return m_pDevice && m_pDevice->hasTransport() ? m_pDevice->transport().transfersUsed() : 0;
    }
    bool budgetExhausted() const {
        return m_pDevice && m_pDevice->hasTransport() && m_pDevice->transport().budgetExhausted();
    }

private:
    // Identifies the candidate's controller; false when the family is not wanted.
    bool IdentifyController(std::uint8_t controllerByte, char familyLetter);
    // Tries one camera of the walk; true when it is opened.
    bool TryCandidate(platform::IDeviceMoniker& moniker, char familyLetter);
    void ReleaseCandidate();

    platform::Platform m_platform;
    common::Variant m_variant;
    std::unique_ptr<CFirmwareDevice> m_pDevice;
};

}  // namespace firmware
