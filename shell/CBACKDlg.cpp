#include "shell/CBACKDlg.h"

#include <cstring>
#include <ctime>

#include "common/Messages.h"
#include "platform/Constants.h"
#include "resources/resource.h"
#include "shell/Routing.h"

using namespace platform;
using namespace common;

namespace {

CBACKDlg* g_pMainWnd = nullptr;

constexpr int kOffscreen = -400;
constexpr std::size_t kMonitorNameSize = 128;
constexpr const char* kMonitorNameFormat = "%Y-%m-%d_Monitor_log.txt";
// Positions in the tray popup of the submenus the program fills.
constexpr int kDeviceMenuPosition = 3;
constexpr int kLanguageMenuPosition = 7;

std::uint32_t loWord(WParam value) { return static_cast<std::uint32_t>(value & 0xFFFFu); }
std::uint32_t hiWord(WParam value) { return static_cast<std::uint32_t>((value >> 16) & 0xFFFFu); }

}  // namespace

// The routing tables of the main window.
struct MainWindowRouting {
    using MessageHandler = std::optional<LResult> (CBACKDlg::*)(WParam, LParam, IDefaultProcessing&);
    using CommandHandler = void (CBACKDlg::*)(std::uint32_t);

    // Window messages and the private messages other programs and the subsystems
    // send; a row's handler decides whether default processing runs.
    static constexpr shell::MessageRow<MessageHandler> kMessages[] = {
        {kWM_INITDIALOG, "OnInitDialog", &CBACKDlg::OnInitDialog},
        {kWM_PAINT, "OnPaint", &CBACKDlg::OnPaint},
        {kWM_QUERYDRAGICON, "OnQueryDragIcon", &CBACKDlg::OnQueryDragIcon},
        {kWM_SETTINGCHANGE, "OnSettingChange", &CBACKDlg::OnWmSettingChange},
        {kWM_DISPLAYCHANGE, "OnDisplayChange", &CBACKDlg::OnDisplayChange},
        {kWM_DEVICECHANGE, "OnDeviceChange", &CBACKDlg::OnDeviceChange},
        {kWM_TIMER, "OnTimer", &CBACKDlg::OnTimer},
        {kWM_ENDSESSION, "OnEndSession", &CBACKDlg::OnEndSession},
        {kWM_COMMAND, "OnCommand", &CBACKDlg::OnCommand},
        {kMsgGrayOut, "OnGrayOut", &CBACKDlg::OnGrayOut},
        {kMsgCameraNotice, "OnCameraNotice", &CBACKDlg::OnCameraNotice},
        {kMsgAudioListUpdate, "OnAudioListUpdate", &CBACKDlg::OnAudioListUpdate},
        {kMsgDeviceNotice, "OnDeviceNotice", &CBACKDlg::OnDeviceNotice},
        {kMsgDeviceError, "OnDeviceError", &CBACKDlg::OnDeviceError},
        {kMsgAudioSettingInvalid, "OnAudioSettingInvalid", &CBACKDlg::OnAudioSettingInvalid},
        {kMsgTrayCallback, "OnTrayCallback", &CBACKDlg::OnTrayCallback},
        {kMsgSnapshot, "OnSnapshot", &CBACKDlg::OnSnapshot},
        {kMsgSnapNotInstalled, "OnSnapNotice", &CBACKDlg::OnSnapNotice},
        {kMsgFileWriteError, "OnFileWriteError", &CBACKDlg::OnFileWriteError},
        {kMsgShowPictureError, "OnShowPictureError", &CBACKDlg::OnShowPictureError},
        {kMsgExit, "Exit", &CBACKDlg::OnExitMessage},
    };
    static_assert(shell::OneRowPerMessage(kMessages), "a message has one handler");

    // WM_COMMAND: menu items carry notification 0, controls their own.
    static constexpr shell::CommandRow<CommandHandler> kCommands[] = {
        {kIDCANCEL, kIDCANCEL, kBN_CLICKED, "OnCancel", &CBACKDlg::OnCancel},
        {ID_TRAY_CONSOLE, ID_TRAY_CONSOLE, 0, "OnConsole", &CBACKDlg::OnConsole},
        {ID_TRAY_VIDEO_SETTING, ID_TRAY_VIDEO_SETTING, 0, "OnVideoSetting", &CBACKDlg::OnVideoSetting},
        {IDC_VIDEO_SETTING, IDC_VIDEO_SETTING, kBN_CLICKED, "OnVideoSetting", &CBACKDlg::OnVideoSetting},
        {ID_TRAY_AUDIO_SETTING, ID_TRAY_AUDIO_SETTING, 0, "OnAudioSetting", &CBACKDlg::OnAudioSetting},
        {IDC_AUDIO_SETTING, IDC_AUDIO_SETTING, kBN_CLICKED, "OnAudioSetting", &CBACKDlg::OnAudioSetting},
        {ID_TRAY_EXIT, ID_TRAY_EXIT, 0, "Exit", &CBACKDlg::OnExitCommand},
        {ID_TRAY_SNAP_PATH, ID_TRAY_SNAP_PATH, 0, "OnSnapStorePath", &CBACKDlg::OnSnapStorePath},
        {IDC_BROWSE, IDC_BROWSE, kBN_CLICKED, "OnSnapStorePath", &CBACKDlg::OnSnapStorePath},
        {IDC_VIDEO_DEVICE, IDC_VIDEO_DEVICE, kCBN_SELCHANGE, "OnVideoDeviceBox", &CBACKDlg::OnVideoDeviceBox},
        {IDC_AUDIO_DEVICE, IDC_AUDIO_DEVICE, kCBN_SELCHANGE, "OnAudioDeviceBox", &CBACKDlg::OnAudioDeviceBox},
        {camera::kVideoCommandFirst, camera::kVideoCommandLast, 0, "OnVideoDeviceMenu", &CBACKDlg::OnVideoDeviceMenu},
        {kAudioCommandFirst, kAudioCommandLast, 0, "OnAudioDeviceMenu", &CBACKDlg::OnAudioDeviceMenu},
        {kLanguageCommandFirst, kLanguageCommandLast, 0, "OnLanguageMenu", &CBACKDlg::OnLanguageMenu},
    };
    static_assert(shell::NarrowerRowsFirst(kCommands), "an overlapping command row must come before the wider one");
    static_assert(camera::kVideoCommandLast < kAudioCommandFirst, "video device ids stay below the audio ids");
};

CBACKDlg* MainWindow() { return g_pMainWnd; }

void WriteLog(std::string message) {
    if (g_pMainWnd != nullptr) {
        g_pMainWnd->WriteLog(std::move(message), 0);
    }
}

CBACKDlg::CBACKDlg(const Platform& platform, const common::Variant& variant)
    : m_platform(platform),
      m_port(platform.window, platform.trace),
      // The tray icon loads the tray menu with the window, so its submenus can be
      // looked up before the settings fill them.
      m_trayIcon(platform, m_port, IDR_TRAY_MENU),
      m_languages(platform.profile, platform.menus, platform.window, platform.shell, m_settings, variant.programName),
      m_snapshot(platform.window, platform.registry, platform.files, platform.shell, platform.system, m_port,
                 m_settings),
      m_policy(platform.registry, platform.system, m_port),
      m_videoDevices(platform.video, platform.menus, platform.window, m_port, m_settings),
      m_videoSettings(m_videoDevices, platform.com, platform.window, m_port),
      m_pipeline(platform, variant, m_port, m_settings, m_videoDevices, m_policy, m_oem),
      m_StartScreen(platform, m_port, [this]() { m_pipeline.OnSettingChange(0, nullptr); }),
      m_ledCheck(platform.registry, platform.files, platform.shell, variant.programName, m_port),
      m_bringUp(platform, variant, m_port, m_settings, m_videoDevices, m_policy, m_oem, m_pipeline, m_ledCheck),
      m_audioInterfaces(platform.deviceSetup, platform.deviceIo, platform.menus, platform.window, m_port, m_settings,
                        m_videoDevices, platform.clock.tickCount()),
      m_audioSetting(m_audioInterfaces, platform.deviceIo, platform.dialogs, platform.window, m_port, m_languages) {
    m_taskbarCreatedMsg = m_platform.window.registerWindowMessage("TaskbarCreated");
    m_port.bindTrayIcon(&m_trayIcon);
    g_pMainWnd = this;
}

CBACKDlg::~CBACKDlg() {
    m_StartScreen.Stop();
    m_port.bindTrayIcon(nullptr);
    if (g_pMainWnd == this) {
        g_pMainWnd = nullptr;
    }
}

void CBACKDlg::LoadSettings() {
    // The language list is read inside the settings load, with redirection still off.
    config::LoadSettingsFile(m_platform.profile, m_platform.system, m_settings,
                             [this](const std::string& settingsFile) { m_languages.LoadLanguageList(settingsFile); });
}

const char* CBACKDlg::RoutedCommand(std::uint32_t id, std::uint32_t notifyCode) {
    const auto* row = shell::FindCommand(MainWindowRouting::kCommands, id, notifyCode);
    return row != nullptr ? row->name : nullptr;
}

bool CBACKDlg::preTranslateMessage(Hwnd, std::uint32_t msg, WParam wParam, LParam) {
    if (msg == kGravityRotateMsg1 || msg == kGravityRotateMsg2) {
        // A turn comes as a burst of events: only the quiet after the last one counts.
        m_platform.window.killTimer(kTimerGravity);
        m_bGravityTimerArmed = m_platform.window.setTimer(kTimerGravity, kGravityDebounceMs);
        return false;
    }
    if (msg == kWM_KEYDOWN && wParam == kVK_RETURN) {
        return true;  // Enter must never close the console
    }
    return false;
}

std::optional<LResult> CBACKDlg::windowProc(std::uint32_t msg, WParam wParam, LParam lParam,
                                            IDefaultProcessing& defaultProcessing) {
    if (const auto* row = shell::FindMessage(MainWindowRouting::kMessages, msg)) {
        return (this->*row->handler)(wParam, lParam, defaultProcessing);
    }
    if (m_taskbarCreatedMsg != 0 && msg == m_taskbarCreatedMsg) {
        OnTaskbarCreated();
        return 0;
    }
    return std::nullopt;
}

std::optional<LResult> CBACKDlg::OnInitDialog(WParam, LParam, IDefaultProcessing&) {
    // Another WM_INITDIALOG can only come from outside: it would register for device
    // notices again, clear the OEM record, re-arm the first run and start another
    // bring-up.
    if (m_bInitialised) {
        return 0;
    }
    m_bInitialised = true;
    m_oem.release();

    if (m_policy.IsWin8() != 0) {
        m_StartScreen.Start();
    }
    m_pipeline.armFirstRun();

    m_oem.allocate();

    m_hTrayPopup = m_trayIcon.popup();
    m_videoDevices.bindMenu(m_platform.menus.getSubMenu(m_hTrayPopup, kDeviceMenuPosition));
    m_audioInterfaces.bindMenu(m_videoDevices.deviceMenu());
    m_hLanguageMenu = m_platform.menus.getSubMenu(m_hTrayPopup, kLanguageMenuPosition);
    m_languages.bindMenus(m_hTrayPopup, m_hLanguageMenu);

    LoadSettings();
    // A store path chosen before the last exit is still the driver's.
    m_snapshot.RestoreStorePath();

    m_platform.window.setIconBig();

    // From here the window's messages pass the tray icon's hook first.
    m_trayIcon.BindOwner(m_platform.window.window(), kMsgTrayCallback);

    // Cameras that arrive later get the same bring-up as the one found at start.
    m_platform.deviceSetup.registerInterfaceNotification(m_platform.window.window(), kKSCATEGORY_VIDEO);
    // The camera's audio interfaces: those present now, and those that come and go.
    m_platform.deviceSetup.registerInterfaceNotification(m_platform.window.window(), audio::kAudioInterfaceClass);
    m_audioInterfaces.PostPresentInterfaces();

    // The console starts hidden: it is parked off screen and closed by a posted
    // WM_CLOSE, which the loop turns into a hide once it runs.
    m_platform.window.moveWindowNoSize(kOffscreen, kOffscreen);
    m_platform.window.postMessage(kWM_CLOSE, 0, 0);

    ComposeMonitorLogPath();
    WriteLog("OnInitDialog", 0);
    WriteLog(m_strMonitorLogPath, 0);

    m_bStartTimerArmed = m_platform.window.setTimer(kTimerStart, kStartDelayMs);
    ShowTrayIcon();
    return 1;
}

void CBACKDlg::ShowTrayIcon() {
    if (m_settings.ShowIcon == 0) {
        return;
    }
    const std::string caption = m_platform.window.getWindowText();
    m_trayIcon.UpdateIcon(m_platform.resources.loadIcon(IDR_MAINFRAME), caption.c_str());
}

void CBACKDlg::OnLanguageMenu(std::uint32_t id) {
    m_languages.OnLanguageMenu(id);
    // A shown icon's tip follows the new caption.
    if (m_trayIcon.iconShown()) {
        ShowTrayIcon();
    }
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

std::optional<LResult> CBACKDlg::OnPaint(WParam, LParam, IDefaultProcessing&) {
    if (!m_platform.window.isIconic()) {
        return std::nullopt;
    }
    const Rect client = m_platform.window.getClientRect();
    const Size icon = m_platform.window.iconSize();
    m_platform.window.paintIcon((client.width() - icon.cx + 1) / 2, (client.height() - icon.cy + 1) / 2);
    return 0;
}

std::optional<LResult> CBACKDlg::OnQueryDragIcon(WParam, LParam, IDefaultProcessing&) {
    return m_platform.window.mainIconHandle();
}

std::optional<LResult> CBACKDlg::OnWmSettingChange(WParam wParam, LParam, IDefaultProcessing& defaultProcessing) {
    defaultProcessing.callDefault();
    OnSettingChange(static_cast<std::uint32_t>(wParam), nullptr);
    return 0;
}

std::optional<LResult> CBACKDlg::OnDisplayChange(WParam, LParam, IDefaultProcessing& defaultProcessing) {
    WriteLog("WM_DISPLAYCHANGE", 0);
    OnSettingChange();
    return defaultProcessing.callDefault();
}

std::optional<LResult> CBACKDlg::OnDeviceChange(WParam wParam, LParam lParam, IDefaultProcessing&) {
    // An audio interface notice goes on to the audio list as WM_USER+103.
    if (m_audioInterfaces.OnDeviceChange(wParam, lParam)) {
        return 1;
    }
    return m_bringUp.OnDeviceChange(wParam, lParam);
}

std::optional<LResult> CBACKDlg::OnTimer(WParam wParam, LParam, IDefaultProcessing&) {
    const auto id = static_cast<std::uint32_t>(wParam);
    if (id == kTimerStart && m_bStartTimerArmed) {
        WriteLog("timer! 5sec", 0);
        m_platform.window.killTimer(kTimerStart);
        m_bStartTimerArmed = false;
        m_bringUp.OnStartTimer();
    } else if (id == kTimerGravity && m_bGravityTimerArmed) {
        WriteLog("i get GRAVITY_ROTATE_MSG event", 0);
        m_platform.window.killTimer(kTimerGravity);
        m_bGravityTimerArmed = false;
        OnSettingChange();
    }
    return 0;
}

std::optional<LResult> CBACKDlg::OnEndSession(WParam, LParam, IDefaultProcessing& defaultProcessing) {
    // The session may go on (flag FALSE), but the program still ends.
    defaultProcessing.callDefault();
    Exit();
    m_platform.window.postQuitMessage(0);
    return 0;
}

std::optional<LResult> CBACKDlg::OnCommand(WParam wParam, LParam lParam, IDefaultProcessing&) {
    const std::uint32_t id = loWord(wParam);
    // Menu items and accelerators carry no control window; their code counts as 0.
    const std::uint32_t code = lParam == 0 ? 0 : hiWord(wParam);
    if (const auto* row = shell::FindCommand(MainWindowRouting::kCommands, id, code)) {
        (this->*row->handler)(id);
    }
    return 0;
}

void CBACKDlg::OnCancel(std::uint32_t) { m_platform.window.showWindow(kSW_HIDE); }

void CBACKDlg::OnConsole(std::uint32_t) {
    const Rect client = m_platform.window.getClientRect();
    const int x = (m_platform.window.getSystemMetrics(kSM_CXSCREEN) - client.width()) / 2;
    const int y = (m_platform.window.getSystemMetrics(kSM_CYSCREEN) - client.height()) / 2;
    m_platform.window.moveWindowNoSize(x, y);
    m_platform.window.showWindow(kSW_SHOWNORMAL);
}

std::optional<LResult> CBACKDlg::OnGrayOut(WParam wParam, LParam, IDefaultProcessing&) {
    const bool video = wParam != 0;
    m_platform.window.enableDlgItem(video ? IDC_VIDEO_SETTING : IDC_AUDIO_SETTING, false);
    if (m_hTrayPopup != 0) {
        m_platform.menus.enableMenuItem(m_hTrayPopup, video ? ID_TRAY_VIDEO_SETTING : ID_TRAY_AUDIO_SETTING,
                                        kMF_BYCOMMAND | kMF_GRAYED);
    }
    return 1;
}

std::optional<LResult> CBACKDlg::OnCameraNotice(WParam, LParam, IDefaultProcessing&) { return 1; }

std::optional<LResult> CBACKDlg::OnAudioListUpdate(WParam wParam, LParam lParam, IDefaultProcessing&) {
    return m_audioInterfaces.OnAudioListUpdate(wParam, lParam);
}

std::optional<LResult> CBACKDlg::OnDeviceNotice(WParam wParam, LParam, IDefaultProcessing&) {
    return m_port.ShowNotice(wParam != 0 ? "Detect New Device" : "Device Remove", "Device", 5000, 1);
}

std::optional<LResult> CBACKDlg::OnDeviceError(WParam wParam, LParam, IDefaultProcessing&) {
    return m_port.ShowNotice(wParam != 0 ? "Device Apply Error, please retry" : "Device Remove Error, please retry",
                             "Device Error", 5000, 3);
}

std::optional<LResult> CBACKDlg::OnAudioSettingInvalid(WParam, LParam, IDefaultProcessing&) {
    return m_port.ShowNotice("Setting invalid Please Retry", "Audio Setting", 5000, 2);
}

std::optional<LResult> CBACKDlg::OnTrayCallback(WParam, LParam, IDefaultProcessing&) { return 0; }

std::optional<LResult> CBACKDlg::OnSnapshot(WParam, LParam, IDefaultProcessing&) { return m_snapshot.OnSnapTaken(); }

std::optional<LResult> CBACKDlg::OnSnapNotice(WParam wParam, LParam lParam, IDefaultProcessing&) {
    return m_snapshot.OnSnapNotice(kMsgSnapNotInstalled, wParam, lParam);
}

std::optional<LResult> CBACKDlg::OnFileWriteError(WParam wParam, LParam lParam, IDefaultProcessing&) {
    return m_snapshot.OnSnapNotice(kMsgFileWriteError, wParam, lParam);
}

std::optional<LResult> CBACKDlg::OnShowPictureError(WParam wParam, LParam lParam, IDefaultProcessing&) {
    return m_snapshot.OnSnapNotice(kMsgShowPictureError, wParam, lParam);
}

std::optional<LResult> CBACKDlg::OnExitMessage(WParam, LParam, IDefaultProcessing&) {
    Exit();
    return 0;
}

void CBACKDlg::Exit() {
    // A modal window opened over the main window (the property frame, the audio dialog,
    // the open-file dialog) runs a loop of its own, which would keep the program alive
    // past the end of ours: each is asked to close as its close button would.
    m_platform.window.closeOwnedWindows();
    m_oem.release();
    const Hwnd snap = m_platform.window.findWindow(nullptr, "Snap");
    if (snap != 0) {
        m_platform.window.sendMessageTo(snap, kWM_CLOSE, 0, 0);
    }
    m_platform.window.endDialog(kIDCANCEL);
}
