// Time as the program uses it: pauses, a millisecond tick and the local calendar time.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

class IClock {
public:
    virtual ~IClock() = default;
    // Blocks the thread; no messages are processed meanwhile.
    virtual void sleep(std::uint32_t milliseconds) = 0;
    virtual std::uint32_t tickCount() const = 0;
    // The current time converted to local time; false when it cannot be converted.
    virtual bool localTime(std::tm& out) const = 0;
};

}  // namespace platform
