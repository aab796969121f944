#include "firmware/CFirmwareChannel.h"

#include <cstring>
#include <string>

#include "platform/Constants.h"

using namespace platform;

namespace firmware {
namespace {

// A guard for enumerators that never end.
constexpr int kMaxMonikers = 100000;

// Family wanted by each letter; 'e' takes any accepted family.
std::uint8_t FamilyOfLetter(char letter) {
    switch (letter) {
        case 'f':
            return 0x60;
        case 'g':
            return 0x90;
        case 'h':
            return 0x80;
        case 'i':
            return 0xA0;
        case 'j':
            return 0xB0;
        case 'k':
            return 0xC0;
        default:
            return 0;
    }
}

bool IsUsbPath(const char* path) {
    return std::strncmp(path + 4, "usb", 3) == 0 || std::strncmp(path + 4, "USB", 3) == 0;
}

}  // namespace

CFirmwareChannel::CFirmwareChannel(const Platform& platform, const Variant& variant)
    : m_platform(platform), m_variant(variant), m_pDevice(std::make_unique<CFirmwareDevice>(platform.clock)) {}

CFirmwareChannel::~CFirmwareChannel() { Close(); }

Status CFirmwareChannel::Close() {
    if (m_pDevice) {
        m_pDevice->m_pFilter.reset();
        m_pDevice->m_pCustom.reset();
        if (m_pDevice->m_pTransport) {
            m_pDevice->m_pTransport->m_pCustom = nullptr;
            m_pDevice->m_pTransport->m_pKsControl.reset();
        }
        m_pDevice->m_pTransport.reset();
        m_pDevice.reset();
    }
    return 0;
}

void CFirmwareChannel::ReleaseCandidate(std::unique_ptr<IKsTopologyInfo>& topology) {
    topology.reset();
    m_pDevice->m_pFilter.reset();
    m_pDevice->m_pTransport->m_pCustom = nullptr;
    m_pDevice->m_pCustom.reset();
    m_pDevice->m_pTransport->m_pKsControl.reset();
}

bool CFirmwareChannel::IdentifyController(std::uint8_t controllerByte, char familyLetter) {
    const std::uint8_t family = controllerByte & 0xF0;
    char chip = 0;
    std::uint8_t level = 0;
    switch (family) {
        case 0x60:
            chip = 'f';
            level = 2;
            break;
        case 0x90:
            chip = 'g';
            level = 2;
            break;
        case 0x80:
            chip = 'h';
            break;
        case 0xA0:
            chip = 'i';
            break;
        case 0xB0:
            chip = 'j';
            break;
        case 0xC0:
            chip = 'k';
            break;
        case 0xE0:
            if (!m_variant.acceptsFamilyE0) {
                return false;
            }
            chip = 'k';
            break;
        default:
            return false;
    }
    if (familyLetter != 'e' && family != FamilyOfLetter(familyLetter)) {
        return false;
    }
    if (family == 0xA0 && m_variant.knowsVariantL) {
        std::uint8_t controllerVariant = 0;
        m_pDevice->ReadRegister(kRegControllerVariant, &controllerVariant);
        if (controllerVariant == 0x10) {
            chip = 'l';
        }
    }
    m_pDevice->m_pTransport->m_chip = chip;
    m_pDevice->m_selectLevel = level;
    return true;
}

Status CFirmwareChannel::Open(char familyLetter, int skipCount) {
    if (familyLetter < 'e' || familyLetter > 'k') {
        return kStatusOutOfRange;
    }
    if (!m_pDevice) {
        m_pDevice = std::make_unique<CFirmwareDevice>(m_platform.clock);
    }
    m_pDevice->m_pCustom.reset();
    if (m_pDevice->m_pTransport) {
        m_pDevice->m_pTransport->m_pCustom = nullptr;
    }
    m_platform.com.initialize();

    std::unique_ptr<IDeviceEnumerator> deviceEnum;
    std::unique_ptr<IMonikerEnum> monikers;
    if (m_platform.video.createSystemDeviceEnum(kCLSCTX_INPROC_SERVER, deviceEnum) < 0 || !deviceEnum ||
        deviceEnum->createClassEnumerator(kCLSID_VideoInputDeviceCategory, 0, monikers) != kS_OK || !monikers) {
        return 1;
    }
    deviceEnum.reset();
    monikers->reset();
    if (!m_pDevice->m_pTransport) {
        m_pDevice->m_pTransport = std::make_unique<CXUTransport>(m_platform.clock);
    }
    CXUTransport& transport = *m_pDevice->m_pTransport;

    for (int number = 0; number < kMaxMonikers; ++number) {
        std::unique_ptr<IDeviceMoniker> moniker;
        if (monikers->next(moniker) != kS_OK || !moniker) {
            break;
        }
        if (number < skipCount) {
            continue;
        }
        std::unique_ptr<ICaptureFilter> filter;
        std::unique_ptr<IPropertyBag> bag;
        if (moniker->bindToObject(filter) < 0 || !filter || moniker->bindToStorage(bag) < 0 || !bag) {
            continue;
        }
        std::string path;
        if (bag->readString("DevicePath", path) < 0) {
            path.clear();
        }
        // The path field holds 255 characters; a longer path is cut there.
        char devicePath[kDevicePathSize] = {};
        std::strncpy(devicePath, path.c_str(), kDevicePathSize - 1);
        if (std::strlen(devicePath) < 7 || !IsUsbPath(devicePath)) {
            continue;
        }
        std::memcpy(m_pDevice->m_szDevicePath, devicePath, kDevicePathSize);

        if (!m_pDevice->m_pCustom) {
            std::unique_ptr<ICameraCustomProperty> custom;
            if (filter->queryCustomProperty(custom) >= 0 && custom) {
                m_pDevice->m_pCustom = std::move(custom);
                transport.m_path = TransportPath::Tunnel;
            }
        }
        std::unique_ptr<IKsControl> ksControl;
        if (filter->queryKsControl(ksControl) < 0 || !ksControl) {
            // The custom interface belongs to this camera; the next candidate must
            // not tunnel into it.
            m_pDevice->m_pCustom.reset();
            continue;
        }
        transport.m_pKsControl = std::move(ksControl);
        m_pDevice->m_pFilter = std::move(filter);

        std::uint8_t controllerByte = 0;
        std::unique_ptr<IKsTopologyInfo> topology;
        if (m_pDevice->m_pFilter->queryTopologyInfo(topology) >= 0 && topology) {
            transport.m_path = TransportPath::Node;
            if (transport.FindNode(*topology) == 0) {
                m_pDevice->ReadRegister(kRegControllerId, &controllerByte);
            }
        } else {
            if (!m_pDevice->m_pCustom) {
                std::unique_ptr<ICameraCustomProperty> custom;
                if (m_pDevice->m_pFilter->queryCustomProperty(custom) >= 0 && custom) {
                    m_pDevice->m_pCustom = std::move(custom);
                }
            }
            if (m_pDevice->m_pCustom) {
                transport.m_path = TransportPath::Tunnel;
                transport.m_pCustom = m_pDevice->m_pCustom.get();
                m_pDevice->ReadRegister(kRegControllerId, &controllerByte);
            }
        }

        if (!IdentifyController(controllerByte, familyLetter)) {
            ReleaseCandidate(topology);
            continue;
        }
        // Node transfers keep no pointer to the custom interface; the tunnel needs it.
        transport.m_pCustom = m_pDevice->m_pCustom.get();
        return 0;
    }
    return 1;
}

Status CFirmwareChannel::WriteRegister(std::uint16_t address, std::uint8_t value) {
    return m_pDevice ? m_pDevice->WriteRegister(address, value) : kStatusNothingDone;
}

Status CFirmwareChannel::ReadRegister(std::uint16_t address, std::uint8_t* value) {
    return m_pDevice ? m_pDevice->ReadRegister(address, value) : kStatusNothingDone;
}

Status CFirmwareChannel::EraseSector(std::uint16_t address, std::uint8_t command) {
    return m_pDevice ? m_pDevice->EraseSector(address, command) : kStatusNothingDone;
}

Status CFirmwareChannel::Upload_Sector(std::uint8_t* buffer, std::uint32_t bufferSize, int sector,
                                       std::uint8_t command, std::uint32_t* bytesRead) {
    if (!IsValidCommand(command)) {
        return kStatusOutOfRange;
    }
    return m_pDevice ? m_pDevice->Upload_Sector(buffer, bufferSize, sector, command, bytesRead) : kStatusNothingDone;
}

Status CFirmwareChannel::Download_Sector(std::uint16_t address, std::uint32_t count, const std::uint8_t* data) {
    return m_pDevice ? m_pDevice->Download_Sector(address, count, data) : kStatusNothingDone;
}

int CFirmwareChannel::Get_ICType(char* letter) {
    if (letter != nullptr) {
        *letter = m_pDevice ? m_pDevice->chip() : 'd';
    }
    return 0;
}

int CFirmwareChannel::Get_FlashType(std::uint8_t* code) {
    if (code == nullptr) {
        return 0;
    }
    *code = kFlashUnknown;
    if (!m_pDevice || !m_pDevice->m_pTransport) {
        return 0;
    }
    struct IdAnswer {
        std::uint8_t id[3];
        std::uint8_t code;
    };
    static constexpr IdAnswer kManufacturerIds[] = {
        {{0xC2, 0x05, 0xC2}, 0x79}, {{0xBF, 0x48, 0xBF}, 0x7A}, {{0x9D, 0x05, 0x7F}, 0x7B},
        {{0x9D, 0x02, 0x7F}, 0x7C}, {{0x1C, 0x05, 0x1C}, 0x7F}, {{0x42, 0x05, 0xC2}, 0x80},
        {{0xC8, 0x05, 0xC8}, 0x83}, {{0xA1, 0x05, 0xA1}, 0x84},
    };
    std::uint8_t id[3] = {0, 0, 0};
    m_pDevice->ReadFlashId(id, 0x90);
    const bool blank = (id[0] == 0xFF && id[1] == 0xFF && id[2] == 0xFF) || (id[0] == 0 && id[1] == 0 && id[2] == 0);
    if (!blank) {
        for (const IdAnswer& answer : kManufacturerIds) {
            if (std::memcmp(id, answer.id, 3) == 0) {
                *code = answer.code == 0x84 && !m_variant.knowsFlashA1 ? kFlashUnknown : answer.code;
                return 0;
            }
        }
        return 0;
    }
    m_pDevice->ReadFlashId(id, 0xAB);
    if (id[0] == 0x9D && id[1] == 0x7B && id[2] == 0x7F) {
        *code = 0x7D;
        return 0;
    }
    m_pDevice->ReadFlashId(id, 0x9F);
    static constexpr IdAnswer kJedecIds[] = {
        {{0x1F, 0x65, 0x00}, 0x7E}, {{0xC2, 0x22, 0x10}, 0x81}, {{0xC2, 0x22, 0x11}, 0x82}};
    for (const IdAnswer& answer : kJedecIds) {
        if (std::memcmp(id, answer.id, 3) == 0) {
            *code = answer.code;
        }
    }
    return 0;
}

}  // namespace firmware
