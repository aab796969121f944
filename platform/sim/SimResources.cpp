#include "platform/sim/SimResources.h"

#include <algorithm>
#include <cstring>

#include "resources/resource.h"

namespace sim {

SimResources::SimResources() { m_icons[IDR_MAINFRAME] = kMainIcon; }

int SimResources::loadString(std::uint32_t id, char* buffer, int size) {
    auto it = m_strings.find(id);
    if (buffer == nullptr || size <= 0 || it == m_strings.end()) {
        return 0;
    }
    // As LoadStringA: cut to size-1 characters, always terminated.
    const std::size_t n = std::min(it->second.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, it->second.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

platform::IconHandle SimResources::loadIcon(std::uint32_t id) {
    auto it = m_icons.find(id);
    return it == m_icons.end() ? 0 : it->second;
}

}  // namespace sim
