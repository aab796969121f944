#include "platform/win32/Win32DeviceSetup.h"

#include <windows.h>
#include <cfgmgr32.h>
#include <dbt.h>
#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <map>

#include "platform/win32/Win32Guid.h"

namespace win32 {

namespace {

// The seam's broadcast record and the system's one must be the same bytes: the
// program reads WM_DEVICECHANGE's lParam through the seam's type.
static_assert(sizeof(DEV_BROADCAST_HDR) == sizeof(platform::DevBroadcastHeader), "DEV_BROADCAST_HDR");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid) ==
                  offsetof(platform::DevBroadcastDeviceInterface, dbcc_classguid),
              "DEV_BROADCAST_DEVICEINTERFACE_A");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) ==
                  offsetof(platform::DevBroadcastDeviceInterface, dbcc_name),
              "DEV_BROADCAST_DEVICEINTERFACE_A");

// The filter record's size the program has always registered with: the header, the
// class and a one-character name, rounded to the structure's alignment.
constexpr DWORD kInterfaceFilterSize = 32;
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == kInterfaceFilterSize, "DEV_BROADCAST_DEVICEINTERFACE_A");

// The interface records travel as they are: the seam's types have the system's layout
// on both builds.
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == sizeof(platform::DeviceInterfaceData), "SP_DEVICE_INTERFACE_DATA");
static_assert(offsetof(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid) ==
                  offsetof(platform::DeviceInterfaceData, interfaceClassGuid),
              "SP_DEVICE_INTERFACE_DATA");
static_assert(offsetof(SP_DEVICE_INTERFACE_DATA, Reserved) == offsetof(platform::DeviceInterfaceData, reserved),
              "SP_DEVICE_INTERFACE_DATA");
static_assert(sizeof(SP_DEVINFO_DATA) == sizeof(platform::DeviceInfoData), "SP_DEVINFO_DATA");
static_assert(offsetof(SP_DEVINFO_DATA, DevInst) == offsetof(platform::DeviceInfoData, devInst), "SP_DEVINFO_DATA");
static_assert(offsetof(SP_DEVINFO_DATA, Reserved) == offsetof(platform::DeviceInfoData, reserved), "SP_DEVINFO_DATA");
static_assert(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) == platform::kDeviceInterfaceDetailPathOffset,
              "SP_DEVICE_INTERFACE_DETAIL_DATA_A");

SP_DEVICE_INTERFACE_DATA toInterfaceData(const platform::DeviceInterfaceData& data) {
    SP_DEVICE_INTERFACE_DATA out{};
    out.cbSize = data.cbSize;
    out.InterfaceClassGuid = toGuid(data.interfaceClassGuid);
    out.Flags = data.flags;
    out.Reserved = data.reserved;
    return out;
}

void fromInterfaceData(const SP_DEVICE_INTERFACE_DATA& in, platform::DeviceInterfaceData& out) {
    out.cbSize = in.cbSize;
    out.interfaceClassGuid = fromGuid(in.InterfaceClassGuid);
    out.flags = in.Flags;
    out.reserved = in.Reserved;
}

SP_DEVINFO_DATA toDevInfoData(const platform::DeviceInfoData& device) {
    SP_DEVINFO_DATA out{};
    out.cbSize = sizeof out;
    out.ClassGuid = toGuid(device.classGuid);
    out.DevInst = device.devInst;
    out.Reserved = device.reserved;
    return out;
}

void fromDevInfoData(const SP_DEVINFO_DATA& in, platform::DeviceInfoData& out) {
    out.cbSize = in.cbSize;
    out.classGuid = fromGuid(in.ClassGuid);
    out.devInst = in.DevInst;
    out.reserved = in.Reserved;
}

class Win32DeviceInfoSet final : public platform::IDeviceInfoSet {
public:
    explicit Win32DeviceInfoSet(HDEVINFO set) : m_set(set) {}
    ~Win32DeviceInfoSet() override { SetupDiDestroyDeviceInfoList(m_set); }
    Win32DeviceInfoSet(const Win32DeviceInfoSet&) = delete;
    Win32DeviceInfoSet& operator=(const Win32DeviceInfoSet&) = delete;

    bool enumDeviceInfo(std::uint32_t index) override {
        SP_DEVINFO_DATA data = enumerate(index);
        return data.cbSize != 0;
    }

    std::uint32_t getDeviceId(std::uint32_t index, char* buffer, std::uint32_t size) override {
        const SP_DEVINFO_DATA* data = dataAt(index);
        if (data == nullptr) {
            return CR_INVALID_DEVNODE;
        }
        return CM_Get_Device_IDA(data->DevInst, buffer, size, 0);
    }

    bool getRegistryProperty(std::uint32_t index, std::uint32_t property, std::uint32_t* regType,
                             std::uint8_t* buffer, std::uint32_t size, std::uint32_t* requiredSize) override {
        const SP_DEVINFO_DATA* data = dataAt(index);
        if (data == nullptr) {
            return false;
        }
        // DWORD is unsigned long on Windows: same width as ours, different type. The
        // last error is cleared first: some failures (SPDRP_ADDRESS under Wine) leave
        // it untouched, and a value from an unrelated earlier call would be reported.
        SP_DEVINFO_DATA request = *data;
        return readProperty(request, property, regType, buffer, size, requiredSize);
    }

    platform::Long lastError() const override { return m_lastError; }

    bool enumDeviceInterfaces(const platform::Guid& interfaceClass, std::uint32_t memberIndex,
                              platform::DeviceInterfaceData& data) override {
        SP_DEVICE_INTERFACE_DATA out = toInterfaceData(data);
        const GUID setupClass = toGuid(interfaceClass);
        SetLastError(0);
        const BOOL ok = SetupDiEnumDeviceInterfaces(m_set, nullptr, &setupClass, memberIndex, &out);
        m_lastError = static_cast<platform::Long>(GetLastError());
        if (ok) {
            fromInterfaceData(out, data);
        }
        return ok != FALSE;
    }

    bool getDeviceInterfaceDetail(const platform::DeviceInterfaceData& data, std::uint8_t* detail,
                                  std::uint32_t detailSize, std::uint32_t* requiredSize,
                                  platform::DeviceInfoData* device) override {
        SP_DEVICE_INTERFACE_DATA request = toInterfaceData(data);
        auto* record = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(detail);
        if (record != nullptr) {
            if (detailSize < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
                m_lastError = ERROR_INSUFFICIENT_BUFFER;
                return false;
            }
            // The structure's fixed size, not the buffer's (5 bytes on a 32-bit build).
            record->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        }
        SP_DEVINFO_DATA info{};
        info.cbSize = sizeof info;
        DWORD required = 0;
        SetLastError(0);
        const BOOL ok = SetupDiGetDeviceInterfaceDetailA(m_set, &request, record, record != nullptr ? detailSize : 0,
                                                         &required, device != nullptr ? &info : nullptr);
        m_lastError = static_cast<platform::Long>(GetLastError());
        if (requiredSize != nullptr) {
            *requiredSize = required;
        }
        if (ok && device != nullptr) {
            fromDevInfoData(info, *device);
        }
        return ok != FALSE;
    }

    bool getDeviceRegistryProperty(const platform::DeviceInfoData& device, std::uint32_t property,
                                   std::uint32_t* regType, std::uint8_t* buffer, std::uint32_t size,
                                   std::uint32_t* requiredSize) override {
        SP_DEVINFO_DATA request = toDevInfoData(device);
        return readProperty(request, property, regType, buffer, size, requiredSize);
    }

private:
    bool readProperty(SP_DEVINFO_DATA& request, std::uint32_t property, std::uint32_t* regType,
                      std::uint8_t* buffer, std::uint32_t size, std::uint32_t* requiredSize) {
        DWORD type = 0;
        DWORD required = 0;
        SetLastError(0);
        const BOOL ok = SetupDiGetDeviceRegistryPropertyA(m_set, &request, property, &type, buffer, size,
                                                          &required);
        m_lastError = static_cast<platform::Long>(GetLastError());
        if (regType != nullptr) {
            *regType = type;
        }
        if (requiredSize != nullptr) {
            *requiredSize = required;
        }
        return ok != FALSE;
    }

    // SetupDiEnumDeviceInfo; cbSize stays 0 when there is no device at that index.
    SP_DEVINFO_DATA enumerate(std::uint32_t index) {
        SP_DEVINFO_DATA data{};
        data.cbSize = sizeof data;
        SetLastError(0);
        if (SetupDiEnumDeviceInfo(m_set, index, &data)) {
            m_lastError = static_cast<platform::Long>(GetLastError());
            m_devices[index] = data;
        } else {
            m_lastError = static_cast<platform::Long>(GetLastError());
            data.cbSize = 0;
        }
        return data;
    }

    // The device record of an index, enumerated on first use.
    const SP_DEVINFO_DATA* dataAt(std::uint32_t index) {
        auto found = m_devices.find(index);
        if (found == m_devices.end()) {
            if (enumerate(index).cbSize == 0) {
                return nullptr;
            }
            found = m_devices.find(index);
        }
        return &found->second;
    }

    HDEVINFO m_set;
    std::map<std::uint32_t, SP_DEVINFO_DATA> m_devices;
    platform::Long m_lastError = 0;
};

}  // namespace

Win32DeviceSetup::~Win32DeviceSetup() {
    for (void* handle : m_notifications) {
        UnregisterDeviceNotification(static_cast<HDEVNOTIFY>(handle));
    }
}

std::unique_ptr<platform::IDeviceInfoSet> Win32DeviceSetup::getClassDevs(const platform::Guid& classGuid,
                                                                         std::uint32_t flags) {
    const GUID setupClass = toGuid(classGuid);
    HDEVINFO set = SetupDiGetClassDevsA(&setupClass, nullptr, nullptr, flags);
    if (set == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<Win32DeviceInfoSet>(set);
}

bool Win32DeviceSetup::registerInterfaceNotification(platform::Hwnd window, const platform::Guid& interfaceClass) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = kInterfaceFilterSize;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = toGuid(interfaceClass);
    HDEVNOTIFY handle =
        RegisterDeviceNotificationA(reinterpret_cast<HWND>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (handle == nullptr) {
        return false;
    }
    m_notifications.push_back(handle);
    return true;
}

}  // namespace win32
