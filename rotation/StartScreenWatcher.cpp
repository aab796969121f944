#include "rotation/StartScreenWatcher.h"


#include "platform/Constants.h"
#include "platform/Scoped.h"

using namespace platform;

namespace rotation {
namespace {

// A monitor handle as the console shows pointers: upper-case hex digits, padded to
// the width of a pointer. Composed by hand, which keeps the wide printf family (and
// the size it brings) out of the program.
std::wstring MonitorText(MonitorHandle monitor) {
    constexpr int kDigits = static_cast<int>(sizeof(void*) * 2);
    std::wstring text(kDigits, L'0');
    for (int i = kDigits - 1; i >= 0 && monitor != 0; --i, monitor >>= 4) {
        text[static_cast<std::size_t>(i)] = L"0123456789ABCDEF"[monitor & 0xF];
    }
    return text;
}

const wchar_t* VisibleText(bool visible) { return visible ? L"visible" : L"not visible"; }

}  // namespace

std::wstring _GetMonitorAppVisibilityString(IDiagnosticOutput& diagnostics, int mode) {
    diagnostics.outputDebugString(" _GetMonitorAppVisibilityString \n");
    struct ModeText {
        int mode;
        const wchar_t* text;
    };
    static constexpr ModeText kModeTexts[] = {
        {kMAV_NO_APP_VISIBLE, L"no apps visible"},
        {kMAV_APP_VISIBLE, L"a visible app"},
    };
    for (const ModeText& row : kModeTexts) {
        if (row.mode == mode) {
            return row.text;
        }
    }
    return L"unknown";
}

HResult CAppVisibilityNotificationSubscriber::AppVisibilityOnMonitorChanged(MonitorHandle monitor, int previousMode,
                                                                            int currentMode) {
    const std::wstring previous = _GetMonitorAppVisibilityString(m_platform.diagnostics, previousMode);
    const std::wstring current = _GetMonitorAppVisibilityString(m_platform.diagnostics, currentMode);
    m_platform.diagnostics.writeStdout(
        L"Monitor " + MonitorText(monitor) + L" previously had " + previous + L" and now has " + current + L"\r\n");
    m_policy.setMetroMode(currentMode == kMAV_APP_VISIBLE);
    if (m_onChange) {
        m_onChange();
    }
    m_port.WriteLog(m_policy.metroMode() != 0 ? " AppVisibilityOnMonitorChanged->Start menu m_bMetroMode =1"
                               : " AppVisibilityOnMonitorChanged->Start menu m_bMetroMode =0",
                    0);
    return kS_OK;
}

HResult CAppVisibilityNotificationSubscriber::LauncherVisibilityChange(bool currentVisibleState) {
    m_platform.diagnostics.writeStdout(std::wstring(L"The Start menu is now ") + VisibleText(currentVisibleState) +
                                       L"\r\n");
    if (m_onChange) {
        m_onChange();
    }
    m_port.WriteLog(m_policy.metroMode() != 0 ? " LauncherVisibilityChange->Start menu m_bMetroMode =1"
                               : " LauncherVisibilityChange->Start menu m_bMetroMode =0",
                    0);
    return kS_OK;
}

CStartScreenWatcher::CStartScreenWatcher(const Platform& platform, common::IWindowPort& port, PolicyInputs& policy,
                                         VisibilityChanged onChange)
    : m_platform(platform), m_port(port), m_policy(policy), m_sink(platform, port, policy, std::move(onChange)) {}

CStartScreenWatcher::~CStartScreenWatcher() { Stop(); }

void CStartScreenWatcher::Start() {
    if (m_bSubscribed || m_pAppVisibility) {
        return;
    }
    m_platform.diagnostics.writeStdout(L"Toggle Start menu visibility 5 times to exit\r\n");
    // The subscription keeps the apartment entered for as long as it lasts.
    auto com = std::make_unique<ScopedCom>(m_platform.com);
    if (com->result() < 0) {
        return;
    }
    if (m_platform.appVisibility.create(m_pAppVisibility) < 0 || !m_pAppVisibility) {
        m_pAppVisibility.reset();
        return;
    }
    m_platform.diagnostics.outputDebugString("Current app visibility status is:\r\n");
    for (MonitorHandle monitor : m_platform.display.monitors()) {
        int mode = kMAV_UNKNOWN;
        if (m_pAppVisibility->GetAppVisibilityOnMonitor(monitor, mode) >= 0) {
            const std::wstring text = _GetMonitorAppVisibilityString(m_platform.diagnostics, mode);
            m_platform.diagnostics.writeStdout(L"\tMonitor " + MonitorText(monitor) + L" has " + text + L"\r\n");
        }
    }
    m_platform.diagnostics.writeStdout(L"\r\n\r\n");

    bool launcherVisible = false;
    if (m_pAppVisibility->IsLauncherVisible(launcherVisible) >= 0) {
        m_port.WriteLog(launcherVisible ? " * EnumVisib, current is visible" : " * EnumVisib, current is not visible", 0);
        m_policy.setMetroMode(launcherVisible);
        m_platform.diagnostics.writeStdout(std::wstring(L"The Start menu is currently ") +
                                           VisibleText(launcherVisible) + L"\r\n");
    }
    if (m_pAppVisibility->Advise(m_sink, m_dwCookie) >= 0) {
        m_bSubscribed = true;
        m_com = std::move(com);
    }
}

void CStartScreenWatcher::Stop() {
    if (m_bSubscribed && m_pAppVisibility) {
        m_pAppVisibility->Unadvise(m_dwCookie);
        m_bSubscribed = false;
    }
    m_pAppVisibility.reset();
    m_com.reset();
}

}  // namespace rotation
