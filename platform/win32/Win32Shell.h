// The open-file dialog (comdlg32), the special folders (shell32) and WinExec.
#pragma once

#include "platform/Shell.h"

namespace win32 {

class Win32Shell final : public platform::IShell {
public:
    bool getOpenFileName(platform::OpenFileName& ofn) override;
    std::uint32_t commDlgExtendedError() override;
    bool getSpecialFolderPath(platform::Hwnd owner, char* path, int csidl, bool create) override;
    std::int32_t createDirectory(platform::Hwnd owner, const char* path) override;
    std::uint32_t winExec(const char* commandLine, int showCommand) override;
};

}  // namespace win32
