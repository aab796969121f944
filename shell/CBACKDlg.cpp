#include "shell/CBACKDlg.h"

#include <cstring>
#include <ctime>

#include "platform/Constants.h"
#include "resources/resource.h"
#include "shell/Messages.h"

using namespace platform;
using namespace shell;

namespace {

CBACKDlg* g_pMainWnd = nullptr;

constexpr int kOffscreen = -400;
constexpr std::size_t kMonitorNameSize = 128;
constexpr const char* kMonitorNameFormat = "%Y-%m-%d_Monitor_log.txt";

std::uint32_t loWord(WParam value) { return static_cast<std::uint32_t>(value & 0xFFFFu); }
std::uint32_t hiWord(WParam value) { return static_cast<std::uint32_t>((value >> 16) & 0xFFFFu); }

}  // namespace

CBACKDlg* MainWindow() { return g_pMainWnd; }

void WriteLog(std::string message) {
    if (g_pMainWnd != nullptr) {
        g_pMainWnd->WriteLog(std::move(message), 0);
    }
}

CBACKDlg::CBACKDlg(const Platform& platform, const firmware::Variant& variant)
    : m_platform(platform), m_variant(variant), m_StartScreen(platform) {
    // The tray menu is loaded with the window so its submenus can be looked up before
    // the settings fill them.
    m_hTrayMenu = m_platform.menus.loadMenu(IDR_TRAY_MENU);
    m_taskbarCreatedMsg = m_platform.window.registerWindowMessage("TaskbarCreated");
    g_pMainWnd = this;
}

CBACKDlg::~CBACKDlg() {
    m_StartScreen.Stop();
    RemoveDevice();
    DestroyFirmwareChannel();
    CloseDriverKey();
    if (m_hTrayMenu != 0) {
        m_platform.menus.destroyMenu(m_hTrayMenu);
    }
    if (g_pMainWnd == this) {
        g_pMainWnd = nullptr;
    }
}

void CBACKDlg::WriteLog(std::string message, int flag) { m_platform.trace.write(message, flag); }

void CBACKDlg::LoadSettings() {
    config::LoadSettingsFile(m_platform.profile, m_platform.system, m_settings, m_szProgramDir,
                             config::LanguageStep());
}

bool CBACKDlg::preTranslateMessage(Hwnd, std::uint32_t msg, WParam wParam, LParam) {
    if (msg == kGravityRotateMsg1 || msg == kGravityRotateMsg2) {
        // A turn comes as a burst of events: only the quiet after the last one counts.
        m_platform.window.killTimer(kTimerGravity);
        m_platform.window.setTimer(kTimerGravity, kGravityDebounceMs);
        return false;
    }
    if (msg == kWM_KEYDOWN && wParam == kVK_RETURN) {
        return true;  // Enter must never close the console
    }
    return false;
}

std::optional<LResult> CBACKDlg::windowProc(std::uint32_t msg, WParam wParam, LParam lParam,
                                            IDefaultProcessing& defaultProcessing) {
    switch (msg) {
        case kWM_INITDIALOG:
            return OnInitDialog();
        case kWM_PAINT:
            if (m_platform.window.isIconic()) {
                OnPaintMinimised();
                return 0;
            }
            return std::nullopt;
        case kWM_QUERYDRAGICON:
            return m_platform.window.mainIconHandle();
        case kWM_SETTINGCHANGE:
            defaultProcessing.callDefault();
            OnSettingChange(static_cast<std::uint32_t>(wParam), nullptr);
            return 0;
        case kWM_DISPLAYCHANGE:
            WriteLog("WM_DISPLAYCHANGE", 0);
            OnSettingChange();
            return defaultProcessing.callDefault();
        case kWM_DEVICECHANGE:
            return OnDeviceChange(wParam, lParam);
        case kWM_TIMER:
            OnTimer(static_cast<std::uint32_t>(wParam));
            return 0;
        case kWM_ENDSESSION:
            // The session may go on (flag FALSE), but the program still ends.
            defaultProcessing.callDefault();
            Exit();
            m_platform.window.postQuitMessage(0);
            return 0;
        case kWM_COMMAND:
            OnCommand(wParam, lParam);
            return 0;
        default:
            break;
    }
    if (m_taskbarCreatedMsg != 0 && msg == m_taskbarCreatedMsg) {
        OnTaskbarCreated();
        return 0;
    }
    return OnPrivateMessage(msg, wParam, lParam);
}

LResult CBACKDlg::OnInitDialog() {
    ReleaseBringUpInterfaces();
    Internal_camera.reset();

    m_bWin8 = IsWin8();
    if (m_bWin8 != 0) {
        m_StartScreen.Start();
    }
    m_bFirstRun = 1;

    Internal_camera.reset(new rotation::OemRecord[rotation::kOemRecordCount]());

    m_hTrayPopup = m_platform.menus.getSubMenu(m_hTrayMenu, 0);
    m_hDeviceMenu = m_platform.menus.getSubMenu(m_hTrayPopup, 3);
    m_hLanguageMenu = m_platform.menus.getSubMenu(m_hTrayPopup, 7);

    LoadSettings();

    m_platform.window.setIconBig();

    // Cameras that arrive later get the same bring-up as the one found at start.
    m_platform.deviceSetup.registerInterfaceNotification(m_platform.window.window(), kKSCATEGORY_VIDEO);

    // The console starts hidden: it is parked off screen and closed by a posted
    // WM_CLOSE, which the loop turns into a hide once it runs.
    m_platform.window.moveWindowNoSize(kOffscreen, kOffscreen);
    m_platform.window.postMessage(kWM_CLOSE, 0, 0);

    ComposeMonitorLogPath();
    WriteLog("OnInitDialog", 0);
    WriteLog(m_strMonitorLogPath, 0);

    m_platform.window.setTimer(kTimerStart, kStartDelayMs);
    return 1;
}

void CBACKDlg::ComposeMonitorLogPath() {
    char tempDir[kMAX_PATH + 1] = {};
    const std::uint32_t length = m_platform.system.tempPath(tempDir, kMAX_PATH);
    tempDir[length < kMAX_PATH ? length : kMAX_PATH] = '\0';

    char name[kMonitorNameSize] = {};
    std::tm local{};
    if (!m_platform.clock.localTime(local) || std::strftime(name, sizeof name, kMonitorNameFormat, &local) == 0) {
        name[0] = '\0';
    }
    m_strMonitorLogPath = std::string(tempDir) + name;
}

void CBACKDlg::OnTimer(std::uint32_t id) {
    if (id == kTimerStart) {
        WriteLog("timer! 5sec", 0);
        m_platform.window.killTimer(kTimerStart);
        m_platform.com.initialize();
        CreateFirmwareChannel();
        MactionAction();
        DestroyFirmwareChannel();
        m_platform.com.uninitialize();
    } else if (id == kTimerGravity) {
        WriteLog("i get GRAVITY_ROTATE_MSG event", 0);
        m_platform.window.killTimer(kTimerGravity);
        OnSettingChange();
    }
}

void CBACKDlg::OnCancel() { m_platform.window.showWindow(kSW_HIDE); }

void CBACKDlg::OnCommand(WParam wParam, LParam lParam) {
    const std::uint32_t id = loWord(wParam);
    // Menu items and accelerators carry no control window; their code counts as 0.
    const std::uint32_t code = lParam == 0 ? 0 : hiWord(wParam);
    switch (routeCommand(id, code)) {
        case CommandRoute::Cancel:
            OnCancel();
            break;
        case CommandRoute::Console:
            OnConsole();
            break;
        case CommandRoute::VideoSetting:
            OnVideoSetting();
            break;
        case CommandRoute::AudioSetting:
            OnAudioSetting();
            break;
        case CommandRoute::Exit:
            Exit();
            break;
        case CommandRoute::SnapStorePath:
            OnSnapStorePath();
            break;
        case CommandRoute::VideoDeviceBox:
            OnVideoDeviceBox();
            break;
        case CommandRoute::AudioDeviceBox:
            OnAudioDeviceBox();
            break;
        case CommandRoute::VideoDeviceMenu:
            OnVideoDeviceMenu(id);
            break;
        case CommandRoute::AudioDeviceMenu:
            OnAudioDeviceMenu(id);
            break;
        case CommandRoute::LanguageMenu:
            OnLanguageMenu(id);
            break;
        case CommandRoute::None:
            break;
    }
}

std::optional<LResult> CBACKDlg::OnPrivateMessage(std::uint32_t msg, WParam wParam, LParam lParam) {
    switch (msg) {
        case kMsgGrayOut:
            OnGrayOut(wParam);
            return 1;
        case kMsgCameraNotice:
            return 1;
        case kMsgAudioListUpdate:
            return OnAudioListUpdate(wParam, lParam);
        case kMsgDeviceNotice:
            return ShowNotice(wParam != 0 ? "Detect New Device" : "Device Remove", "Device", 5000, 1);
        case kMsgDeviceError:
            return ShowNotice(wParam != 0 ? "Device Apply Error, please retry" : "Device Remove Error, please retry",
                              "Device Error", 5000, 3);
        case kMsgAudioSettingInvalid:
            return ShowNotice("Setting invalid Please Retry", "Audio Setting", 5000, 2);
        case kMsgTrayCallback:
            return OnTrayCallback(wParam, lParam);
        case kMsgSnapshot:
            return OnSnapshot();
        case kMsgExit:
            Exit();
            return 0;
        default:
            return std::nullopt;
    }
}

void CBACKDlg::OnConsole() {
    const Rect client = m_platform.window.getClientRect();
    const int x = (m_platform.window.getSystemMetrics(kSM_CXSCREEN) - client.width()) / 2;
    const int y = (m_platform.window.getSystemMetrics(kSM_CYSCREEN) - client.height()) / 2;
    m_platform.window.moveWindowNoSize(x, y);
    m_platform.window.showWindow(kSW_SHOWNORMAL);
}

void CBACKDlg::OnGrayOut(WParam wParam) {
    const bool video = wParam != 0;
    m_platform.window.enableDlgItem(video ? IDC_VIDEO_SETTING : IDC_AUDIO_SETTING, false);
    if (m_hTrayPopup != 0) {
        m_platform.menus.enableMenuItem(m_hTrayPopup, video ? ID_TRAY_VIDEO_SETTING : ID_TRAY_AUDIO_SETTING,
                                        kMF_BYCOMMAND | kMF_GRAYED);
    }
}

void CBACKDlg::OnPaintMinimised() {
    const Rect client = m_platform.window.getClientRect();
    const Size icon = m_platform.window.iconSize();
    m_platform.window.paintIcon((client.width() - icon.cx + 1) / 2, (client.height() - icon.cy + 1) / 2);
}

void CBACKDlg::Exit() {
    Internal_camera.reset();
    const Hwnd snap = m_platform.window.findWindow(nullptr, "Snap");
    if (snap != 0) {
        m_platform.window.sendMessageTo(snap, kWM_CLOSE, 0, 0);
    }
    m_platform.window.endDialog(kIDCANCEL);
}
