// The audio effects of the camera's microphone, one row each: everything the program
// knows of an effect is in its row, and the dialog, its texts, the requests to the
// effect channel and the simulated dialog template take it from here. The check
// boxes' numbers are defined in resources/resource.h, which the dialog template
// (resources/companion.rc) uses too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/AudioInterfaceEntry.h"
#include "resources/resource.h"

namespace audio {

// The states the dialog's check boxes show, one member per effect (the dialog's own
// members, which data exchange binds to the boxes).
struct ShownStates {
    std::int32_t m_bAEC = 0;  // check box 1008
    std::int32_t m_bBF = 0;   // check box 1010
    std::int32_t m_bNS = 0;   // check box 1009
};

struct AudioEffect {
    int controlId;        // its automatic check box in dialog 133
    const char* textKey;  // its key in section "AudioProperty" of a language file
    const char* text;     // the template's text, also what a missing or empty key gives
    std::uint32_t request;                     // effect identifier in the request block
    std::int32_t AudioInterfaceEntry::*state;  // its last known state in the record
    std::int32_t ShownStates::*shown;          // the dialog member its box shows
    std::size_t queryOrder;                    // when it is queried as the dialog opens
};

// In the order of the boxes, which is the order their texts are read and set.
inline constexpr AudioEffect kAudioEffects[] = {
    {IDC_AUDIO_AEC, "AEC", "AEC", 1, &AudioInterfaceEntry::AEC, &ShownStates::m_bAEC, 1},
    {IDC_AUDIO_NS, "NS", "NS", 2, &AudioInterfaceEntry::NS, &ShownStates::m_bNS, 2},
    {IDC_AUDIO_BF, "BF", "Bean Forming", 3, &AudioInterfaceEntry::BF, &ShownStates::m_bBF, 0},
};
inline constexpr std::size_t kAudioEffectCount = sizeof kAudioEffects / sizeof kAudioEffects[0];

// The row of check box `controlId`; nullptr for any other control.
constexpr const AudioEffect* EffectOfControl(std::uint32_t controlId) {
    for (const AudioEffect& effect : kAudioEffects) {
        if (static_cast<std::uint32_t>(effect.controlId) == controlId) {
            return &effect;
        }
    }
    return nullptr;
}

// The index of the row queried in place `order` (0 first) as the dialog opens;
// kAudioEffectCount when no row has that place.
constexpr std::size_t RowQueriedAt(std::size_t order) {
    for (std::size_t row = 0; row < kAudioEffectCount; ++row) {
        if (kAudioEffects[row].queryOrder == order) {
            return row;
        }
    }
    return kAudioEffectCount;
}
// The row queried in place `order`; nullptr past the last.
inline const AudioEffect* EffectQueriedAt(std::size_t order) {
    const std::size_t row = RowQueriedAt(order);
    return row < kAudioEffectCount ? &kAudioEffects[row] : nullptr;
}

namespace detail {

// Keys are short: compared up to 32 characters.
constexpr bool SameText(const char* a, const char* b) {
    for (std::size_t i = 0; i < 32; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
        if (a[i] == '\0') {
            return true;
        }
    }
    return true;
}

// Each row has a box, a key and a request of its own, and the query places are
// 0..count-1, each once.
constexpr bool RowsAreDistinct() {
    for (std::size_t i = 0; i < kAudioEffectCount; ++i) {
        if (RowQueriedAt(i) == kAudioEffectCount) {
            return false;
        }
        for (std::size_t j = i + 1; j < kAudioEffectCount; ++j) {
            const AudioEffect& a = kAudioEffects[i];
            const AudioEffect& b = kAudioEffects[j];
            if (a.controlId == b.controlId || SameText(a.textKey, b.textKey) || a.request == b.request ||
                a.queryOrder == b.queryOrder || a.state == b.state || a.shown == b.shown) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace detail

static_assert(detail::RowsAreDistinct(),
              "every audio effect needs its own box, key, request, state, member and query place");

}  // namespace audio
