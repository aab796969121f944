// Which handler a WM_COMMAND reaches. Rows are searched in order and the first row
// that holds the id wins; the language row overlaps the audio device row on purpose,
// so audio menu ids can never switch the language.
#pragma once

#include <cstdint>

namespace shell {

enum class CommandRoute {
    None,
    Cancel,
    Console,
    VideoSetting,
    AudioSetting,
    Exit,
    SnapStorePath,
    VideoDeviceBox,
    AudioDeviceBox,
    VideoDeviceMenu,
    AudioDeviceMenu,
    LanguageMenu,
};

// notifyCode is the high word of wParam for a control, 0 for a menu item.
CommandRoute routeCommand(std::uint32_t id, std::uint32_t notifyCode);

}  // namespace shell
