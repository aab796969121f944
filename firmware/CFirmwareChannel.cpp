#include "firmware/CFirmwareChannel.h"

#include <cstring>
#include <string>

#include "platform/Constants.h"
#include "platform/VideoDeviceWalk.h"

using namespace platform;

namespace firmware {
namespace {

bool IsUsbPath(const char* path) {
    return std::strncmp(path + 4, "usb", 3) == 0 || std::strncmp(path + 4, "USB", 3) == 0;
}

}  // namespace

CFirmwareChannel::CFirmwareChannel(const Platform& platform, const common::Variant& variant)
    : m_platform(platform), m_variant(variant), m_pDevice(std::make_unique<CFirmwareDevice>(platform.clock)) {}

CFirmwareChannel::~CFirmwareChannel() { Close(); }

Status CFirmwareChannel::Close() {
    if (m_pDevice) {
        m_pDevice->release();
        m_pDevice.reset();
    }
    return 0;
}

void CFirmwareChannel::ReleaseCandidate() {
    m_pDevice->dropFilter();
    m_pDevice->transport().dropCustom();
    m_pDevice->transport().dropKsControl();
}

bool CFirmwareChannel::IdentifyController(std::uint8_t controllerByte, char familyLetter) {
    const ControllerFamily* family =
        IdentifyControllerFamily(controllerByte & 0xF0, m_variant, familyLetter, [this](int& variant) {
            // The variant decides whether the controller may be written at all: it
            // counts only when two reads agree, since a lost address write reads
            // another register and a lost read leaves whatever was in the buffer.
            std::uint8_t first = 0;
            std::uint8_t second = 0xFF;
            if (m_pDevice->ReadRegister(kRegControllerVariant, &first) != 0 ||
                m_pDevice->ReadRegister(kRegControllerVariant, &second) != 0 || first != second) {
                return false;
            }
            variant = first;
            return true;
        });
    if (family == nullptr) {
        return false;
    }
    m_pDevice->identify(family);
    return true;
}

bool CFirmwareChannel::TryCandidate(IDeviceMoniker& moniker, char familyLetter) {
    CXUTransport& transport = m_pDevice->transport();
    std::unique_ptr<ICaptureFilter> filter;
    std::unique_ptr<IPropertyBag> bag;
    if (moniker.bindToObject(filter) < 0 || !filter || moniker.bindToStorage(bag) < 0 || !bag) {
        return false;
    }
    std::string path;
    if (bag->readString("DevicePath", path) < 0) {
        path.clear();
    }
    // The path field holds 255 characters; a longer path is cut there.
    char devicePath[kDevicePathSize] = {};
    std::strncpy(devicePath, path.c_str(), kDevicePathSize - 1);
    if (std::strlen(devicePath) < 7 || !IsUsbPath(devicePath)) {
        return false;
    }
    m_pDevice->setDevicePath(devicePath);

    if (!transport.holdsCustom()) {
        std::unique_ptr<ICameraCustomProperty> custom;
        if (filter->queryCustomProperty(custom) >= 0 && custom) {
            transport.holdCustom(std::move(custom));
            transport.usePath(TransportPath::Tunnel);
        }
    }
    std::unique_ptr<IKsControl> ksControl;
    if (filter->queryKsControl(ksControl) < 0 || !ksControl) {
        // The custom interface belongs to this camera; the next candidate must
        // not tunnel into it.
        transport.dropCustom();
        return false;
    }
    transport.holdKsControl(std::move(ksControl));
    m_pDevice->holdFilter(std::move(filter));

    std::uint8_t controllerByte = 0;
    std::unique_ptr<IKsTopologyInfo> topology;
    if (m_pDevice->filter()->queryTopologyInfo(topology) >= 0 && topology) {
        transport.usePath(TransportPath::Node);
        if (transport.FindNode(*topology) == 0) {
            m_pDevice->ReadRegister(kRegControllerId, &controllerByte);
        }
    } else {
        if (!transport.holdsCustom()) {
            std::unique_ptr<ICameraCustomProperty> custom;
            if (m_pDevice->filter()->queryCustomProperty(custom) >= 0 && custom) {
                transport.holdCustom(std::move(custom));
            }
        }
        if (transport.holdsCustom()) {
            transport.usePath(TransportPath::Tunnel);
            m_pDevice->ReadRegister(kRegControllerId, &controllerByte);
        }
    }
    topology.reset();

    if (!IdentifyController(controllerByte, familyLetter)) {
        ReleaseCandidate();
        return false;
    }
    return true;
}

Status CFirmwareChannel::Open(char familyLetter, int skipCount) {
    if (familyLetter < 'e' || familyLetter > 'k') {
        return kStatusOutOfRange;
    }
    if (!m_pDevice) {
        m_pDevice = std::make_unique<CFirmwareDevice>(m_platform.clock);
    }
    if (m_pDevice->hasTransport()) {
        m_pDevice->transport().dropCustom();
    }
    // Left initialised on purpose, as the program always has: the thread's own
    // initialisation at start keeps COM up anyway.
    m_platform.com.initialize();

    bool opened = false;
    const VideoWalkResult walk =
        WalkVideoInputDevices(m_platform.video, kCLSCTX_INPROC_SERVER, [&](IDeviceMoniker& moniker, int number) {
            if (number < skipCount) {
                return true;
            }
            opened = TryCandidate(moniker, familyLetter);
            return !opened;
        });
    if (walk.hr != kS_OK) {
        return 1;
    }
    return opened ? 0 : 1;
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
        *letter = m_pDevice ? m_pDevice->chip() : kNoChip;
    }
    return 0;
}

int CFirmwareChannel::Get_FlashType(std::uint8_t* code) {
    if (code == nullptr) {
        return 0;
    }
    *code = kFlashUnknown;
    if (!m_pDevice || !m_pDevice->hasTransport()) {
        return 0;
    }
    CFirmwareDevice& device = *m_pDevice;
    // A program ended in the middle of a flash command leaves it selected; the
    // identification's bytes must not continue it.
    device.EndStrayCommand();
    *code = IdentifyFlash(
        [&device](std::uint8_t id[3], std::uint8_t opcode) { return device.ReadFlashId(id, opcode) == 1; },
        m_variant);
    return 0;
}

}  // namespace firmware
