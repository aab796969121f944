#include "platform/sim/SimNotifyArea.h"

#include <algorithm>

#include "platform/Constants.h"

using namespace platform;

namespace sim {
namespace {

// The shell reads a text member up to its NUL or its end, whichever comes first.
template <std::size_t N>
std::string text(const char (&member)[N]) {
    return std::string(member, std::find(member, member + N, '\0'));
}

}  // namespace

bool SimNotifyArea::shellNotifyIcon(std::uint32_t message, const NotifyIconData& data) {
    const bool result = m_running && apply(message, data);
    m_requests.push_back(Request{message, data, result});
    return result;
}

bool SimNotifyArea::apply(std::uint32_t message, const NotifyIconData& data) {
    const auto key = std::make_pair(data.hWnd, data.uID);
    auto it = m_icons.find(key);
    if (message == kNIM_DELETE) {
        if (it == m_icons.end()) {
            return false;
        }
        m_icons.erase(it);
        return true;
    }
    if (message == kNIM_ADD) {
        if (it != m_icons.end()) {
            return false;  // one icon per (window, id)
        }
        it = m_icons.emplace(key, Icon{}).first;
    } else if (message != kNIM_MODIFY || it == m_icons.end()) {
        return false;  // a modify for an icon the shell does not hold, or a request it does not know
    }
    Icon& icon = it->second;
    if ((data.uFlags & kNIF_MESSAGE) != 0) {
        icon.callbackMessage = data.uCallbackMessage;
    }
    if ((data.uFlags & kNIF_ICON) != 0) {
        icon.icon = data.hIcon;
    }
    if ((data.uFlags & kNIF_TIP) != 0) {
        icon.tip = text(data.szTip);
    }
    if ((data.uFlags & kNIF_INFO) != 0 && data.szInfo[0] != '\0') {
        m_balloons.push_back(Balloon{data.hWnd, data.uID, text(data.szInfo), text(data.szInfoTitle), data.uTimeout,
                                     data.dwInfoFlags});
    }
    return true;
}

const SimNotifyArea::Icon* SimNotifyArea::icon(Hwnd hwnd, std::uint32_t id) const {
    auto it = m_icons.find(std::make_pair(hwnd, id));
    return it == m_icons.end() ? nullptr : &it->second;
}

}  // namespace sim
