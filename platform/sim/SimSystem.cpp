#include "platform/sim/SimSystem.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

// Copies as the kernel32 path functions do: at most size-1 characters and a NUL.
std::uint32_t copyOut(const std::string& text, char* buffer, std::uint32_t size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

}  // namespace

std::uint32_t SimSystem::moduleFileName(char* buffer, std::uint32_t size) { return copyOut(m_modulePath, buffer, size); }

std::uint32_t SimSystem::tempPath(char* buffer, std::uint32_t size) { return copyOut(m_tempPath, buffer, size); }

bool SimSystem::enableWow64FsRedirection(bool enable) {
    m_redirectionCalls.push_back(enable);
    if (!m_wow64) {
        return false;
    }
    m_redirectionEnabled = enable;
    return true;
}

bool SimSystem::getVersion(platform::OsVersion& out) {
    if (m_versionFails) {
        return false;
    }
    out = m_version;
    return true;
}

}  // namespace sim
