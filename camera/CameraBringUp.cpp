// Bringing a newly seen camera into the state the program expects: open its firmware
// channel, check its driver, record its identity, write the driver defaults for a new
// camera, check the LED, and rotate it once.
#include <cstring>
#include <vector>

#include "firmware/HexWord.h"
#include "platform/Constants.h"
#include "platform/RegistryValues.h"
#include "shell/CBACKDlg.h"
#include "shell/Format.h"

using namespace platform;

namespace {

constexpr const char* kObsoleteValues[] = {"AEManual_UI", "BGain_UI", "GGain_UI", "IMQuality_UI", "OutDoor_UI",
                                           "RGain_UI"};
constexpr std::int32_t kDefaultedProperties[] = {
    kVideoProcAmp_Brightness, kVideoProcAmp_Contrast,  kVideoProcAmp_Hue,
    kVideoProcAmp_Saturation, kVideoProcAmp_Sharpness, kVideoProcAmp_Gamma,
    kVideoProcAmp_BacklightCompensation, kKSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY};
constexpr std::uint32_t kMaxImagingDevices = 4096;
// "USB\VID_vvvv&PID_pppp": the product id ends at character 20.
constexpr std::size_t kHardwareIdLength = 21;

}  // namespace

void CBACKDlg::MactionAction() {
    WriteLog("in MactionAction", 0);
    if (!Internal_camera) {
        Internal_camera.reset(new rotation::OemRecord[rotation::kOemRecordCount]());
    }
    smbios_info(Internal_camera.get());

    if (!m_pCamera || m_pCamera->Open('e', 0) != 0) {
        WriteLog("Velnor Camera init fail", 0);
    } else {
        WriteLog("Velnor Camera init ok", 0);
        if (FindIntegratedCamera(pCap, nullptr) != 0 || !pCap) {
            WriteLog("The name is not intergate...", 0);
        } else {
            WriteLog("The name is intergate...", 0);
            std::unique_ptr<ICameraCustomProperty> pCusP;
            pCap->queryCustomProperty(pCusP);
            if (pCusP) {
                WriteLog("QueryInterface pCusP  = TRUE", 0);
                pCusP.reset();
                if (CheckDeviceIdentity() == 1) {
                    SetMountRotation();
                    ClearOldRegistryValues();
                    WriteDriverDefaults();
                } else {
                    WriteLog("The same camera, no need change", 0);
                }
                if (m_settings.LedCtrl != 0) {
                    CheckLED();
                }
            } else {
                WriteLog("QueryInterface pCusP  = FALSE", 0);
                WriteLog("Not velnor driver", 0);
            }
        }
    }

    OnSettingChange(0, nullptr);
    m_bFirstRun = 0;

    WriteLog("Clean, pProcAmp & pCustom & pCap & pCamera", 0);
    pProcAmp.reset();
    WriteLog("1", 0);
    pCustom.reset();
    WriteLog("2", 0);
    pCap.reset();
    WriteLog("3", 0);
    if (m_pCamera) {
        m_pCamera->Close();
    }
    WriteLog("8", 0);
    CloseDriverKey();
}

int CBACKDlg::CheckDeviceIdentity() {
    if (m_pCamera) {
        m_pCamera->FindUsbIdentity(m_identity);
    }
    WriteLog(shell::Format("Pid=0x%x, vid=0x%x", m_identity.pid, m_identity.vid), 0);

    // The Imaging class has the final word: the last present device with a USB hardware
    // id gives the ids.
    if (std::unique_ptr<IDeviceInfoSet> set =
            m_platform.deviceSetup.getClassDevs(kGUID_DEVCLASS_IMAGE, kDIGCF_PRESENT)) {
        char vidText[4] = {};
        char pidText[4] = {};
        bool found = false;
        for (std::uint32_t index = 0; index < kMaxImagingDevices && set->enumDeviceInfo(index); ++index) {
            std::vector<std::uint8_t> hardwareIds;
            if (!firmware::ReadHardwareIds(*set, index, hardwareIds)) {
                continue;
            }
            const char* first = reinterpret_cast<const char*>(hardwareIds.data());
            if (strnlen(first, hardwareIds.size()) < kHardwareIdLength) {
                continue;
            }
            std::memcpy(vidText, first + 8, 4);
            std::memcpy(pidText, first + 17, 4);
            found = true;
        }
        set.reset();
        if (found) {
            m_identity.pid = firmware::ParseHexWord(pidText);
            m_identity.vid = firmware::ParseHexWord(vidText);
        }
        WriteLog(shell::Format("old method Pid=0x%x, vid=0x%x", m_identity.pid, m_identity.vid), 0);
    }

    const RegKey key = OpenDriverKey();
    std::uint32_t storedVid = 0;
    std::uint32_t storedPid = 0;
    if (!ReadDwordValue(m_platform.registry, key, "Camera_VID", storedVid)) {
        WriteLog("====Reg is empty", 0);
    } else {
        if (ReadDwordValue(m_platform.registry, key, "Camera_PID", storedPid) && storedVid == m_identity.vid &&
            storedPid == m_identity.pid) {
            return 0;
        }
        WriteLog("====pid vid is different", 0);
    }
    WriteLog("====I write the pid vid in reg", 0);
    if (key != 0) {
        WriteDwordValue(m_platform.registry, key, "Camera_VID", m_identity.vid);
        WriteDwordValue(m_platform.registry, key, "Camera_PID", m_identity.pid);
    }
    return 1;
}

void CBACKDlg::ClearOldRegistryValues() {
    WriteLog("====clear old reg", 0);
    const RegKey key = OpenDriverKey();
    if (key == 0) {
        return;
    }
    for (const char* name : kObsoleteValues) {
        m_platform.registry.deleteValue(key, name);
    }
}

void CBACKDlg::WriteDriverDefaults() {
    WriteLog("====set default to driver", 0);
    if (!pCap) {
        return;
    }
    if (pCap->queryProcAmp(pProcAmp) >= 0 && pProcAmp) {
        for (std::int32_t property : kDefaultedProperties) {
            std::int32_t min = 0;
            std::int32_t max = 0;
            std::int32_t step = 0;
            std::int32_t defaultValue = 0;
            std::int32_t caps = 0;
            if (pProcAmp->GetRange(property, &min, &max, &step, &defaultValue, &caps) >= 0) {
                pProcAmp->Set(property, defaultValue, kVideoProcAmp_Flags_Manual);
            }
        }
        pProcAmp->Set(kVideoProcAmp_WhiteBalance, 0, kVideoProcAmp_Flags_Auto);
    }
    if (pCap->queryCustomProperty(pCustom) < 0 || !pCustom) {
        return;
    }
    struct Default {
        std::uint32_t property;
        std::uint32_t value;
    };
    for (const Default& item : {Default{0, 0}, Default{6, 0}, Default{5, 0}, Default{4, 10}}) {
        std::uint32_t value = item.value;
        pCustom->SetCustomProperty(item.property, &value);
    }
}

void CBACKDlg::ReleaseBringUpInterfaces() {
    pProcAmp.reset();
    pCap.reset();
    pCustom.reset();
}

LResult CBACKDlg::OnDeviceChange(WParam event, LParam data) {
    if (event != kDBT_DEVICEARRIVAL && event != kDBT_DEVICEREMOVECOMPLETE) {
        return 0;
    }
    const auto* header = reinterpret_cast<const DevBroadcastHeader*>(data);
    if (header == nullptr || header->dbch_devicetype != kDBT_DEVTYP_DEVICEINTERFACE) {
        return 0;
    }
    // A record too short to hold its class is not an interface notice we can read.
    if (header->dbch_size < offsetof(DevBroadcastDeviceInterface, dbcc_classguid) + sizeof(Guid)) {
        return 0;
    }
    const auto* notice = reinterpret_cast<const DevBroadcastDeviceInterface*>(data);
    if (std::memcmp(&notice->dbcc_classguid, &kKSCATEGORY_VIDEO, sizeof(Guid)) != 0) {
        return 1;
    }
    m_platform.com.initialize();
    CreateFirmwareChannel();
    if (event == kDBT_DEVICEARRIVAL) {
        MactionAction();
    }
    DestroyFirmwareChannel();
    ReleaseBringUpInterfaces();
    return 1;
}
