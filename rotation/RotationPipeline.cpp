// The rotation pipeline: find the camera, read the display, remap for the mounting,
// add the policy flag, and hand the value to the driver.
#include "platform/Constants.h"
#include "shell/CBACKDlg.h"
#include "shell/Format.h"

using namespace platform;

namespace {

constexpr std::uint32_t kRotationProperty = 7;
constexpr std::uint32_t kNoRotateFlag = 8;

}  // namespace

void CBACKDlg::OnSettingChange(std::uint32_t, const char*) {
    WriteLog("OnSettingChange", 0);
    m_platform.com.initialize();

    WriteLog("EnumVideoDevice start", 1);
    EnumVideoDevice();
    WriteLog("EnumVideoDevice end", 0);

    camera::VideoDeviceEntry* entry = FindSelectedVideoDevice();
    if (entry != nullptr && entry->pCmp) {
        WriteLog("bFind && CVIterator->pCmp != NULL", 0);
        m_platform.clock.sleep(static_cast<std::uint32_t>(m_settings.Delay));

        DisplayMode mode;
        m_platform.display.currentModeRotated(mode);
        if ((mode.dmFields & kDM_DISPLAYORIENTATION) == 0) {
            WriteLog("======Zelvo ~ No DM_ORIENTATION flag set!======", 0);
        }
        int iRotation = static_cast<int>(mode.dmDisplayOrientation);

        WriteLog("ChangeRotation", 0);
        ChangeRotation(&iRotation);

        WriteLog("isMetroMode", 0);
        if (m_bWin8 != 0) {
            WriteLog("is Win8, check launcher state.", 0);
        }
        const int inMetro = m_bWin8 != 0 ? m_bMetroMode : 0;
        WriteLog(shell::Format("iRotation = %d, RotationEnable = %d", iRotation, RotationEnable), 0);
        WriteLog(inMetro != 0 ? "metro mode" : "normal mode", 0);

        std::uint32_t dwValue[1] = {0};
        WriteLog(shell::Format("dwValue[0] = %d, iRotation = %d", static_cast<int>(dwValue[0]), iRotation), 0);
        WriteLog("*****************", 0);
        const int lsKey = ReadLSKey();
        WriteLog("*****************", 0);

        dwValue[0] = static_cast<std::uint32_t>(iRotation);
        if (lsKey == 1) {
            WriteLog("<<<< LS key is 1, no rotate.", 0);
            dwValue[0] += kNoRotateFlag;
        } else {
            WriteLog("<<<< LS key is 0, driver rotate", 0);
        }
        if (m_bFirstRun == 1) {
            // The driver starts from an upright picture; the first value after start
            // only confirms that.
            WriteLog("first boot up, set 0.", 0);
            dwValue[0] = 0;
            m_bFirstRun = 0;
        }
        WriteLog(shell::Format("finally, I set %d to driver (SetCustomProperty)", static_cast<int>(dwValue[0])), 0);
        entry->pCmp->SetCustomProperty(kRotationProperty, &dwValue[0]);
    }

    WriteLog("RemoveDevice", 0);
    RemoveDevice();
    WriteLog("CoUninitialize", 0);
    m_platform.com.uninitialize();
    WriteLog("end OnSettingChange", 0);
}
