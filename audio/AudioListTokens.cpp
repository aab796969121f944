#include "audio/AudioListTokens.h"

#include <cstring>

namespace audio {
namespace {

// An odd step visits every 32-bit value once before any comes back, so a spent token
// is not issued again for a very long time.
constexpr std::uint32_t kTokenStep = 0x9E3779B1u;

}  // namespace

AudioListTokens::AudioListTokens(std::uint32_t seed) : m_next(seed * kTokenStep + 0x6A09E667u) {}

platform::LParam AudioListTokens::Issue(bool arrival, const char* path) {
    if (m_count >= kMaxOutstanding) {
        return 0;
    }
    m_next += kTokenStep;
    if (m_next == 0) {
        m_next += kTokenStep;  // 0 is never a token
    }
    Pending& pending = m_pending[m_count++];
    pending.token = m_next;
    pending.arrival = arrival;
    std::strncpy(pending.path, path, kPathSize - 1);
    pending.path[kPathSize - 1] = '\0';
    return static_cast<platform::LParam>(static_cast<std::uintptr_t>(m_next));
}

bool AudioListTokens::Consume(platform::LParam token, bool arrival, char* path) {
    // Tokens are 32-bit values; on a 32-bit build half of them travel as negative lParams.
    const auto raw = static_cast<std::uint64_t>(static_cast<std::uintptr_t>(token));
    if (raw == 0 || (raw >> 32) != 0) {
        return false;
    }
    for (std::size_t i = 0; i < m_count; ++i) {
        Pending& pending = m_pending[i];
        if (pending.token == static_cast<std::uint32_t>(raw)) {
            if (pending.arrival != arrival) {
                return false;  // not what it was issued for: left for its own message
            }
            std::memcpy(path, pending.path, kPathSize);
            // Order does not matter: the last one takes the spent one's place.
            pending = m_pending[--m_count];
            return true;
        }
    }
    return false;
}

void AudioListTokens::Withdraw(platform::LParam token) {
    char path[kPathSize];
    if (!Consume(token, true, path)) {
        Consume(token, false, path);
    }
}

}  // namespace audio
