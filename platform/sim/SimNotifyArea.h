// The shell's notification area of the simulated machine: the icons it holds, keyed by
// (window, id) as the shell keys them, every request it was handed and every balloon
// it showed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/NotifyIcon.h"

namespace sim {

class SimNotifyArea final : public platform::INotifyIcon {
public:
    struct Icon {
        std::uint32_t callbackMessage = 0;
        platform::IconHandle icon = 0;
        std::string tip;
    };
    struct Request {
        std::uint32_t message;
        platform::NotifyIconData data;
        bool result;
    };
    struct Balloon {
        platform::Hwnd hwnd;
        std::uint32_t id;
        std::string text;
        std::string title;
        std::uint32_t timeout;
        std::uint32_t infoFlags;
    };

    bool shellNotifyIcon(std::uint32_t message, const platform::NotifyIconData& data) override;

    // Test driving.
    // While the shell is not running (between an Explorer crash and its restart) every
    // request fails.
    void setRunning(bool running) { m_running = running; }
    // A restarted shell has forgotten every icon; programs learn of it by the
    // "TaskbarCreated" broadcast, which the test sends.
    void restart() {
        m_icons.clear();
        m_running = true;
    }

    // Test observation.
    const Icon* icon(platform::Hwnd hwnd, std::uint32_t id) const;
    std::size_t iconCount() const { return m_icons.size(); }
    const std::vector<Request>& requests() const { return m_requests; }
    const std::vector<Balloon>& balloons() const { return m_balloons; }

private:
    bool apply(std::uint32_t message, const platform::NotifyIconData& data);

    bool m_running = true;
    std::map<std::pair<platform::Hwnd, std::uint32_t>, Icon> m_icons;
    std::vector<Request> m_requests;
    std::vector<Balloon> m_balloons;
};

}  // namespace sim
