#include <gtest/gtest.h>

#include <string>

#include "config/Settings.h"
#include "platform/sim/SimMachine.h"
#include "tests/unit/ShellTestSupport.h"

namespace {

constexpr const char* kIni = "C:\\Program Files\\Tiltmate\\bkg.ini";

struct Loaded {
    config::Settings settings;
};

Loaded load(sim::SimMachine& machine) {
    Loaded loaded;
    config::LoadSettingsFile(machine.profile, machine.system, loaded.settings, config::LanguageStep());
    return loaded;
}

Loaded loadFile(const std::string& contents) {
    sim::SimMachine machine;
    machine.profile.setFile(kIni, contents);
    return load(machine);
}

void expectDefaults(const config::Settings& s) {
    EXPECT_STREQ(s.RegSnap, "Software\\Velnor QM410B\\CONTROL");
    EXPECT_STREQ(s.RegSnapDstPath, "HwSnapDstPath");
    EXPECT_STREQ(s.RegSnapOK, "HwSnapSaveOK");
    EXPECT_STREQ(s.AudioSyname, "Vid_7c3e&Pid_410b");
    EXPECT_STREQ(s.VideoFriendly, "Tavrin");
    EXPECT_EQ(s.Delay, 100);
    EXPECT_EQ(s.LedCtrl, 0);
    EXPECT_EQ(s.ShowIcon, 0);
}

}  // namespace

TEST(Settings, MissingFileOrSectionsGiveDefaults) {
    sim::SimMachine machine;
    const Loaded loaded = load(machine);
    expectDefaults(loaded.settings);
    EXPECT_STREQ(loaded.settings.ProgramDir, "C:\\Program Files\\Tiltmate");

    expectDefaults(loadFile("[Other]\r\nDelay=7\r\n").settings);
    // Empty values count as missing, for text and numbers alike.
    expectDefaults(loadFile("[Snap]\r\nRegSnap=\r\nRegSnapDstPath=\r\nAudioSyname=\r\nVideoFriendly=\r\n"
                            "[Rotation]\r\nDelay=\r\n[LED]\r\nLedCtrl=\r\n").settings);
}

TEST(Settings, ValuesAreReadAndCutToTheirFields) {
    const std::string long45(45, 'R');
    const std::string long300(300, 'V');
    const Loaded loaded = loadFile("[snap]\r\n RegSnap = " + long45 + "\r\nRegSnapDstPath=" + std::string(40, 'D') +
                                   "\r\nAudioSyname=\"Vid_1234&Pid_5678\"\r\nVideoFriendly=" + long300 +
                                   "\r\n[ROTATION]\r\ndelay=250\r\n[LED]\r\nLedCtrl=1\r\n[tray]\r\nShowIcon=1\r\n");
    EXPECT_EQ(std::string(loaded.settings.RegSnap), long45.substr(0, 39));
    EXPECT_EQ(std::string(loaded.settings.RegSnapDstPath), std::string(29, 'D'));
    EXPECT_STREQ(loaded.settings.AudioSyname, "Vid_1234&Pid_5678");
    EXPECT_EQ(std::string(loaded.settings.VideoFriendly), long300.substr(0, 259));
    EXPECT_EQ(loaded.settings.Delay, 250);
    EXPECT_EQ(loaded.settings.LedCtrl, 1);
    EXPECT_EQ(loaded.settings.ShowIcon, 1);
}

TEST(Settings, TheStoreGateValueNameIsReadFromTheSnapSection) {
    struct Case {
        const char* file;
        const char* expected;
    };
    const Case cases[] = {
        {"[Snap]\r\nRegSnapOK=MayStore\r\n", "MayStore"},
        {"[snap]\r\n regsnapok = 'Quoted'\r\n", "Quoted"},
        {"[Snap]\r\nRegSnapOK=\r\n", "HwSnapSaveOK"},
        {"[Other]\r\nRegSnapOK=Elsewhere\r\n", "HwSnapSaveOK"},
        {"[Snap]\r\nRegSnapOK=0123456789012345678901234567890123\r\n", "01234567890123456789012345678"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(loadFile(c.file).settings.RegSnapOK, c.expected) << c.file;
    }
}

TEST(Settings, IntegersAreParsedAsTheProfileFunctionsDoAndDelayIsBounded) {
    struct Case {
        const char* value;
        int delay;
        int ledCtrl;
    };
    const Case cases[] = {
        {"250", 250, 250},
        {"+1", 1, 1},
        {"42A9", 42, 42},
        {"B429", 0, 0},
        {"4294967297", 1, 1},
        {"-5", 0, -5},
        {"5001", 5000, 5001},
        {"999999999", 5000, 999999999},
        {"0", 0, 0},
    };
    for (const Case& c : cases) {
        const Loaded loaded = loadFile(std::string("[Rotation]\r\nDelay=") + c.value + "\r\n[LED]\r\nLedCtrl=" +
                                       c.value + "\r\n");
        EXPECT_EQ(loaded.settings.Delay, c.delay) << c.value;
        EXPECT_EQ(loaded.settings.LedCtrl, c.ledCtrl) << c.value;
    }
}

TEST(Settings, JunkFilesGiveDefaultsOrWhatTheProfileFunctionsMakeOfThem) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary.push_back(static_cast<char>((i * 131) & 0xFF));
    }
    expectDefaults(loadFile(binary).settings);
    expectDefaults(loadFile(std::string(100 * 1024, 'x') + "\r\n[Snap]\r\n" + std::string(100 * 1024, '=')).settings);
    expectDefaults(loadFile("[Snap]\r\nVideoFriendly\r\nRegSnap\r\n[Rotation]\r\nDelay\r\n").settings);

    // A duplicated section: the first one answers.
    const Loaded twice = loadFile("[Rotation]\r\nDelay=300\r\n[Rotation]\r\nDelay=400\r\n");
    EXPECT_EQ(twice.settings.Delay, 300);
    // A value of 100 KB is cut to its field.
    const Loaded huge = loadFile("[Snap]\r\nVideoFriendly=" + std::string(100 * 1024, 'c') + "\r\n");
    EXPECT_EQ(std::string(huge.settings.VideoFriendly), std::string(259, 'c'));
}

TEST(Settings, RedirectionIsOffOnlyWhileFilesAreReadUnderWow64) {
    for (bool wow64 : {false, true}) {
        sim::SimMachine machine;
        machine.system.setWow64(wow64);
        config::Settings settings;
        bool redirectionDuringLanguageStep = true;
        std::string languageFile;
        config::LoadSettingsFile(machine.profile, machine.system, settings, [&](const std::string& file) {
            redirectionDuringLanguageStep = machine.system.redirectionEnabled();
            languageFile = file;
        });
        EXPECT_EQ(languageFile, kIni);
        EXPECT_EQ(redirectionDuringLanguageStep, !wow64);
        EXPECT_TRUE(machine.system.redirectionEnabled());
        const std::vector<bool> expectedCalls = wow64 ? std::vector<bool>{false, true} : std::vector<bool>{};
        EXPECT_EQ(machine.system.redirectionCalls(), expectedCalls);
    }
}

TEST(Settings, ProgramDirectoryComesFromTheModulePath) {
    struct Case {
        const char* module;
        const char* dir;
    };
    const Case cases[] = {
        {"C:\\Tools\\Cam\\Viewmate.exe", "C:\\Tools\\Cam"},
        {"Viewmate.exe", ""},
        {"C:\\Viewmate.exe", "C:"},
    };
    for (const Case& c : cases) {
        sim::SimMachine machine;
        machine.system.setModulePath(c.module);
        EXPECT_STREQ(load(machine).settings.ProgramDir, c.dir) << c.module;
    }
    sim::SimMachine machine;
    machine.system.setModulePath("C:\\" + std::string(400, 'p') + "\\x.exe");
    EXPECT_LT(std::string(load(machine).settings.ProgramDir).size(), config::kProgramDirSize);
}

TEST(Settings, MainWindowLoadsThemDuringInitialisation) {
    testing_support::RunningDialog run;
    run.machine.profile.setFile(kIni, "[Rotation]\r\nDelay=250\r\n[LED]\r\nLedCtrl=1\r\n");
    run.start();
    EXPECT_EQ(run.dialog->settings().Delay, 250);
    EXPECT_EQ(run.dialog->settings().LedCtrl, 1);
    EXPECT_STREQ(run.dialog->settings().ProgramDir, "C:\\Program Files\\Tiltmate");
    // Editing the file later changes nothing until the next start.
    run.machine.profile.setFile(kIni, "[Rotation]\r\nDelay=10\r\n");
    run.machine.window.runFor(10'000);
    EXPECT_EQ(run.dialog->settings().Delay, 250);
}
