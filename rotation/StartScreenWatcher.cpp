#include "rotation/StartScreenWatcher.h"

#include <cwchar>

#include "platform/Constants.h"
#include "shell/CBACKDlg.h"

using namespace platform;

std::uint8_t m_bMetroMode = 1;

namespace rotation {
namespace {

std::wstring FormatWide(const wchar_t* format, MonitorHandle monitor, const std::wstring& a,
                        const std::wstring& b = std::wstring()) {
    wchar_t buffer[512];
    const int length = std::swprintf(buffer, sizeof buffer / sizeof buffer[0], format,
                                     reinterpret_cast<void*>(monitor), a.c_str(), b.c_str());
    return length < 0 ? std::wstring() : std::wstring(buffer);
}

const wchar_t* VisibleText(bool visible) { return visible ? L"visible" : L"not visible"; }

void RunPipeline() {
    if (CBACKDlg* window = MainWindow()) {
        window->OnSettingChange(0, nullptr);
    }
}

}  // namespace

std::wstring _GetMonitorAppVisibilityString(IDiagnosticOutput& diagnostics, int mode) {
    diagnostics.outputDebugString(" _GetMonitorAppVisibilityString \n");
    switch (mode) {
        case kMAV_NO_APP_VISIBLE:
            return L"no apps visible";
        case kMAV_APP_VISIBLE:
            return L"a visible app";
        default:
            return L"unknown";
    }
}

HResult CAppVisibilityNotificationSubscriber::AppVisibilityOnMonitorChanged(MonitorHandle monitor, int previousMode,
                                                                            int currentMode) {
    const std::wstring previous = _GetMonitorAppVisibilityString(m_platform.diagnostics, previousMode);
    const std::wstring current = _GetMonitorAppVisibilityString(m_platform.diagnostics, currentMode);
    m_platform.diagnostics.writeStdout(
        FormatWide(L"Monitor %p previously had %ls and now has %ls\r\n", monitor, previous, current));
    m_bMetroMode = currentMode == kMAV_APP_VISIBLE ? 1 : 0;
    RunPipeline();
    WriteLog(m_bMetroMode != 0 ? " AppVisibilityOnMonitorChanged->Start menu m_bMetroMode =1"
                               : " AppVisibilityOnMonitorChanged->Start menu m_bMetroMode =0");
    return kS_OK;
}

HResult CAppVisibilityNotificationSubscriber::LauncherVisibilityChange(bool currentVisibleState) {
    m_platform.diagnostics.writeStdout(std::wstring(L"The Start menu is now ") + VisibleText(currentVisibleState) +
                                       L"\r\n");
    RunPipeline();
    WriteLog(m_bMetroMode != 0 ? " LauncherVisibilityChange->Start menu m_bMetroMode =1"
                               : " LauncherVisibilityChange->Start menu m_bMetroMode =0");
    return kS_OK;
}

CStartScreenWatcher::CStartScreenWatcher(const Platform& platform) : m_platform(platform), m_sink(platform) {
    m_bMetroMode = 1;
}

CStartScreenWatcher::~CStartScreenWatcher() { Stop(); }

void CStartScreenWatcher::Start() {
    if (m_bSubscribed || m_pAppVisibility) {
        return;
    }
    m_platform.diagnostics.writeStdout(L"Toggle Start menu visibility 5 times to exit\r\n");
    if (m_platform.com.initialize() < 0) {
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
            m_platform.diagnostics.writeStdout(FormatWide(L"\tMonitor %p has %ls\r\n", monitor, text));
        }
    }
    m_platform.diagnostics.writeStdout(L"\r\n\r\n");

    bool launcherVisible = false;
    if (m_pAppVisibility->IsLauncherVisible(launcherVisible) >= 0) {
        WriteLog(launcherVisible ? " * EnumVisib, current is visible" : " * EnumVisib, current is not visible");
        m_bMetroMode = launcherVisible ? 1 : 0;
        m_platform.diagnostics.writeStdout(std::wstring(L"The Start menu is currently ") +
                                           VisibleText(launcherVisible) + L"\r\n");
    }
    if (m_pAppVisibility->Advise(m_sink, m_dwCookie) >= 0) {
        m_bSubscribed = true;
    }
}

void CStartScreenWatcher::Stop() {
    if (m_bSubscribed && m_pAppVisibility) {
        m_pAppVisibility->Unadvise(m_dwCookie);
        m_bSubscribed = false;
        m_platform.com.uninitialize();
    }
    m_pAppVisibility.reset();
}

}  // namespace rotation
