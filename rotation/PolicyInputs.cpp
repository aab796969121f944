// The inputs that steer rotation besides the display: the machine policy value (LS
// key), the Windows 8 test and the OEM record of the SMBIOS table.
#include <cstring>
#include <vector>

#include "platform/Constants.h"
#include "shell/CBACKDlg.h"
#include "shell/Format.h"

using namespace platform;
using rotation::OemRecord;

namespace {

constexpr const char* kPolicyKey = "SOFTWARE\\Harbek\\Camera\\Integrated";
constexpr const char* kPolicyValue = "NoRotationInMetro";
constexpr const char* kSmbiosKey = "system\\currentcontrolset\\services\\mssmbios\\data";
constexpr const char* kSmbiosValue = "smbiosdata";
constexpr char kOemMarker[] = "_QX_OEM_";
constexpr std::size_t kOemMarkerLength = sizeof kOemMarker - 1;
// The marker sits at offset 5 of its SMBIOS structure.
constexpr std::size_t kMarkerOffsetInStructure = 5;
constexpr std::size_t kOemStructureLength = 15;
// Registry values are small; anything larger than this is not one we can use.
constexpr std::uint32_t kMaxValueSize = 16u * 1024 * 1024;

std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Reads a whole value of any type; false when it is missing, unreadable or empty.
bool ReadWholeValue(IRegistry& registry, RegKey key, const char* name, std::vector<std::uint8_t>& data) {
    std::uint32_t size = 0;
    if (registry.queryValue(key, name, nullptr, nullptr, &size) != kERROR_SUCCESS || size == 0 ||
        size > kMaxValueSize) {
        return false;
    }
    data.assign(size, 0);
    if (registry.queryValue(key, name, nullptr, data.data(), &size) != kERROR_SUCCESS || size == 0 ||
        size > data.size()) {
        return false;
    }
    data.resize(size);
    return true;
}

}  // namespace

int CBACKDlg::ReadLSKey() {
    // Without a readable policy the camera keeps its own orientation (no-rotate flag).
    int lsKey = 1;
    RegKeyHolder key(m_platform.registry);
    if (m_platform.registry.openKey(Hive::LocalMachine, kPolicyKey, kKEY_READ | kKEY_WOW64_64KEY, key.out()) ==
        kERROR_SUCCESS) {
        std::uint32_t size = 0;
        const Long result = m_platform.registry.queryValue(key.get(), kPolicyValue, nullptr, nullptr, &size);
        if (result == kERROR_FILE_NOT_FOUND) {
            WriteLog("ERROR_FILE_NOT_FOUND : NoRotationInMetro KEY NOT FOUND.", 0);
        } else {
            std::vector<std::uint8_t> data;
            if (ReadWholeValue(m_platform.registry, key.get(), kPolicyValue, data)) {
                lsKey = data[0];
            }
        }
    }
    WriteLog(shell::Format("LS KEY is : %x", static_cast<unsigned>(lsKey)), 0);
    return lsKey;
}

int CBACKDlg::IsWin8() {
    OsVersion version;
    if (!m_platform.system.getVersion(version)) {
        return 0;
    }
    return version.major == 6 && version.minor == 2 ? 1 : 0;
}

int CBACKDlg::smbios_info(OemRecord* records) {
    WriteLog("enter smbios_info", 0);
    RegKeyHolder key(m_platform.registry);
    if (m_platform.registry.openKey(Hive::LocalMachine, kSmbiosKey, kKEY_READ, key.out()) != kERROR_SUCCESS) {
        return 1;
    }
    WriteLog("Get Reg_data", 0);
    std::uint32_t size = 0;
    if (m_platform.registry.queryValue(key.get(), kSmbiosValue, nullptr, nullptr, &size) != kERROR_SUCCESS) {
        return 1;
    }
    WriteLog("Get smbiosdata", 0);
    if (size > kMaxValueSize) {
        return 1;
    }
    std::vector<std::uint8_t> data(size);
    WriteLog("malloc m_pData success", 0);
    if (m_platform.registry.queryValue(key.get(), kSmbiosValue, nullptr, data.data(), &size) != kERROR_SUCCESS ||
        size > data.size()) {
        return 1;
    }
    data.resize(size);
    WriteLog("connect smbiosdata success", 0);

    // The raw table's header is not interpreted: the marker is searched byte by byte.
    std::size_t marker = data.size();
    for (std::size_t p = 0; p + kOemMarkerLength <= data.size(); ++p) {
        if (std::memcmp(&data[p], kOemMarker, kOemMarkerLength) == 0) {
            marker = p;
            break;
        }
    }
    if (marker == data.size() || marker < kMarkerOffsetInStructure) {
        return 1;
    }
    WriteLog("Get _QX_OEM_", 0);
    const std::uint8_t type = data[marker - kMarkerOffsetInStructure];

    int found = 0;
    for (std::size_t p = marker; p + kOemStructureLength <= data.size() && found < rotation::kOemRecordCount; ++p) {
        const std::uint8_t* s = &data[p];
        if (s[0] != type || s[4] != 2 || s[5] != 5) {
            continue;
        }
        if (records != nullptr) {
            OemRecord& record = records[found];
            record.type = s[0];
            record.length = s[1];
            record.handle = s[2];
            record.byte4 = s[4];
            record.byte5 = s[5];
            record.byte6 = s[6];
            record.devInfo = ReadLe32(s + 7);
            record.value11 = ReadLe16(s + 11);
            record.value13 = ReadLe16(s + 13);
            WriteLog(shell::Format("devInfo=%x", record.devInfo), 0);
        }
        ++found;
    }
    return found > 0 ? 0 : 1;
}
