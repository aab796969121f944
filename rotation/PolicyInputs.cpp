#include "rotation/PolicyInputs.h"

#include <cstring>
#include <vector>

#include "common/Format.h"
#include "platform/LittleEndian.h"
#include "platform/Constants.h"
#include "platform/RegistryValues.h"

using namespace platform;

namespace rotation {
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

}  // namespace

int PolicyInputs::ReadLSKey() {
    // Without a readable policy the camera keeps its own orientation (no-rotate flag).
    int lsKey = 1;
    RegKeyHolder key(m_registry);
    if (m_registry.openKey(Hive::LocalMachine, kPolicyKey, kKEY_READ | kKEY_WOW64_64KEY, key.out()) ==
        kERROR_SUCCESS) {
        std::uint32_t size = 0;
        const Long result = m_registry.queryValue(key.get(), kPolicyValue, nullptr, nullptr, &size);
        if (result == kERROR_FILE_NOT_FOUND) {
            m_port.WriteLog("ERROR_FILE_NOT_FOUND : NoRotationInMetro KEY NOT FOUND.", 0);
        } else {
            std::vector<std::uint8_t> data;
            if (ReadWholeValue(m_registry, key.get(), kPolicyValue, data)) {
                lsKey = data[0];
            }
        }
    }
    m_port.WriteLog(common::Format("LS KEY is : %x", static_cast<unsigned>(lsKey)), 0);
    return lsKey;
}

int PolicyInputs::IsWin8() {
    OsVersion version;
    m_bWin8 = m_system.getVersion(version) && version.major == 6 && version.minor == 2 ? 1 : 0;
    return m_bWin8;
}

int PolicyInputs::smbios_info(common::OemRecord* records) {
    m_port.WriteLog("enter smbios_info", 0);
    RegKeyHolder key(m_registry);
    if (m_registry.openKey(Hive::LocalMachine, kSmbiosKey, kKEY_READ, key.out()) != kERROR_SUCCESS) {
        return 1;
    }
    m_port.WriteLog("Get Reg_data", 0);
    std::vector<std::uint8_t> data;
    if (!ReadWholeValue(m_registry, key.get(), kSmbiosValue, data)) {
        return 1;
    }
    m_port.WriteLog("Get smbiosdata", 0);
    m_port.WriteLog("malloc m_pData success", 0);
    m_port.WriteLog("connect smbiosdata success", 0);

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
    m_port.WriteLog("Get _QX_OEM_", 0);
    const std::uint8_t type = data[marker - kMarkerOffsetInStructure];

    int found = 0;
    for (std::size_t p = marker; p + kOemStructureLength <= data.size() && found < common::kOemRecordCount; ++p) {
        const std::uint8_t* s = &data[p];
        if (s[0] != type || s[4] != 2 || s[5] != 5) {
            continue;
        }
        if (records != nullptr) {
            common::OemRecord& record = records[found];
            record.type = s[0];
            record.length = s[1];
            record.handle = s[2];
            record.byte4 = s[4];
            record.byte5 = s[5];
            record.byte6 = s[6];
            record.devInfo = platform::ReadLe32(s + 7);
            record.value11 = platform::ReadLe16(s + 11);
            record.value13 = platform::ReadLe16(s + 13);
            m_port.WriteLog(common::Format("devInfo=%x", record.devInfo), 0);
        }
        ++found;
    }
    return found > 0 ? 0 : 1;
}

}  // namespace rotation
