// Window hooks: an object that sees the messages of a window it does not own, without
// changing the window's class. Each hooked window has a chain of hooks, the most
// recently attached first, in front of the window's own procedure; the window's
// procedure is the relay (RelayWndProc) while the chain is not empty, and the procedure
// it had before is given back when the last hook leaves.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "platform/Types.h"
#include "platform/WindowManager.h"

namespace tray {

class CSubclassWndMap;

class CSubclassWnd {
public:
    explicit CSubclassWnd(platform::IWindowManager& windows) : m_windows(windows) {}
    // A hook never outlives its place in a chain: the relay would call a dead object.
    virtual ~CSubclassWnd();
    CSubclassWnd(const CSubclassWnd&) = delete;
    CSubclassWnd& operator=(const CSubclassWnd&) = delete;

    // With a window: attach to it, in front of its chain (leaving a window this hook
    // was attached to first). With 0: detach. Always true; a window that refuses the
    // relay (gone, or another process's) leaves the hook detached.
    bool Subclass(platform::Hwnd window);

    // The hook's view of one message of its window. This passes it on: to the next
    // hook of the chain, or to the window's own procedure behind the last one.
    virtual platform::LResult HandleMessage(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam);

    // The window the hook is attached to; 0 when detached.
    platform::Hwnd window() const { return m_hWnd; }

private:
    friend class CSubclassWndMap;
    friend platform::LResult RelayWndProc(platform::Hwnd, std::uint32_t, platform::WParam, platform::LParam);

    platform::IWindowManager& m_windows;
    platform::Hwnd m_hWnd = 0;
    // The window's procedure from before its first hook; every hook of the chain
    // carries the same one.
    platform::WndProc m_pfnOldWndProc = 0;
    // The hook attached to the same window before this one; null for the oldest.
    CSubclassWnd* m_pNext = nullptr;
};

// The chains of every hooked window of the process, by window. Windows without hooks
// have no entry. Only the program's one thread touches it.
class CSubclassWndMap {
public:
    static CSubclassWndMap& Instance();

    // Puts `hook` at the front of the window's chain; the first hook of a window
    // installs the relay as its procedure.
    void Insert(platform::Hwnd window, CSubclassWnd* hook);
    // Takes `hook` out of its window's chain; the last hook out gives the window its
    // own procedure back.
    void Unlink(CSubclassWnd* hook);
    // Detaches every hook of the window, newest first.
    void UnlinkAll(platform::Hwnd window);
    // The newest hook of the window; null when it has none.
    CSubclassWnd* Find(platform::Hwnd window) const;

private:
    CSubclassWndMap() = default;

    std::unordered_map<platform::Hwnd, CSubclassWnd*> m_map;
};

// The window procedure of every hooked window: hands each message to the window's
// newest hook. WM_NCDESTROY detaches every hook first and then goes straight to the
// window's own procedure, so no hook outlives its window.
platform::LResult RelayWndProc(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam,
                               platform::LParam lParam);

}  // namespace tray
