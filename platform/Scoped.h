// One small holder per acquire/release pair the program makes on the system: what
// is acquired in the constructor is released in the destructor, on every path out.
#pragma once

#include <cstdint>

#include "platform/Menus.h"
#include "platform/System.h"
#include "platform/WindowHost.h"

namespace platform {

// COM on the thread for the holder's scope. Uninitialises only what it initialised
// (S_OK and S_FALSE both count, as CoUninitialize expects).
class ScopedCom {
public:
    explicit ScopedCom(ICom& com) : m_com(com), m_hr(com.initialize()) {}
    ~ScopedCom() {
        if (m_hr >= 0) {
            m_com.uninitialize();
        }
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

    HResult result() const { return m_hr; }

private:
    ICom& m_com;
    HResult m_hr;
};

// WOW64 file-system redirection switched off for the holder's scope, in a 32-bit
// process on 64-bit Windows; nothing is done elsewhere.
class ScopedWow64Redirection {
public:
    explicit ScopedWow64Redirection(ISystem& system) : m_system(system), m_off(system.isWow64Process()) {
        if (m_off) {
            m_system.enableWow64FsRedirection(false);
        }
    }
    ~ScopedWow64Redirection() {
        if (m_off) {
            m_system.enableWow64FsRedirection(true);
        }
    }
    ScopedWow64Redirection(const ScopedWow64Redirection&) = delete;
    ScopedWow64Redirection& operator=(const ScopedWow64Redirection&) = delete;

private:
    ISystem& m_system;
    bool m_off;
};

// A loaded menu, destroyed with its holder.
class MenuHolder {
public:
    MenuHolder(IMenus& menus, int resourceId) : m_menus(menus), m_menu(menus.loadMenu(resourceId)) {}
    ~MenuHolder() {
        if (m_menu != 0) {
            m_menus.destroyMenu(m_menu);
        }
    }
    MenuHolder(const MenuHolder&) = delete;
    MenuHolder& operator=(const MenuHolder&) = delete;

    MenuHandle get() const { return m_menu; }

private:
    IMenus& m_menus;
    MenuHandle m_menu;
};

// One timer of the window and whether it is armed: a WM_TIMER runs its work only
// for a timer the window armed and has not killed (one from another process, say,
// runs nothing).
class WindowTimer {
public:
    WindowTimer(IWindowHost& window, std::uint32_t id) : m_window(window), m_id(id) {}
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    // Arms the timer anew: one that runs is killed first, so only the quiet after
    // the last arming counts.
    void restart(std::uint32_t elapseMs) {
        m_window.killTimer(m_id);
        start(elapseMs);
    }
    void start(std::uint32_t elapseMs) { m_armed = m_window.setTimer(m_id, elapseMs); }
    // For a WM_TIMER with `id`: true, and the timer killed, when it is this armed
    // timer's tick.
    bool fire(std::uint32_t id) {
        if (id != m_id || !m_armed) {
            return false;
        }
        m_armed = false;
        m_window.killTimer(m_id);
        return true;
    }

private:
    IWindowHost& m_window;
    std::uint32_t m_id;
    bool m_armed = false;
};

}  // namespace platform
