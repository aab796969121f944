#include "audio/AudioDialog.h"

#include "common/Messages.h"
#include "platform/Constants.h"
#include "resources/resource.h"

using namespace platform;

namespace audio {

AudioDialog::AudioDialog(audio::AudioInterfaceEntry& record, EffectChannel& device, common::IWindowPort& owner,
                         const config::Languages& languages)
    : m_pRecord(&record), m_hDevice(&device), m_pOwner(&owner), m_languages(languages) {
    struct Query {
        std::uint32_t effect;
        std::int32_t audio::AudioInterfaceEntry::*state;
    };
    static constexpr Query kQueries[] = {
        {kEffectBF, &audio::AudioInterfaceEntry::BF},
        {kEffectAEC, &audio::AudioInterfaceEntry::AEC},
        {kEffectNS, &audio::AudioInterfaceEntry::NS},
    };
    for (const Query& query : kQueries) {
        m_Request.Fill(query.effect, 0);
        if (!m_hDevice->Query(m_Request)) {
            m_pOwner->post(common::kMsgAudioSettingInvalid, 0, 0);
        }
        // The state byte is read also after a failure: 0 unless the device wrote it.
        // Any non-zero byte counts as on.
        m_pRecord->*query.state = m_Request.State() != 0 ? 1 : 0;
    }
    m_bAEC = m_pRecord->AEC;
    m_bBF = m_pRecord->BF;
    m_bNS = m_pRecord->NS;
}

int AudioDialog::DoModal(IDialogBoxes& dialogs, Hwnd parent) {
    return dialogs.dialogBox(parent, IDD_AUDIO_PROPERTY, *this);
}

void AudioDialog::DoDataExchange(IDialogWindow& dialog, bool save) {
    struct Binding {
        int id;
        std::int32_t AudioDialog::*member;
    };
    static constexpr Binding kBindings[] = {
        {IDC_AUDIO_AEC, &AudioDialog::m_bAEC},
        {IDC_AUDIO_BF, &AudioDialog::m_bBF},
        {IDC_AUDIO_NS, &AudioDialog::m_bNS},
    };
    for (const Binding& binding : kBindings) {
        if (save) {
            this->*binding.member = dialog.isDlgButtonChecked(binding.id) == kBST_CHECKED ? 1 : 0;
        } else {
            dialog.checkDlgButton(binding.id, this->*binding.member != 0 ? kBST_CHECKED : kBST_UNCHECKED);
        }
    }
}

bool AudioDialog::onInitDialog(IDialogWindow& dialog) {
    DoDataExchange(dialog, false);
    LoadAudioText(dialog);
    return true;
}

void AudioDialog::LoadAudioText(IDialogWindow& dialog) {
    const config::AudioTexts texts = m_languages.LoadAudioText(m_pRecord->description);
    dialog.setWindowText(texts.caption);
    dialog.setDlgItemText(IDC_AUDIO_AEC, texts.aec);
    dialog.setDlgItemText(IDC_AUDIO_NS, texts.ns);
    dialog.setDlgItemText(IDC_AUDIO_BF, texts.bf);
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
    switch (id) {
        case IDC_AUDIO_AEC:
            OnClickAEC();
            return true;
        case IDC_AUDIO_NS:
            OnClickNS();
            return true;
        case IDC_AUDIO_BF:
            OnClickBF();
            return true;
        default:
            return false;
    }
}

void AudioDialog::OnClick(std::int32_t& member, std::int32_t& state, std::uint32_t effect) {
    member = member == 0 ? 1 : 0;
    state = member;
    m_Request.Fill(effect, static_cast<std::uint8_t>(member));
    if (!m_hDevice->Set(m_Request)) {
        // The member, the record and the check mark keep the new value.
        m_pOwner->post(common::kMsgAudioSettingInvalid, 0, 0);
    }
}

void AudioDialog::OnClickAEC() { OnClick(m_bAEC, m_pRecord->AEC, kEffectAEC); }
void AudioDialog::OnClickNS() { OnClick(m_bNS, m_pRecord->NS, kEffectNS); }
void AudioDialog::OnClickBF() { OnClick(m_bBF, m_pRecord->BF, kEffectBF); }

}  // namespace audio
