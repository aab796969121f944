// The LED setting: one byte in the camera's serial flash (the first byte of sector
// 13), the controller's LED register, and the per-user registry values, kept in step.
#pragma once

#include <cstdint>

#include "common/WindowPort.h"
#include "firmware/CFirmwareChannel.h"
#include "platform/Registry.h"

namespace firmware {

constexpr int kLedSector = 13;
constexpr std::uint16_t kLedAddress = 0xD000;

class LedCheck {
public:
    LedCheck(platform::IRegistry& registry, common::IWindowPort& port) : m_registry(registry), m_port(port) {}

    // Runs on an opened channel. `driverKey` is the opened per-user driver settings
    // key (0 when it could not be had); `devInfo` is the OEM record's field whose
    // LED-default bit decides a first setting.
    void CheckLED(CFirmwareChannel& camera, platform::RegKey driverKey, std::uint32_t devInfo);

private:
    platform::IRegistry& m_registry;
    common::IWindowPort& m_port;
};

}  // namespace firmware
