// The audio effect dialog (template 133): one check box per effect of the chosen
// audio interface. Construction reads each effect's state from the device; each click
// sends the new state at once. Closing sends nothing.
#pragma once

#include <cstdint>
#include <string>

#include "audio/AudioEffects.h"
#include "audio/AudioInterfaceEntry.h"
#include "audio/EffectChannel.h"
#include "common/WindowPort.h"
#include "config/Languages.h"
#include "platform/Dialogs.h"

namespace audio {

// The dialog's texts for `deviceName`: the caption, then one text per effect in the
// order of kAudioEffects.
config::AudioTexts LoadEffectTexts(const config::Languages& languages, const std::string& deviceName);

// The members m_bAEC, m_bBF and m_bNS (what the boxes show) come from ShownStates.
class AudioDialog final : public platform::IDialogBoxHandler, public ShownStates {
public:
    // Queries the effects in their query order (BF, then AEC, then NS); each failed
    // query posts 0x46b to the owner.
    AudioDialog(audio::AudioInterfaceEntry& record, EffectChannel& device, common::IWindowPort& owner,
                const config::Languages& languages);
    AudioDialog(const AudioDialog&) = delete;
    AudioDialog& operator=(const AudioDialog&) = delete;

    // Runs the dialog modally over `parent`; the value it ended with.
    int DoModal(platform::IDialogBoxes& dialogs, platform::Hwnd parent);

    // platform::IDialogBoxHandler
    bool onInitDialog(platform::IDialogWindow& dialog) override;
    bool onCommand(platform::IDialogWindow& dialog, std::uint32_t id, std::uint32_t code) override;

    // The clicks on check boxes 1008, 1009 and 1010 (the box has flipped its own mark);
    // the dialog's commands reach them through the effects' rows.
    void OnClickAEC() { OnClick(IDC_AUDIO_AEC); }
    void OnClickNS() { OnClick(IDC_AUDIO_NS); }
    void OnClickBF() { OnClick(IDC_AUDIO_BF); }

private:
    // The members into the check boxes, or (save) the boxes back into the members.
    void DoDataExchange(platform::IDialogWindow& dialog, bool save);
    void LoadAudioText(platform::IDialogWindow& dialog);
    // The click on `controlId`; false for a control that is no effect's box.
    bool OnClick(std::uint32_t controlId);
    // Flips the effect's member, stores it as the record's state and sends it.
    void OnClick(const AudioEffect& effect);

    audio::AudioInterfaceEntry* m_pRecord;
    EffectRequest m_Request;
    EffectChannel* m_hDevice;  // owned by the command, not by the dialog
    common::IWindowPort* m_pOwner;
    const config::Languages& m_languages;
};

}  // namespace audio
