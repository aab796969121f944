// The main window: a hidden dialog that receives every message, timer and device
// notification of the program, and doubles as the camera console. It routes each
// message, through its tables, to the subsystem object that handles it; it owns one
// object per subsystem and keeps no state but that of its own rows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "audio/AudioSetting.h"
#include "audio/AudioInterfaceList.h"
#include "bringup/CameraBringUp.h"
#include "camera/VideoDeviceList.h"
#include "camera/VideoSettings.h"
#include "config/Languages.h"
#include "config/Settings.h"
#include "firmware/LedCheck.h"
#include "common/Variant.h"
#include "platform/Platform.h"
#include "platform/Scoped.h"
#include "common/OemRecord.h"
#include "rotation/PolicyInputs.h"
#include "rotation/RotationPipeline.h"
#include "rotation/StartScreenWatcher.h"
#include "shell/MainWindowPort.h"
#include "snapshot/CSnapshot.h"
#include "tray/CTrayIcon.h"

class CBACKDlg : public platform::IDialogHandler {
public:
    CBACKDlg(const platform::Platform& platform, const common::Variant& variant);
    ~CBACKDlg() override;
    CBACKDlg(const CBACKDlg&) = delete;
    CBACKDlg& operator=(const CBACKDlg&) = delete;

    // platform::IDialogHandler
    bool preTranslateMessage(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam,
                             platform::LParam lParam) override;
    std::optional<platform::LResult> windowProc(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam,
                                                platform::IDefaultProcessing& defaultProcessing) override;

    // The trace: every step worth diagnosing is reported here; the sink decides
    // what becomes of it (the programs discard it).
    void WriteLog(std::string message, int flag) { m_port.WriteLog(message, flag); }
    void LoadSettings();
    // The handlers of the two duties, as the rest of the program names them.
    void OnSettingChange(std::uint32_t flags = 0, const char* section = nullptr) {
        m_pipeline.OnSettingChange(flags, section);
    }
    void MactionAction() { m_bringUp.MactionAction(); }

    // The objects the window owns.
    const config::Settings& settings() const { return m_settings; }
    config::Languages& languages() { return m_languages; }
    snapshot::CSnapshot& snapshot() { return m_snapshot; }
    const std::string& monitorLogPath() const { return m_strMonitorLogPath; }
    common::IWindowPort& port() { return m_port; }
    rotation::PolicyInputs& policy() { return m_policy; }
    rotation::RotationPipeline& pipeline() { return m_pipeline; }
    const common::OemRecordBuffer& oemRecords() const { return m_oem; }
    const rotation::CStartScreenWatcher& startScreenWatcher() const { return m_StartScreen; }
    camera::VideoDeviceList& videoDevices() { return m_videoDevices; }
    const camera::VideoSettings& videoSettings() const { return m_videoSettings; }
    bringup::CameraBringUp& bringUp() { return m_bringUp; }
    const audio::AudioInterfaceList& audioInterfaces() const { return m_audioInterfaces; }
    const audio::AudioSetting& audioSetting() const { return m_audioSetting; }
    platform::MenuHandle trayPopupMenu() const { return m_trayIcon.popup(); }
    platform::MenuHandle languageMenu() const { return m_languages.languageMenu(); }

    // The handler a command reaches, by the name its routing row gives; null when no
    // row takes it.
    static const char* RoutedCommand(std::uint32_t id, std::uint32_t notifyCode);

private:
    // The routing tables: their rows reach the window's objects directly.
    friend struct MainWindowRouting;

    // The work of the rows that do more than pass a message on.
    platform::LResult OnInitDialog();
    std::optional<platform::LResult> OnPaint();
    void OnTimer(std::uint32_t id);
    void OnCommand(platform::WParam wParam, platform::LParam lParam);
    void OnConsole();
    platform::LResult OnGrayOut(bool video);
    void OnLanguageMenu(std::uint32_t id);

    void Exit();
    void ComposeMonitorLogPath();
    // With ShowIcon set: icon 128 in the notification area, the caption as its tip.
    void ShowTrayIcon();

    platform::Platform m_platform;
    shell::MainWindowPort m_port;

    // The start delay and the quiet after a turn of the device.
    platform::WindowTimer m_startTimer;
    platform::WindowTimer m_gravityTimer;
    // The tray icon object for the window's life; it owns menu 129 and its popup, whose
    // submenus are looked up at initialisation.
    tray::CTrayIcon m_trayIcon;
    // Initialisation runs once, for the host's own WM_INITDIALOG.
    bool m_bInitialised = false;
    std::string m_strMonitorLogPath;

    config::Settings m_settings;
    config::Languages m_languages;
    snapshot::CSnapshot m_snapshot;
    common::OemRecordBuffer m_oem;
    rotation::PolicyInputs m_policy;
    camera::VideoDeviceList m_videoDevices;
    camera::VideoSettings m_videoSettings;
    rotation::RotationPipeline m_pipeline;
    rotation::CStartScreenWatcher m_StartScreen;
    firmware::LedCheck m_ledCheck;
    bringup::CameraBringUp m_bringUp;
    audio::AudioInterfaceList m_audioInterfaces;
    audio::AudioSetting m_audioSetting;
};

// The process-wide main window, for code that has no window object at hand.
CBACKDlg* MainWindow();

// The free-standing trace form, for code without a window object; goes to the main
// window's trace when there is one.
void WriteLog(std::string message);
