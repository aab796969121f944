#include "audio/EffectChannel.h"

#include <cstring>

#include "platform/LittleEndian.h"

namespace audio {

void EffectRequest::Fill(const AudioEffect& effect, std::uint8_t state) {
    std::memset(bytes, 0, sizeof bytes);
    platform::WriteLe32(bytes + kEffectIdOffset, effect.request);
    bytes[kEffectStateOffset] = state;
}

bool EffectChannel::Query(EffectRequest& request) {
    if (!m_handle) {
        return false;
    }
    std::uint32_t returned = 0;
    const bool ok = m_handle->deviceIoControl(IOCTL_AF_GET_EFFECT, request.bytes, kEffectBlockSize, request.bytes,
                                              kEffectBlockSize, &returned);
    // A shorter answer leaves the block partly the device's and partly ours.
    return ok && returned >= kEffectBlockSize;
}

bool EffectChannel::Set(const EffectRequest& request) {
    if (!m_handle) {
        return false;
    }
    std::uint32_t returned = 0;
    return m_handle->deviceIoControl(IOCTL_AF_SET_EFFECT, request.bytes, kEffectBlockSize, nullptr, 0, &returned);
}

}  // namespace audio
