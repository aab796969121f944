// Installed devices of the simulated machine, and the registrations for device
// notifications. A test adds and removes Imaging-class devices.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Constants.h"
#include "platform/DeviceSetup.h"

namespace sim {

struct SimSetupDevice {
    platform::Guid classGuid = platform::kGUID_DEVCLASS_IMAGE;
    std::string instanceId;                // as CM_Get_Device_IDA reports it
    std::vector<std::uint8_t> hardwareIds;  // REG_MULTI_SZ bytes, as stored
    bool hasAddress = true;                 // SPDRP_ADDRESS readable
    bool hardwareIdFails = false;
};

// A device interface (the members of a DIGCF_DEVICEINTERFACE set) with the device it
// belongs to.
struct SimDeviceInterface {
    platform::Guid interfaceClass{};
    std::string path;                       // the interface path the detail reports
    std::vector<std::uint8_t> description;  // SPDRP_DEVICEDESC bytes, as stored
    std::vector<std::uint8_t> hardwareIds;  // SPDRP_HARDWAREID, REG_MULTI_SZ bytes
    bool present = true;
    // Faults: the detail size SetupAPI claims (0: what the path needs), a walk that
    // fails at this member with another error than the end, a detail that fails.
    std::uint32_t claimedDetailSize = 0;
    bool enumFails = false;
    bool detailFails = false;
};

// WM_DEVICECHANGE's lParam for an interface notice: DEV_BROADCAST_DEVICEINTERFACE_A
// with `name` and its NUL, dbcc_size covering both.
std::vector<std::uint8_t> InterfaceBroadcast(const platform::Guid& interfaceClass, const std::string& name);

class SimDeviceSetup final : public platform::IDeviceSetup {
public:
    std::unique_ptr<platform::IDeviceInfoSet> getClassDevs(const platform::Guid& classGuid,
                                                           std::uint32_t flags) override;
    bool registerInterfaceNotification(platform::Hwnd window, const platform::Guid& interfaceClass) override;

    // A USB camera interface with the usual hardware id list.
    SimSetupDevice& addImagingDevice(const std::string& instanceId, const std::string& hardwareId);
    SimSetupDevice& addDevice(SimSetupDevice device);
    // A present interface of `interfaceClass` whose device has this description and
    // hardware id (each stored with its NUL; the hardware id as a one-entry list).
    SimDeviceInterface& addInterface(const platform::Guid& interfaceClass, const std::string& path,
                                     const std::string& description, const std::string& hardwareId);
    // The interface with exactly this path, or null.
    SimDeviceInterface* findInterface(const std::string& path);
    std::vector<SimDeviceInterface>& interfaces() { return m_interfaces; }
    void removeAll() { m_devices.clear(); }
    std::vector<SimSetupDevice>& devices() { return m_devices; }
    void failClassDevs(bool fail) { m_classDevsFail = fail; }
    // The error the enumeration ends with (ERROR_NO_MORE_ITEMS unless a test says otherwise).
    void setEnumEndError(platform::Long error) { m_enumEndError = error; }

    struct Registration {
        platform::Hwnd window;
        platform::Guid interfaceClass;
    };
    const std::vector<Registration>& registrations() const { return m_registrations; }
    int openSets() const { return *m_openSets; }

private:
    std::vector<SimSetupDevice> m_devices;
    std::vector<SimDeviceInterface> m_interfaces;
    bool m_classDevsFail = false;
    platform::Long m_enumEndError = platform::kERROR_NO_MORE_ITEMS;
    std::vector<Registration> m_registrations;
    std::shared_ptr<int> m_openSets = std::make_shared<int>(0);
};

}  // namespace sim
