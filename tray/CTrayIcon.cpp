#include "tray/CTrayIcon.h"

#include <cstring>

#include "platform/Constants.h"

using namespace platform;

namespace tray {
namespace {

// Broadcast by the shell to every top-level window when the taskbar is created anew.
constexpr const char* kTaskbarCreatedName = "TaskbarCreated";

// Notice kinds are the balloon icon codes; a message box shows the matching icon.
struct NoticeKindRow {
    std::uint32_t kind;     // ShowNotice kind (kNIIF_ code)
    std::uint32_t boxIcon;  // MB_ICON flag of the message box
};
constexpr NoticeKindRow kNoticeKinds[] = {
    {kNIIF_WARNING, kMB_ICONWARNING},
    {kNIIF_ERROR, kMB_ICONERROR},
};
// Any other kind is shown as information.
constexpr std::uint32_t kDefaultBoxIcon = kMB_ICONINFORMATION;

std::uint32_t BoxIconOf(std::uint32_t kind) {
    for (const NoticeKindRow& row : kNoticeKinds) {
        if (row.kind == kind) {
            return row.boxIcon;
        }
    }
    return kDefaultBoxIcon;
}

// Into a fixed text member of the record: cut to fit and always terminated, so the
// shell never reads past the member; no text gives the empty string.
template <std::size_t N>
void CopyText(char (&to)[N], const char* text) {
    std::size_t n = 0;
    if (text != nullptr) {
        while (n < N - 1 && text[n] != '\0') {
            ++n;
        }
        std::memcpy(to, text, n);
    }
    to[n] = '\0';
}

template <std::size_t N>
void LoadText(IResources& resources, std::uint32_t id, char (&to)[N]) {
    to[0] = '\0';  // an absent string leaves the buffer as it was
    resources.loadString(id, to, static_cast<int>(N));
    to[N - 1] = '\0';
}

bool IsMessage(LParam value, std::uint32_t msg) { return value == static_cast<LParam>(msg); }

}  // namespace

CTrayIcon::CTrayIcon(const Platform& platform, common::IWindowPort& port, std::uint32_t id)
    : m_windows(platform.windowManager),
      m_window(platform.window),
      m_menus(platform.menus),
      m_shell(platform.notifyIcon),
      m_resources(platform.resources),
      m_port(port),
      m_taskbarCreatedMsg(platform.window.registerWindowMessage(kTaskbarCreatedName)),
      m_nid(InitialRecord(id, platform.resources)),
      m_bBalloonCapable(BalloonCapable(platform.system)),
      m_trayMenu(platform.menus, static_cast<int>(id)),
      m_hPopup(m_trayMenu.get() != 0 ? platform.menus.getSubMenu(m_trayMenu.get(), 0) : 0) {}

CTrayIcon::~CTrayIcon() {
    // The popup is part of the tray menu and goes with it; destroying it on its own
    // would leave the tray menu holding a dead handle.
    m_hPopup = 0;
    UpdateIconFromResource(0);
    // m_trayMenu, the last member, is destroyed first of the members.
}

NotifyIconData CTrayIcon::InitialRecord(std::uint32_t id, IResources& resources) {
    NotifyIconData record;  // every member zero
    record.cbSize = kNOTIFYICONDATAA_SIZE;
    record.uID = id;
    LoadText(resources, id, record.szTip);
    return record;
}

bool CTrayIcon::BalloonCapable(ISystem& system) {
    OsVersion version;
    if (!system.getVersion(version)) {
        return false;
    }
    if (version.platformId == kVER_PLATFORM_WIN32_NT) {
        return true;
    }
    return version.platformId == kVER_PLATFORM_WIN32_WINDOWS && version.major == 4 && version.minor == 90;
}

void CTrayIcon::BindOwner(Hwnd window, std::uint32_t callbackMessage) {
    m_nid.hWnd = window;
    m_nid.uCallbackMessage = callbackMessage;
}

bool CTrayIcon::UpdateIcon(IconHandle icon, const char* tip) {
    m_nid.uFlags = 0;
    std::uint32_t request = kNIM_ADD;
    if (icon != 0) {
        request = m_nid.hIcon != 0 ? kNIM_MODIFY : kNIM_ADD;
        m_nid.hIcon = icon;
        m_nid.uFlags = kNIF_ICON;
    } else {
        if (m_nid.hIcon == 0) {
            return true;  // nothing shown, nothing to remove
        }
        request = kNIM_DELETE;
    }
    if (tip != nullptr) {
        CopyText(m_nid.szTip, tip);
    }
    if (m_nid.szTip[0] != '\0') {
        m_nid.uFlags |= kNIF_TIP;
    }
    if (m_nid.uCallbackMessage != 0 && m_nid.hWnd != 0) {
        m_nid.uFlags |= kNIF_MESSAGE;
    }
    m_nid.cbSize = kNOTIFYICONDATAA_SIZE;
    const bool accepted = m_shell.shellNotifyIcon(request, m_nid);
    // What the shell refused is not in the notification area.
    if (request == kNIM_DELETE || !accepted) {
        m_nid.hIcon = 0;
    }
    return accepted;
}

bool CTrayIcon::UpdateIconFromResource(std::uint32_t id) {
    if (id == 0) {
        return UpdateIcon(0, nullptr);
    }
    LoadText(m_resources, id, m_nid.szTip);
    return UpdateIcon(m_resources.loadIcon(id), nullptr);
}

bool CTrayIcon::ShowNotice(const char* text, const char* title, std::uint32_t timeoutMs, std::uint32_t kind) {
    if (!m_bBalloonCapable) {
        // A box of its own: the main window is hidden, and a box it owned would keep
        // it disabled while open.
        m_windows.messageBox(0, text != nullptr ? text : "", title != nullptr ? title : "", kMB_OK | BoxIconOf(kind));
        return true;
    }
    m_nid.uTimeout = timeoutMs;
    m_nid.dwInfoFlags = kind;
    m_nid.cbSize = kNOTIFYICONDATAA_SIZE;
    m_nid.uFlags = kNIF_INFO;
    CopyText(m_nid.szInfo, text);
    CopyText(m_nid.szInfoTitle, title);
    return m_shell.shellNotifyIcon(kNIM_MODIFY, m_nid);
}

LResult CTrayIcon::OnTrayMessage(WParam id, LParam mouseMessage) {
    if (id != m_nid.uID || m_nid.hWnd == 0) {
        return 0;
    }
    if (IsMessage(mouseMessage, kWM_RBUTTONUP)) {
        // While a settings window is open the menu stays shut; the click still counts
        // as handled.
        if (m_port.trayMenuAllowed() && m_hPopup != 0) {
            m_menus.setMenuDefaultItem(m_hPopup, 0, true);
            Point cursor;
            if (!m_windows.getCursorPos(cursor)) {
                cursor = Point{};
            }
            // The popup closes when the user clicks elsewhere only if its owner is the
            // foreground window, and it opens properly the next time only if the owner
            // gets a message after it closed.
            m_windows.setForegroundWindow(m_nid.hWnd);
            m_menus.trackPopupMenu(m_hPopup, kTPM_LEFTALIGN, cursor.x, cursor.y, m_nid.hWnd);
            m_windows.postMessageTo(m_nid.hWnd, kWM_NULL, 0, 0);
        }
        return 1;
    }
    if (IsMessage(mouseMessage, kWM_LBUTTONDBLCLK)) {
        // The first item's command, whatever the menu flag says. A popup that did not
        // load has no first command, and nothing is sent.
        const std::uint32_t command = m_menus.getMenuItemID(m_hPopup, 0);
        if (command != kMenuItemIdNone) {
            m_window.sendMessageTo(m_nid.hWnd, kWM_COMMAND, command, 0);
        }
        return 1;
    }
    return 0;
}

LResult CTrayIcon::OnShellRestart(WParam, LParam) {
    const IconHandle icon = m_nid.hIcon;
    m_nid.hIcon = 0;
    if (icon != 0) {
        UpdateIcon(icon, nullptr);  // NIM_ADD to the new notification area
    }
    return 0;
}

}  // namespace tray
