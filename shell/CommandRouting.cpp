#include "shell/CommandRouting.h"

#include "platform/Constants.h"
#include "resources/resource.h"

namespace shell {
namespace {

struct CommandRow {
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t notifyCode;
    CommandRoute route;
};

constexpr CommandRow kCommandTable[] = {
    {platform::kIDCANCEL, platform::kIDCANCEL, platform::kBN_CLICKED, CommandRoute::Cancel},
    {ID_TRAY_CONSOLE, ID_TRAY_CONSOLE, 0, CommandRoute::Console},
    {ID_TRAY_VIDEO_SETTING, ID_TRAY_VIDEO_SETTING, 0, CommandRoute::VideoSetting},
    {IDC_VIDEO_SETTING, IDC_VIDEO_SETTING, platform::kBN_CLICKED, CommandRoute::VideoSetting},
    {ID_TRAY_AUDIO_SETTING, ID_TRAY_AUDIO_SETTING, 0, CommandRoute::AudioSetting},
    {IDC_AUDIO_SETTING, IDC_AUDIO_SETTING, platform::kBN_CLICKED, CommandRoute::AudioSetting},
    {ID_TRAY_EXIT, ID_TRAY_EXIT, 0, CommandRoute::Exit},
    {ID_TRAY_SNAP_PATH, ID_TRAY_SNAP_PATH, 0, CommandRoute::SnapStorePath},
    {IDC_BROWSE, IDC_BROWSE, platform::kBN_CLICKED, CommandRoute::SnapStorePath},
    {IDC_VIDEO_DEVICE, IDC_VIDEO_DEVICE, platform::kCBN_SELCHANGE, CommandRoute::VideoDeviceBox},
    {IDC_AUDIO_DEVICE, IDC_AUDIO_DEVICE, platform::kCBN_SELCHANGE, CommandRoute::AudioDeviceBox},
    {33000, 33500, 0, CommandRoute::VideoDeviceMenu},
    {34000, 34500, 0, CommandRoute::AudioDeviceMenu},
    {34000, 35500, 0, CommandRoute::LanguageMenu},
};

}  // namespace

CommandRoute routeCommand(std::uint32_t id, std::uint32_t notifyCode) {
    for (const CommandRow& row : kCommandTable) {
        if (id >= row.first && id <= row.last && notifyCode == row.notifyCode) {
            return row.route;
        }
    }
    return CommandRoute::None;
}

}  // namespace shell
