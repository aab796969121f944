// DirectShow's system device enumerator and what it leads to, through COM. Each
// object handed out owns one COM reference and releases it when destroyed.
#pragma once

#include "platform/VideoCatalog.h"

namespace win32 {

class Win32VideoCatalog final : public platform::IVideoCatalog {
public:
    platform::HResult createSystemDeviceEnum(std::uint32_t classContext,
                                             std::unique_ptr<platform::IDeviceEnumerator>& out) override;
};

}  // namespace win32
