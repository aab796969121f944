// The inputs that steer rotation besides the display: the machine policy value (LS
// key), the Windows 8 test and the OEM record of the SMBIOS table.
#pragma once

#include <cstdint>

#include "common/WindowPort.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "common/OemRecord.h"

namespace rotation {

class PolicyInputs {
public:
    PolicyInputs(platform::IRegistry& registry, platform::ISystem& system, common::IWindowPort& port)
        : m_registry(registry), m_system(system), m_port(port) {}

    // The policy value "NoRotationInMetro": 1 (the camera keeps its own orientation)
    // when it cannot be read.
    int ReadLSKey();
    // 1 on Windows 8 (version 6.2); the answer is kept for the pipeline.
    int IsWin8();
    bool win8() const { return m_bWin8 != 0; }
    // Whether an app covers a monitor, as the Start-screen watcher last heard; 1 until
    // it hears otherwise. Reported in the rotation trace only.
    std::uint8_t metroMode() const { return m_bMetroMode; }
    void setMetroMode(bool appVisible) { m_bMetroMode = appVisible ? 1 : 0; }
    // Reads up to two OEM records from the SMBIOS table into `records`; 0 when at
    // least one was found.
    int smbios_info(common::OemRecord* records);

private:
    platform::IRegistry& m_registry;
    platform::ISystem& m_system;
    common::IWindowPort& m_port;
    std::int32_t m_bWin8 = 0;
    std::uint8_t m_bMetroMode = 1;
};

}  // namespace rotation
