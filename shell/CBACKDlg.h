// The main window: a hidden dialog that receives every message, timer and device
// notification of the program, and doubles as the camera console.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/VideoDeviceEntry.h"
#include "config/Settings.h"
#include "firmware/CFirmwareChannel.h"
#include "firmware/Variant.h"
#include "platform/Platform.h"
#include "rotation/OemRecord.h"
#include "rotation/StartScreenWatcher.h"
#include "shell/CommandRouting.h"

class CBACKDlg : public platform::IDialogHandler {
public:
    CBACKDlg(const platform::Platform& platform, const firmware::Variant& variant);
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
    void WriteLog(std::string message, int flag);

    void LoadSettings();

    const config::Settings& settings() const { return m_settings; }
    const char* programDirectory() const { return m_szProgramDir; }
    const std::string& monitorLogPath() const { return m_strMonitorLogPath; }
    const firmware::Variant& variant() const { return m_variant; }
    bool firstRun() const { return m_bFirstRun != 0; }
    bool trayMenuAllowed() const { return m_bTrayMenuAllowed != 0; }
    const rotation::OemRecord* oemRecords() const { return Internal_camera.get(); }
    rotation::OemRecord* oemRecords() { return Internal_camera.get(); }
    bool isWin8() const { return m_bWin8 != 0; }
    const rotation::CStartScreenWatcher& startScreenWatcher() const { return m_StartScreen; }
    const std::vector<camera::VideoDeviceEntry>& videoDevices() const { return m_VideoDevices; }
    int videoDeviceCount() const { return m_nVideoCount; }
    std::int32_t rotationEnable() const { return RotationEnable; }
    platform::MenuHandle trayPopupMenu() const { return m_hTrayPopup; }
    platform::MenuHandle deviceOptionMenu() const { return m_hDeviceMenu; }
    platform::MenuHandle languageMenu() const { return m_hLanguageMenu; }

    // Handlers that the triggers of the main window run.
    void OnSettingChange(std::uint32_t flags = 0, const char* section = nullptr);
    void MactionAction();

    // Rotation: remapping for the camera's mounting, and the first rotation of a new camera.
    void ChangeRotation(int* iRotation);
    void SetMountRotation();
    // Policy inputs.
    int ReadLSKey();
    int IsWin8();
    int smbios_info(rotation::OemRecord* records);

    // The firmware channel that lives around one camera bring-up.
    firmware::CFirmwareChannel* pCamera() const { return m_pCamera.get(); }
    firmware::CFirmwareChannel* CreateFirmwareChannel();
    void DestroyFirmwareChannel();
    // The identity check: 1 when the camera's ids were (re)recorded, 0 when unchanged.
    int CheckDeviceIdentity();
    const firmware::UsbIdentity& identity() const { return m_identity; }
    // Keeps the camera's LED byte, its LED register and the registry in step.
    void CheckLED();
    // The per-user driver settings key, opened (and created) once per bring-up.
    platform::RegKey OpenDriverKey();
    void CloseDriverKey();

    // Video capture devices.
    void EnumVideoDevice();
    int RemoveDevice();
    platform::HResult FindIntegratedCamera(std::unique_ptr<platform::ICaptureFilter>& filter, std::string* message);
    // The selected entry (the first one when entries exist but none is selected);
    // leaves CVIterator on it.
    camera::VideoDeviceEntry* FindSelectedVideoDevice();

private:
    platform::LResult OnInitDialog();
    void OnTimer(std::uint32_t id);
    void OnCancel();
    void OnCommand(platform::WParam wParam, platform::LParam lParam);
    std::optional<platform::LResult> OnPrivateMessage(std::uint32_t msg, platform::WParam wParam,
                                                      platform::LParam lParam);
    void OnConsole();
    void OnGrayOut(platform::WParam wParam);
    void OnPaintMinimised();
    void Exit();
    void ComposeMonitorLogPath();

    // Slots of behaviour that other parts of the program fill in.
    void OnVideoSetting() {}
    void OnAudioSetting() {}
    void OnSnapStorePath() {}
    void OnVideoDeviceBox();
    void OnAudioDeviceBox() {}
    void OnVideoDeviceMenu(std::uint32_t id);
    void OnAudioDeviceMenu(std::uint32_t) {}
    void OnLanguageMenu(std::uint32_t) {}
    void OnTaskbarCreated() {}
    platform::LResult OnDeviceChange(platform::WParam event, platform::LParam data);
    void ClearOldRegistryValues();
    void WriteDriverDefaults();
    void ReleaseBringUpInterfaces();
    platform::LResult OnAudioListUpdate(platform::WParam, platform::LParam) { return 0; }
    platform::LResult OnTrayCallback(platform::WParam, platform::LParam) { return 0; }
    platform::LResult OnSnapshot() { return 0; }
    platform::LResult ShowNotice(const char*, const char*, std::uint32_t, int) { return 0; }

    platform::Platform m_platform;
    firmware::Variant m_variant;

    platform::MenuHandle m_hTrayMenu = 0;
    platform::MenuHandle m_hTrayPopup = 0;
    platform::MenuHandle m_hDeviceMenu = 0;
    platform::MenuHandle m_hLanguageMenu = 0;

    config::Settings m_settings;
    char m_szProgramDir[config::kProgramDirSize] = {};
    std::string m_strMonitorLogPath;
    std::uint32_t m_taskbarCreatedMsg = 0;

    int m_nVideoCount = 0;
    std::vector<camera::VideoDeviceEntry> m_VideoDevices;
    camera::VideoDeviceEntry* CVIterator = nullptr;

    std::unique_ptr<firmware::CFirmwareChannel> m_pCamera;
    platform::RegKey m_hDriverKey = 0;
    firmware::UsbIdentity m_identity;
    std::unique_ptr<platform::IVideoProcAmp> pProcAmp;
    std::unique_ptr<platform::ICameraCustomProperty> pCustom;
    std::unique_ptr<platform::ICaptureFilter> pCap;

    std::int32_t RotationEnable = 0;
    std::int32_t m_bTrayMenuAllowed = 1;
    std::unique_ptr<rotation::OemRecord[]> Internal_camera;
    std::int32_t m_bWin8 = 0;
    rotation::CStartScreenWatcher m_StartScreen;
    std::int32_t m_bFirstRun = 1;
};

// The process-wide main window, for code that has no window object at hand.
CBACKDlg* MainWindow();

// The free-standing trace form, for code without a window object; goes to the main
// window's trace when there is one.
void WriteLog(std::string message);
