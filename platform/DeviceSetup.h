// Device installation data (SetupAPI and the Configuration Manager) and device
// notifications, shaped like the calls the program makes.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Constants.h"
#include "platform/Types.h"

namespace platform {

// The broadcast records as they arrive in lParam.
struct DevBroadcastHeader {
    std::uint32_t dbch_size;
    std::uint32_t dbch_devicetype;
    std::uint32_t dbch_reserved;
};

struct DevBroadcastDeviceInterface {
    std::uint32_t dbcc_size;
    std::uint32_t dbcc_devicetype;
    std::uint32_t dbcc_reserved;
    Guid dbcc_classguid;
    char dbcc_name[1];
};
static_assert(sizeof(DevBroadcastHeader) == 12, "DEV_BROADCAST_HDR");

// A device information set (HDEVINFO); destroyed with SetupDiDestroyDeviceInfoList.
class IDeviceInfoSet {
public:
    virtual ~IDeviceInfoSet() = default;
    // SetupDiEnumDeviceInfo: false when there is no device at that index (see lastError).
    virtual bool enumDeviceInfo(std::uint32_t index) = 0;
    // CM_Get_Device_IDA for the device at index: a CR_ code.
    virtual std::uint32_t getDeviceId(std::uint32_t index, char* buffer, std::uint32_t size) = 0;
    // SetupDiGetDeviceRegistryPropertyA; false on failure (see lastError).
    virtual bool getRegistryProperty(std::uint32_t index, std::uint32_t property, std::uint32_t* regType,
                                     std::uint8_t* buffer, std::uint32_t size, std::uint32_t* requiredSize) = 0;
    // GetLastError after the last call of this set.
    virtual Long lastError() const = 0;
};

class IDeviceSetup {
public:
    virtual ~IDeviceSetup() = default;
    // SetupDiGetClassDevsA(class, no enumerator, no window, flags); empty on failure.
    virtual std::unique_ptr<IDeviceInfoSet> getClassDevs(const Guid& classGuid, std::uint32_t flags) = 0;
    // RegisterDeviceNotificationA for a window and one device interface class; true
    // when a notification handle came back.
    virtual bool registerInterfaceNotification(Hwnd window, const Guid& interfaceClass) = 0;
};

}  // namespace platform
