// The LED setting: one byte in the camera's serial flash (the first byte of sector
// 13), the controller's LED register, and the per-user registry values, kept in step.
#include "firmware/LedCheck.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Format.h"
#include "platform/Constants.h"
#include "platform/RegistryValues.h"
#include "rotation/OemRecord.h"

using namespace platform;

namespace firmware {
namespace {

constexpr std::size_t kWorkingBufferSize = 65536;
constexpr std::uint32_t kPageSize = 256;

// The command that the sector operations take for a flash-type code; codes without a
// kind go on as they are (and are refused by the upload).
std::uint8_t SectorCommand(std::uint8_t flashType) {
    const int kind = CommandKind(flashType);
    return kind < 0 ? flashType : static_cast<std::uint8_t>(kind);
}

}  // namespace

void LedCheck::CheckLED(CFirmwareChannel& camera, RegKey key, std::uint32_t devInfo) {
    m_port.WriteLog("in CheckLED", 0);
    std::vector<std::uint8_t> buffer(kWorkingBufferSize, 0);

    // Only a genuine 4-byte DWORD counts as a stored setting; anything else is rewritten.
    std::uint32_t ledSetting = 0;
    const bool stored = ReadDwordValue(m_registry, key, "LED_Setting", ledSetting);

    m_port.WriteLog("Get_ICType", 0);
    char chip = kNoChip;
    camera.Get_ICType(&chip);
    m_port.WriteLog("Get_FlashType", 0);
    std::uint8_t flashType = kFlashUnknown;
    camera.Get_FlashType(&flashType);
    const std::uint8_t command = SectorCommand(flashType);

    m_port.WriteLog("Upload_Sector", 0);
    std::uint32_t bytesRead = 0;
    const Status uploadStatus = camera.Upload_Sector(buffer.data(), kLedAddress, kLedSector, command, &bytesRead);
    buffer[kLedAddress] = buffer[0];

    // Erasing is only safe when the whole sector is in hand and can be written back.
    const bool sectorInHand = uploadStatus == 0 && bytesRead >= kSectorSize;
    const ControllerFamily* family = camera.family();
    const bool canRewrite = sectorInHand && family != nullptr && family->writePath != WritePath::None;
    const std::uint16_t ledRegister = family != nullptr ? family->ledRegister : kRegLed;

    // Erase the sector, write the LED byte, then every other byte the sector held.
    auto rewriteSector = [&]() -> Status {
        if (!canRewrite) {
            return kStatusNothingDone;
        }
        camera.EraseSector(kLedAddress, command);
        Status status = camera.Download_Sector(kLedAddress, 1, &buffer[kLedAddress]);
        const std::uint32_t piece = family->maxDownload;
        for (std::uint32_t offset = 1; status == 0 && piece != 0 && offset < kSectorSize;) {
            if (buffer[offset] == 0xFF) {
                ++offset;
                continue;
            }
            const std::uint32_t pageEnd = (offset / kPageSize + 1) * kPageSize;
            std::uint32_t end = std::min({offset + piece, pageEnd, kSectorSize});
            while (end > offset + 1 && buffer[end - 1] == 0xFF) {
                --end;
            }
            status = camera.Download_Sector(static_cast<std::uint16_t>(kLedAddress + offset), end - offset,
                                            &buffer[offset]);
            offset = end;
        }
        return status;
    };

    if (!stored) {
        m_port.WriteLog("====LED Reg is empty", 0);
        m_port.WriteLog(common::Format("ky devInfo =%d", static_cast<int>(devInfo)), 0);
        std::uint8_t led = 0;
        if ((devInfo & rotation::kLedDefaultBit) != 0) {
            m_port.WriteLog("set 250d=1", 0);
            led = 1;
        } else {
            m_port.WriteLog("set 250d=0", 0);
        }
        buffer[kLedAddress] = led;
        camera.WriteRegister(ledRegister, led);
        const Status status = rewriteSector();
        m_port.WriteLog(status == 0 ? "==== First Download_Sector Success\t====" : "==== First Download_Sector Fail\t====", 0);
        if (key != 0) {
            WriteDwordValue(m_registry, key, "LED_Def", (devInfo & rotation::kLedDefaultBit) != 0 ? 1 : 0);
            WriteDwordValue(m_registry, key, "LED_Setting", led);
        }
        return;
    }

    m_port.WriteLog("====LED Reg is not empty====", 0);
    Status outcome = uploadStatus;
    if (ledSetting != static_cast<std::uint32_t>(buffer[0])) {
        m_port.WriteLog("====\tin Download_Sector====", 0);
        buffer[kLedAddress] = static_cast<std::uint8_t>(ledSetting & 0xFF);
        camera.WriteRegister(ledRegister, buffer[kLedAddress]);
        outcome = rewriteSector();
    }
    m_port.WriteLog(outcome == 0 ? "====\tDownload_Sector Success\t====" : "====\tDownload_Sector Fail\t====", 0);
}

}  // namespace firmware
