#include "platform/sim/SimClock.h"

namespace sim {

void SimClock::setLocalStart(int year, int month, int day, int hour, int minute, int second) {
    m_start = std::tm{};
    m_start.tm_year = year - 1900;
    m_start.tm_mon = month - 1;
    m_start.tm_mday = day;
    m_start.tm_hour = hour;
    m_start.tm_min = minute;
    m_start.tm_sec = second;
    m_start.tm_isdst = 0;
    m_startSet = true;
}

bool SimClock::localTime(std::tm& out) const {
    if (m_localTimeFails) {
        return false;
    }
    std::tm start = m_start;
    if (!m_startSet) {
        start.tm_year = 2014 - 1900;
        start.tm_mon = 2;
        start.tm_mday = 7;
    }
    // Normalise start + elapsed seconds without consulting the host's time zone.
    start.tm_sec += static_cast<int>(m_now / 1000);
    const std::time_t t = timegm(&start);
    return gmtime_r(&t, &out) != nullptr;
}

}  // namespace sim
