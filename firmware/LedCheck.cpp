// The LED setting: one byte in the camera's serial flash (the first byte of sector
// 13), the controller's LED register, and the per-user registry values, kept in step.
#include <algorithm>
#include <cstring>
#include <vector>

#include "firmware/CFirmwareChannel.h"
#include "platform/Constants.h"
#include "platform/RegistryValues.h"
#include "shell/CBACKDlg.h"
#include "shell/Format.h"

using namespace platform;
using namespace firmware;

namespace {

constexpr const char* kDriverKey = "SOFTWARE\\Velnor VNUVCb";
constexpr std::size_t kWorkingBufferSize = 65536;
constexpr int kLedSector = 13;
constexpr std::uint16_t kLedAddress = 0xD000;
constexpr std::uint32_t kPageSize = 256;

bool HasWritePath(char chip) { return chip == 'h' || chip == 'i' || chip == 'j' || chip == 'k'; }

// The command that the sector operations take for a flash-type code; codes without a
// kind go on as they are (and are refused by the upload).
std::uint8_t SectorCommand(std::uint8_t flashType) {
    const int kind = CommandKind(flashType);
    return kind < 0 ? flashType : static_cast<std::uint8_t>(kind);
}

}  // namespace

RegKey CBACKDlg::OpenDriverKey() {
    if (m_hDriverKey == 0) {
        RegKey key = 0;
        if (m_platform.registry.createKey(Hive::CurrentUser, kDriverKey, kKEY_ALL_ACCESS, key) == kERROR_SUCCESS) {
            m_hDriverKey = key;
        }
    }
    return m_hDriverKey;
}

void CBACKDlg::CloseDriverKey() {
    if (m_hDriverKey != 0) {
        m_platform.registry.closeKey(m_hDriverKey);
        m_hDriverKey = 0;
    }
}

CFirmwareChannel* CBACKDlg::CreateFirmwareChannel() {
    if (!m_pCamera) {
        m_pCamera = std::make_unique<CFirmwareChannel>(m_platform, m_variant);
    }
    return m_pCamera.get();
}

void CBACKDlg::DestroyFirmwareChannel() { m_pCamera.reset(); }

void CBACKDlg::CheckLED() {
    WriteLog("in CheckLED", 0);
    if (!m_pCamera) {
        return;
    }
    CFirmwareChannel& camera = *m_pCamera;
    std::vector<std::uint8_t> buffer(kWorkingBufferSize, 0);

    // Only a genuine 4-byte DWORD counts as a stored setting; anything else is rewritten.
    const RegKey key = OpenDriverKey();
    std::uint32_t ledSetting = 0;
    const bool stored = ReadDwordValue(m_platform.registry, key, "LED_Setting", ledSetting);

    WriteLog("Get_ICType", 0);
    char chip = 'd';
    camera.Get_ICType(&chip);
    WriteLog("Get_FlashType", 0);
    std::uint8_t flashType = kFlashUnknown;
    camera.Get_FlashType(&flashType);
    const std::uint8_t command = SectorCommand(flashType);

    WriteLog("Upload_Sector", 0);
    std::uint32_t bytesRead = 0;
    const Status uploadStatus = camera.Upload_Sector(buffer.data(), kLedAddress, kLedSector, command, &bytesRead);
    buffer[kLedAddress] = buffer[0];

    // Erasing is only safe when the whole sector is in hand and can be written back.
    const bool sectorInHand = uploadStatus == 0 && bytesRead >= kSectorSize;
    const bool canRewrite = sectorInHand && HasWritePath(chip);
    const std::uint16_t ledRegister = chip == 'j' ? kRegLedJ : kRegLed;

    // Erase the sector, write the LED byte, then every other byte the sector held.
    auto rewriteSector = [&]() -> Status {
        if (!canRewrite) {
            return kStatusNothingDone;
        }
        camera.EraseSector(kLedAddress, command);
        Status status = camera.Download_Sector(kLedAddress, 1, &buffer[kLedAddress]);
        const std::uint32_t piece = camera.device() != nullptr ? camera.device()->MaxDownloadBytes() : 0;
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
        WriteLog("====LED Reg is empty", 0);
        const std::uint32_t devInfo = Internal_camera ? Internal_camera[0].devInfo : 0;
        WriteLog(shell::Format("ky devInfo =%d", static_cast<int>(devInfo)), 0);
        std::uint8_t led = 0;
        if ((devInfo & rotation::kLedDefaultBit) != 0) {
            WriteLog("set 250d=1", 0);
            led = 1;
        } else {
            WriteLog("set 250d=0", 0);
        }
        buffer[kLedAddress] = led;
        camera.WriteRegister(ledRegister, led);
        const Status status = rewriteSector();
        WriteLog(status == 0 ? "==== First Download_Sector Success\t====" : "==== First Download_Sector Fail\t====", 0);
        if (key != 0) {
            WriteDwordValue(m_platform.registry, key, "LED_Def", (devInfo & rotation::kLedDefaultBit) != 0 ? 1 : 0);
            WriteDwordValue(m_platform.registry, key, "LED_Setting", led);
        }
        return;
    }

    WriteLog("====LED Reg is not empty====", 0);
    Status outcome = uploadStatus;
    if (ledSetting != static_cast<std::uint32_t>(buffer[0])) {
        WriteLog("====\tin Download_Sector====", 0);
        buffer[kLedAddress] = static_cast<std::uint8_t>(ledSetting & 0xFF);
        camera.WriteRegister(ledRegister, buffer[kLedAddress]);
        outcome = rewriteSector();
    }
    WriteLog(outcome == 0 ? "====\tDownload_Sector Success\t====" : "====\tDownload_Sector Fail\t====", 0);
}
