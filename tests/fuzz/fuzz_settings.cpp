// The settings file as an installer, a user or a broken disk may leave it: the input is
// the whole of bkg.ini beside the executable, read through config::LoadSettingsFile
// from the simulated profile files, with the kernel32 rules they apply.
//
// Checked: every text field is a non-empty, terminated string within its array and
// is either the profile's value cut to the field or the default; the delay is inside
// its clamp; the integer keys are what the profile answers; the language step runs
// once, between the keys, with redirection still off; redirection is back on after.
#include <cstdint>
#include <cstring>
#include <string>

#include "config/Settings.h"
#include "platform/sim/SimProfile.h"
#include "platform/sim/SimSystem.h"
#include "tests/fuzz/FuzzSupport.h"

using fuzz_support::Require;

namespace {

constexpr const char* kModulePath = "C:\\Program Files\\Tiltmate\\Tiltmate.exe";
constexpr const char* kProgramDir = "C:\\Program Files\\Tiltmate";
constexpr const char* kSettingsFile = "C:\\Program Files\\Tiltmate\\bkg.ini";

// The language files are read in the settings' language step, beside bkg.ini and with
// redirection off. This is the place for their reader: called here with the same
// profile (the language list is in the input's [Language] section, and the files it
// names can be given contents from the input too), its results checked after
// LoadSettingsFile returns. Until then the step only checks when and how it runs.
void ReadLanguageFiles(sim::SimProfile& /*profile*/, sim::SimSystem& /*system*/, const std::string& /*settingsFile*/) {}

// What one text key must come to: the profile's own answer, cut to the field, or the
// default when that is empty.
template <std::size_t N>
void CheckText(sim::SimProfile& profile, const char* section, const char* key, const char* fallback,
               const char (&field)[N]) {
    Require(std::memchr(field, '\0', N) != nullptr, "text field not terminated", key);
    const std::string value(field);
    Require(!value.empty(), "text field left empty", key);

    std::string whole(64 * 1024, '\0');
    profile.getString(section, key, fallback, whole.data(), static_cast<std::uint32_t>(whole.size()), kSettingsFile);
    whole.resize(std::strlen(whole.c_str()));
    std::string expected = whole.substr(0, N - 1);
    if (expected.empty()) {
        expected = std::string(fallback).substr(0, N - 1);
    }
    Require(value == expected, "text field differs from the profile's value", std::string(key) + "=" + value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::SimProfile profile;
    sim::SimSystem system;
    system.setModulePath(kModulePath);
    // A 32-bit program on 64-bit Windows: the redirection holder really switches.
    system.setWow64(true);
    profile.setFile(kSettingsFile, std::string(reinterpret_cast<const char*>(data), size));

    config::Settings settings;
    int languageSteps = 0;
    config::LoadSettingsFile(profile, system, settings, [&](const std::string& settingsFile) {
        ++languageSteps;
        Require(settingsFile == kSettingsFile, "language step got another file", settingsFile);
        Require(!system.redirectionEnabled(), "language step ran with redirection on");
        ReadLanguageFiles(profile, system, settingsFile);
    });

    Require(languageSteps == 1, "language step not run exactly once");
    Require(system.redirectionEnabled(), "redirection left off");
    Require(std::strcmp(settings.ProgramDir, kProgramDir) == 0, "program directory", settings.ProgramDir);

    CheckText(profile, "Snap", "RegSnap", config::kDefaultRegSnap, settings.RegSnap);
    CheckText(profile, "Snap", "RegSnapDstPath", config::kDefaultRegSnapDstPath, settings.RegSnapDstPath);
    CheckText(profile, "Snap", "AudioSyname", config::kDefaultAudioSyname, settings.AudioSyname);
    CheckText(profile, "Snap", "VideoFriendly", config::kDefaultVideoFriendly, settings.VideoFriendly);

    Require(settings.Delay >= config::kMinDelay && settings.Delay <= config::kMaxDelay, "delay outside its clamp",
            std::to_string(settings.Delay));
    const auto delay =
        static_cast<std::int32_t>(profile.getInt("Rotation", "Delay", config::kDefaultDelay, kSettingsFile));
    const std::int32_t clamped = delay < config::kMinDelay ? config::kMinDelay
                                 : delay > config::kMaxDelay ? config::kMaxDelay
                                                             : delay;
    Require(settings.Delay == clamped, "delay is not the profile's value clamped", std::to_string(settings.Delay));
    const auto ledCtrl =
        static_cast<std::int32_t>(profile.getInt("LED", "LedCtrl", config::kDefaultLedCtrl, kSettingsFile));
    Require(settings.LedCtrl == ledCtrl, "LedCtrl is not the profile's value", std::to_string(settings.LedCtrl));
    return 0;
}
