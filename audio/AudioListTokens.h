// The tokens that stand for audio interface paths on their way from a device notice
// to the audio list's own message (WM_USER+103). The window posts that message only to
// itself, with a token it issued here; the path stays here until the token comes back.
// A token is an opaque number, never an address: a message with anything else, from
// whatever sender, finds nothing to read or free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Types.h"

namespace audio {

class AudioListTokens {
public:
    // More notices than this in flight means the queue is not being emptied (a machine
    // has one or two such interfaces); further ones are dropped rather than kept
    // without bound.
    static constexpr std::size_t kMaxOutstanding = 32;

    // `seed` varies the first token between runs.
    explicit AudioListTokens(std::uint32_t seed);

    // Paths are kept as an entry keeps them: up to 259 characters.
    static constexpr std::size_t kPathSize = 260;

    // A new token for an arrival or a removal of `path` (a longer one is cut); 0 when
    // too many are outstanding.
    platform::LParam Issue(bool arrival, const char* path);
    // True for a token that was issued for this kind of notice and not consumed yet: the
    // path comes back in `path` (kPathSize bytes) and the token is spent. Anything else
    // changes nothing.
    bool Consume(platform::LParam token, bool arrival, char* path);
    // Drops an issued token whose message could not be posted.
    void Withdraw(platform::LParam token);

    std::size_t outstanding() const { return m_count; }

private:
    struct Pending {
        std::uint32_t token;
        bool arrival;
        char path[kPathSize];
    };

    Pending m_pending[kMaxOutstanding];
    std::size_t m_count = 0;
    std::uint32_t m_next;
};

}  // namespace audio
