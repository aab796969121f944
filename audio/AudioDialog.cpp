#include "audio/AudioDialog.h"

#include "common/Messages.h"
#include "platform/Constants.h"
#include "resources/resource.h"

using namespace platform;

namespace audio {

config::AudioTexts LoadEffectTexts(const config::Languages& languages, const std::string& deviceName) {
    config::AudioTextKey keys[kAudioEffectCount] = {};
    for (std::size_t i = 0; i < kAudioEffectCount; ++i) {
        keys[i] = config::AudioTextKey{kAudioEffects[i].textKey, kAudioEffects[i].text};
    }
    return languages.LoadAudioText(deviceName, keys, kAudioEffectCount);
}

AudioDialog::AudioDialog(audio::AudioInterfaceEntry& record, EffectChannel& device, common::IWindowPort& owner,
                         const config::Languages& languages)
    : m_pRecord(&record), m_hDevice(&device), m_pOwner(&owner), m_languages(languages) {
    for (std::size_t order = 0; order < kAudioEffectCount; ++order) {
        const AudioEffect& effect = *EffectQueriedAt(order);  // every place is taken (AudioEffects.h)
        m_Request.Fill(effect, 0);
        if (!m_hDevice->Query(m_Request)) {
            m_pOwner->post(common::kMsgAudioSettingInvalid, 0, 0);
        }
        // The state byte is read also after a failure: 0 unless the device wrote it.
        // Any non-zero byte counts as on.
        m_pRecord->*effect.state = m_Request.State() != 0 ? 1 : 0;
    }
    for (const AudioEffect& effect : kAudioEffects) {
        this->*effect.shown = m_pRecord->*effect.state;
    }
}

int AudioDialog::DoModal(IDialogBoxes& dialogs, Hwnd parent) {
    return dialogs.dialogBox(parent, IDD_AUDIO_PROPERTY, *this);
}

void AudioDialog::DoDataExchange(IDialogWindow& dialog, bool save) {
    for (const AudioEffect& effect : kAudioEffects) {
        std::int32_t& member = this->*effect.shown;
        if (save) {
            member = dialog.isDlgButtonChecked(effect.controlId) == kBST_CHECKED ? 1 : 0;
        } else {
            dialog.checkDlgButton(effect.controlId, member != 0 ? kBST_CHECKED : kBST_UNCHECKED);
        }
    }
}

bool AudioDialog::onInitDialog(IDialogWindow& dialog) {
    DoDataExchange(dialog, false);
    LoadAudioText(dialog);
    return true;
}

void AudioDialog::LoadAudioText(IDialogWindow& dialog) {
    const config::AudioTexts texts = LoadEffectTexts(m_languages, m_pRecord->description);
    dialog.setWindowText(texts.caption);
    for (std::size_t i = 0; i < kAudioEffectCount && i < texts.items.size(); ++i) {
        dialog.setDlgItemText(kAudioEffects[i].controlId, texts.items[i]);
    }
}

bool AudioDialog::onCommand(IDialogWindow& dialog, std::uint32_t id, std::uint32_t code) {
    if (id == static_cast<std::uint32_t>(kIDOK)) {
        // The confirm key reads the boxes back and ends; nothing goes to the device.
        DoDataExchange(dialog, true);
        dialog.endDialog(kIDOK);
        return true;
    }
    if (id == static_cast<std::uint32_t>(kIDCANCEL)) {
        dialog.endDialog(kIDCANCEL);
        return true;
    }
    if (code != kBN_CLICKED) {
        return false;
    }
    return OnClick(id);
}

bool AudioDialog::OnClick(std::uint32_t controlId) {
    const AudioEffect* effect = EffectOfControl(controlId);
    if (effect == nullptr) {
        return false;
    }
    OnClick(*effect);
    return true;
}

void AudioDialog::OnClick(const AudioEffect& effect) {
    std::int32_t& member = this->*effect.shown;
    member = member == 0 ? 1 : 0;
    m_pRecord->*effect.state = member;
    m_Request.Fill(effect, static_cast<std::uint8_t>(member));
    if (!m_hDevice->Set(m_Request)) {
        // The member, the record and the check mark keep the new value.
        m_pOwner->post(common::kMsgAudioSettingInvalid, 0, 0);
    }
}

}  // namespace audio
