// One small holder per acquire/release pair the program makes on the system: what
// is acquired in the constructor is released in the destructor, on every path out.
#pragma once

#include "platform/Menus.h"
#include "platform/System.h"

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

}  // namespace platform
