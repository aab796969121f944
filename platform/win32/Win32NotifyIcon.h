// The shell's notification area through shell32.
#pragma once

#include "platform/NotifyIcon.h"

namespace win32 {

class Win32NotifyIcon final : public platform::INotifyIcon {
public:
    bool shellNotifyIcon(std::uint32_t message, const platform::NotifyIconData& data) override;
};

}  // namespace win32
