// The rotation pipeline: find the camera, read the display, remap for the mounting,
// add the policy flag, and hand the value to the driver.
#include "rotation/RotationPipeline.h"

#include "common/Format.h"
#include "platform/Constants.h"
#include "platform/Scoped.h"
#include "rotation/Mounting.h"
#include "rotation/StartScreenWatcher.h"

using namespace platform;

namespace rotation {
namespace {

constexpr std::uint32_t kRotationProperty = 7;
constexpr std::uint32_t kNoRotateFlag = 8;

}  // namespace

void RotationPipeline::OnSettingChange(std::uint32_t, const char*) {
    m_port.WriteLog("OnSettingChange", 0);
    RunPass();
    m_port.WriteLog("end OnSettingChange", 0);
}

void RotationPipeline::RunPass() {
    // COM is up for the pass and down again after it, whatever the pass found.
    ScopedCom com(m_platform.com);

    m_port.WriteLog("EnumVideoDevice start", 1);
    // Only the chosen camera gets the value: the walk binds no other.
    m_videoDevices.EnumVideoDevice(/*untilChosen=*/true);
    m_port.WriteLog("EnumVideoDevice end", 0);

    camera::VideoDeviceEntry* entry = m_videoDevices.FindSelectedVideoDevice();
    if (entry != nullptr && entry->pCmp) {
        m_port.WriteLog("bFind && CVIterator->pCmp != NULL", 0);
        m_platform.clock.sleep(static_cast<std::uint32_t>(m_settings.Delay));

        DisplayMode mode;
        m_platform.display.currentModeRotated(mode);
        if ((mode.dmFields & kDM_DISPLAYORIENTATION) == 0) {
            m_port.WriteLog("======Zelvo ~ No DM_ORIENTATION flag set!======", 0);
        }
        int iRotation = static_cast<int>(mode.dmDisplayOrientation);

        m_port.WriteLog("ChangeRotation", 0);
        ChangeRotation(&iRotation);

        m_port.WriteLog("isMetroMode", 0);
        if (m_policy.win8()) {
            m_port.WriteLog("is Win8, check launcher state.", 0);
        }
        const int inMetro = m_policy.win8() ? m_policy.metroMode() : 0;
        m_port.WriteLog(common::Format("iRotation = %d, RotationEnable = %d", iRotation, RotationEnable), 0);
        m_port.WriteLog(inMetro != 0 ? "metro mode" : "normal mode", 0);

        std::uint32_t dwValue[1] = {0};
        m_port.WriteLog(common::Format("dwValue[0] = %d, iRotation = %d", static_cast<int>(dwValue[0]), iRotation), 0);
        m_port.WriteLog("*****************", 0);
        const int lsKey = m_policy.ReadLSKey();
        m_port.WriteLog("*****************", 0);

        dwValue[0] = static_cast<std::uint32_t>(iRotation);
        if (lsKey == 1) {
            m_port.WriteLog("<<<< LS key is 1, no rotate.", 0);
            dwValue[0] += kNoRotateFlag;
        } else {
            m_port.WriteLog("<<<< LS key is 0, driver rotate", 0);
        }
        if (m_bFirstRun == 1) {
            // The driver starts from an upright picture; the first value after start
            // only confirms that.
            m_port.WriteLog("first boot up, set 0.", 0);
            dwValue[0] = 0;
            m_bFirstRun = 0;
        }
        m_port.WriteLog(common::Format("finally, I set %d to driver (SetCustomProperty)", static_cast<int>(dwValue[0])), 0);
        entry->pCmp->SetCustomProperty(kRotationProperty, &dwValue[0]);
    }

    m_port.WriteLog("RemoveDevice", 0);
    m_videoDevices.RemoveDevice();
    m_port.WriteLog("CoUninitialize", 0);
}

void RotationPipeline::ChangeRotation(int* iRotation) {
    m_port.WriteLog("in ChangeRotation", 0);
    const std::uint32_t devInfo = m_oem.devInfo();
    RotationEnable = (devInfo & common::kRotationEnableBit) != 0 ? 1 : 0;
    if (iRotation != nullptr) {
        *iRotation = RemapRotation(devInfo & common::kMountingCodeMask, *iRotation);
    }
}

void RotationPipeline::SetMountRotation() {
    ScopedCom com(m_platform.com);
    m_videoDevices.EnumVideoDevice();
    camera::VideoDeviceEntry* entry = m_videoDevices.FindSelectedVideoDevice();
    if (entry != nullptr && entry->pCmp) {
        m_platform.clock.sleep(static_cast<std::uint32_t>(m_settings.Delay));
        DisplayMode mode;
        m_platform.display.currentModeRotated(mode);
        if ((mode.dmFields & kDM_DISPLAYORIENTATION) == 0) {
            m_platform.window.messageBox("No DM_ORIENTATION flag set!", m_variant.programName,
                                         kMB_OK | kMB_ICONEXCLAMATION);
        }
        const Mounting& mounting = MountingOf(m_oem.devInfo() & common::kMountingCodeMask);
        m_port.WriteLog(mounting.mountTrace, 0);
        std::uint32_t value = mounting.mountValue;
        // The message box above runs a nested loop; the entry may be gone since.
        if (camera::VideoDeviceEntry* still = m_videoDevices.FindSelectedVideoDevice(); still != nullptr && still->pCmp) {
            still->pCmp->SetCustomProperty(kRotationProperty, &value);
        }
    }
    m_videoDevices.RemoveDevice();
}

}  // namespace rotation
