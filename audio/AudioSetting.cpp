#include "audio/AudioSetting.h"

#include <memory>

#include "audio/AudioDialog.h"
#include "audio/EffectChannel.h"
#include "common/Holders.h"
#include "common/Messages.h"

using namespace platform;

namespace audio {

void AudioSetting::OnAudioSetting() {
    if (m_bDialogOpen) {
        return;
    }
    audio::AudioInterfaceEntry* record = m_interfaces.FindSelectedAudioInterface();
    if (m_interfaces.presentCount() == 0 || record == nullptr) {
        m_port.post(common::kMsgGrayOut, 0, 0);
        return;
    }
    std::unique_ptr<IDeviceHandle> handle = audio::OpenEffectChannel(m_deviceIo, record->path);
    if (!handle) {
        m_port.post(common::kMsgDeviceError, 1, 0);
        return;
    }
    EffectChannel channel(std::move(handle));
    AudioDialog dialog(*record, channel, m_port, m_languages);

    common::OpenMark open(m_bDialogOpen);
    common::TrayMenuHold hold(m_port);
    dialog.DoModal(m_dialogs, m_window.window());
}

}  // namespace audio
