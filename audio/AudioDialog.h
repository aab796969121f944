// The audio effect dialog (template 133): one check box per effect of the chosen
// audio interface. Construction reads each effect's state from the device; each click
// sends the new state at once. Closing sends nothing.
#pragma once

#include <cstdint>

#include "audio/EffectChannel.h"
#include "audio/AudioInterfaceEntry.h"
#include "common/WindowPort.h"
#include "config/Languages.h"
#include "platform/Dialogs.h"

namespace audio {

class AudioDialog final : public platform::IDialogBoxHandler {
public:
    // Queries BF, then AEC, then NS; each failed query posts 0x46b to the owner.
    AudioDialog(audio::AudioInterfaceEntry& record, EffectChannel& device, common::IWindowPort& owner,
                const config::Languages& languages);
    AudioDialog(const AudioDialog&) = delete;
    AudioDialog& operator=(const AudioDialog&) = delete;

    // Runs the dialog modally over `parent`; the value it ended with.
    int DoModal(platform::IDialogBoxes& dialogs, platform::Hwnd parent);

    // platform::IDialogBoxHandler
    bool onInitDialog(platform::IDialogWindow& dialog) override;
    bool onCommand(platform::IDialogWindow& dialog, std::uint32_t id, std::uint32_t code) override;

    // The clicks on check boxes 1008, 1009 and 1010 (the box has flipped its own mark).
    void OnClickAEC();
    void OnClickNS();
    void OnClickBF();

    std::int32_t m_bAEC = 0;
    std::int32_t m_bBF = 0;
    std::int32_t m_bNS = 0;

private:
    // The members into the check boxes, or (save) the boxes back into the members.
    void DoDataExchange(platform::IDialogWindow& dialog, bool save);
    void LoadAudioText(platform::IDialogWindow& dialog);
    // Flips `member`, stores it as the record's `state` and sends it for `effect`.
    void OnClick(std::int32_t& member, std::int32_t& state, std::uint32_t effect);

    audio::AudioInterfaceEntry* m_pRecord;
    EffectRequest m_Request;
    EffectChannel* m_hDevice;  // owned by the command, not by the dialog
    common::IWindowPort* m_pOwner;
    const config::Languages& m_languages;
};

}  // namespace audio
