#include "config/Settings.h"

#include <algorithm>
#include <cstring>

#include "platform/Scoped.h"

namespace config {
namespace {


// An empty value counts as missing: an installer that blanks a key must not leave
// the program with an empty device fragment that matches every device.
template <std::size_t N>
void readText(platform::IProfile& profile, const char* section, const char* key, const char* fallback,
              char (&field)[N], const std::string& file) {
    std::memset(field, 0, N);
    const std::uint32_t copied = profile.getString(section, key, fallback, field, N, file.c_str());
    field[N - 1] = '\0';
    if (copied == 0 || field[0] == '\0') {
        std::strncpy(field, fallback, N - 1);
        field[N - 1] = '\0';
    }
}

void findProgramDirectory(platform::ISystem& system, char (&programDir)[kProgramDirSize]) {
    char modulePath[kProgramDirSize] = {};
    const std::uint32_t length = system.moduleFileName(modulePath, kProgramDirSize);
    modulePath[std::min<std::uint32_t>(length, kProgramDirSize - 1)] = '\0';
    std::memset(programDir, 0, kProgramDirSize);
    const char* lastSlash = std::strrchr(modulePath, '\\');
    if (lastSlash != nullptr) {
        std::memcpy(programDir, modulePath, static_cast<std::size_t>(lastSlash - modulePath));
    }
}

}  // namespace

void LoadSettingsFile(platform::IProfile& profile, platform::ISystem& system, Settings& settings,
                      const LanguageStep& languageStep) {
    // The settings and language files sit beside a 32-bit program that may live under
    // the 64-bit Program Files: read them with redirection off.
    const platform::ScopedWow64Redirection redirectionOff(system);

    findProgramDirectory(system, settings.ProgramDir);
    const std::string file = std::string(settings.ProgramDir) + kSettingsFileName;

    readText(profile, "Snap", "RegSnap", kDefaultRegSnap, settings.RegSnap, file);
    readText(profile, "Snap", "RegSnapDstPath", kDefaultRegSnapDstPath, settings.RegSnapDstPath, file);
    readText(profile, "Snap", "RegSnapOK", kDefaultRegSnapOK, settings.RegSnapOK, file);
    readText(profile, "Snap", "AudioSyname", kDefaultAudioSyname, settings.AudioSyname, file);
    readText(profile, "Snap", "VideoFriendly", kDefaultVideoFriendly, settings.VideoFriendly, file);

    if (languageStep) {
        languageStep(file);
    }

    const auto delay = static_cast<std::int32_t>(profile.getInt("Rotation", "Delay", kDefaultDelay, file.c_str()));
    settings.Delay = std::clamp(delay, kMinDelay, kMaxDelay);
    settings.LedCtrl = static_cast<std::int32_t>(profile.getInt("LED", "LedCtrl", kDefaultLedCtrl, file.c_str()));
    settings.ShowIcon = static_cast<std::int32_t>(profile.getInt("Tray", "ShowIcon", kDefaultShowIcon, file.c_str()));
}

}  // namespace config
