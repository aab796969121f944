// Follows the Windows 8 Start screen and full-screen apps: every change of their
// visibility runs the rotation pipeline again, so the camera gets its value anew.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Platform.h"

// Whether an app covers a monitor, as the last per-monitor event said. Reported in the
// rotation trace only.
extern std::uint8_t m_bMetroMode;

namespace rotation {

// Text of a monitor's app-visibility mode, for the console output.
std::wstring _GetMonitorAppVisibilityString(platform::IDiagnosticOutput& diagnostics, int mode);

class CAppVisibilityNotificationSubscriber final : public platform::IAppVisibilityEvents {
public:
    explicit CAppVisibilityNotificationSubscriber(const platform::Platform& platform) : m_platform(platform) {}
    platform::HResult AppVisibilityOnMonitorChanged(platform::MonitorHandle monitor, int previousMode,
                                                    int currentMode) override;
    platform::HResult LauncherVisibilityChange(bool currentVisibleState) override;

private:
    platform::Platform m_platform;
};

class CStartScreenWatcher {
public:
    explicit CStartScreenWatcher(const platform::Platform& platform);
    ~CStartScreenWatcher();
    CStartScreenWatcher(const CStartScreenWatcher&) = delete;
    CStartScreenWatcher& operator=(const CStartScreenWatcher&) = delete;

    void Start();
    void Stop();
    bool subscribed() const { return m_bSubscribed; }

private:
    platform::Platform m_platform;
    bool m_bSubscribed = false;
    std::unique_ptr<platform::IAppVisibility> m_pAppVisibility;
    std::uint32_t m_dwCookie = 0;
    CAppVisibilityNotificationSubscriber m_sink;
};

}  // namespace rotation
