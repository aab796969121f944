// The settings record read from bkg.ini at start, and how it is read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Profile.h"
#include "platform/System.h"

namespace config {

constexpr std::size_t kProgramDirSize = 260;
// The settings file, beside the executable.
constexpr const char* kSettingsFileName = "\\bkg.ini";

constexpr const char* kDefaultRegSnap = "Software\\Velnor QM410B\\CONTROL";
constexpr const char* kDefaultRegSnapDstPath = "HwSnapDstPath";
constexpr const char* kDefaultRegSnapOK = "HwSnapSaveOK";
constexpr const char* kDefaultAudioSyname = "Vid_7c3e&Pid_410b";
constexpr const char* kDefaultVideoFriendly = "Tavrin";
constexpr int kDefaultDelay = 100;
constexpr int kDefaultLedCtrl = 0;
constexpr int kDefaultShowIcon = 0;

// A bad file must never be able to freeze the program in its rotation pause.
constexpr int kMinDelay = 0;
constexpr int kMaxDelay = 5000;

struct Settings {
    char RegSnap[40] = {};
    char RegSnapDstPath[30] = {};
    // The control-key value whose REG_DWORD 0 closes the snapshot store.
    char RegSnapOK[30] = {};
    char AudioSyname[30] = {};
    char VideoFriendly[260] = {};
    std::int32_t Delay = kDefaultDelay;
    std::int32_t LedCtrl = kDefaultLedCtrl;
    // Non-zero: the program shows its icon in the notification area, so a person can
    // reach the menu. 0 (the default) keeps the program as it has always been: no icon.
    std::int32_t ShowIcon = kDefaultShowIcon;
    // The executable's directory, without a trailing backslash: where bkg.ini and the
    // language folder are.
    char ProgramDir[kProgramDirSize] = {};
};

// Runs between the text keys and the integer keys, with file-system redirection
// still off, so the language files beside the program are read the same way.
using LanguageStep = std::function<void(const std::string& settingsFile)>;

// Reads every key of the settings file beside the executable into `settings`, and
// the executable's directory into settings.ProgramDir.
void LoadSettingsFile(platform::IProfile& profile, platform::ISystem& system, Settings& settings,
                      const LanguageStep& languageStep);

}  // namespace config
