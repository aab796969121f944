// Device paths opened with CreateFileA and their control requests.
#pragma once

#include "platform/DeviceIo.h"

namespace win32 {

class Win32DeviceIo final : public platform::IDeviceIo {
public:
    std::unique_ptr<platform::IDeviceHandle> createFile(const char* path, std::uint32_t access, std::uint32_t share,
                                                        std::uint32_t disposition, std::uint32_t flags) override;
    platform::Long lastError() const override { return m_lastError; }

private:
    platform::Long m_lastError = 0;
};

}  // namespace win32
