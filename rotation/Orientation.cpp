// Display orientation and camera mounting: which rotation the camera needs for the
// way it is built into the PC.
#include "platform/Constants.h"
#include "shell/CBACKDlg.h"

using namespace platform;

namespace {

// Rows: mounting code 2, 4, 6 and every other code; columns: display orientation 0-3.
constexpr int kRemap[4][4] = {
    {2, 1, 0, 3},  // 2: front side, half turn
    {0, 1, 2, 3},  // 4: the display's own sense
    {2, 3, 0, 1},  // 6: back side, half turn
    {0, 3, 2, 1},  // others
};

int RemapRow(std::uint32_t mountingCode) {
    switch (mountingCode) {
        case 2:
            return 0;
        case 4:
            return 1;
        case 6:
            return 2;
        default:
            return 3;
    }
}

}  // namespace

void CBACKDlg::ChangeRotation(int* iRotation) {
    WriteLog("in ChangeRotation", 0);
    const std::uint32_t devInfo = Internal_camera ? Internal_camera[0].devInfo : 0;
    RotationEnable = (devInfo & rotation::kRotationEnableBit) != 0 ? 1 : 0;
    if (iRotation == nullptr) {
        return;
    }
    const int orientation = *iRotation;
    if (orientation >= 0 && orientation <= 3) {
        *iRotation = kRemap[RemapRow(devInfo & rotation::kMountingCodeMask)][orientation];
    } else if (orientation >= 4) {
        *iRotation = orientation - 4;
    }
}

void CBACKDlg::SetMountRotation() {
    m_platform.com.initialize();
    EnumVideoDevice();
    camera::VideoDeviceEntry* entry = FindSelectedVideoDevice();
    if (entry != nullptr && entry->pCmp) {
        m_platform.clock.sleep(static_cast<std::uint32_t>(m_settings.Delay));
        DisplayMode mode;
        m_platform.display.currentModeRotated(mode);
        if ((mode.dmFields & kDM_DISPLAYORIENTATION) == 0) {
            m_platform.window.messageBox("No DM_ORIENTATION flag set!", m_variant.programName,
                                         kMB_OK | kMB_ICONEXCLAMATION);
        }
        const std::uint32_t devInfo = Internal_camera ? Internal_camera[0].devInfo : 0;
        const std::uint32_t mountingCode = devInfo & rotation::kMountingCodeMask;
        std::uint32_t value = 0;
        if (mountingCode == 2 || mountingCode == 6) {
            WriteLog("Front side, 180 or Back side, 180", 0);
            value = 2;
        } else {
            WriteLog("Front side, 0 or Back side 0", 0);
        }
        // The message box above runs a nested loop; the entry may be gone since.
        if (camera::VideoDeviceEntry* still = FindSelectedVideoDevice(); still != nullptr && still->pCmp) {
            still->pCmp->SetCustomProperty(7, &value);
        }
    }
    RemoveDevice();
    m_platform.com.uninitialize();
}
