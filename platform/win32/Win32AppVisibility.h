// The app-visibility service through COM. Creating it fails where the system has no
// such service (Windows before 8, Wine); the program copes with that.
#pragma once

#include "platform/AppVisibility.h"

namespace win32 {

class Win32AppVisibilityService final : public platform::IAppVisibilityService {
public:
    platform::HResult create(std::unique_ptr<platform::IAppVisibility>& out) override;
};

}  // namespace win32
