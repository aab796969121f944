// COM on the program's thread through ole32.
#pragma once

#include "platform/System.h"

namespace win32 {

class Win32Com final : public platform::ICom {
public:
    platform::HResult initialize() override;
    void uninitialize() override;
};

}  // namespace win32
