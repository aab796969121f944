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
    platform::MenuHandle trayPopupMenu() const { return m_hTrayPopup; }
    platform::MenuHandle languageMenu() const { return m_hLanguageMenu; }

    // The handler a command reaches, by the name its routing row gives; null when no
    // row takes it.
    static const char* RoutedCommand(std::uint32_t id, std::uint32_t notifyCode);

private:
    friend struct MainWindowRouting;

    // Rows of the message table.
    std::optional<platform::LResult> OnInitDialog(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnPaint(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnQueryDragIcon(platform::WParam, platform::LParam,
                                                     platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnWmSettingChange(platform::WParam, platform::LParam,
                                                       platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnDisplayChange(platform::WParam, platform::LParam,
                                                     platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnDeviceChange(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnTimer(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnEndSession(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnCommand(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnGrayOut(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnCameraNotice(platform::WParam, platform::LParam,
                                                    platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnAudioListUpdate(platform::WParam, platform::LParam,
                                                       platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnDeviceNotice(platform::WParam, platform::LParam,
                                                    platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnDeviceError(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnAudioSettingInvalid(platform::WParam, platform::LParam,
                                                           platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnTrayCallback(platform::WParam, platform::LParam,
                                                    platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnSnapshot(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnSnapNotice(platform::WParam, platform::LParam, platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnFileWriteError(platform::WParam, platform::LParam,
                                                      platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnShowPictureError(platform::WParam, platform::LParam,
                                                        platform::IDefaultProcessing&);
    std::optional<platform::LResult> OnExitMessage(platform::WParam, platform::LParam, platform::IDefaultProcessing&);

    // Rows of the command table.
    void OnCancel(std::uint32_t);
    void OnConsole(std::uint32_t);
    void OnVideoSetting(std::uint32_t) { m_videoSettings.OnVideoSetting(); }
    void OnAudioSetting(std::uint32_t) { m_audioSetting.OnAudioSetting(); }
    void OnExitCommand(std::uint32_t) { Exit(); }
    void OnSnapStorePath(std::uint32_t) { m_snapshot.OnSnapStorePath(); }
    void OnVideoDeviceBox(std::uint32_t) { m_videoDevices.OnVideoDeviceBox(); }
    void OnAudioDeviceBox(std::uint32_t) { m_audioInterfaces.OnAudioDeviceBox(); }
    void OnVideoDeviceMenu(std::uint32_t id) { m_videoDevices.OnVideoDeviceMenu(id); }
    void OnAudioDeviceMenu(std::uint32_t id) { m_audioInterfaces.OnAudioDeviceMenu(id); }
    void OnLanguageMenu(std::uint32_t id);
    void OnTaskbarCreated() {}

    void Exit();
    void ComposeMonitorLogPath();
    // With ShowIcon set: icon 128 in the notification area, the caption as its tip.
    void ShowTrayIcon();

    platform::Platform m_platform;
    shell::MainWindowPort m_port;

    // The tray icon object for the window's life; it owns menu 129, whose submenus are
    // looked up at initialisation.
    tray::CTrayIcon m_trayIcon;
    platform::MenuHandle m_hTrayPopup = 0;
    platform::MenuHandle m_hLanguageMenu = 0;
    std::uint32_t m_taskbarCreatedMsg = 0;
    // Initialisation runs once, for the host's own WM_INITDIALOG.
    bool m_bInitialised = false;
    // The timers this window armed and has not killed; a WM_TIMER for any other id,
    // from another process say, runs nothing.
    bool m_bStartTimerArmed = false;
    bool m_bGravityTimerArmed = false;
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
