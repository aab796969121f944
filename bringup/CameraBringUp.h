// Bringing a newly seen camera into the state the program expects: open its firmware
// channel, check its driver, record its identity, write the driver defaults for a new
// camera, check the LED, and rotate it once. Runs 5 s after start and on every
// arrival of a video capture interface.
#pragma once

#include <cstdint>
#include <memory>

#include "camera/DriverKey.h"
#include "camera/VideoDeviceList.h"
#include "common/WindowPort.h"
#include "config/Settings.h"
#include "firmware/CFirmwareChannel.h"
#include "firmware/LedCheck.h"
#include "firmware/UsbIdentity.h"
#include "common/Variant.h"
#include "platform/Platform.h"
#include "common/OemRecord.h"
#include "rotation/PolicyInputs.h"
#include "rotation/RotationPipeline.h"

namespace bringup {

// One bring-up: the firmware channel `pCamera` and the driver interfaces live only
// as long as this object, and are released (in this order) when it ends.
struct BringUp {
    BringUp(const platform::Platform& platform, const common::Variant& variant)
        : pCamera(std::make_unique<firmware::CFirmwareChannel>(platform, variant)), driverKey(platform.registry) {}

    std::unique_ptr<firmware::CFirmwareChannel> pCamera;
    std::unique_ptr<platform::ICaptureFilter> pCap;
    std::unique_ptr<platform::IVideoProcAmp> pProcAmp;
    std::unique_ptr<platform::ICameraCustomProperty> pCustom;
    camera::DriverKey driverKey;
};

class CameraBringUp {
public:
    CameraBringUp(const platform::Platform& platform, const common::Variant& variant, common::IWindowPort& port,
                  const config::Settings& settings, camera::VideoDeviceList& videoDevices, rotation::PolicyInputs& policy,
                  common::OemRecordBuffer& oem, rotation::RotationPipeline& pipeline, firmware::LedCheck& ledCheck)
        : m_platform(platform),
          m_variant(variant),
          m_port(port),
          m_settings(settings),
          m_videoDevices(videoDevices),
          m_policy(policy),
          m_oem(oem),
          m_pipeline(pipeline),
          m_ledCheck(ledCheck) {}

    // The start timer's bring-up: COM around it.
    void OnStartTimer();
    // One bring-up, on a channel of its own.
    void MactionAction();
    // WM_DEVICECHANGE: an arriving video capture interface gets a bring-up.
    platform::LResult OnDeviceChange(platform::WParam event, platform::LParam data);

    // The identity check of an opened channel: 1 when the camera's ids were
    // (re)recorded under the driver key, 0 when they were known.
    int CheckDeviceIdentity(firmware::CFirmwareChannel& camera, camera::DriverKey& key);
    const firmware::UsbIdentity& identity() const { return m_identity; }

private:
    void ClearOldRegistryValues(camera::DriverKey& key);
    void WriteDriverDefaults(BringUp& run);
    void Release(BringUp& run);

    platform::Platform m_platform;
    common::Variant m_variant;
    common::IWindowPort& m_port;
    const config::Settings& m_settings;
    camera::VideoDeviceList& m_videoDevices;
    rotation::PolicyInputs& m_policy;
    common::OemRecordBuffer& m_oem;
    rotation::RotationPipeline& m_pipeline;
    firmware::LedCheck& m_ledCheck;
    firmware::UsbIdentity m_identity;
};

}  // namespace bringup
