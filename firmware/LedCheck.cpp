#include "firmware/LedCheck.h"

#include <algorithm>
#include <array>
#include <vector>

#include "common/Format.h"
#include "platform/Constants.h"
#include "platform/RegistryValues.h"
#include "rotation/OemRecord.h"

using namespace platform;

namespace firmware {
namespace {

// Room for whatever length the camera states for control 15, up to the sector's own
// address: the sector itself is the first 4096 bytes.
constexpr std::uint32_t kReadRoom = kLedAddress;
constexpr std::uint32_t kPageSize = 256;
// Attempts to put the saved sector back after an update went wrong.
constexpr int kRestoreAttempts = 2;

using Sector = std::array<std::uint8_t, kSectorSize>;

// The command that the sector operations take for a flash-type code; codes without a
// kind go on as they are (and are refused by the upload).
std::uint8_t SectorCommand(std::uint8_t flashType) {
    const int kind = CommandKind(flashType);
    return kind < 0 ? flashType : static_cast<std::uint8_t>(kind);
}

// Sector 13 written as a transaction: it is only erased once a trusted copy is in hand,
// every step's status counts, what was written is read back and compared, and a sector
// that did not come out as intended is put back as it was. The camera's firmware lives
// in the same flash; nothing here ever addresses outside the sector.
class SectorUpdate {
public:
    SectorUpdate(CFirmwareChannel& camera, const ControllerFamily& family, std::uint8_t command)
        : m_camera(camera), m_family(family), m_command(command) {}

    // Reads the sector whole; false when any transfer failed or less came back.
    bool Read(Sector& sector) {
        std::vector<std::uint8_t> buffer(kReadRoom, 0);
        std::uint32_t bytesRead = 0;
        if (m_camera.Upload_Sector(buffer.data(), kReadRoom, kLedSector, m_command, &bytesRead) != 0 ||
            bytesRead < kSectorSize) {
            return false;
        }
        std::copy_n(buffer.begin(), kSectorSize, sector.begin());
        return true;
    }

    // From `original` (the sector as it was) to `intended`: 0 only when the sector
    // was read back as intended. Otherwise the sector holds `original` again, as far
    // as the camera lets us.
    Status Apply(const Sector& original, const Sector& intended) {
        Sector erased;
        erased.fill(0xFF);
        // The erase is the first destructive step; a failure from here on is mended.
        const bool written = m_camera.EraseSector(kLedAddress, m_command) == 0 && Program(erased, intended);
        Sector now;
        if (written && Read(now) && now == intended) {
            return 0;
        }
        for (int attempt = 0; attempt < kRestoreAttempts; ++attempt) {
            if (!Read(now)) {
                continue;
            }
            if (now == intended) {
                return 0;  // it did arrive; only the first read back went wrong
            }
            if (now == original) {
                return kStatusNothingDone;
            }
            Restore(now, original);
            if (Read(now) && now == original) {
                return kStatusNothingDone;
            }
        }
        return kStatusNothingDone;
    }

private:
    // Brings `now` to `target`, erasing only when a bit has to go from 0 to 1.
    void Restore(const Sector& now, const Sector& target) {
        bool needsErase = false;
        for (std::uint32_t i = 0; i < kSectorSize && !needsErase; ++i) {
            needsErase = (target[i] & ~now[i]) != 0;
        }
        if (!needsErase) {
            Program(now, target);
            return;
        }
        Sector erased;
        erased.fill(0xFF);
        if (m_camera.EraseSector(kLedAddress, m_command) == 0) {
            Program(erased, target);
        }
    }

    // Programs every byte where `target` differs from `now` (which the flash holds):
    // the LED byte first and alone, then pieces that Download_Sector accepts and that
    // never cross a 256-byte page. False at the first piece that fails.
    bool Program(const Sector& now, const Sector& target) {
        const std::uint32_t most = m_family.maxDownload;
        if (most == 0) {
            return false;
        }
        auto differs = [&](std::uint32_t i) { return now[i] != target[i]; };
        if (differs(0) && m_camera.Download_Sector(kLedAddress, 1, &target[0]) != 0) {
            return false;
        }
        for (std::uint32_t offset = 1; offset < kSectorSize;) {
            if (!differs(offset)) {
                ++offset;
                continue;
            }
            const std::uint32_t pageEnd = (offset / kPageSize + 1) * kPageSize;
            std::uint32_t end = std::min({offset + most, pageEnd, kSectorSize});
            while (end > offset + 1 && !differs(end - 1)) {
                --end;
            }
            if (m_camera.Download_Sector(static_cast<std::uint16_t>(kLedAddress + offset), end - offset,
                                         &target[offset]) != 0) {
                return false;
            }
            offset = end;
        }
        return true;
    }

    CFirmwareChannel& m_camera;
    const ControllerFamily& m_family;
    std::uint8_t m_command;
};

}  // namespace

void LedCheck::CheckLED(CFirmwareChannel& camera, RegKey key, std::uint32_t devInfo) {
    m_port.WriteLog("in CheckLED", 0);

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

    const ControllerFamily* family = camera.family();
    const ControllerFamily& rowOrNone = family != nullptr ? *family : ControllerFamily{};
    SectorUpdate update(camera, rowOrNone, command);

    m_port.WriteLog("Upload_Sector", 0);
    // The sector is trusted only when two reads agree: an erase rewrites it from this copy.
    Sector original{};
    Sector second{};
    const bool firstRead = update.Read(original);
    const bool inHand = firstRead && update.Read(second) && second == original;
    if (!firstRead) {
        original.fill(0);
    }
    const Status uploadStatus = firstRead ? 0 : kStatusNothingDone;

    // Erasing is only safe when the whole sector is in hand and can be written back.
    const bool canRewrite = inHand && family != nullptr && family->writePath != WritePath::None;
    const std::uint16_t ledRegister = family != nullptr ? family->ledRegister : kRegLed;

    auto rewriteSector = [&](std::uint8_t led) -> Status {
        if (!canRewrite) {
            return kStatusNothingDone;
        }
        Sector intended = original;
        intended[0] = led;
        return update.Apply(original, intended);
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
        camera.WriteRegister(ledRegister, led);
        const Status status = rewriteSector(led);
        m_port.WriteLog(status == 0 ? "==== First Download_Sector Success\t====" : "==== First Download_Sector Fail\t====", 0);
        if (key != 0) {
            WriteDwordValue(m_registry, key, "LED_Def", (devInfo & rotation::kLedDefaultBit) != 0 ? 1 : 0);
            WriteDwordValue(m_registry, key, "LED_Setting", led);
        }
        return;
    }

    m_port.WriteLog("====LED Reg is not empty====", 0);
    Status outcome = uploadStatus;
    if (ledSetting != static_cast<std::uint32_t>(original[0])) {
        m_port.WriteLog("====\tin Download_Sector====", 0);
        const auto led = static_cast<std::uint8_t>(ledSetting & 0xFF);
        camera.WriteRegister(ledRegister, led);
        outcome = rewriteSector(led);
    }
    m_port.WriteLog(outcome == 0 ? "====\tDownload_Sector Success\t====" : "====\tDownload_Sector Fail\t====", 0);
}

}  // namespace firmware
