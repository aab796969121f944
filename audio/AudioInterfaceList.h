// The audio interfaces of the camera's microphone: the list of every interface seen
// since start (entries are never deleted; a removed one is marked and comes back under
// its own command), its items in the "Device Option" submenu below the video devices,
// the hidden combo box 1003, and the user's choice among them.
//
// The list changes only through WM_USER+103, which the window posts to itself for the
// audio-class device notices (and for the interfaces present at start), carrying a
// token of AudioListTokens in place of the interface path.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/AudioInterfaceEntry.h"
#include "audio/AudioListTokens.h"
#include "camera/VideoDeviceList.h"
#include "common/WindowPort.h"
#include "config/Settings.h"
#include "platform/DeviceIo.h"
#include "platform/DeviceSetup.h"
#include "platform/Menus.h"
#include "platform/WindowHost.h"

namespace audio {

// The walks over the members of an interface set stop here.
constexpr std::uint32_t kMaxAudioInterfaceMembers = 500;

// The name of the effect channel inside an audio interface.
constexpr const char* kEffectChannelSuffix = "\\AF";

// The effect channel of an interface path: CreateFileA of the path followed by "\AF",
// for reading and writing, shared both ways. Empty when it cannot be opened.
std::unique_ptr<platform::IDeviceHandle> OpenEffectChannel(platform::IDeviceIo& deviceIo, const char* path);

class AudioInterfaceList {
public:
    AudioInterfaceList(platform::IDeviceSetup& deviceSetup, platform::IDeviceIo& deviceIo, platform::IMenus& menus,
                       platform::IWindowHost& window, common::IWindowPort& port, const config::Settings& settings,
                       const camera::VideoDeviceList& videoDevices, std::uint32_t tokenSeed)
        : m_deviceSetup(deviceSetup),
          m_deviceIo(deviceIo),
          m_menus(menus),
          m_window(window),
          m_port(port),
          m_settings(settings),
          m_videoDevices(videoDevices),
          m_tokens(tokenSeed) {}
    AudioInterfaceList(const AudioInterfaceList&) = delete;
    AudioInterfaceList& operator=(const AudioInterfaceList&) = delete;

    // The "Device Option" submenu (the same one the video devices use).
    void bindMenu(platform::MenuHandle deviceMenu) { m_hDeviceMenu = deviceMenu; }

    // Opens one interface of `set`: its path, and when asked its description and
    // hardware id (260 bytes each); the effect channel when the hardware id or the path
    // holds the settings' AudioSyname text, else empty.
    std::unique_ptr<platform::IDeviceHandle> OpenAudioInterface(platform::IDeviceInfoSet& set,
                                                                const platform::DeviceInterfaceData& data,
                                                                char* path, char* description, char* hardwareId);
    // The description of the present, openable interface of `interfaceClass` whose path
    // equals `path` without regard to case; `description` (260 bytes) stays empty when
    // there is none.
    void FindAudioInterface(const platform::Guid& interfaceClass, const char* path, char* description);

    // WM_DEVICECHANGE: true for an arrival or removal of an audio-class interface, which
    // goes on to the list as WM_USER+103. Other notices are not the list's.
    bool OnDeviceChange(platform::WParam event, platform::LParam data);
    // At start: an arrival for each interface of the class present now.
    void PostPresentInterfaces();
    // WM_USER+103: wParam non-zero an arrival, 0 a removal; lParam a token of ours.
    platform::LResult OnAudioListUpdate(platform::WParam wParam, platform::LParam lParam);

    // The user's choice, by menu command 34000-34500 or by combo box 1003.
    void OnAudioDeviceMenu(std::uint32_t id);
    void OnAudioDeviceBox();

    // The entry the audio effect command works on: the first that is selected and not
    // removed; with none such while interfaces are present, the first present one,
    // which becomes the chosen one. Null when none is present.
    AudioInterfaceEntry* FindSelectedAudioInterface();

    const std::vector<std::unique_ptr<AudioInterfaceEntry>>& entries() const { return m_AudioDevices; }
    int presentCount() const { return m_nAudioPresent; }
    int addedCount() const { return m_nAudioAdded; }
    const AudioListTokens& tokens() const { return m_tokens; }

private:
    platform::LResult OnArrival(const char* path);
    platform::LResult OnRemoval(const char* path);
    // Posts WM_USER+103 for `path` with a fresh token.
    void PostUpdate(bool arrival, const char* path);
    // The members of the class's present interfaces, at most 500. With `wanted`: stops
    // at the openable one whose path equals it, its description copied out. Without:
    // posts an arrival for each member.
    void WalkInterfaces(const platform::Guid& interfaceClass, const char* wanted, char* description);
    // The interface path of one member: false when the detail is refused or unusable.
    bool ReadInterfacePath(platform::IDeviceInfoSet& set, const platform::DeviceInterfaceData& data,
                           char (&path)[kAudioTextSize], platform::DeviceInfoData* device);
    AudioInterfaceEntry* FindByPath(const char* path);
    // An entry's item and combo box text, listed (again); the first present one is chosen.
    void Show(AudioInterfaceEntry& entry);
    void Select(AudioInterfaceEntry& entry);
    // Takes the mark off the chosen entries that are present (all, or the first).
    void ClearChoice(bool all);
    std::uint32_t MenuPosition() const;

    platform::IDeviceSetup& m_deviceSetup;
    platform::IDeviceIo& m_deviceIo;
    platform::IMenus& m_menus;
    platform::IWindowHost& m_window;
    common::IWindowPort& m_port;
    const config::Settings& m_settings;
    const camera::VideoDeviceList& m_videoDevices;
    platform::MenuHandle m_hDeviceMenu = 0;
    AudioListTokens m_tokens;

    // Each entry on its own: entries keep their addresses as the list grows, so the
    // audio dialog's record stays valid while arrivals are handled inside its loop.
    std::vector<std::unique_ptr<AudioInterfaceEntry>> m_AudioDevices;
    AudioInterfaceEntry* m_pAudioIterator = nullptr;  // the entry last found by a search
    int m_nAudioAdded = 0;
    int m_nAudioPresent = 0;
};

}  // namespace audio
