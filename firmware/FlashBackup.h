// The copy of a camera's whole serial flash that is on disk before anything on the
// flash is changed, so that a write cut short by a crash, a shutdown or an unplugged
// camera can be put right at the next bring-up. One file per camera, under the
// user's local application data, in a folder named after the program:
//
//   <LOCALAPPDATA>\<program>\flash-VVVV-PPPP.bak   (VVVV, PPPP: USB vendor, product)
//
// Layout, little-endian:
//   0   8      magic "CAMFLASH"
//   8   4      format version (1)
//   12  2, 2   USB vendor id, product id
//   16  4      image size (65536)
//   20  4      n, the number of bytes the update changes (at most kMaxChanges)
//   24  4n     each change: flash address (2), new value (1), 0 (1)
//   ..  65536  the flash as it was before the update
//   ..  4      CRC-32 (the zip polynomial) of everything before it
//
// It is written to a temporary name, flushed, and only then renamed into place; a
// file whose checksum does not match is never written to a camera.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "firmware/Status.h"
#include "firmware/UsbIdentity.h"
#include "platform/Files.h"
#include "platform/Shell.h"

namespace firmware {

constexpr std::uint32_t kFlashSize = 0x10000;
constexpr std::uint32_t kMaxFlashChanges = 16;

using FlashImage = std::vector<std::uint8_t>;

struct FlashChange {
    std::uint16_t address;
    std::uint8_t value;
};

struct FlashBackup {
    UsbIdentity identity;
    FlashImage image;  // kFlashSize bytes: the flash before the update
    std::vector<FlashChange> changes;

    // The image the update aims at.
    FlashImage Intended() const;
};

// CRC-32 as zip and PNG compute it.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

// The file's bytes, and back; Decode is false for anything that is not a whole,
// intact backup.
std::vector<std::uint8_t> EncodeFlashBackup(const FlashBackup& backup);
bool DecodeFlashBackup(const std::vector<std::uint8_t>& bytes, FlashBackup& backup);

class FlashBackupStore {
public:
    FlashBackupStore(platform::IFiles& files, platform::IShell& shell, const char* programName)
        : m_files(files), m_shell(shell), m_programName(programName) {}

    enum class Found { None, Intact, Damaged };

    // Writes the backup of a camera; succeeds only when it is on disk under its final name.
    Status Save(const FlashBackup& backup);
    // The backup of a camera, if one is there.
    Found Load(const UsbIdentity& identity, FlashBackup& backup);
    // After the flash is whole again.
    void Discard(const UsbIdentity& identity);
    // A damaged backup is moved out of the way (".bad"), never used.
    void SetAside(const UsbIdentity& identity);
    // The file's path for a camera; empty when the folder cannot be had.
    std::string PathOf(const UsbIdentity& identity, const char* extension, bool createFolder);

private:
    platform::IFiles& m_files;
    platform::IShell& m_shell;
    const char* m_programName;
};

}  // namespace firmware
