// The LED setting: one byte in the camera's serial flash (the first byte of sector
// 13), the controller's LED register, and the per-user registry values, kept in step.
// The flash is only ever changed through a FlashTransaction, with its backup on disk.
#pragma once

#include <cstdint>

#include "common/WindowPort.h"
#include "firmware/CFirmwareChannel.h"
#include "firmware/FlashBackup.h"
#include "firmware/UsbIdentity.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

namespace firmware {

constexpr int kLedSector = 13;
constexpr std::uint16_t kLedAddress = 0xD000;

class LedCheck {
public:
    LedCheck(platform::IRegistry& registry, platform::IFiles& files, platform::IShell& shell, const char* programName,
             common::IWindowPort& port)
        : m_registry(registry), m_store(files, shell, programName), m_port(port) {}

    // Puts the flash of an opened camera back in order from a backup an earlier
    // update left on disk. False when a backup is there and the flash could not be
    // brought back to it: nothing else may write the flash then. (The bring-up takes a
    // yes or no: the transaction's Status, through Succeeded.)
    bool MendFlash(CFirmwareChannel& camera, const UsbIdentity& identity);

    // Runs on an opened channel. `driverKey` is the opened per-user driver settings
    // key (0 when it could not be had); `devInfo` is the OEM record's field whose
    // LED-default bit decides a first setting; `identity` names the camera's backup.
    void CheckLED(CFirmwareChannel& camera, platform::RegKey driverKey, std::uint32_t devInfo,
                  const UsbIdentity& identity);

private:
    platform::IRegistry& m_registry;
    FlashBackupStore m_store;
    common::IWindowPort& m_port;
};

}  // namespace firmware
