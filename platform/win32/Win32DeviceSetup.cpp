#include "platform/win32/Win32DeviceSetup.h"

#include <windows.h>
#include <cfgmgr32.h>
#include <dbt.h>
#include <setupapi.h>

#include <cstddef>
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

    platform::Long lastError() const override { return m_lastError; }

private:
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
