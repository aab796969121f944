// One audio interface of the camera's microphone, as the audio interface list keeps it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Types.h"

namespace audio {

constexpr std::size_t kAudioTextSize = 260;

// The audio interface class of the camera's microphone:
// {2D94E7B1-3A60-4C8F-B5E2-91F0C6A8D47E}.
constexpr platform::Guid kAudioInterfaceClass = {
    0x2D94E7B1, 0x3A60, 0x4C8F, {0xB5, 0xE2, 0x91, 0xF0, 0xC6, 0xA8, 0xD4, 0x7E}};

struct AudioInterfaceEntry {
    std::uint32_t commandId = 0;             // menu command: 34000 + entries added before it
    std::int32_t selected = 0;               // the chosen audio interface
    char path[kAudioTextSize] = {};          // the interface path
    char description[kAudioTextSize] = {};   // SPDRP_DEVICEDESC, " #n" from the second entry on
    std::int32_t AEC = 0;                    // last known effect states (kept by the audio dialog)
    std::int32_t NS = 0;
    std::int32_t BF = 0;
    std::int32_t removed = 0;                // the interface is gone; the entry stays
};

}  // namespace audio
