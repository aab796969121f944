// Time from kernel32 and the C runtime.
#pragma once

#include "platform/Clock.h"

namespace win32 {

class Win32Clock final : public platform::IClock {
public:
    void sleep(std::uint32_t milliseconds) override;
    std::uint32_t tickCount() const override;
    bool localTime(std::tm& out) const override;
};

}  // namespace win32
