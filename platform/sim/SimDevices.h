// The display, app-visibility service and diagnostic output of the simulated machine.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/AppVisibility.h"
#include "platform/Constants.h"
#include "platform/Diagnostics.h"
#include "platform/Display.h"

namespace sim {

class SimDisplay final : public platform::IDisplay {
public:
    bool currentModeRotated(platform::DisplayMode& mode) override {
        ++m_reads;
        if (m_fails) {
            return false;
        }
        mode = m_mode;
        return true;
    }
    std::vector<platform::MonitorHandle> monitors() override { return m_monitors; }

    void setOrientation(std::uint32_t orientation) {
        m_mode.dmFields |= platform::kDM_DISPLAYORIENTATION;
        m_mode.dmDisplayOrientation = orientation;
    }
    // A mode record without the orientation field.
    void dropOrientationField() { m_mode.dmFields &= ~platform::kDM_DISPLAYORIENTATION; }
    void failReads(bool fail) { m_fails = fail; }
    void setMonitors(std::vector<platform::MonitorHandle> monitors) { m_monitors = std::move(monitors); }
    int reads() const { return m_reads; }

private:
    platform::DisplayMode m_mode{platform::kDM_DISPLAYORIENTATION, platform::kDMDO_DEFAULT};
    bool m_fails = false;
    int m_reads = 0;
    std::vector<platform::MonitorHandle> m_monitors{0x10001};
};

// The Windows 8 app-visibility service; a test fires its events.
class SimAppVisibility final : public platform::IAppVisibilityService {
public:
    platform::HResult create(std::unique_ptr<platform::IAppVisibility>& out) override;

    void failCreate(bool fail) { m_createFails = fail; }
    void failAdvise(bool fail) { m_adviseFails = fail; }
    void setLauncherVisible(bool visible) { m_launcherVisible = visible; }
    void failLauncherQuery(bool fail) { m_launcherQueryFails = fail; }
    void setMonitorMode(platform::MonitorHandle monitor, int mode) { m_modes[monitor] = mode; }
    void failMonitorQuery(platform::MonitorHandle monitor) { m_failingMonitors.push_back(monitor); }

    // Events, delivered to every registered sink.
    void fireLauncherVisibility(bool visible);
    void fireMonitorChanged(platform::MonitorHandle monitor, int previousMode, int currentMode);

    std::size_t subscribers() const { return m_sinks.size(); }
    int objectsCreated() const { return m_created; }
    int objectsAlive() const { return m_alive; }

private:
    friend class SimAppVisibilityObject;
    bool m_createFails = false;
    bool m_adviseFails = false;
    bool m_launcherVisible = false;
    bool m_launcherQueryFails = false;
    std::map<platform::MonitorHandle, int> m_modes;
    std::vector<platform::MonitorHandle> m_failingMonitors;
    std::map<std::uint32_t, platform::IAppVisibilityEvents*> m_sinks;
    std::uint32_t m_nextCookie = 1;
    int m_created = 0;
    int m_alive = 0;
};

class SimDiagnostics final : public platform::IDiagnosticOutput {
public:
    void writeStdout(const std::wstring& text) override { m_stdout += text; }
    void outputDebugString(const std::string& text) override { m_debug += text; }
    const std::wstring& standardOutput() const { return m_stdout; }
    const std::string& debugOutput() const { return m_debug; }

private:
    std::wstring m_stdout;
    std::string m_debug;
};

}  // namespace sim
