#include "platform/sim/SimDeviceSetup.h"

#include <algorithm>
#include <cstring>

using namespace platform;

namespace sim {
namespace {

class SimDeviceInfoSet final : public IDeviceInfoSet {
public:
    SimDeviceInfoSet(std::vector<SimSetupDevice> devices, Long endError, std::shared_ptr<int> openSets)
        : m_devices(std::move(devices)), m_endError(endError), m_openSets(std::move(openSets)) {
        ++*m_openSets;
    }
    ~SimDeviceInfoSet() override { --*m_openSets; }

    bool enumDeviceInfo(std::uint32_t index) override {
        if (index >= m_devices.size()) {
            m_lastError = m_endError;
            return false;
        }
        m_lastError = 0;
        return true;
    }

    std::uint32_t getDeviceId(std::uint32_t index, char* buffer, std::uint32_t size) override {
        if (index >= m_devices.size() || buffer == nullptr || size == 0) {
            return 0x1F;  // CR_INVALID_DEVNODE-like failure
        }
        const std::string& id = m_devices[index].instanceId;
        if (id.size() + 1 > size) {
            return 0x1A;  // CR_BUFFER_SMALL
        }
        std::memcpy(buffer, id.c_str(), id.size() + 1);
        return kCR_SUCCESS;
    }

    bool getRegistryProperty(std::uint32_t index, std::uint32_t property, std::uint32_t* regType, std::uint8_t* buffer,
                             std::uint32_t size, std::uint32_t* requiredSize) override {
        if (index >= m_devices.size()) {
            m_lastError = kERROR_INVALID_PARAMETER;
            return false;
        }
        const SimSetupDevice& device = m_devices[index];
        std::vector<std::uint8_t> value;
        std::uint32_t type = kREG_BINARY;
        if (property == kSPDRP_HARDWAREID && !device.hardwareIdFails) {
            value = device.hardwareIds;
            type = kREG_MULTI_SZ;
        } else if (property == kSPDRP_ADDRESS && device.hasAddress) {
            value = {0x01, 0x00, 0x00, 0x00};
            type = kREG_DWORD;
        } else {
            m_lastError = 13;  // ERROR_INVALID_DATA: the property is not there
            return false;
        }
        if (requiredSize != nullptr) {
            *requiredSize = static_cast<std::uint32_t>(value.size());
        }
        if (regType != nullptr) {
            *regType = type;
        }
        if (buffer == nullptr || size < value.size()) {
            m_lastError = kERROR_INSUFFICIENT_BUFFER;
            return false;
        }
        if (!value.empty()) {  // an empty list has no data to copy from
            std::memcpy(buffer, value.data(), value.size());
        }
        m_lastError = 0;
        return true;
    }

    Long lastError() const override { return m_lastError; }

private:
    std::vector<SimSetupDevice> m_devices;
    Long m_endError;
    Long m_lastError = 0;
    std::shared_ptr<int> m_openSets;
};

}  // namespace

std::unique_ptr<IDeviceInfoSet> SimDeviceSetup::getClassDevs(const Guid& classGuid, std::uint32_t) {
    if (m_classDevsFail) {
        return nullptr;
    }
    std::vector<SimSetupDevice> members;
    std::copy_if(m_devices.begin(), m_devices.end(), std::back_inserter(members),
                 [&](const SimSetupDevice& device) { return device.classGuid == classGuid; });
    return std::make_unique<SimDeviceInfoSet>(std::move(members), m_enumEndError, m_openSets);
}

bool SimDeviceSetup::registerInterfaceNotification(Hwnd window, const Guid& interfaceClass) {
    m_registrations.push_back(Registration{window, interfaceClass});
    return window != 0;
}

SimSetupDevice& SimDeviceSetup::addImagingDevice(const std::string& instanceId, const std::string& hardwareId) {
    SimSetupDevice device;
    device.instanceId = instanceId;
    device.hardwareIds.assign(hardwareId.begin(), hardwareId.end());
    device.hardwareIds.push_back(0);
    const std::string compatible = "USB\\Class_0E";
    device.hardwareIds.insert(device.hardwareIds.end(), compatible.begin(), compatible.end());
    device.hardwareIds.push_back(0);
    device.hardwareIds.push_back(0);
    return addDevice(device);
}

SimSetupDevice& SimDeviceSetup::addDevice(SimSetupDevice device) {
    m_devices.push_back(std::move(device));
    return m_devices.back();
}

}  // namespace sim
