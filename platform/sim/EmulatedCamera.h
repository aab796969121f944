// A camera as the program meets it from the outside: the driver's custom properties
// (rotation, picture defaults) and, behind them, the controller. Every request it
// receives is written to its journal, so a test reads back what the camera saw.
// Portable C++ only: the virtual camera of the Wine tests wraps this same model.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace sim {

class EmulatedCamera {
public:
    // Custom property ids the driver answers.
    static constexpr std::uint32_t kPropDefault0 = 0;
    static constexpr std::uint32_t kPropDefault4 = 4;
    static constexpr std::uint32_t kPropDefault5 = 5;
    static constexpr std::uint32_t kPropDefault6 = 6;
    static constexpr std::uint32_t kPropRotation = 7;

    platform::HResult getCustomProperty(std::uint32_t id, void* data);
    platform::HResult setCustomProperty(std::uint32_t id, void* data);

    // Faults: make a property answer with an error.
    void refuseProperty(std::uint32_t id, platform::HResult result) { m_refused[id] = result; }

    // The value a 32-bit property holds now (0 when never set).
    std::uint32_t property(std::uint32_t id) const;
    // Every value written to one property, in order.
    std::vector<std::uint32_t> valuesSet(std::uint32_t id) const;

    // Journal lines, e.g. "set 7 11"; the listener sees each line as it is written.
    const std::vector<std::string>& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }
    void setJournalListener(std::function<void(const std::string&)> listener) { m_listener = std::move(listener); }

private:
    void record(const std::string& line);
    static bool is32BitProperty(std::uint32_t id);

    std::map<std::uint32_t, std::uint32_t> m_values;
    std::map<std::uint32_t, platform::HResult> m_refused;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_sets;
    std::vector<std::string> m_journal;
    std::function<void(const std::string&)> m_listener;
};

}  // namespace sim
