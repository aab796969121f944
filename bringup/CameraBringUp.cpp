// Bringing a newly seen camera into the state the program expects: open its firmware
// channel, check its driver, record its identity, write the driver defaults for a new
// camera, check the LED, and rotate it once.
#include "bringup/CameraBringUp.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "common/Format.h"
#include "platform/Constants.h"
#include "platform/DeviceSetup.h"
#include "platform/RegistryValues.h"
#include "platform/Scoped.h"

using namespace platform;

namespace bringup {
namespace {

constexpr const char* kObsoleteValues[] = {"AEManual_UI", "BGain_UI", "GGain_UI", "IMQuality_UI", "OutDoor_UI",
                                           "RGain_UI"};
constexpr std::int32_t kDefaultedProperties[] = {
    kVideoProcAmp_Brightness, kVideoProcAmp_Contrast,  kVideoProcAmp_Hue,
    kVideoProcAmp_Saturation, kVideoProcAmp_Sharpness, kVideoProcAmp_Gamma,
    kVideoProcAmp_BacklightCompensation, kKSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY};
constexpr std::uint32_t kMaxImagingDevices = 4096;

struct CustomDefault {
    std::uint32_t property;
    std::uint32_t value;
};
constexpr CustomDefault kCustomDefaults[] = {{0, 0}, {6, 0}, {5, 0}, {4, 10}};

}  // namespace

void CameraBringUp::OnStartTimer() {
    ScopedCom com(m_platform.com);
    MactionAction();
}

void CameraBringUp::MactionAction() {
    BringUp run(m_platform, m_variant);
    m_port.WriteLog("in MactionAction", 0);
    if (!m_oem.allocated()) {
        m_oem.allocate();
    }
    m_policy.smbios_info(m_oem.records());

    firmware::CFirmwareChannel& camera = *run.pCamera;
    if (camera.Open('e', 0) != 0) {
        m_port.WriteLog("Velnor Camera init fail", 0);
    } else {
        m_port.WriteLog("Velnor Camera init ok", 0);
        if (m_videoDevices.FindIntegratedCamera(run.pCap, nullptr) != 0 || !run.pCap) {
            m_port.WriteLog("The name is not intergate...", 0);
        } else {
            m_port.WriteLog("The name is intergate...", 0);
            std::unique_ptr<ICameraCustomProperty> pCusP;
            run.pCap->queryCustomProperty(pCusP);
            if (pCusP) {
                m_port.WriteLog("QueryInterface pCusP  = TRUE", 0);
                pCusP.reset();
                if (CheckDeviceIdentity(camera, run.driverKey) == 1) {
                    m_pipeline.SetMountRotation();
                    ClearOldRegistryValues(run.driverKey);
                    WriteDriverDefaults(run);
                } else {
                    m_port.WriteLog("The same camera, no need change", 0);
                }
                // An update an earlier run could not finish is put right first, LED
                // check or not: the camera's firmware shares the flash.
                const bool flashWhole = m_ledCheck.MendFlash(camera, m_identity);
                if (m_settings.LedCtrl != 0) {
                    if (flashWhole) {
                        m_ledCheck.CheckLED(camera, run.driverKey.OpenDriverKey(), m_oem.devInfo(), m_identity);
                    } else {
                        m_port.WriteLog("LED check skipped: the flash is not whole yet", 0);
                    }
                }
            } else {
                m_port.WriteLog("QueryInterface pCusP  = FALSE", 0);
                m_port.WriteLog("Not velnor driver", 0);
            }
        }
    }

    if (camera.budgetExhausted()) {
        m_port.WriteLog("firmware channel gave up: transfer budget spent", 0);
    }
    m_pipeline.OnSettingChange(0, nullptr);
    m_pipeline.endFirstRun();
    Release(run);
}

void CameraBringUp::Release(BringUp& run) {
    m_port.WriteLog("Clean, pProcAmp & pCustom & pCap & pCamera", 0);
    run.pProcAmp.reset();
    m_port.WriteLog("1", 0);
    run.pCustom.reset();
    m_port.WriteLog("2", 0);
    run.pCap.reset();
    m_port.WriteLog("3", 0);
    run.pCamera->Close();
    m_port.WriteLog("8", 0);
    run.driverKey.CloseDriverKey();
}

int CameraBringUp::CheckDeviceIdentity(firmware::CFirmwareChannel& camera, camera::DriverKey& driverKey) {
    camera.FindUsbIdentity(m_identity);
    m_port.WriteLog(common::Format("Pid=0x%x, vid=0x%x", m_identity.pid, m_identity.vid), 0);

    // The Imaging class has the final word: the last present device with a USB hardware
    // id gives the ids.
    if (std::unique_ptr<IDeviceInfoSet> set =
            m_platform.deviceSetup.getClassDevs(kGUID_DEVCLASS_IMAGE, kDIGCF_PRESENT)) {
        firmware::UsbIdentity found;
        bool any = false;
        for (std::uint32_t index = 0; index < kMaxImagingDevices && set->enumDeviceInfo(index); ++index) {
            std::vector<std::uint8_t> hardwareIds;
            if (!firmware::ReadHardwareIds(*set, index, hardwareIds)) {
                continue;
            }
            const char* first = reinterpret_cast<const char*>(hardwareIds.data());
            if (strnlen(first, hardwareIds.size()) < firmware::kUsbHardwareIdLength) {
                continue;
            }
            found = firmware::ParseUsbHardwareId(hardwareIds);
            any = true;
        }
        set.reset();
        if (any) {
            m_identity = found;
        }
        m_port.WriteLog(common::Format("old method Pid=0x%x, vid=0x%x", m_identity.pid, m_identity.vid), 0);
    }

    const RegKey key = driverKey.OpenDriverKey();
    std::uint32_t storedVid = 0;
    std::uint32_t storedPid = 0;
    if (!ReadDwordValue(m_platform.registry, key, "Camera_VID", storedVid)) {
        m_port.WriteLog("====Reg is empty", 0);
    } else {
        if (ReadDwordValue(m_platform.registry, key, "Camera_PID", storedPid) && storedVid == m_identity.vid &&
            storedPid == m_identity.pid) {
            return 0;
        }
        m_port.WriteLog("====pid vid is different", 0);
    }
    m_port.WriteLog("====I write the pid vid in reg", 0);
    if (key != 0) {
        WriteDwordValue(m_platform.registry, key, "Camera_VID", m_identity.vid);
        WriteDwordValue(m_platform.registry, key, "Camera_PID", m_identity.pid);
    }
    return 1;
}

void CameraBringUp::ClearOldRegistryValues(camera::DriverKey& driverKey) {
    m_port.WriteLog("====clear old reg", 0);
    const RegKey key = driverKey.OpenDriverKey();
    if (key == 0) {
        return;
    }
    for (const char* name : kObsoleteValues) {
        m_platform.registry.deleteValue(key, name);
    }
}

void CameraBringUp::WriteDriverDefaults(BringUp& run) {
    m_port.WriteLog("====set default to driver", 0);
    if (!run.pCap) {
        return;
    }
    std::unique_ptr<IVideoProcAmp>& pProcAmp = run.pProcAmp;
    if (run.pCap->queryProcAmp(pProcAmp) >= 0 && pProcAmp) {
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
    if (run.pCap->queryCustomProperty(run.pCustom) < 0 || !run.pCustom) {
        return;
    }
    for (const CustomDefault& item : kCustomDefaults) {
        std::uint32_t value = item.value;
        run.pCustom->SetCustomProperty(item.property, &value);
    }
}

LResult CameraBringUp::OnDeviceChange(WParam event, LParam data) {
    const auto* notice = InterfaceNotice(event, data);
    if (notice == nullptr) {
        return 0;
    }
    if (std::memcmp(&notice->dbcc_classguid, &kKSCATEGORY_VIDEO, sizeof(Guid)) != 0) {
        return 1;
    }
    // Left initialised on purpose, as the program always has: with the Open step's
    // own initialisation, COM depth grows by two with each camera arrival. The
    // thread's initialisation at start keeps COM up anyway, so nothing depends on it.
    m_platform.com.initialize();
    if (event == kDBT_DEVICEARRIVAL) {
        MactionAction();
    }
    return 1;
}

}  // namespace bringup
