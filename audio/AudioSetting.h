// The Audio Setting command (tray item 32773, button 1001): opens the chosen audio
// interface's effect channel and runs the audio effect dialog over it.
#pragma once

#include "audio/AudioInterfaceList.h"
#include "common/WindowPort.h"
#include "config/Languages.h"
#include "platform/DeviceIo.h"
#include "platform/Dialogs.h"
#include "platform/WindowHost.h"

namespace audio {

class AudioSetting {
public:
    AudioSetting(audio::AudioInterfaceList& interfaces, platform::IDeviceIo& deviceIo,
                 platform::IDialogBoxes& dialogs, platform::IWindowHost& window, common::IWindowPort& port,
                 const config::Languages& languages)
        : m_interfaces(interfaces),
          m_deviceIo(deviceIo),
          m_dialogs(dialogs),
          m_window(window),
          m_port(port),
          m_languages(languages) {}
    AudioSetting(const AudioSetting&) = delete;
    AudioSetting& operator=(const AudioSetting&) = delete;

    void OnAudioSetting();

    bool dialogOpen() const { return m_bDialogOpen; }

private:
    audio::AudioInterfaceList& m_interfaces;
    platform::IDeviceIo& m_deviceIo;
    platform::IDialogBoxes& m_dialogs;
    platform::IWindowHost& m_window;
    common::IWindowPort& m_port;
    const config::Languages& m_languages;
    // The dialog is modal, but its loop still dispatches commands posted to the main
    // window: a second request while it is open is refused rather than nested.
    bool m_bDialogOpen = false;
};

}  // namespace audio
