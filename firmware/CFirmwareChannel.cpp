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
    : CFirmwareDevice(platform.clock), m_platform(platform), m_variant(variant) {}

CFirmwareChannel::~CFirmwareChannel() { Close(); }

Status CFirmwareChannel::Close() {
    forget();
    return kStatusOk;
}

void CFirmwareChannel::ReleaseCandidate() {
    dropFilter();
    transport().dropCustom();
    transport().dropKsControl();
}

Status CFirmwareChannel::ReadRegisterTwice(std::uint16_t address, std::uint8_t* value) {
    // The controller's id and variant decide whether, and how, the flash may be
    // written at all: each counts only when two reads agree, since a lost address
    // write reads another register, a lost read leaves whatever was in the buffer,
    // and a garbled answer names another controller.
    std::uint8_t first = 0;
    std::uint8_t second = 0xFF;
    Status status = ReadRegister(address, &first);
    if (Succeeded(status)) {
        status = ReadRegister(address, &second);
    }
    if (Succeeded(status) && first != second) {
        status = kStatusNotApplied;
    }
    if (Succeeded(status)) {
        *value = first;
    }
    return status;
}

Status CFirmwareChannel::IdentifyController(std::uint8_t controllerByte, char familyLetter) {
    const ControllerFamily* family =
        IdentifyControllerFamily(controllerByte & 0xF0, m_variant, familyLetter, [this](int& variant) {
            std::uint8_t value = 0;
            const Status status = ReadRegisterTwice(kRegControllerVariant, &value);
            if (Succeeded(status)) {
                variant = value;
            }
            return status;
        });
    if (family == nullptr) {
        return kStatusNothingDone;
    }
    identify(family);
    return kStatusOk;
}

Status CFirmwareChannel::TryCandidate(IDeviceMoniker& moniker, char familyLetter) {
    CXUTransport& xu = transport();
    std::unique_ptr<ICaptureFilter> filter;
    std::unique_ptr<IPropertyBag> bag;
    if (moniker.bindToObject(filter) < 0 || !filter || moniker.bindToStorage(bag) < 0 || !bag) {
        return kStatusNothingDone;
    }
    std::string path;
    if (bag->readString("DevicePath", path) < 0) {
        path.clear();
    }
    // The path field holds 255 characters; a longer path is cut there.
    char devicePath[kDevicePathSize] = {};
    std::strncpy(devicePath, path.c_str(), kDevicePathSize - 1);
    if (std::strlen(devicePath) < 7 || !IsUsbPath(devicePath)) {
        return kStatusNothingDone;
    }
    setDevicePath(devicePath);

    if (!xu.holdsCustom()) {
        std::unique_ptr<ICameraCustomProperty> custom;
        if (filter->queryCustomProperty(custom) >= 0 && custom) {
            xu.holdCustom(std::move(custom));
            xu.usePath(TransportPath::Tunnel);
        }
    }
    std::unique_ptr<IKsControl> ksControl;
    if (filter->queryKsControl(ksControl) < 0 || !ksControl) {
        // The custom interface belongs to this camera; the next candidate must
        // not tunnel into it.
        xu.dropCustom();
        return kStatusNothingDone;
    }
    xu.holdKsControl(std::move(ksControl));
    holdFilter(std::move(filter));

    std::uint8_t controllerByte = 0;
    std::unique_ptr<IKsTopologyInfo> topology;
    if (this->filter()->queryTopologyInfo(topology) >= 0 && topology) {
        xu.usePath(TransportPath::Node);
        if (Succeeded(xu.FindNode(*topology))) {
            ReadRegisterTwice(kRegControllerId, &controllerByte);
        }
    } else {
        if (!xu.holdsCustom()) {
            std::unique_ptr<ICameraCustomProperty> custom;
            if (this->filter()->queryCustomProperty(custom) >= 0 && custom) {
                xu.holdCustom(std::move(custom));
            }
        }
        if (xu.holdsCustom()) {
            xu.usePath(TransportPath::Tunnel);
            ReadRegisterTwice(kRegControllerId, &controllerByte);
        }
    }
    topology.reset();

    const Status identified = IdentifyController(controllerByte, familyLetter);
    if (Failed(identified)) {
        ReleaseCandidate();
    }
    return identified;
}

Status CFirmwareChannel::Open(char familyLetter, int skipCount) {
    if (familyLetter < 'e' || familyLetter > 'k') {
        return kStatusOutOfRange;
    }
    if (hasTransport()) {
        transport().dropCustom();
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
            opened = Succeeded(TryCandidate(moniker, familyLetter));
            return !opened;
        });
    return walk.hr == kS_OK && opened ? kStatusOk : kStatusNothingDone;
}

Status CFirmwareChannel::Get_ICType(char* letter) {
    if (letter != nullptr) {
        *letter = chip();
    }
    return kStatusOk;
}

Status CFirmwareChannel::Get_FlashType(std::uint8_t* code) {
    if (code == nullptr) {
        return kStatusOk;
    }
    *code = kFlashUnknown;
    if (!hasTransport()) {
        return kStatusOk;
    }
    // A program ended in the middle of a flash command leaves it selected; the
    // identification's bytes must not continue it.
    EndStrayCommand();
    *code = IdentifyFlash([this](std::uint8_t id[3], std::uint8_t opcode) { return ReadFlashId(id, opcode); },
                          m_variant);
    return kStatusOk;
}

}  // namespace firmware
