// Window-manager calls that name their window: replacing and calling window
// procedures (subclassing), the top-level ancestor, the foreground, the cursor,
// posting to a window, and a message box with the owner given.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace platform {

// A window procedure as the system stores it (the WNDPROC of a window, or what
// CallWindowProcA may be handed). Opaque to the program: only ever stored, compared
// and given back.
using WndProc = std::uintptr_t;

// The program's relay: a portable window procedure. Windows never calls it directly:
// the system layer installs a procedure of its own (with the system's calling
// convention) that forwards every message to it.
using RelayProc = LResult (*)(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam);

struct Point {
    int x = 0;
    int y = 0;
};

class IWindowManager {
public:
    virtual ~IWindowManager() = default;

    // Names the process's one relay; relayProcedure() forwards to it from then on.
    virtual void registerRelay(RelayProc relay) = 0;
    // The window procedure that forwards to the registered relay, for setWindowProc;
    // 0 while no relay is registered.
    virtual WndProc relayProcedure() const = 0;
    // SetWindowLongPtrA(hwnd, GWLP_WNDPROC, proc): the window's previous procedure, or
    // 0 when the window refuses (no such window, or another process's).
    virtual WndProc setWindowProc(Hwnd hwnd, WndProc proc) = 0;
    // CallWindowProcA(proc, hwnd, msg, wParam, lParam); 0 for a null procedure.
    virtual LResult callWindowProc(WndProc proc, Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) = 0;

    // SetForegroundWindow.
    virtual bool setForegroundWindow(Hwnd hwnd) = 0;
    // GetCursorPos in screen coordinates; false when the call fails.
    virtual bool getCursorPos(Point& out) const = 0;
    // PostMessageA to any window.
    virtual bool postMessageTo(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) = 0;
    // MessageBoxA with the owner given (0: a box of its own, owned by no window).
    virtual int messageBox(Hwnd owner, const std::string& text, const std::string& caption, std::uint32_t type) = 0;
};

}  // namespace platform
