// What a subsystem may ask of the main window: post it a message, show a notice,
// ask whether the tray menu may open, and write a trace line. Every subsystem gets
// one through its constructor; none of them sees the main window itself.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace common {

class IWindowPort {
public:
    // Posts a message to the main window; its handler runs later, on the loop.
    virtual bool post(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam) = 0;
    // The notice function: text, title, timeout in ms, kind (1 information,
    // 2 warning, 3 error).
    virtual platform::LResult ShowNotice(const char* text, const char* title, std::uint32_t timeoutMs, int kind) = 0;
    // 0 while a modal settings window is open.
    virtual bool trayMenuAllowed() const = 0;
    virtual void setTrayMenuAllowed(bool allowed) = 0;
    // The trace (the programs discard it).
    virtual void WriteLog(const std::string& message, int flag) = 0;

protected:
    ~IWindowPort() = default;
};

}  // namespace common
