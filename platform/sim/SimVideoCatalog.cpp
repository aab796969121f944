#include "platform/sim/SimVideoCatalog.h"

#include "platform/Constants.h"

using namespace platform;

namespace sim {
namespace {

// Counts itself among the program's live references.
class Counted {
public:
    explicit Counted(std::shared_ptr<int> live) : m_live(std::move(live)) { ++*m_live; }
    ~Counted() { --*m_live; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

protected:
    std::shared_ptr<int> m_live;
};

class SimCustomProperty final : public ICameraCustomProperty, Counted {
public:
    SimCustomProperty(std::shared_ptr<int> live, std::shared_ptr<EmulatedCamera> camera)
        : Counted(std::move(live)), m_camera(std::move(camera)) {}
    HResult GetCustomProperty(std::uint32_t id, void* data) override { return m_camera->getCustomProperty(id, data); }
    HResult SetCustomProperty(std::uint32_t id, void* data) override { return m_camera->setCustomProperty(id, data); }

private:
    std::shared_ptr<EmulatedCamera> m_camera;
};

class SimKsControl final : public IKsControl, Counted {
public:
    SimKsControl(std::shared_ptr<int> live, std::shared_ptr<EmulatedCamera> camera)
        : Counted(std::move(live)), m_camera(std::move(camera)) {}
    HResult KsProperty(const KspNode& property, std::uint32_t propertyLength, void* data, std::uint32_t dataLength,
                       std::uint32_t* bytesReturned) override {
        return m_camera->ksProperty(property, propertyLength, data, dataLength, bytesReturned);
    }

private:
    std::shared_ptr<EmulatedCamera> m_camera;
};

class SimTopologyInfo final : public IKsTopologyInfo, Counted {
public:
    SimTopologyInfo(std::shared_ptr<int> live, std::shared_ptr<EmulatedCamera> camera)
        : Counted(std::move(live)), m_camera(std::move(camera)) {}
    HResult get_NumNodes(std::uint32_t* count) override { return m_camera->numNodes(count); }
    HResult get_NodeType(std::uint32_t index, Guid* nodeType) override { return m_camera->nodeType(index, nodeType); }

private:
    std::shared_ptr<EmulatedCamera> m_camera;
};

class SimProcAmp final : public IVideoProcAmp, Counted {
public:
    SimProcAmp(std::shared_ptr<int> live, std::shared_ptr<EmulatedCamera> camera)
        : Counted(std::move(live)), m_camera(std::move(camera)) {}
    HResult GetRange(std::int32_t property, std::int32_t* min, std::int32_t* max, std::int32_t* step,
                     std::int32_t* defaultValue, std::int32_t* capsFlags) override {
        EmulatedCamera::ProcAmpRange range{};
        const HResult hr = m_camera->procAmpGetRange(property, range);
        if (hr >= 0 && min && max && step && defaultValue && capsFlags) {
            *min = range.min;
            *max = range.max;
            *step = range.step;
            *defaultValue = range.defaultValue;
            *capsFlags = range.caps;
        }
        return hr;
    }
    HResult Set(std::int32_t property, std::int32_t value, std::int32_t flags) override {
        return m_camera->procAmpSet(property, value, flags);
    }

private:
    std::shared_ptr<EmulatedCamera> m_camera;
};

class SimSpecifyPropertyPages final : public ISpecifyPropertyPages, Counted {
public:
    SimSpecifyPropertyPages(std::shared_ptr<int> live, std::shared_ptr<EmulatedCamera> camera)
        : Counted(std::move(live)), m_camera(std::move(camera)) {}
    HResult GetPages(std::vector<Guid>& pages) override {
        pages = m_camera->driver().propertyPages;
        return kS_OK;
    }

private:
    std::shared_ptr<EmulatedCamera> m_camera;
};

class SimFilter final : public ICaptureFilter, Counted {
public:
    SimFilter(std::shared_ptr<int> live, std::shared_ptr<SimVideoCatalog::Shared> shared, SimVideoDevice device)
        : Counted(std::move(live)), m_shared(std::move(shared)), m_device(std::move(device)) {}
    HResult querySpecifyPropertyPages(std::unique_ptr<ISpecifyPropertyPages>& out) override {
        if (!m_device.camera || !m_device.camera->driver().specifiesPropertyPages) {
            return kE_NOINTERFACE;
        }
        out = std::make_unique<SimSpecifyPropertyPages>(m_live, m_device.camera);
        return kS_OK;
    }
    // The frame is modal: the thread's loop goes on inside it until the user closes it.
    HResult oleCreatePropertyFrame(Hwnd owner, int x, int y, const std::string& caption,
                                   const std::vector<Guid>& pages, std::uint32_t locale) override {
        SimVideoCatalog::Shared& shared = *m_shared;
        if (shared.frameOpen) {
            return kE_FAIL;  // the simulation shows one frame at a time
        }
        shared.frames.push_back(
            SimVideoCatalog::PropertyFrame{owner, x, y, caption, pages, locale, m_device.devicePath, *m_live});
        if (shared.frameResult < 0) {
            return shared.frameResult;
        }
        shared.frameOpen = true;
        if (shared.window != nullptr) {
            shared.window->runNestedLoop([&shared] { return !shared.frameOpen; });
        }
        shared.frameOpen = false;
        return kS_OK;
    }
    HResult queryCustomProperty(std::unique_ptr<ICameraCustomProperty>& out) override {
        if (!m_device.answersCustomProperty || !m_device.camera) {
            return kE_NOINTERFACE;
        }
        out = std::make_unique<SimCustomProperty>(m_live, m_device.camera);
        return kS_OK;
    }
    HResult queryKsControl(std::unique_ptr<IKsControl>& out) override {
        if (!m_device.camera || !m_device.camera->driver().ksControl) {
            return kE_NOINTERFACE;
        }
        out = std::make_unique<SimKsControl>(m_live, m_device.camera);
        return kS_OK;
    }
    HResult queryTopologyInfo(std::unique_ptr<IKsTopologyInfo>& out) override {
        if (!m_device.camera || !m_device.camera->driver().topologyInfo) {
            return kE_NOINTERFACE;
        }
        out = std::make_unique<SimTopologyInfo>(m_live, m_device.camera);
        return kS_OK;
    }
    HResult queryProcAmp(std::unique_ptr<IVideoProcAmp>& out) override {
        if (!m_device.camera || !m_device.camera->answersProcAmp) {
            return kE_NOINTERFACE;
        }
        out = std::make_unique<SimProcAmp>(m_live, m_device.camera);
        return kS_OK;
    }

private:
    std::shared_ptr<SimVideoCatalog::Shared> m_shared;
    SimVideoDevice m_device;
};

class SimBag final : public IPropertyBag, Counted {
public:
    SimBag(std::shared_ptr<int> live, SimVideoDevice device) : Counted(std::move(live)), m_device(std::move(device)) {}
    HResult readString(const char* name, std::string& value) override {
        const std::string key = name == nullptr ? "" : name;
        if (key == "FriendlyName" && m_device.friendlyName) {
            value = *m_device.friendlyName;
            return kS_OK;
        }
        if (key == "DevicePath" && !m_device.devicePath.empty()) {
            value = m_device.devicePath;
            return kS_OK;
        }
        return kE_INVALIDARG;
    }

private:
    SimVideoDevice m_device;
};

class SimMoniker final : public IDeviceMoniker, Counted {
public:
    SimMoniker(std::shared_ptr<int> live, std::shared_ptr<SimVideoCatalog::Shared> bound, SimVideoDevice device)
        : Counted(std::move(live)), m_bound(std::move(bound)), m_device(std::move(device)) {}
    HResult bindToStorage(std::unique_ptr<IPropertyBag>& out) override {
        if (m_device.bagFails) {
            return kE_FAIL;
        }
        out = std::make_unique<SimBag>(m_live, m_device);
        return kS_OK;
    }
    HResult bindToObject(std::unique_ptr<ICaptureFilter>& out) override {
        if (m_device.filterFails) {
            return kE_FAIL;
        }
        ++m_bound->filtersBound;
        out = std::make_unique<SimFilter>(m_live, m_bound, m_device);
        return kS_OK;
    }
    std::unique_ptr<IDeviceMoniker> addRef() override { return std::make_unique<SimMoniker>(m_live, m_bound, m_device); }

private:
    std::shared_ptr<SimVideoCatalog::Shared> m_bound;
    SimVideoDevice m_device;
};

class SimMonikerEnum final : public IMonikerEnum, Counted {
public:
    SimMonikerEnum(std::shared_ptr<int> live, std::shared_ptr<SimVideoCatalog::Shared> bound, std::vector<SimVideoDevice> devices)
        : Counted(std::move(live)), m_bound(std::move(bound)), m_devices(std::move(devices)) {}
    HResult reset() override {
        m_next = 0;
        return kS_OK;
    }
    HResult next(std::unique_ptr<IDeviceMoniker>& out) override {
        if (m_next >= m_devices.size()) {
            if (m_bound->enumerationEnd) {
                m_bound->enumerationEnd();
            }
            return kS_FALSE;
        }
        out = std::make_unique<SimMoniker>(m_live, m_bound, m_devices[m_next++]);
        return kS_OK;
    }

private:
    std::shared_ptr<SimVideoCatalog::Shared> m_bound;
    std::vector<SimVideoDevice> m_devices;
    std::size_t m_next = 0;
};

class SimDeviceEnumerator final : public IDeviceEnumerator, Counted {
public:
    SimDeviceEnumerator(std::shared_ptr<int> live, std::shared_ptr<SimVideoCatalog::Shared> bound, std::vector<SimVideoDevice> devices,
                        HResult categoryResult)
        : Counted(std::move(live)), m_bound(std::move(bound)), m_devices(std::move(devices)),
          m_categoryResult(categoryResult) {}
    HResult createClassEnumerator(const Guid& category, std::uint32_t, std::unique_ptr<IMonikerEnum>& out) override {
        if (category != kCLSID_VideoInputDeviceCategory) {
            return kS_FALSE;
        }
        if (m_categoryResult != kS_OK) {
            return m_categoryResult;
        }
        if (m_devices.empty()) {
            return kS_FALSE;  // an empty category gives no enumerator
        }
        out = std::make_unique<SimMonikerEnum>(m_live, m_bound, m_devices);
        return kS_OK;
    }

private:
    std::shared_ptr<SimVideoCatalog::Shared> m_bound;
    std::vector<SimVideoDevice> m_devices;
    HResult m_categoryResult;
};

}  // namespace

HResult SimVideoCatalog::createSystemDeviceEnum(std::uint32_t, std::unique_ptr<IDeviceEnumerator>& out) {
    if (m_createFails) {
        return static_cast<HResult>(0x80040154u);  // REGDB_E_CLASSNOTREG
    }
    out = std::make_unique<SimDeviceEnumerator>(m_live, m_bound, m_devices, m_categoryResult);
    return kS_OK;
}

std::shared_ptr<EmulatedCamera> SimVideoCatalog::addCamera(const std::string& friendlyName,
                                                           const std::string& devicePath) {
    SimVideoDevice device;
    device.friendlyName = friendlyName;
    device.devicePath = devicePath.empty()
                            ? "\\\\?\\usb#vid_7c3e&pid_410b&mi_00#6&2d8a7d2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
                              "\\global"
                            : devicePath;
    return addDevice(device).camera;
}

SimVideoDevice& SimVideoCatalog::addDevice(SimVideoDevice device) {
    m_devices.push_back(std::move(device));
    return m_devices.back();
}

}  // namespace sim
