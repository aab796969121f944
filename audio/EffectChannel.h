// The effect channel of the camera's microphone: the audio interface's "\AF" device,
// which switches the echo cancellation, the noise suppression and the beam forming.
// Both requests carry one 12-byte block; the state query answers with the same block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/AudioEffects.h"
#include "platform/DeviceIo.h"

namespace audio {

// FILE_DEVICE_UNKNOWN (0x22), functions 1 and 2, METHOD_BUFFERED, FILE_ANY_ACCESS.
constexpr std::uint32_t IOCTL_AF_SET_EFFECT = 0x220004;
constexpr std::uint32_t IOCTL_AF_GET_EFFECT = 0x220008;

// The request block, little-endian: effect id at 0 (4 bytes; each effect's is in its
// row of kAudioEffects), state at 4 (1 byte, 0 off, 1 on), the rest zero.
constexpr std::size_t kEffectBlockSize = 12;
constexpr std::size_t kEffectIdOffset = 0;
constexpr std::size_t kEffectStateOffset = 4;

struct EffectRequest {
    std::uint8_t bytes[kEffectBlockSize] = {};

    // Zeroes the block and puts in the effect's identifier and the state.
    void Fill(const AudioEffect& effect, std::uint8_t state);
    std::uint8_t State() const { return bytes[kEffectStateOffset]; }
};

// The open channel; the handle is closed when the channel goes.
class EffectChannel {
public:
    explicit EffectChannel(std::unique_ptr<platform::IDeviceHandle> handle) : m_handle(std::move(handle)) {}

    // IOCTL_AF_GET_EFFECT with the block as input and output. True only for a
    // successful answer that fills the whole block.
    bool Query(EffectRequest& request);
    // IOCTL_AF_SET_EFFECT with the block and no output.
    bool Set(const EffectRequest& request);

private:
    std::unique_ptr<platform::IDeviceHandle> m_handle;
};

}  // namespace audio
