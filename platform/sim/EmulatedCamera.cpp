#include "platform/sim/EmulatedCamera.h"

#include <cstring>

#include "platform/Constants.h"

namespace sim {

bool EmulatedCamera::is32BitProperty(std::uint32_t id) {
    return id == kPropDefault0 || id == kPropDefault4 || id == kPropDefault5 || id == kPropDefault6 ||
           id == kPropRotation;
}

void EmulatedCamera::record(const std::string& line) {
    m_journal.push_back(line);
    if (m_listener) {
        m_listener(line);
    }
}

platform::HResult EmulatedCamera::getCustomProperty(std::uint32_t id, void* data) {
    auto refused = m_refused.find(id);
    if (refused != m_refused.end()) {
        record("get " + std::to_string(id) + " refused");
        return refused->second;
    }
    if (data == nullptr) {
        return platform::kE_POINTER;
    }
    if (!is32BitProperty(id)) {
        record("get " + std::to_string(id) + " unknown");
        return platform::kE_INVALIDARG;
    }
    const std::uint32_t value = property(id);
    std::memcpy(data, &value, sizeof value);
    record("get " + std::to_string(id) + " " + std::to_string(value));
    return platform::kS_OK;
}

platform::HResult EmulatedCamera::setCustomProperty(std::uint32_t id, void* data) {
    auto refused = m_refused.find(id);
    if (refused != m_refused.end()) {
        record("set " + std::to_string(id) + " refused");
        return refused->second;
    }
    if (data == nullptr) {
        return platform::kE_POINTER;
    }
    if (!is32BitProperty(id)) {
        record("set " + std::to_string(id) + " unknown");
        return platform::kE_INVALIDARG;
    }
    std::uint32_t value = 0;
    std::memcpy(&value, data, sizeof value);
    m_values[id] = value;
    m_sets.emplace_back(id, value);
    record("set " + std::to_string(id) + " " + std::to_string(value));
    return platform::kS_OK;
}

std::uint32_t EmulatedCamera::property(std::uint32_t id) const {
    auto it = m_values.find(id);
    return it == m_values.end() ? 0 : it->second;
}

std::vector<std::uint32_t> EmulatedCamera::valuesSet(std::uint32_t id) const {
    std::vector<std::uint32_t> out;
    for (const auto& [property, value] : m_sets) {
        if (property == id) {
            out.push_back(value);
        }
    }
    return out;
}

}  // namespace sim
