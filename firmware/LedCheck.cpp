#include "firmware/LedCheck.h"

#include <vector>

#include "common/Format.h"
#include "firmware/FlashTransaction.h"
#include "platform/Constants.h"
#include "platform/RegistryValues.h"
#include "common/OemRecord.h"

using namespace platform;

namespace firmware {

bool LedCheck::MendFlash(CFirmwareChannel& camera, const UsbIdentity& identity) {
    FlashBackup backup;
    switch (m_store.Load(identity, backup)) {
        case FlashBackupStore::Found::None:
            return true;
        case FlashBackupStore::Found::Damaged:
            m_store.SetAside(identity);
            m_port.WriteLog("flash backup damaged: set aside, not written to the camera", 0);
            return true;
        case FlashBackupStore::Found::Intact:
            break;
    }
    FlashTransaction flash(camera, m_store, identity, m_port);
    return Succeeded(flash.Mend(backup));
}

void LedCheck::CheckLED(CFirmwareChannel& camera, RegKey key, std::uint32_t devInfo, const UsbIdentity& identity) {
    m_port.WriteLog("in CheckLED", 0);

    // Only a genuine 4-byte DWORD counts as a stored setting; anything else is rewritten.
    std::uint32_t ledSetting = 0;
    const bool stored = ReadDwordValue(m_registry, key, "LED_Setting", ledSetting);

    m_port.WriteLog("Get_ICType", 0);
    char chip = kNoChip;
    camera.Get_ICType(&chip);
    m_port.WriteLog("Get_FlashType", 0);
    FlashTransaction flash(camera, m_store, identity, m_port);

    const ControllerFamily* family = camera.family();
    const std::uint16_t ledRegister = family != nullptr ? family->ledRegister : kRegLed;

    m_port.WriteLog("Upload_Sector", 0);
    // One read decides whether anything is to be written; a failed read counts as a
    // zero byte. The update itself trusts only its own two whole reads.
    std::vector<std::uint8_t> sector(kSectorSize, 0);
    const bool read = Succeeded(flash.ReadSector(kLedSector, sector.data()));
    if (!read) {
        sector.assign(kSectorSize, 0);
    }
    const Status uploadStatus = read ? kStatusOk : kStatusNothingDone;

    if (!stored) {
        m_port.WriteLog("====LED Reg is empty", 0);
        m_port.WriteLog(common::Format("ky devInfo =%d", static_cast<int>(devInfo)), 0);
        std::uint8_t led = 0;
        if ((devInfo & common::kLedDefaultBit) != 0) {
            m_port.WriteLog("set 250d=1", 0);
            led = 1;
        } else {
            m_port.WriteLog("set 250d=0", 0);
        }
        camera.WriteRegister(ledRegister, led);
        const Status status = flash.Update({FlashChange{kLedAddress, led}});
        m_port.WriteLog(Succeeded(status) ? "==== First Download_Sector Success\t====" : "==== First Download_Sector Fail\t====", 0);
        if (key != 0) {
            WriteDwordValue(m_registry, key, "LED_Def", (devInfo & common::kLedDefaultBit) != 0 ? 1 : 0);
            WriteDwordValue(m_registry, key, "LED_Setting", led);
        }
        return;
    }

    m_port.WriteLog("====LED Reg is not empty====", 0);
    Status outcome = uploadStatus;
    bool differs = ledSetting != static_cast<std::uint32_t>(sector[0]);
    if (!differs && read) {
        // "Nothing to change" is told as Success: a second read must say the same,
        // or the update decides on its own agreeing reads.
        std::vector<std::uint8_t> again(kSectorSize, 0);
        differs = Failed(flash.ReadSector(kLedSector, again.data())) || again[0] != sector[0];
    }
    if (differs) {
        m_port.WriteLog("====\tin Download_Sector====", 0);
        const auto led = static_cast<std::uint8_t>(ledSetting & 0xFF);
        camera.WriteRegister(ledRegister, led);
        outcome = flash.Update({FlashChange{kLedAddress, led}});
    }
    m_port.WriteLog(Succeeded(outcome) ? "====\tDownload_Sector Success\t====" : "====\tDownload_Sector Fail\t====", 0);
}

}  // namespace firmware
