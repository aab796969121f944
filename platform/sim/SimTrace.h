// A trace sink that keeps every line, so tests can read what the program reported.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/TraceSink.h"

namespace sim {

class CapturingTraceSink final : public platform::ITraceSink {
public:
    void write(const std::string& message, int flag) override {
        m_lines.emplace_back(message, flag);
        if (m_listener) {
            m_listener(message);
        }
    }
    // Sees each line as it is written, while the program is still at that point.
    void setListener(std::function<void(const std::string&)> listener) { m_listener = std::move(listener); }

    const std::vector<std::pair<std::string, int>>& lines() const { return m_lines; }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& line : m_lines) {
            out.push_back(line.first);
        }
        return out;
    }
    std::size_t count(const std::string& message) const {
        return static_cast<std::size_t>(std::count_if(m_lines.begin(), m_lines.end(),
                                                      [&](const auto& line) { return line.first == message; }));
    }
    bool contains(const std::string& message) const { return count(message) > 0; }
    void clear() { m_lines.clear(); }

private:
    std::vector<std::pair<std::string, int>> m_lines;
    std::function<void(const std::string&)> m_listener;
};

}  // namespace sim
