// Changing the camera's serial flash without ever losing it. The camera's firmware
// lives in the same 64 KB as the LED byte, and a transfer may fail, come back garbled,
// or be acknowledged and never applied; the program may be ended and the camera
// unplugged at any point. So an update:
//   - trusts only a whole image that two full reads agree on;
//   - puts that image on disk (FlashBackupStore) before the first transfer that can
//     change a cell;
//   - erases a sector only when a bit has to go from 0 to 1, and otherwise programs
//     just the bytes that change;
//   - reads the whole flash back and puts any sector that is not as intended right
//     from the backup (at most two rounds), in any sector, since a lost register
//     write or step-table write can carry a program or an erase elsewhere;
//   - removes the backup only once the whole image is exactly the intended one.
// A backup still on disk at the next bring-up is mended from before anything else
// touches the flash.
#pragma once

#include <cstdint>
#include <vector>

#include "common/WindowPort.h"
#include "firmware/CFirmwareChannel.h"
#include "firmware/FlashBackup.h"

namespace firmware {

constexpr int kFlashSectors = static_cast<int>(kFlashSize / kSectorSize);
// Rounds of putting differing sectors right after an update or at a mend.
constexpr int kRestoreRounds = 2;

class FlashTransaction {
public:
    // Identifies the camera's flash (Get_FlashType) for the command its sector
    // operations load.
    FlashTransaction(CFirmwareChannel& camera, FlashBackupStore& store, const UsbIdentity& identity,
                     common::IWindowPort& port);

    // One 4 KB sector; fails when a transfer failed or less than a sector came back.
    Status ReadSector(int index, std::uint8_t* sector);
    // The whole flash, read twice: fails unless both reads were whole and agree.
    Status ReadTrusted(FlashImage& image);

    // The flash as it is, read whole and trusted, with `changes`: kStatusNothingDone
    // without a write path or a trusted image, nothing changed then; otherwise Apply.
    Status Update(const std::vector<FlashChange>& changes);
    // From `original` (a trusted image of the flash as it is) to `original` with
    // `changes`: 0 only when the whole flash was read back exactly as intended. On
    // any other outcome the backup stays on disk for the next bring-up.
    Status Apply(const FlashImage& original, const std::vector<FlashChange>& changes);

    // Puts the flash back in order from a backup an earlier update left: succeeds when
    // it is whole (the backup's image or the intended one) and the backup is gone;
    // fails when the backup stays for the next bring-up.
    Status Mend(const FlashBackup& backup);

private:
    Status ReadImage(FlashImage& image);
    // Brings the flash to `target`: `now` is what it holds (when `known`), and is
    // updated. Succeeds once a whole read matches `target`.
    Status Converge(const FlashImage& target, FlashImage& now, bool known);
    // Rewrites the sectors that differ, each read back at once; stops at a sector
    // that does not take (the camera is not writing; the next round or bring-up goes on).
    void RestoreDiffering(const FlashImage& now, const FlashImage& target);
    Status RewriteSector(int index, const std::uint8_t* now, const std::uint8_t* target);
    // Programs the bytes where `target` differs from `now` (which the sector holds);
    // every change must clear bits only.
    Status Program(std::uint16_t base, const std::uint8_t* now, const std::uint8_t* target);
    bool Writable() const;

    CFirmwareChannel& m_camera;
    std::uint8_t m_command;
    FlashBackupStore& m_store;
    UsbIdentity m_identity;
    common::IWindowPort& m_port;
    std::vector<std::uint8_t> m_readRoom;
};

// True when no bit of `target` is set where `now` has it clear over `size` bytes:
// programming alone gets there, no erase is needed.
bool ProgramsWithoutErase(const std::uint8_t* now, const std::uint8_t* target, std::size_t size);

}  // namespace firmware
