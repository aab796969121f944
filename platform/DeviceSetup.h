// Device installation data (SetupAPI and the Configuration Manager) and device
// notifications, shaped like the calls the program makes.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Types.h"

namespace platform {

constexpr std::uint32_t kDIGCF_PRESENT = 0x00000002;
constexpr std::uint32_t kSPDRP_HARDWAREID = 0x00000001;
constexpr std::uint32_t kSPDRP_ADDRESS = 0x0000001C;
constexpr std::uint32_t kCR_SUCCESS = 0;
constexpr std::uint32_t kMaxDeviceIdLength = 200;  // MAX_DEVICE_ID_LEN

// Imaging devices: {6BDD1FC6-810F-11D0-BEC7-08002BE2092F}
constexpr Guid kGUID_DEVCLASS_IMAGE = {
    0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};
// Video capture interfaces: {6994AD05-93EF-11D0-A3CC-00A0C9223196}
constexpr Guid kKSCATEGORY_VIDEO = {
    0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// WM_DEVICECHANGE
constexpr WParam kDBT_DEVICEARRIVAL = 0x8000;
constexpr WParam kDBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr std::uint32_t kDBT_DEVTYP_DEVICEINTERFACE = 5;

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
