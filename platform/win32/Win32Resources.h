// String and icon resources of the program's own module, through user32.
#pragma once

#include "platform/Resources.h"

namespace win32 {

class Win32Resources final : public platform::IResources {
public:
    int loadString(std::uint32_t id, char* buffer, int size) override;
    platform::IconHandle loadIcon(std::uint32_t id) override;
};

}  // namespace win32
