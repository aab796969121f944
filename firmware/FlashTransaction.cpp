#include "firmware/FlashTransaction.h"

#include <algorithm>
#include <cstring>

namespace firmware {
namespace {

constexpr std::uint32_t kPageSize = 256;
// Room for whatever length the camera states for control 15: the whole flash. Only
// the first sector's worth is used.
constexpr std::uint32_t kReadRoom = kFlashSize;

bool SectorDiffers(const FlashImage& a, const FlashImage& b, int index) {
    const std::size_t at = static_cast<std::size_t>(index) * kSectorSize;
    return std::memcmp(a.data() + at, b.data() + at, kSectorSize) != 0;
}

// The command that the sector operations take for the camera's flash: its kind, or
// for a code without one the code itself (which the upload refuses).
std::uint8_t SectorCommandOf(CFirmwareChannel& camera) {
    std::uint8_t flashType = kFlashUnknown;
    camera.Get_FlashType(&flashType);
    const int kind = CommandKind(flashType);
    return kind < 0 ? flashType : static_cast<std::uint8_t>(kind);
}

}  // namespace

FlashTransaction::FlashTransaction(CFirmwareChannel& camera, FlashBackupStore& store, const UsbIdentity& identity,
                                   common::IWindowPort& port)
    : m_camera(camera), m_command(SectorCommandOf(camera)), m_store(store), m_identity(identity), m_port(port) {}

bool FlashTransaction::Writable() const {
    const ControllerFamily* family = m_camera.family();
    return family != nullptr && family->writePath != WritePath::None;
}

bool ProgramsWithoutErase(const std::uint8_t* now, const std::uint8_t* target, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if ((target[i] & ~now[i]) != 0) {
            return false;
        }
    }
    return true;
}

Status FlashTransaction::ReadSector(int index, std::uint8_t* sector) {
    if (m_readRoom.size() != kReadRoom) {
        m_readRoom.assign(kReadRoom, 0);
    }
    // A read that is acknowledged but never carried out leaves the buffer alone: what
    // the last read left there must not pass for this sector.
    std::fill_n(m_readRoom.begin(), kSectorSize, static_cast<std::uint8_t>(index * 37 + 1));
    std::uint32_t bytesRead = 0;
    const Status status = m_camera.Upload_Sector(m_readRoom.data(), kReadRoom, index, m_command, &bytesRead);
    if (Failed(status)) {
        return status;
    }
    if (bytesRead < kSectorSize) {
        return kStatusNothingDone;
    }
    std::copy_n(m_readRoom.begin(), kSectorSize, sector);
    return kStatusOk;
}

Status FlashTransaction::ReadImage(FlashImage& image) {
    image.assign(kFlashSize, 0);
    Status status = kStatusOk;
    for (int index = 0; index < kFlashSectors && Succeeded(status); ++index) {
        status = ReadSector(index, image.data() + static_cast<std::size_t>(index) * kSectorSize);
    }
    return status;
}

Status FlashTransaction::ReadTrusted(FlashImage& image) {
    FlashImage second;
    return InTurn([&] { return ReadImage(image); }, [&] { return ReadImage(second); },
                  [&] { return second == image ? kStatusOk : kStatusNothingDone; });
}

Status FlashTransaction::Program(std::uint16_t base, const std::uint8_t* now, const std::uint8_t* target) {
    const ControllerFamily* family = m_camera.family();
    const std::uint32_t most = family != nullptr ? family->maxDownload : 0;
    if (most == 0) {
        return kStatusNothingDone;
    }
    auto differs = [&](std::uint32_t i) { return now[i] != target[i]; };
    // The sector's first byte first and alone: in the LED sector that is the byte the
    // whole update is for.
    Status status = differs(0) ? m_camera.Download_Sector(base, 1, &target[0]) : kStatusOk;
    for (std::uint32_t offset = 1; offset < kSectorSize && Succeeded(status);) {
        if (!differs(offset)) {
            ++offset;
            continue;
        }
        // Pieces that one Download_Sector takes and that never cross a page: the
        // flash's page buffer wraps at its end.
        const std::uint32_t pageEnd = (offset / kPageSize + 1) * kPageSize;
        std::uint32_t end = std::min({offset + most, pageEnd, kSectorSize});
        while (end > offset + 1 && !differs(end - 1)) {
            --end;
        }
        status = m_camera.Download_Sector(static_cast<std::uint16_t>(base + offset), end - offset, &target[offset]);
        offset = end;
    }
    return status;
}

Status FlashTransaction::RewriteSector(int index, const std::uint8_t* now, const std::uint8_t* target) {
    const auto base = static_cast<std::uint16_t>(static_cast<std::uint32_t>(index) * kSectorSize);
    if (ProgramsWithoutErase(now, target, kSectorSize)) {
        return Program(base, now, target);
    }
    const std::vector<std::uint8_t> blank(kSectorSize, 0xFF);
    return InTurn([&] { return m_camera.EraseSector(base, m_command); },
                  [&] { return Program(base, blank.data(), target); });
}

void FlashTransaction::RestoreDiffering(const FlashImage& now, const FlashImage& target) {
    std::vector<std::uint8_t> check(kSectorSize);
    for (int index = 0; index < kFlashSectors; ++index) {
        if (!SectorDiffers(now, target, index)) {
            continue;
        }
        const std::size_t at = static_cast<std::size_t>(index) * kSectorSize;
        if (Failed(RewriteSector(index, now.data() + at, target.data() + at)) ||
            Failed(ReadSector(index, check.data())) || std::memcmp(check.data(), target.data() + at, kSectorSize) != 0) {
            return;
        }
    }
}

Status FlashTransaction::Converge(const FlashImage& target, FlashImage& now, bool known) {
    if (!known) {
        known = Succeeded(ReadImage(now));
    }
    if (known && now == target) {
        return kStatusOk;
    }
    for (int round = 0; round < kRestoreRounds; ++round) {
        if (known) {
            RestoreDiffering(now, target);
        }
        known = Succeeded(ReadImage(now));
        if (known && now == target) {
            return kStatusOk;
        }
    }
    return kStatusNothingDone;
}

Status FlashTransaction::Update(const std::vector<FlashChange>& changes) {
    if (!Writable()) {
        return kStatusNothingDone;
    }
    FlashImage original;
    if (Failed(ReadTrusted(original))) {
        return kStatusNothingDone;  // nothing is changed on a flash we could not read whole
    }
    return Apply(original, changes);
}

Status FlashTransaction::Apply(const FlashImage& original, const std::vector<FlashChange>& changes) {
    FlashBackup backup{m_identity, original, changes};
    const FlashImage intended = backup.Intended();
    if (original.size() != kFlashSize) {
        return kStatusNothingDone;
    }
    if (intended == original) {
        return kStatusOk;
    }
    if (!Writable()) {
        return kStatusNothingDone;
    }
    // Even a change that needs no erase can be carried elsewhere by a lost register
    // write and clear bits that only an erase brings back: the copy goes to disk
    // before the first transfer that can change a cell.
    if (Failed(m_store.Save(backup))) {
        m_port.WriteLog("flash backup could not be written: the flash is left as it is", 0);
        return kStatusNothingDone;
    }
    Status written = kStatusOk;
    for (int index = 0; index < kFlashSectors && Succeeded(written); ++index) {
        if (SectorDiffers(original, intended, index)) {
            const std::size_t at = static_cast<std::size_t>(index) * kSectorSize;
            written = RewriteSector(index, original.data() + at, intended.data() + at);
        }
    }
    FlashImage now;
    if (Failed(Converge(intended, now, false))) {
        m_port.WriteLog("flash not as intended: backup kept for the next bring-up", 0);
        return kStatusNothingDone;
    }
    m_store.Discard(m_identity);
    return kStatusOk;
}

Status FlashTransaction::Mend(const FlashBackup& backup) {
    m_port.WriteLog("flash backup found: checking the camera's flash", 0);
    FlashImage now;
    if (Failed(ReadTrusted(now))) {
        m_port.WriteLog("flash backup kept: the flash could not be read", 0);
        return kStatusNothingDone;
    }
    if (now == backup.image || now == backup.Intended()) {
        m_store.Discard(m_identity);
        m_port.WriteLog("flash whole: backup removed", 0);
        return kStatusOk;
    }
    m_port.WriteLog("flash differs from its backup: restoring", 0);
    if (!Writable() || Failed(Converge(backup.image, now, true))) {
        m_port.WriteLog("flash backup kept: the flash could not be restored", 0);
        return kStatusNothingDone;
    }
    m_store.Discard(m_identity);
    m_port.WriteLog("flash restored from backup", 0);
    return kStatusOk;
}

}  // namespace firmware
