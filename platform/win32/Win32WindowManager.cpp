#include "platform/win32/Win32WindowManager.h"

#include <windows.h>

namespace win32 {

namespace {

HWND toHwnd(platform::Hwnd hwnd) { return reinterpret_cast<HWND>(hwnd); }
platform::Hwnd fromHwnd(HWND hwnd) { return reinterpret_cast<platform::Hwnd>(hwnd); }

// A window procedure is called with the system's calling convention (stdcall on
// 32-bit Windows), the program's relay with the compiler's own: the thunk bridges
// the two. One relay serves every hooked window of the process.
platform::RelayProc g_relay = nullptr;

LRESULT CALLBACK relayThunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_relay == nullptr) {
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return static_cast<LRESULT>(g_relay(fromHwnd(hwnd), msg, wParam, lParam));
}

}  // namespace

void Win32WindowManager::registerRelay(platform::RelayProc relay) { g_relay = relay; }

platform::WndProc Win32WindowManager::relayProcedure() const {
    return g_relay != nullptr ? reinterpret_cast<platform::WndProc>(&relayThunk) : 0;
}

platform::WndProc Win32WindowManager::setWindowProc(platform::Hwnd hwnd, platform::WndProc proc) {
    return static_cast<platform::WndProc>(
        SetWindowLongPtrA(toHwnd(hwnd), GWLP_WNDPROC, static_cast<LONG_PTR>(proc)));
}

platform::LResult Win32WindowManager::callWindowProc(platform::WndProc proc, platform::Hwnd hwnd, std::uint32_t msg,
                                                     platform::WParam wParam, platform::LParam lParam) {
    if (proc == 0) {
        return 0;
    }
    return static_cast<platform::LResult>(
        CallWindowProcA(reinterpret_cast<WNDPROC>(proc), toHwnd(hwnd), msg, wParam, lParam));
}

bool Win32WindowManager::setForegroundWindow(platform::Hwnd hwnd) { return SetForegroundWindow(toHwnd(hwnd)) != FALSE; }

bool Win32WindowManager::getCursorPos(platform::Point& out) const {
    POINT point{};
    if (!GetCursorPos(&point)) {
        return false;
    }
    out.x = point.x;
    out.y = point.y;
    return true;
}

bool Win32WindowManager::postMessageTo(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam,
                                       platform::LParam lParam) {
    return PostMessageA(toHwnd(hwnd), msg, wParam, lParam) != FALSE;
}

int Win32WindowManager::messageBox(platform::Hwnd owner, const std::string& text, const std::string& caption,
                                   std::uint32_t type) {
    return MessageBoxA(toHwnd(owner), text.c_str(), caption.c_str(), type);
}

}  // namespace win32
