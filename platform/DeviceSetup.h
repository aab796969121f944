// Device installation data (SetupAPI and the Configuration Manager) and device
// notifications, shaped like the calls the program makes.
#pragma once

#include <cstddef>
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

// The device-interface record of a WM_DEVICECHANGE arrival or removal, read as a
// record from another process must be: its size first, and nothing it does not
// cover. Null for any other event, another kind of record, or one too short to hold
// its class. The name, when the caller wants it, ends inside dbcc_size.
inline const DevBroadcastDeviceInterface* InterfaceNotice(WParam event, LParam data) {
    if (event != kDBT_DEVICEARRIVAL && event != kDBT_DEVICEREMOVECOMPLETE) {
        return nullptr;
    }
    const auto* header = reinterpret_cast<const DevBroadcastHeader*>(data);
    if (header == nullptr || header->dbch_size < offsetof(DevBroadcastDeviceInterface, dbcc_name) ||
        header->dbch_devicetype != kDBT_DEVTYP_DEVICEINTERFACE) {
        return nullptr;
    }
    return reinterpret_cast<const DevBroadcastDeviceInterface*>(data);
}

// SP_DEVICE_INTERFACE_DATA: one interface of a set made with DIGCF_DEVICEINTERFACE.
// cbSize is the structure's size (28 bytes on a 32-bit build).
struct DeviceInterfaceData {
    std::uint32_t cbSize = sizeof(DeviceInterfaceData);
    Guid interfaceClassGuid{};
    std::uint32_t flags = 0;
    std::uintptr_t reserved = 0;
};

// SP_DEVINFO_DATA: the device an interface belongs to, as the interface detail gives it.
struct DeviceInfoData {
    std::uint32_t cbSize = sizeof(DeviceInfoData);
    Guid classGuid{};
    std::uint32_t devInst = 0;
    std::uintptr_t reserved = 0;
};

// SP_DEVICE_INTERFACE_DETAIL_DATA_A: a DWORD cbSize, then the NUL-terminated path.
constexpr std::uint32_t kDeviceInterfaceDetailPathOffset = 4;

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

    // Sets of device interfaces (DIGCF_DEVICEINTERFACE). A set of devices has no
    // interface members: these answer as an empty set.
    // SetupDiEnumDeviceInterfaces(set, no device, class, index, data); false at the end
    // (lastError ERROR_NO_MORE_ITEMS) or on any other failure.
    virtual bool enumDeviceInterfaces(const Guid& /*interfaceClass*/, std::uint32_t /*memberIndex*/,
                                      DeviceInterfaceData& /*data*/) {
        return false;
    }
    // SetupDiGetDeviceInterfaceDetailA. `detail` is the caller's buffer of detailSize
    // bytes (null with size 0 asks for the size); the layer sets its cbSize, and the
    // path follows at kDeviceInterfaceDetailPathOffset. requiredSize receives the size
    // the detail needs; device, when given, the interface's device.
    virtual bool getDeviceInterfaceDetail(const DeviceInterfaceData& /*data*/, std::uint8_t* /*detail*/,
                                          std::uint32_t /*detailSize*/, std::uint32_t* requiredSize,
                                          DeviceInfoData* /*device*/) {
        if (requiredSize != nullptr) {
            *requiredSize = 0;
        }
        return false;
    }
    // SetupDiGetDeviceRegistryPropertyA for a device the interface detail gave.
    virtual bool getDeviceRegistryProperty(const DeviceInfoData& /*device*/, std::uint32_t /*property*/,
                                           std::uint32_t* /*regType*/, std::uint8_t* /*buffer*/,
                                           std::uint32_t /*size*/, std::uint32_t* /*requiredSize*/) {
        return false;
    }
};

class IDeviceSetup {
public:
    virtual ~IDeviceSetup() = default;
    // SetupDiGetClassDevsA(class, no enumerator, no window, flags); empty on failure.
    virtual std::unique_ptr<IDeviceInfoSet> getClassDevs(const Guid& classGuid, std::uint32_t flags) = 0;
    // RegisterDeviceNotificationA for a window and one device interface class; true
    // when a notification handle came back. Each class registered gets its own
    // handle; all are unregistered when the facility goes away.
    virtual bool registerInterfaceNotification(Hwnd window, const Guid& interfaceClass) = 0;
};

}  // namespace platform
