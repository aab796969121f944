// Window-manager calls of user32 that name their window, and the relay thunk: the one
// Win32 window procedure the program installs, forwarding to its portable relay.
#pragma once

#include "platform/WindowManager.h"

namespace win32 {

class Win32WindowManager final : public platform::IWindowManager {
public:
    void registerRelay(platform::RelayProc relay) override;
    platform::WndProc relayProcedure() const override;
    platform::WndProc setWindowProc(platform::Hwnd hwnd, platform::WndProc proc) override;
    platform::LResult callWindowProc(platform::WndProc proc, platform::Hwnd hwnd, std::uint32_t msg,
                                     platform::WParam wParam, platform::LParam lParam) override;
    bool setForegroundWindow(platform::Hwnd hwnd) override;
    bool getCursorPos(platform::Point& out) const override;
    bool postMessageTo(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam,
                       platform::LParam lParam) override;
    int messageBox(platform::Hwnd owner, const std::string& text, const std::string& caption,
                   std::uint32_t type) override;
};

}  // namespace win32
