// The notification-area icon of the main window: the icon record, the tray menu and
// its popup, and ShowNotice, the one way the program tells the user about errors and
// device events (a balloon on the icon, or a message box where there are no balloons).
//
// How the main window holds it:
//   - One member for the window's life, constructed after the window port:
//         m_trayIcon(platform, m_port, IDR_TRAY_MENU)
//     Construction loads menu IDR_TRAY_MENU (owned here, destroyed with the object) and
//     takes its first submenu as the popup; the window looks its submenus up through
//     trayMenu() / popup() instead of loading the menu itself.
//   - During dialog initialisation, at its place in the start-up order:
//         m_trayIcon.BindOwner(m_platform.window.window(), kMsgTrayCallback)
//     The icon belongs to the window from then on. The window's own routing table
//     hands the icon its two messages: the callback message to OnTrayMessage, and
//     the "TaskbarCreated" broadcast (taskbarCreatedMessage()) to OnShellRestart.
//   - The window port's ShowNotice forwards to ShowNotice here; the tray-menu flag is
//     read through the port each time the popup would open.
//   - At the end the destructor removes a shown icon and destroys the menu.
//     Destroy the object before the platform objects it was given.
#pragma once

#include <cstdint>

#include "common/WindowPort.h"
#include "platform/NotifyIcon.h"
#include "platform/Platform.h"
#include "platform/Scoped.h"
#include "platform/Types.h"
#include "resources/resource.h"

namespace tray {

class CTrayIcon {
public:
    // `id` is the icon's uID, the tray menu's resource id and the tip's string id.
    CTrayIcon(const platform::Platform& platform, common::IWindowPort& port, std::uint32_t id = IDR_TRAY_MENU);
    virtual ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // The icon belongs to `window`, and the shell reports on it with `callbackMessage`,
    // which the owner passes on to OnTrayMessage.
    void BindOwner(platform::Hwnd window, std::uint32_t callbackMessage);
    // The number of the shell's "TaskbarCreated" broadcast, which the owner passes on
    // to OnShellRestart; 0 when it could not be registered.
    std::uint32_t taskbarCreatedMessage() const { return m_taskbarCreatedMsg; }

    // Shows, changes or (with no icon) removes the icon; the shell's answer.
    bool UpdateIcon(platform::IconHandle icon, const char* tip);
    // The icon and tip of resource `id`; 0 removes the icon.
    bool UpdateIconFromResource(std::uint32_t id);

    // kind: 1 information, 2 warning, 3 error.
    bool ShowNotice(const char* text, const char* title, std::uint32_t timeoutMs, std::uint32_t kind);

    // The shell's callback: `id` names the icon, `mouseMessage` what the mouse did.
    // 1 when handled; nothing is handled before the icon has an owner.
    virtual platform::LResult OnTrayMessage(platform::WParam id, platform::LParam mouseMessage);
    // "TaskbarCreated": a restarted shell has lost every icon; a shown one is added anew.
    virtual platform::LResult OnShellRestart(platform::WParam wParam, platform::LParam lParam);

    platform::MenuHandle trayMenu() const { return m_trayMenu.get(); }
    platform::MenuHandle popup() const { return m_hPopup; }
    bool iconShown() const { return m_nid.hIcon != 0; }

private:
    // Zeroed, cbSize and uID set, the tip from the string resource `id`.
    static platform::NotifyIconData InitialRecord(std::uint32_t id, platform::IResources& resources);
    // Balloons came with Windows Me and with the NT family.
    static bool BalloonCapable(platform::ISystem& system);

    platform::IWindowManager& m_windows;
    platform::IWindowHost& m_window;
    platform::IMenus& m_menus;
    platform::INotifyIcon& m_shell;
    platform::IResources& m_resources;
    common::IWindowPort& m_port;
    std::uint32_t m_taskbarCreatedMsg;

    // Members in the order of construction: the record, the balloon test, the tray
    // menu and its popup.
    platform::NotifyIconData m_nid;
    bool m_bBalloonCapable;
    // Loaded last, destroyed first of the members.
    platform::MenuHolder m_trayMenu;
    // The first submenu of the tray menu: goes with it, never destroyed on its own.
    platform::MenuHandle m_hPopup;
};

}  // namespace tray
