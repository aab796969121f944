#include "shell/CBACKDlg.h"

#include <cstring>
#include <ctime>

#include "common/Messages.h"
#include "common/Notices.h"
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

std::uint32_t loWord(WParam value) { return static_cast<std::uint32_t>(value & 0xFFFFu); }
std::uint32_t hiWord(WParam value) { return static_cast<std::uint32_t>((value >> 16) & 0xFFFFu); }

}  // namespace

// The routing tables of the main window: every message the window handles is found
// here, the tray icon's two included. A row's handler reaches the object that
// handles it directly.
struct MainWindowRouting {
    // The notices other parts of the program ask for by message, from their table.
    template <std::uint32_t Msg>
    static std::optional<LResult> Notice(CBACKDlg& w, WParam wParam, LParam lParam, IDefaultProcessing&) {
        return common::ShowNoticeFor(w.m_port, Msg, wParam, lParam);
    }

    using MessageHandler = std::optional<LResult> (*)(CBACKDlg&, WParam, LParam, IDefaultProcessing&);
    using CommandHandler = void (*)(CBACKDlg&, std::uint32_t);

    // Window messages and the private messages other programs and the subsystems
    // send; a row's handler decides whether default processing runs.
    static constexpr shell::MessageRow<MessageHandler> kMessages[] = {
        {kWM_INITDIALOG, "OnInitDialog",
         [](CBACKDlg& w, WParam, LParam, IDefaultProcessing&) -> std::optional<LResult> { return w.OnInitDialog(); }},
        {kWM_PAINT, "OnPaint",
         [](CBACKDlg& w, WParam, LParam, IDefaultProcessing&) -> std::optional<LResult> { return w.OnPaint(); }},
        {kWM_QUERYDRAGICON, "OnQueryDragIcon",
         [](CBACKDlg& w, WParam, LParam, IDefaultProcessing&) -> std::optional<LResult> {
             return w.m_platform.window.mainIconHandle();
         }},
        {kWM_SETTINGCHANGE, "OnSettingChange",
         [](CBACKDlg& w, WParam wParam, LParam, IDefaultProcessing& defaultProcessing) -> std::optional<LResult> {
             defaultProcessing.callDefault();
             w.OnSettingChange(static_cast<std::uint32_t>(wParam), nullptr);
             return 0;
         }},
        {kWM_DISPLAYCHANGE, "OnDisplayChange",
         [](CBACKDlg& w, WParam, LParam, IDefaultProcessing& defaultProcessing) -> std::optional<LResult> {
             w.WriteLog("WM_DISPLAYCHANGE", 0);
             w.OnSettingChange();
             return defaultProcessing.callDefault();
         }},
        {kWM_DEVICECHANGE, "OnDeviceChange",
         [](CBACKDlg& w, WParam wParam, LParam lParam, IDefaultProcessing&) -> std::optional<LResult> {
             // An audio interface notice goes on to the audio list as WM_USER+103.
             if (w.m_audioInterfaces.OnDeviceChange(wParam, lParam)) {
                 return 1;
             }
             return w.m_bringUp.OnDeviceChange(wParam, lParam);
         }},
        {kWM_TIMER, "OnTimer",
         [](CBACKDlg& w, WParam wParam, LParam, IDefaultProcessing&) -> std::optional<LResult> {
             w.OnTimer(static_cast<std::uint32_t>(wParam));
             return 0;
         }},
        {kWM_ENDSESSION, "OnEndSession",
         [](CBACKDlg& w, WParam, LParam, IDefaultProcessing& defaultProcessing) -> std::optional<LResult> {
             // The session may go on (flag FALSE), but the program still ends.
             defaultProcessing.callDefault();
             w.Exit();
             w.m_platform.window.postQuitMessage(0);
             return 0;
         }},
        {kWM_COMMAND, "OnCommand",
         [](CBACKDlg& w, WParam wParam, LParam lParam, IDefaultProcessing&) -> std::optional<LResult> {
             w.OnCommand(wParam, lParam);
             return 0;
         }},
        {kMsgGrayOut, "OnGrayOut",
         [](CBACKDlg& w, WParam wParam, LParam, IDefaultProcessing&) -> std::optional<LResult> {
             return w.OnGrayOut(wParam != 0);
         }},
        {kMsgCameraNotice, "OnCameraNotice",
         [](CBACKDlg&, WParam, LParam, IDefaultProcessing&) -> std::optional<LResult> { return 1; }},
        {kMsgAudioListUpdate, "OnAudioListUpdate",
         [](CBACKDlg& w, WParam wParam, LParam lParam, IDefaultProcessing&) -> std::optional<LResult> {
             return w.m_audioInterfaces.OnAudioListUpdate(wParam, lParam);
         }},
        {kMsgDeviceNotice, "OnDeviceNotice", &MainWindowRouting::Notice<kMsgDeviceNotice>},
        {kMsgDeviceError, "OnDeviceError", &MainWindowRouting::Notice<kMsgDeviceError>},
        {kMsgAudioSettingInvalid, "OnAudioSettingInvalid", &MainWindowRouting::Notice<kMsgAudioSettingInvalid>},
        // The shell's callback for the icon; the shell makes nothing of the answer.
        {kMsgTrayCallback, "OnTrayMessage",
         [](CBACKDlg& w, WParam wParam, LParam lParam, IDefaultProcessing&) -> std::optional<LResult> {
             w.m_trayIcon.OnTrayMessage(wParam, lParam);
             return 0;
         }},
        {kMsgSnapshot, "OnSnapshot",
         [](CBACKDlg& w, WParam, LParam, IDefaultProcessing&) -> std::optional<LResult> {
             return w.m_snapshot.OnSnapTaken();
         }},
        {kMsgSnapNotInstalled, "OnSnapNotice", &MainWindowRouting::Notice<kMsgSnapNotInstalled>},
        {kMsgFileWriteError, "OnFileWriteError", &MainWindowRouting::Notice<kMsgFileWriteError>},
        {kMsgShowPictureError, "OnShowPictureError", &MainWindowRouting::Notice<kMsgShowPictureError>},
        {kMsgExit, "Exit",
         [](CBACKDlg& w, WParam, LParam, IDefaultProcessing&) -> std::optional<LResult> {
             w.Exit();
             return 0;
         }},
    };
    static_assert(shell::OneRowPerMessage(kMessages), "a message has one handler");


    // The tray popup (menu 129 of the resource script), one row per entry: a command
    // with its id, the console button that runs it too, its text and its handler; a
    // submenu with its position. The routing and the language texts come from here;
    // the rows are in the order a language's texts are applied. The built-in texts
    // are the system's own, misspellings included: do not correct them.
    static constexpr shell::TrayMenuRow<CommandHandler> kTrayMenu[] = {
        {ID_TRAY_VIDEO_SETTING, IDC_VIDEO_SETTING, {"VideoSet", "Video Setting", config::MenuTextTarget::ItemKeepState},
         "OnVideoSetting", [](CBACKDlg& w, std::uint32_t) { w.m_videoSettings.OnVideoSetting(); }},
        {ID_TRAY_AUDIO_SETTING, IDC_AUDIO_SETTING, {"AudioSet", "Audio Setting", config::MenuTextTarget::ItemKeepState},
         "OnAudioSetting", [](CBACKDlg& w, std::uint32_t) { w.m_audioSetting.OnAudioSetting(); }},
        {ID_TRAY_CONSOLE, 0, {"Main", "PC Carema Console (&M)", config::MenuTextTarget::Item}, "OnConsole",
         [](CBACKDlg& w, std::uint32_t) { w.OnConsole(); }},
        {ID_TRAY_SNAP_PATH, IDC_BROWSE, {"SnapPath", "Snap Store Path (&S)", config::MenuTextTarget::Item},
         "OnSnapStorePath", [](CBACKDlg& w, std::uint32_t) { w.m_snapshot.OnSnapStorePath(); }},
        {ID_TRAY_EXIT, 0, {"Exit", "Exit (&E)", config::MenuTextTarget::Item}, "Exit",
         [](CBACKDlg& w, std::uint32_t) { w.Exit(); }},
        {TRAY_POSITION_LANGUAGE, 0, {"Language", "Language", config::MenuTextTarget::Entry}, nullptr, nullptr},
        {TRAY_POSITION_DEVICE, 0, {"Device", "Device Option", config::MenuTextTarget::Entry}, nullptr, nullptr},
    };
    static constexpr auto kMenuTexts = shell::MenuTextsOf(kTrayMenu);

    // WM_COMMAND of everything else: menu items carry notification 0, controls their own.
    static constexpr shell::CommandRow<CommandHandler> kCommands[] = {
        {kIDCANCEL, kIDCANCEL, kBN_CLICKED, "OnCancel",
         [](CBACKDlg& w, std::uint32_t) { w.m_platform.window.showWindow(kSW_HIDE); }},
        {IDC_VIDEO_DEVICE, IDC_VIDEO_DEVICE, kCBN_SELCHANGE, "OnVideoDeviceBox",
         [](CBACKDlg& w, std::uint32_t) { w.m_videoDevices.OnVideoDeviceBox(); }},
        {IDC_AUDIO_DEVICE, IDC_AUDIO_DEVICE, kCBN_SELCHANGE, "OnAudioDeviceBox",
         [](CBACKDlg& w, std::uint32_t) { w.m_audioInterfaces.OnAudioDeviceBox(); }},
        {camera::kVideoCommandFirst, camera::kVideoCommandLast, 0, "OnVideoDeviceMenu",
         [](CBACKDlg& w, std::uint32_t id) { w.m_videoDevices.OnVideoDeviceMenu(id); }},
        {kAudioCommandFirst, kAudioCommandLast, 0, "OnAudioDeviceMenu",
         [](CBACKDlg& w, std::uint32_t id) { w.m_audioInterfaces.OnAudioDeviceMenu(id); }},
        {kLanguageCommandFirst, kLanguageCommandLast, 0, "OnLanguageMenu",
         [](CBACKDlg& w, std::uint32_t id) { w.OnLanguageMenu(id); }},
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
      m_startTimer(platform.window, kTimerStart),
      m_gravityTimer(platform.window, kTimerGravity),
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
      m_StartScreen(platform, m_port, m_policy, [this]() { m_pipeline.OnSettingChange(0, nullptr); }),
      m_ledCheck(platform.registry, platform.files, platform.shell, variant.programName, m_port),
      m_bringUp(platform, variant, m_port, m_settings, m_videoDevices, m_policy, m_oem, m_pipeline, m_ledCheck),
      m_audioInterfaces(platform.deviceSetup, platform.deviceIo, platform.menus, platform.window, m_port, m_settings,
                        m_videoDevices, platform.clock.tickCount()),
      m_audioSetting(m_audioInterfaces, platform.deviceIo, platform.dialogs, platform.window, m_port, m_languages) {
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
    if (const auto* row = shell::FindTrayCommand(MainWindowRouting::kTrayMenu, id, notifyCode, kBN_CLICKED)) {
        return row->name;
    }
    const auto* row = shell::FindCommand(MainWindowRouting::kCommands, id, notifyCode);
    return row != nullptr ? row->name : nullptr;
}

bool CBACKDlg::preTranslateMessage(Hwnd, std::uint32_t msg, WParam wParam, LParam) {
    if (msg == kGravityRotateMsg1 || msg == kGravityRotateMsg2) {
        // A turn comes as a burst of events: only the quiet after the last one counts.
        m_gravityTimer.restart(kGravityDebounceMs);
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
        return row->handler(*this, wParam, lParam, defaultProcessing);
    }
    // A restarted shell has lost every icon. The message's number is registered at
    // run time, so it has no row of the table.
    const std::uint32_t taskbarCreated = m_trayIcon.taskbarCreatedMessage();
    if (taskbarCreated != 0 && msg == taskbarCreated) {
        m_trayIcon.OnShellRestart(wParam, lParam);
        return 0;
    }
    return std::nullopt;
}

LResult CBACKDlg::OnInitDialog() {
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

    const MenuHandle popup = m_trayIcon.popup();
    m_videoDevices.bindMenu(m_platform.menus.getSubMenu(popup, TRAY_POSITION_DEVICE));
    m_audioInterfaces.bindMenu(m_videoDevices.deviceMenu());
    m_languages.bindMenus(popup, m_platform.menus.getSubMenu(popup, TRAY_POSITION_LANGUAGE),
                          MainWindowRouting::kMenuTexts.data(), MainWindowRouting::kMenuTexts.size());

    LoadSettings();
    // A store path chosen before the last exit is still the driver's.
    m_snapshot.RestoreStorePath();

    m_platform.window.setIconBig();

    // From here the icon is the window's; its messages come through the table above.
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

    m_startTimer.start(kStartDelayMs);
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

std::optional<LResult> CBACKDlg::OnPaint() {
    if (!m_platform.window.isIconic()) {
        return std::nullopt;
    }
    const Rect client = m_platform.window.getClientRect();
    const Size icon = m_platform.window.iconSize();
    m_platform.window.paintIcon((client.width() - icon.cx + 1) / 2, (client.height() - icon.cy + 1) / 2);
    return 0;
}

void CBACKDlg::OnTimer(std::uint32_t id) {
    if (m_startTimer.fire(id)) {
        WriteLog("timer! 5sec", 0);
        m_bringUp.OnStartTimer();
    } else if (m_gravityTimer.fire(id)) {
        WriteLog("i get GRAVITY_ROTATE_MSG event", 0);
        OnSettingChange();
    }
}

void CBACKDlg::OnCommand(WParam wParam, LParam lParam) {
    const std::uint32_t id = loWord(wParam);
    // Menu items and accelerators carry no control window; their code counts as 0.
    const std::uint32_t code = lParam == 0 ? 0 : hiWord(wParam);
    if (const auto* row = shell::FindTrayCommand(MainWindowRouting::kTrayMenu, id, code, kBN_CLICKED)) {
        row->handler(*this, id);
    } else if (const auto* other = shell::FindCommand(MainWindowRouting::kCommands, id, code)) {
        other->handler(*this, id);
    }
}

void CBACKDlg::OnConsole() {
    const Rect client = m_platform.window.getClientRect();
    const int x = (m_platform.window.getSystemMetrics(kSM_CXSCREEN) - client.width()) / 2;
    const int y = (m_platform.window.getSystemMetrics(kSM_CYSCREEN) - client.height()) / 2;
    m_platform.window.moveWindowNoSize(x, y);
    m_platform.window.showWindow(kSW_SHOWNORMAL);
}

LResult CBACKDlg::OnGrayOut(bool video) {
    m_platform.window.enableDlgItem(video ? IDC_VIDEO_SETTING : IDC_AUDIO_SETTING, false);
    const MenuHandle popup = m_trayIcon.popup();
    if (popup != 0) {
        m_platform.menus.enableMenuItem(popup, video ? ID_TRAY_VIDEO_SETTING : ID_TRAY_AUDIO_SETTING,
                                        kMF_BYCOMMAND | kMF_GRAYED);
    }
    return 1;
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
