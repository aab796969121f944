// The camera's USB vendor and product ids, as recorded for the driver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace firmware {

struct UsbIdentity {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
};

// The key that ties a device instance id to the camera's device path: the fourth
// token when the id is cut at '\', '\', '&', '&' (empty tokens skipped). Empty when the
// id has fewer than four tokens.
std::string InstanceKey(const char* instanceId);

}  // namespace firmware

namespace platform {
class IDeviceInfoSet;
}

namespace firmware {

// A device's hardware id list, read into a zeroed buffer that always holds at least
// the characters the id parser looks at; false when it cannot be read.
bool ReadHardwareIds(platform::IDeviceInfoSet& set, std::uint32_t index, std::vector<std::uint8_t>& buffer);

// "USB\VID_vvvv&PID_pppp...": the product id ends at character 20.
constexpr std::size_t kUsbHardwareIdLength = 21;

// The ids at their fixed places in the first hardware id of a list read by
// ReadHardwareIds (characters 8 to 11 and 17 to 20), through the hex word parser.
UsbIdentity ParseUsbHardwareId(const std::vector<std::uint8_t>& hardwareIds);

}  // namespace firmware
