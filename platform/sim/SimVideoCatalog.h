// DirectShow's video input category on the simulated machine: devices with a friendly
// name and a device path, each backed by an emulated camera whose driver may or may
// not answer the custom property interface. Whether the filter answers IKsControl and
// IKsTopologyInfo is the camera's own driver setting (EmulatedCamera::driver()), which
// the virtual camera of the Wine tests shares. Counts live objects so a test can check
// that every reference the program took was released.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/VideoCatalog.h"
#include "platform/sim/EmulatedCamera.h"
#include "platform/sim/SimWindowHost.h"

namespace sim {

struct SimVideoDevice {
    std::optional<std::string> friendlyName;  // none: the bag has no "FriendlyName"
    std::string devicePath;
    std::shared_ptr<EmulatedCamera> camera = std::make_shared<EmulatedCamera>();
    bool answersCustomProperty = true;
    bool bagFails = false;
    bool filterFails = false;
};

class SimVideoCatalog final : public platform::IVideoCatalog {
public:
    // One property frame the program opened, as it asked for it.
    struct PropertyFrame {
        platform::Hwnd owner;
        int x;
        int y;
        std::string caption;
        std::vector<platform::Guid> pages;
        std::uint32_t locale;
        std::string devicePath;      // the device whose filter was the frame's object
        int liveObjectsAtOpen;       // the program's COM references while it was open
    };
    // What the catalog's objects share with it.
    struct Shared {
        int filtersBound = 0;
        SimWindowHost* window = nullptr;
        std::vector<PropertyFrame> frames;
        bool frameOpen = false;
        platform::HResult frameResult = 0;
        std::function<void()> enumerationEnd;
    };

    platform::HResult createSystemDeviceEnum(std::uint32_t classContext,
                                             std::unique_ptr<platform::IDeviceEnumerator>& out) override;

    // Adds a device that answers the custom interface; returns its camera.
    std::shared_ptr<EmulatedCamera> addCamera(const std::string& friendlyName, const std::string& devicePath = "");
    SimVideoDevice& addDevice(SimVideoDevice device);
    std::vector<SimVideoDevice>& devices() { return m_devices; }

    void failEnumeratorCreation(bool fail) { m_createFails = fail; }
    void failCategory(platform::HResult result) { m_categoryResult = result; }

    // COM objects the program holds right now (enumerators, monikers, bags, filters,
    // custom interfaces), and filters bound so far.
    int liveObjects() const { return *m_live; }
    int filtersBound() const { return m_bound->filtersBound; }

    // The property frame runs a modal loop on this window until the user closes it
    // (closePropertyFrame, from an action scheduled on the window).
    void attachWindow(SimWindowHost& window) { m_bound->window = &window; }
    const std::vector<PropertyFrame>& propertyFrames() const { return m_bound->frames; }
    bool propertyFrameOpen() const { return m_bound->frameOpen; }
    void closePropertyFrame() { m_bound->frameOpen = false; }
    // The frame fails with this result instead of opening (0: it opens).
    void failPropertyFrame(platform::HResult result) { m_bound->frameResult = result; }
    // Runs when a walk of the category reaches its end (what the user does while the
    // program is listing devices).
    void onEnumerationEnd(std::function<void()> action) { m_bound->enumerationEnd = std::move(action); }

private:
    std::vector<SimVideoDevice> m_devices;
    bool m_createFails = false;
    platform::HResult m_categoryResult = 0;
    std::shared_ptr<int> m_live = std::make_shared<int>(0);
    std::shared_ptr<Shared> m_bound = std::make_shared<Shared>();
};

}  // namespace sim
