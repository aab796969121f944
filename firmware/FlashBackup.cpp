#include "firmware/FlashBackup.h"

#include <algorithm>
#include <cstring>

#include "common/Format.h"
#include "platform/LittleEndian.h"
#include "platform/Constants.h"

using namespace platform;

namespace firmware {
namespace {

constexpr char kMagic[8] = {'C', 'A', 'M', 'F', 'L', 'A', 'S', 'H'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kHeaderSize = 24;
constexpr std::uint32_t kChangeSize = 4;
// Larger than any backup: a file beyond this is not read.
constexpr std::uint32_t kMaxFileSize = kHeaderSize + kMaxFlashChanges * kChangeSize + kFlashSize + 4;

}  // namespace

FlashImage FlashBackup::Intended() const {
    FlashImage intended = image;
    for (const FlashChange& change : changes) {
        if (change.address < intended.size()) {
            intended[change.address] = change.value;
        }
    }
    return intended;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::vector<std::uint8_t> EncodeFlashBackup(const FlashBackup& backup) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(backup.changes.size(), kMaxFlashChanges));
    std::vector<std::uint8_t> bytes(kHeaderSize + count * kChangeSize + kFlashSize + 4, 0);
    std::memcpy(bytes.data(), kMagic, sizeof kMagic);
    platform::WriteLe32(&bytes[8], kVersion);
    platform::WriteLe16(&bytes[12], backup.identity.vid);
    platform::WriteLe16(&bytes[14], backup.identity.pid);
    platform::WriteLe32(&bytes[16], kFlashSize);
    platform::WriteLe32(&bytes[20], count);
    std::uint8_t* at = &bytes[kHeaderSize];
    for (std::uint32_t i = 0; i < count; ++i, at += kChangeSize) {
        platform::WriteLe16(at, backup.changes[i].address);
        at[2] = backup.changes[i].value;
    }
    std::copy_n(backup.image.begin(), std::min<std::size_t>(backup.image.size(), kFlashSize), at);
    const std::size_t body = bytes.size() - 4;
    platform::WriteLe32(&bytes[body], Crc32(bytes.data(), body));
    return bytes;
}

bool DecodeFlashBackup(const std::vector<std::uint8_t>& bytes, FlashBackup& backup) {
    if (bytes.size() < kHeaderSize + kFlashSize + 4 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 ||
        platform::ReadLe32(&bytes[8]) != kVersion || platform::ReadLe32(&bytes[16]) != kFlashSize) {
        return false;
    }
    const std::uint32_t count = platform::ReadLe32(&bytes[20]);
    if (count > kMaxFlashChanges || bytes.size() != kHeaderSize + count * kChangeSize + kFlashSize + 4) {
        return false;
    }
    const std::size_t body = bytes.size() - 4;
    if (Crc32(bytes.data(), body) != platform::ReadLe32(&bytes[body])) {
        return false;
    }
    backup.identity.vid = platform::ReadLe16(&bytes[12]);
    backup.identity.pid = platform::ReadLe16(&bytes[14]);
    backup.changes.clear();
    const std::uint8_t* at = &bytes[kHeaderSize];
    for (std::uint32_t i = 0; i < count; ++i, at += kChangeSize) {
        backup.changes.push_back(FlashChange{platform::ReadLe16(at), at[2]});
    }
    backup.image.assign(at, at + kFlashSize);
    return true;
}

std::string FlashBackupStore::PathOf(const UsbIdentity& identity, const char* extension, bool createFolder) {
    char base[kMAX_PATH] = {};
    if (!m_shell.getSpecialFolderPath(0, base, kCSIDL_LOCAL_APPDATA, createFolder)) {
        return std::string();
    }
    base[kMAX_PATH - 1] = '\0';
    const std::string folder = std::string(base) + "\\" + m_programName;
    if (createFolder) {
        const std::int32_t made = m_shell.createDirectory(0, folder.c_str());
        if (made != kERROR_SUCCESS && made != kERROR_ALREADY_EXISTS) {
            return std::string();
        }
    }
    return folder + common::Format("\\flash-%04x-%04x.", identity.vid, identity.pid) + extension;
}

Status FlashBackupStore::Save(const FlashBackup& backup) {
    const std::string temporary = PathOf(backup.identity, "tmp", true);
    const std::string target = PathOf(backup.identity, "bak", false);
    if (temporary.empty() || target.empty() || backup.image.size() != kFlashSize) {
        return kStatusNothingDone;
    }
    const std::vector<std::uint8_t> bytes = EncodeFlashBackup(backup);
    bool written = false;
    {
        FileHolder file(m_files);
        file.assign(m_files.createFile(temporary.c_str(), kGENERIC_WRITE, 0, kCREATE_ALWAYS, kFILE_ATTRIBUTE_NORMAL));
        std::uint32_t done = 0;
        written = file.valid() &&
                  m_files.writeFile(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), &done) &&
                  done == bytes.size() && m_files.flushFileBuffers(file.get());
    }
    if (!written ||
        m_files.moveFileEx(temporary.c_str(), target.c_str(), kMOVEFILE_REPLACE_EXISTING | kMOVEFILE_WRITE_THROUGH) != 0) {
        m_files.deleteFile(temporary.c_str());
        return kStatusNothingDone;
    }
    return kStatusOk;
}

FlashBackupStore::Found FlashBackupStore::Load(const UsbIdentity& identity, FlashBackup& backup) {
    const std::string path = PathOf(identity, "bak", false);
    if (path.empty()) {
        return Found::None;
    }
    FileHolder file(m_files);
    file.assign(m_files.createFile(path.c_str(), kGENERIC_READ, kFILE_SHARE_READ, kOPEN_EXISTING, kFILE_ATTRIBUTE_NORMAL));
    if (!file.valid()) {
        return Found::None;
    }
    const std::uint32_t size = m_files.getFileSize(file.get());
    if (size == kINVALID_FILE_SIZE || size > kMaxFileSize) {
        return Found::Damaged;
    }
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t done = 0;
    if (!m_files.readFile(file.get(), bytes.data(), size, &done) || done != size ||
        !DecodeFlashBackup(bytes, backup) || backup.identity.vid != identity.vid ||
        backup.identity.pid != identity.pid) {
        return Found::Damaged;
    }
    return Found::Intact;
}

void FlashBackupStore::Discard(const UsbIdentity& identity) {
    const std::string path = PathOf(identity, "bak", false);
    if (!path.empty()) {
        m_files.deleteFile(path.c_str());
    }
}

void FlashBackupStore::SetAside(const UsbIdentity& identity) {
    const std::string path = PathOf(identity, "bak", false);
    const std::string aside = PathOf(identity, "bad", false);
    if (!path.empty() && !aside.empty()) {
        m_files.moveFileEx(path.c_str(), aside.c_str(), kMOVEFILE_REPLACE_EXISTING | kMOVEFILE_WRITE_THROUGH);
    }
}

}  // namespace firmware
