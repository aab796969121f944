#include "firmware/UsbIdentity.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "firmware/CFirmwareChannel.h"
#include "firmware/HexWord.h"
#include "platform/Constants.h"
#include "platform/DeviceSetup.h"

using namespace platform;

namespace firmware {
namespace {

// Cuts the next token at `delimiter`, skipping leading delimiters as strtok does.
bool NextToken(const char*& cursor, char delimiter, std::string& token) {
    while (*cursor == delimiter) {
        ++cursor;
    }
    if (*cursor == '\0') {
        return false;
    }
    const char* start = cursor;
    while (*cursor != '\0' && *cursor != delimiter) {
        ++cursor;
    }
    token.assign(start, cursor);
    if (*cursor != '\0') {
        ++cursor;
    }
    return true;
}

constexpr std::uint32_t kMaxDevices = 4096;
constexpr std::uint32_t kDeviceIdSize = 260;
// Far beyond any real hardware id list; a device asking for more is not believed.
constexpr std::uint32_t kMaxPropertySize = 64 * 1024;
// Positions of the ids in USB\VID_vvvv&PID_pppp: the buffer always holds this many.
constexpr std::size_t kHardwareIdMinimum = 22;

}  // namespace

std::string InstanceKey(const char* instanceId) {
    if (instanceId == nullptr) {
        return std::string();
    }
    const char delimiters[4] = {'\\', '\\', '&', '&'};
    const char* cursor = instanceId;
    std::string token;
    for (char delimiter : delimiters) {
        if (!NextToken(cursor, delimiter, token)) {
            return std::string();
        }
    }
    return token;
}

// Reads a device's hardware id list into a zeroed buffer that always holds at least
// the characters the id parser looks at.
bool ReadHardwareIds(IDeviceInfoSet& set, std::uint32_t index, std::vector<std::uint8_t>& buffer) {
    std::uint32_t required = 0;
    buffer.assign(kHardwareIdMinimum, 0);
    if (set.getRegistryProperty(index, kSPDRP_HARDWAREID, nullptr, nullptr, 0, &required)) {
        return true;
    }
    for (int attempt = 0; attempt < 4 && set.lastError() == kERROR_INSUFFICIENT_BUFFER; ++attempt) {
        if (required > kMaxPropertySize) {
            return false;
        }
        buffer.assign(std::max<std::size_t>(required, kHardwareIdMinimum) + 1, 0);
        if (set.getRegistryProperty(index, kSPDRP_HARDWAREID, nullptr, buffer.data(), required, &required)) {
            return true;
        }
    }
    return false;
}

UsbIdentity ParseUsbHardwareId(const std::vector<std::uint8_t>& hardwareIds) {
    UsbIdentity identity;
    if (hardwareIds.size() < kHardwareIdMinimum) {
        return identity;
    }
    const char* text = reinterpret_cast<const char*>(hardwareIds.data());
    identity.vid = ParseHexWord(text + 8);
    identity.pid = ParseHexWord(text + 17);
    return identity;
}

Status CFirmwareChannel::FindUsbIdentity(UsbIdentity& record) {
    std::unique_ptr<IDeviceInfoSet> set = m_platform.deviceSetup.getClassDevs(kGUID_DEVCLASS_IMAGE, kDIGCF_PRESENT);
    if (!set) {
        return kStatusNothingDone;
    }
        for (std::uint32_t index = 0; index < kMaxDevices; ++index) {
        if (!set->enumDeviceInfo(index)) {
            const Long error = set->lastError();
            return error == 0 || error == kERROR_NO_MORE_ITEMS ? kStatusOk : kStatusNothingDone;
        }
        char instanceId[kDeviceIdSize + 1] = {};
        if (set->getDeviceId(index, instanceId, kDeviceIdSize) != kCR_SUCCESS) {
            continue;
        }
        instanceId[kDeviceIdSize] = '\0';
        std::transform(instanceId, instanceId + std::strlen(instanceId), instanceId,
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const std::string key = InstanceKey(instanceId);
        if (key.empty() || std::strstr(devicePath(), key.c_str()) == nullptr) {
            continue;
        }
        std::uint32_t required = 0;
        if (set->getRegistryProperty(index, kSPDRP_ADDRESS, nullptr, nullptr, 0, &required) ||
            set->lastError() != kERROR_INSUFFICIENT_BUFFER || required > kMaxPropertySize) {
            continue;
        }
        std::vector<std::uint8_t> address(required, 0);
        set->getRegistryProperty(index, kSPDRP_ADDRESS, nullptr, address.data(), required, nullptr);

        std::vector<std::uint8_t> hardwareIds;
        ReadHardwareIds(*set, index, hardwareIds);
        record = ParseUsbHardwareId(hardwareIds);
        return kStatusOk;
    }
    return kStatusOk;
}

}  // namespace firmware
