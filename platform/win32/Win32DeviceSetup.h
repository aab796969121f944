// SetupAPI and the Configuration Manager as the program uses them: the devices of a
// setup class, their ids and registry properties, and device-interface notifications
// for a window.
#pragma once

#include <vector>

#include "platform/DeviceSetup.h"

namespace win32 {

class Win32DeviceSetup final : public platform::IDeviceSetup {
public:
    Win32DeviceSetup() = default;
    ~Win32DeviceSetup() override;
    Win32DeviceSetup(const Win32DeviceSetup&) = delete;
    Win32DeviceSetup& operator=(const Win32DeviceSetup&) = delete;

    std::unique_ptr<platform::IDeviceInfoSet> getClassDevs(const platform::Guid& classGuid,
                                                           std::uint32_t flags) override;
    bool registerInterfaceNotification(platform::Hwnd window, const platform::Guid& interfaceClass) override;

private:
    // HDEVNOTIFY handles, unregistered when the program's platform goes away.
    std::vector<void*> m_notifications;
};

}  // namespace win32
