// Follows the Windows 8 Start screen and full-screen apps: every change of their
// visibility runs the rotation pipeline again, so the camera gets its value anew.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/WindowPort.h"
#include "platform/Platform.h"
#include "platform/Scoped.h"
#include "rotation/PolicyInputs.h"

namespace rotation {

// Text of a monitor's app-visibility mode, for the console output.
std::wstring _GetMonitorAppVisibilityString(platform::IDiagnosticOutput& diagnostics, int mode);

// What the watcher does on every visibility change: run the rotation pipeline.
using VisibilityChanged = std::function<void()>;

class CAppVisibilityNotificationSubscriber final : public platform::IAppVisibilityEvents {
public:
    CAppVisibilityNotificationSubscriber(const platform::Platform& platform, common::IWindowPort& port,
                                         PolicyInputs& policy, VisibilityChanged onChange)
        : m_platform(platform), m_port(port), m_policy(policy), m_onChange(std::move(onChange)) {}
    platform::HResult AppVisibilityOnMonitorChanged(platform::MonitorHandle monitor, int previousMode,
                                                    int currentMode) override;
    platform::HResult LauncherVisibilityChange(bool currentVisibleState) override;

private:
    platform::Platform m_platform;
    common::IWindowPort& m_port;
    PolicyInputs& m_policy;
    VisibilityChanged m_onChange;
};

class CStartScreenWatcher {
public:
    // The watcher keeps what it hears of full-screen apps in `policy`.
    CStartScreenWatcher(const platform::Platform& platform, common::IWindowPort& port, PolicyInputs& policy,
                        VisibilityChanged onChange);
    ~CStartScreenWatcher();
    CStartScreenWatcher(const CStartScreenWatcher&) = delete;
    CStartScreenWatcher& operator=(const CStartScreenWatcher&) = delete;

    void Start();
    void Stop();
    bool subscribed() const { return m_bSubscribed; }

private:
    platform::Platform m_platform;
    common::IWindowPort& m_port;
    PolicyInputs& m_policy;
    bool m_bSubscribed = false;
    std::unique_ptr<platform::IAppVisibility> m_pAppVisibility;
    std::uint32_t m_dwCookie = 0;
    CAppVisibilityNotificationSubscriber m_sink;
    std::unique_ptr<platform::ScopedCom> m_com;
};

}  // namespace rotation
