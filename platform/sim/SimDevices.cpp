#include "platform/sim/SimDevices.h"

#include <algorithm>

using namespace platform;

namespace sim {

class SimAppVisibilityObject final : public IAppVisibility {
public:
    explicit SimAppVisibilityObject(SimAppVisibility& service) : m_service(service) { ++m_service.m_alive; }
    ~SimAppVisibilityObject() override { --m_service.m_alive; }

    HResult GetAppVisibilityOnMonitor(MonitorHandle monitor, int& mode) override {
        const auto& failing = m_service.m_failingMonitors;
        if (std::find(failing.begin(), failing.end(), monitor) != failing.end()) {
            return kE_FAIL;
        }
        auto it = m_service.m_modes.find(monitor);
        mode = it == m_service.m_modes.end() ? kMAV_NO_APP_VISIBLE : it->second;
        return kS_OK;
    }
    HResult IsLauncherVisible(bool& visible) override {
        if (m_service.m_launcherQueryFails) {
            return kE_FAIL;
        }
        visible = m_service.m_launcherVisible;
        return kS_OK;
    }
    HResult Advise(IAppVisibilityEvents& sink, std::uint32_t& cookie) override {
        if (m_service.m_adviseFails) {
            return kE_FAIL;
        }
        cookie = m_service.m_nextCookie++;
        m_service.m_sinks[cookie] = &sink;
        return kS_OK;
    }
    HResult Unadvise(std::uint32_t cookie) override {
        return m_service.m_sinks.erase(cookie) != 0 ? kS_OK : kE_INVALIDARG;
    }

private:
    SimAppVisibility& m_service;
};

HResult SimAppVisibility::create(std::unique_ptr<IAppVisibility>& out) {
    if (m_createFails) {
        return static_cast<HResult>(0x80040154u);  // REGDB_E_CLASSNOTREG
    }
    ++m_created;
    out = std::make_unique<SimAppVisibilityObject>(*this);
    return kS_OK;
}

void SimAppVisibility::fireLauncherVisibility(bool visible) {
    m_launcherVisible = visible;
    const auto sinks = m_sinks;
    for (const auto& [cookie, sink] : sinks) {
        sink->LauncherVisibilityChange(visible);
    }
}

void SimAppVisibility::fireMonitorChanged(MonitorHandle monitor, int previousMode, int currentMode) {
    m_modes[monitor] = currentMode;
    const auto sinks = m_sinks;
    for (const auto& [cookie, sink] : sinks) {
        sink->AppVisibilityOnMonitorChanged(monitor, previousMode, currentMode);
    }
}

}  // namespace sim
