#include "platform/sim/SimDeviceSetup.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

using namespace platform;

namespace sim {
namespace {

class SimDeviceInfoSet final : public IDeviceInfoSet {
public:
    SimDeviceInfoSet(std::vector<SimSetupDevice> devices, std::vector<SimDeviceInterface> interfaces, Long endError,
                     std::shared_ptr<int> openSets)
        : m_devices(std::move(devices)),
          m_interfaces(std::move(interfaces)),
          m_endError(endError),
          m_openSets(std::move(openSets)) {
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

    bool enumDeviceInterfaces(const Guid& interfaceClass, std::uint32_t memberIndex,
                              DeviceInterfaceData& data) override {
        if (memberIndex >= m_interfaces.size()) {
            m_lastError = m_endError;
            return false;
        }
        const SimDeviceInterface& member = m_interfaces[memberIndex];
        if (member.enumFails || data.cbSize != sizeof(DeviceInterfaceData) || member.interfaceClass != interfaceClass) {
            m_lastError = member.enumFails ? kERROR_GEN_FAILURE : kERROR_INVALID_PARAMETER;
            return false;
        }
        data.interfaceClassGuid = member.interfaceClass;
        data.flags = 1;  // SPINT_ACTIVE
        data.reserved = memberIndex + 1;
        m_lastError = 0;
        return true;
    }

    bool getDeviceInterfaceDetail(const DeviceInterfaceData& data, std::uint8_t* detail, std::uint32_t detailSize,
                                  std::uint32_t* requiredSize, DeviceInfoData* device) override {
        const SimDeviceInterface* member = memberOf(data.reserved);
        if (member == nullptr || member->detailFails) {
            m_lastError = kERROR_INVALID_PARAMETER;
            return false;
        }
        const std::uint32_t needed = member->claimedDetailSize != 0
                                         ? member->claimedDetailSize
                                         : kDeviceInterfaceDetailPathOffset +
                                               static_cast<std::uint32_t>(member->path.size()) + 1;
        if (requiredSize != nullptr) {
            *requiredSize = needed;
        }
        if (detail == nullptr || detailSize < needed) {
            m_lastError = kERROR_INSUFFICIENT_BUFFER;
            return false;
        }
        // cbSize as a 32-bit build sets it; the path and its NUL as far as the buffer goes.
        const std::uint32_t cbSize = 5;
        std::memcpy(detail, &cbSize, sizeof cbSize);
        const std::size_t room = detailSize - kDeviceInterfaceDetailPathOffset;
        const std::size_t length = std::min(member->path.size() + 1, room);
        std::memcpy(detail + kDeviceInterfaceDetailPathOffset, member->path.c_str(), length);
        if (device != nullptr) {
            device->classGuid = member->interfaceClass;
            device->devInst = static_cast<std::uint32_t>(data.reserved);
            device->reserved = data.reserved;
        }
        m_lastError = 0;
        return true;
    }

    bool getDeviceRegistryProperty(const DeviceInfoData& device, std::uint32_t property, std::uint32_t* regType,
                                   std::uint8_t* buffer, std::uint32_t size, std::uint32_t* requiredSize) override {
        const SimDeviceInterface* member = memberOf(device.devInst);
        if (member == nullptr || (property != kSPDRP_DEVICEDESC && property != kSPDRP_HARDWAREID)) {
            m_lastError = member == nullptr ? kERROR_INVALID_PARAMETER : 13;
            return false;
        }
        const std::vector<std::uint8_t>& value =
            property == kSPDRP_DEVICEDESC ? member->description : member->hardwareIds;
        if (regType != nullptr) {
            *regType = property == kSPDRP_DEVICEDESC ? kREG_SZ : kREG_MULTI_SZ;
        }
        if (requiredSize != nullptr) {
            *requiredSize = static_cast<std::uint32_t>(value.size());
        }
        if (value.empty()) {
            m_lastError = 13;  // ERROR_INVALID_DATA: the property is not there
            return false;
        }
        if (buffer == nullptr || size < value.size()) {
            m_lastError = kERROR_INSUFFICIENT_BUFFER;
            return false;
        }
        std::memcpy(buffer, value.data(), value.size());
        m_lastError = 0;
        return true;
    }

private:
    // Interface members are numbered from 1 in the records the set hands out.
    const SimDeviceInterface* memberOf(std::uintptr_t number) const {
        return number >= 1 && number <= m_interfaces.size() ? &m_interfaces[number - 1] : nullptr;
    }

    std::vector<SimSetupDevice> m_devices;
    std::vector<SimDeviceInterface> m_interfaces;
    Long m_endError;
    Long m_lastError = 0;
    std::shared_ptr<int> m_openSets;
};

}  // namespace

std::unique_ptr<IDeviceInfoSet> SimDeviceSetup::getClassDevs(const Guid& classGuid, std::uint32_t flags) {
    if (m_classDevsFail) {
        return nullptr;
    }
    std::vector<SimSetupDevice> members;
    std::vector<SimDeviceInterface> interfaces;
    if ((flags & kDIGCF_DEVICEINTERFACE) != 0) {
        // The class is an interface class here: the set holds its interfaces.
        std::copy_if(m_interfaces.begin(), m_interfaces.end(), std::back_inserter(interfaces),
                     [&](const SimDeviceInterface& member) {
                         return member.interfaceClass == classGuid && (member.present || (flags & kDIGCF_PRESENT) == 0);
                     });
    } else {
        std::copy_if(m_devices.begin(), m_devices.end(), std::back_inserter(members),
                     [&](const SimSetupDevice& device) { return device.classGuid == classGuid; });
    }
    return std::make_unique<SimDeviceInfoSet>(std::move(members), std::move(interfaces), m_enumEndError, m_openSets);
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

SimDeviceInterface& SimDeviceSetup::addInterface(const Guid& interfaceClass, const std::string& path,
                                                 const std::string& description, const std::string& hardwareId) {
    SimDeviceInterface member;
    member.interfaceClass = interfaceClass;
    member.path = path;
    member.description.assign(description.begin(), description.end());
    member.description.push_back(0);
    member.hardwareIds.assign(hardwareId.begin(), hardwareId.end());
    member.hardwareIds.push_back(0);
    member.hardwareIds.push_back(0);
    m_interfaces.push_back(std::move(member));
    return m_interfaces.back();
}

SimDeviceInterface* SimDeviceSetup::findInterface(const std::string& path) {
    for (SimDeviceInterface& member : m_interfaces) {
        if (member.path == path) {
            return &member;
        }
    }
    return nullptr;
}

std::vector<std::uint8_t> InterfaceBroadcast(const Guid& interfaceClass, const std::string& name) {
    const std::size_t nameOffset = offsetof(DevBroadcastDeviceInterface, dbcc_name);
    std::vector<std::uint8_t> record(nameOffset + name.size() + 1, 0);
    DevBroadcastDeviceInterface header{};
    header.dbcc_size = static_cast<std::uint32_t>(record.size());
    header.dbcc_devicetype = kDBT_DEVTYP_DEVICEINTERFACE;
    header.dbcc_classguid = interfaceClass;
    std::memcpy(record.data(), &header, nameOffset);
    std::memcpy(record.data() + nameOffset, name.c_str(), name.size() + 1);
    return record;
}

}  // namespace sim
