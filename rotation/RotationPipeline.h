// The rotation pipeline: find the camera, read the display, remap for the mounting,
// add the policy flag, and hand the value to the driver. Also the first rotation of
// a newly recorded camera, which the bring-up asks for.
#pragma once

#include <cstdint>

#include "camera/VideoDeviceList.h"
#include "common/WindowPort.h"
#include "config/Settings.h"
#include "common/Variant.h"
#include "platform/Platform.h"
#include "common/OemRecord.h"
#include "rotation/PolicyInputs.h"

namespace rotation {

class RotationPipeline {
public:
    RotationPipeline(const platform::Platform& platform, const common::Variant& variant, common::IWindowPort& port,
                     const config::Settings& settings, camera::VideoDeviceList& videoDevices, PolicyInputs& policy,
                     const common::OemRecordBuffer& oem)
        : m_platform(platform),
          m_variant(variant),
          m_port(port),
          m_settings(settings),
          m_videoDevices(videoDevices),
          m_policy(policy),
          m_oem(oem) {}

    // One pass: every trigger of the main window and the Start-screen watcher runs it.
    void OnSettingChange(std::uint32_t flags = 0, const char* section = nullptr);
    // Remaps a display orientation for the camera's mounting, in place; also takes
    // RotationEnable from the OEM record.
    void ChangeRotation(int* iRotation);
    // Sends a newly recorded camera the rotation its mounting needs.
    void SetMountRotation();

    // The first value sent after start is 0; dialog initialisation arms it, the end
    // of a bring-up (or the first pass) ends it.
    void armFirstRun() { m_bFirstRun = 1; }
    void endFirstRun() { m_bFirstRun = 0; }
    bool firstRun() const { return m_bFirstRun != 0; }
    std::int32_t rotationEnable() const { return RotationEnable; }

private:
    void RunPass();

    platform::Platform m_platform;
    common::Variant m_variant;
    common::IWindowPort& m_port;
    const config::Settings& m_settings;
    camera::VideoDeviceList& m_videoDevices;
    PolicyInputs& m_policy;
    const common::OemRecordBuffer& m_oem;

    std::int32_t RotationEnable = 0;
    std::int32_t m_bFirstRun = 1;
};

}  // namespace rotation
