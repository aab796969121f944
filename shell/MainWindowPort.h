// The main window as the subsystems see it (common::IWindowPort): posting to it,
// its notices, the tray-menu flag and the trace.
#pragma once

#include <cstdint>

#include "common/WindowPort.h"
#include "platform/TraceSink.h"
#include "platform/WindowHost.h"
#include "tray/CTrayIcon.h"

namespace shell {

class MainWindowPort final : public common::IWindowPort {
public:
    MainWindowPort(platform::IWindowHost& window, platform::ITraceSink& trace) : m_window(window), m_trace(trace) {}

    bool post(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam) override {
        return m_window.postMessage(msg, wParam, lParam);
    }
    // Notices are shown by the tray icon (a balloon, or a message box where there are
    // no balloons); before the window holds one they go nowhere.
    void bindTrayIcon(tray::CTrayIcon* trayIcon) { m_pTrayIcon = trayIcon; }
    platform::LResult ShowNotice(const char* text, const char* title, std::uint32_t timeoutMs, int kind) override {
        return m_pTrayIcon != nullptr &&
                       m_pTrayIcon->ShowNotice(text, title, timeoutMs, static_cast<std::uint32_t>(kind))
                   ? 1
                   : 0;
    }
    bool trayMenuAllowed() const override { return m_bTrayMenuAllowed != 0; }
    void setTrayMenuAllowed(bool allowed) override { m_bTrayMenuAllowed = allowed ? 1 : 0; }
    void WriteLog(const std::string& message, int flag) override { m_trace.write(message, flag); }

private:
    platform::IWindowHost& m_window;
    platform::ITraceSink& m_trace;
    std::int32_t m_bTrayMenuAllowed = 1;
    tray::CTrayIcon* m_pTrayIcon = nullptr;
};

}  // namespace shell
