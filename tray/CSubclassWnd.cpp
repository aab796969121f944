#include "tray/CSubclassWnd.h"

#include "platform/Constants.h"

using namespace platform;

namespace tray {

CSubclassWnd::~CSubclassWnd() {
    if (m_hWnd != 0) {
        CSubclassWndMap::Instance().Unlink(this);
    }
}

bool CSubclassWnd::Subclass(Hwnd window) {
    CSubclassWndMap& map = CSubclassWndMap::Instance();
    if (m_hWnd != 0) {
        map.Unlink(this);
    }
    if (window != 0) {
        map.Insert(window, this);
    }
    return true;
}

LResult CSubclassWnd::HandleMessage(std::uint32_t msg, WParam wParam, LParam lParam) {
    // Read the chain now, not before the derived hook's work: a nested loop in it may
    // have changed the chain or detached this hook.
    if (m_pNext != nullptr) {
        return m_pNext->HandleMessage(msg, wParam, lParam);
    }
    if (m_hWnd == 0) {
        return 0;  // detached: there is no window to pass it to
    }
    return m_windows.callWindowProc(m_pfnOldWndProc, m_hWnd, msg, wParam, lParam);
}

CSubclassWndMap& CSubclassWndMap::Instance() {
    static CSubclassWndMap map;
    return map;
}

void CSubclassWndMap::Insert(Hwnd window, CSubclassWnd* hook) {
    if (window == 0 || hook == nullptr) {
        return;
    }
    // A hook sits in one chain at a time; attached twice it would become its own next.
    if (hook->m_hWnd != 0) {
        Unlink(hook);
    }
    auto it = m_map.find(window);
    if (it != m_map.end()) {
        CSubclassWnd* head = it->second;
        hook->m_pNext = head;
        hook->m_pfnOldWndProc = head->m_pfnOldWndProc;
        it->second = hook;
        hook->m_hWnd = window;
        return;
    }
    IWindowManager& windows = hook->m_windows;
    windows.registerRelay(&RelayWndProc);
    const WndProc relay = windows.relayProcedure();
    if (relay == 0) {
        return;
    }
    const WndProc previous = windows.setWindowProc(window, relay);
    if (previous == 0) {
        return;  // the window refused: nothing would ever reach the hook
    }
    if (previous == relay) {
        // The window still runs the relay from a chain this map no longer knows; taking
        // the relay as the window's own procedure would loop forever.
        return;
    }
    hook->m_pNext = nullptr;
    hook->m_pfnOldWndProc = previous;
    hook->m_hWnd = window;
    m_map.emplace(window, hook);
}

void CSubclassWndMap::Unlink(CSubclassWnd* hook) {
    if (hook == nullptr || hook->m_hWnd == 0) {
        return;
    }
    const Hwnd window = hook->m_hWnd;
    auto it = m_map.find(window);
    if (it != m_map.end()) {
        if (it->second == hook) {
            if (hook->m_pNext != nullptr) {
                it->second = hook->m_pNext;
            } else {
                m_map.erase(it);
                hook->m_windows.setWindowProc(window, hook->m_pfnOldWndProc);
            }
        } else {
            // Behind the head the window keeps the relay; only the chain closes up.
            for (CSubclassWnd* before = it->second; before != nullptr; before = before->m_pNext) {
                if (before->m_pNext == hook) {
                    before->m_pNext = hook->m_pNext;
                    break;
                }
            }
        }
    }
    hook->m_hWnd = 0;
    hook->m_pfnOldWndProc = 0;
    hook->m_pNext = nullptr;
}

void CSubclassWndMap::UnlinkAll(Hwnd window) {
    // Each round takes the head out of the chain, so the chain only shrinks.
    for (CSubclassWnd* head = Find(window); head != nullptr; head = Find(window)) {
        head->Subclass(0);
    }
}

CSubclassWnd* CSubclassWndMap::Find(Hwnd window) const {
    auto it = m_map.find(window);
    return it == m_map.end() ? nullptr : it->second;
}

LResult RelayWndProc(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) {
    CSubclassWndMap& map = CSubclassWndMap::Instance();
    CSubclassWnd* head = map.Find(hwnd);
    if (head == nullptr) {
        return 0;
    }
    if (msg == kWM_NCDESTROY) {
        // The window's last message: every hook leaves before its own procedure sees it.
        IWindowManager& windows = head->m_windows;
        const WndProc own = head->m_pfnOldWndProc;
        map.UnlinkAll(hwnd);
        return windows.callWindowProc(own, hwnd, msg, wParam, lParam);
    }
    return head->HandleMessage(msg, wParam, lParam);
}

}  // namespace tray
