// Virtual time: sleeping advances it at once, so tests never wait in real time.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Clock.h"

namespace sim {

class SimClock final : public platform::IClock {
public:
    void sleep(std::uint32_t milliseconds) override {
        m_sleeps.push_back(milliseconds);
        m_now += milliseconds;
    }
    std::uint32_t tickCount() const override { return static_cast<std::uint32_t>(m_now); }
    bool localTime(std::tm& out) const override;

    std::uint64_t now() const { return m_now; }
    void advanceTo(std::uint64_t time) {
        if (time > m_now) {
            m_now = time;
        }
    }
    void advanceBy(std::uint64_t milliseconds) { m_now += milliseconds; }

    // The local calendar time at virtual time 0.
    void setLocalStart(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    void failLocalTime(bool fail) { m_localTimeFails = fail; }

    const std::vector<std::uint32_t>& sleeps() const { return m_sleeps; }
    void clearSleeps() { m_sleeps.clear(); }

private:
    std::uint64_t m_now = 0;
    std::tm m_start{};
    bool m_startSet = false;
    bool m_localTimeFails = false;
    std::vector<std::uint32_t> m_sleeps;
};

}  // namespace sim
