#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/AudioDialog.h"
#include "common/Messages.h"
#include "platform/Constants.h"
#include "resources/resource.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using testing_support::RunningDialog;

namespace {

constexpr const char* kIni = "C:\\Program Files\\Tiltmate\\bkg.ini";
constexpr const char* kFolder = "C:\\Program Files\\Tiltmate\\Language\\";

const std::string kGerman =
    "[Main]\r\nTitle=Tavrin PC-Kamerakonsole\r\nSnapStorePath=Speicherort\r\nVideoDevice=Videoger\xE4t\r\n"
    "AudioDevice=Audioger\xE4t\r\nBrowse=Durchsuchen\r\nVideoSet=Videoeinstellung\r\nAudioSet=Audioeinstellung\r\n"
    "[Menu]\r\nVideoSet=Videoeinstellung (&V)\r\nAudioSet=Audioeinstellung (&A)\r\nMain=PC-Kamerakonsole (&M)\r\n"
    "SnapPath=Speicherort (&S)\r\nExit=Beenden (&E)\r\nLanguage=Sprache\r\nDevice=Ger\xE4teauswahl\r\n"
    "[AudioProperty]\r\nTitle= Eigenschaften\r\nAEC=Echounterdr\xFC" "ckung\r\nNS=Rauschunterdr\xFC" "ckung\r\n"
    "BF=Richtmikrofon\r\n";

// The audio dialog's texts for `device`, as the dialog asks for them: "caption", and
// each effect's text under its key.
struct DialogTexts {
    config::AudioTexts texts;
    std::string operator[](const std::string& key) const {
        if (key == "caption") return texts.caption;
        for (std::size_t i = 0; i < audio::kAudioEffectCount && i < texts.items.size(); ++i) {
            if (key == audio::kAudioEffects[i].textKey) return texts.items[i];
        }
        return "(not asked)";
    }
};
DialogTexts AudioText(const config::Languages& languages, const std::string& device) {
    return DialogTexts{audio::LoadEffectTexts(languages, device)};
}

struct LanguageRig : RunningDialog {
    explicit LanguageRig(const std::string& settings) { machine.profile.setFile(kIni, settings); }
    void language(const std::string& file, const std::string& contents) {
        machine.profile.setFile(kFolder + file, contents);
    }
    MenuHandle popup() { return dialog->trayPopupMenu(); }
    MenuHandle languageMenu() { return dialog->languageMenu(); }
    std::string item(std::uint32_t id) { return machine.menus.getMenuString(popup(), id, kMF_BYCOMMAND); }
    std::string entry(std::uint32_t position) {
        return machine.menus.getMenuString(popup(), position, kMF_BYPOSITION);
    }
    // The Language submenu as "text id", "*" marking the checked item.
    std::vector<std::string> languages() {
        std::vector<std::string> out;
        for (const auto& i : *machine.menus.items(languageMenu())) {
            out.push_back(i.text + " " + std::to_string(i.id) + ((i.state & kMF_CHECKED) != 0 ? " *" : ""));
        }
        return out;
    }
    std::string text(int id) { return machine.window.control(id)->text; }
};

const std::string kThree =
    "[Language]\r\nLanguageCount=3\r\nDefault=2\r\nLanguage1=English.ini\r\nLanguage2=Deutsch.ini\r\n"
    "Language3=Francais.ini\r\n";

}  // namespace

TEST(Languages, TheListFillsTheSubmenuAndAppliesTheCurrentLanguage) {
    LanguageRig rig(kThree);
    rig.language("Deutsch.ini", kGerman);
    rig.start();
    EXPECT_EQ(rig.languages(), (std::vector<std::string>{"English 35000", "Deutsch 35001 *", "Francais 35002"}));
    EXPECT_EQ(rig.machine.window.windowText(), "Tavrin PC-Kamerakonsole");
    EXPECT_STREQ(rig.dialog->languages().caption(), "Tavrin PC-Kamerakonsole");
    EXPECT_EQ(rig.text(IDC_GROUP_SNAP), "Speicherort");
    EXPECT_EQ(rig.text(IDC_BROWSE), "Durchsuchen");
    EXPECT_EQ(rig.text(IDC_AUDIO_SETTING), "Audioeinstellung");
    EXPECT_EQ(rig.item(ID_TRAY_CONSOLE), "PC-Kamerakonsole (&M)");
    EXPECT_EQ(rig.item(ID_TRAY_EXIT), "Beenden (&E)");
    EXPECT_EQ(rig.entry(7), "Sprache");
    EXPECT_EQ(rig.entry(3), "Ger\xE4teauswahl");
    // The renamed entries keep their submenus.
    EXPECT_EQ(rig.machine.menus.getSubMenu(rig.popup(), 7), rig.languageMenu());
    EXPECT_NE(rig.machine.menus.getSubMenu(rig.popup(), 3), 0u);
}

TEST(Languages, ListEdgeCases) {
    struct Case {
        const char* name;
        std::string settings;
        std::vector<std::string> submenu;
        std::string caption;  // "Main", the resource's caption, when no language file was applied
    };
    const Case cases[] = {
        // No settings at all: one language, English.ini, missing: the built-in defaults.
        {"no files", "", {"English 35000 *"}, "Tavrin PC Camera Console"},
        // An upper-case extension adds no item, though its texts still apply.
        {"upper-case extension", "[Language]\r\nLanguageCount=2\r\nDefault=2\r\nLanguage2=Deutsch.INI\r\n",
         {"English 35000"}, "Tavrin PC-Kamerakonsole"},
        {"count 0", "[Language]\r\nLanguageCount=0\r\n", {"English 35000"}, "Main"},
        {"count -5", "[Language]\r\nLanguageCount=-5\r\n", {"English 35000"}, "Main"},
        {"default beyond the count", "[Language]\r\nLanguageCount=1\r\nDefault=4\r\n", {"English 35000"}, "Main"},
        {"empty entry", "[Language]\r\nLanguageCount=1\r\nLanguage1=\r\n", {"English 35000 *"},
         "Tavrin PC Camera Console"},
    };
    for (const Case& c : cases) {
        LanguageRig rig(c.settings);
        rig.language("Deutsch.INI", kGerman);
        rig.start();
        EXPECT_EQ(rig.languages(), c.submenu) << c.name;
        EXPECT_EQ(rig.machine.window.windowText(), c.caption) << c.name;
    }
    // A count of 100000 lists what the ids allow and no more, quickly.
    LanguageRig many("[Language]\r\nLanguageCount=100000\r\nDefault=1\r\n");
    many.start();
    EXPECT_EQ(many.languages().size(), 501u);
    EXPECT_EQ(many.languages().back(), "English 35500");
}

TEST(Languages, TheSwitchWritesTheChoiceAndKeepsGreyItemsGrey) {
    LanguageRig rig(kThree);
    rig.language("Deutsch.ini", kGerman);
    rig.language("Francais.ini", "[Main]\r\nTitle=Console de cam\xE9ra Tavrin\r\n");  // no "Menu" section
    rig.start();
    rig.machine.window.sendMessage(common::kMsgGrayOut, 1, 0);
    rig.command(35002);
    EXPECT_EQ(rig.languages(), (std::vector<std::string>{"English 35000", "Deutsch 35001", "Francais 35002 *"}));
    EXPECT_NE(rig.machine.profile.file(kIni).find("Default=3"), std::string::npos);
    EXPECT_EQ(rig.machine.window.windowText(), "Console de cam\xE9ra Tavrin");
    // The missing "Menu" section gives the defaults, without accelerators.
    EXPECT_EQ(rig.item(ID_TRAY_VIDEO_SETTING), "Video Setting");
    EXPECT_NE(rig.machine.menus.getMenuState(rig.popup(), ID_TRAY_VIDEO_SETTING, kMF_BYCOMMAND) & kMF_GRAYED, 0u);
    EXPECT_EQ(rig.item(ID_TRAY_CONSOLE), "PC Carema Console (&M)");

    // Commands in the language range without an item (from another program) change nothing.
    for (std::uint32_t id : {34501u, 34999u, 35003u, 35500u}) {
        rig.command(id);
        EXPECT_NE(rig.machine.profile.file(kIni).find("Default=3"), std::string::npos) << id;
        EXPECT_EQ(rig.machine.window.windowText(), "Console de cam\xE9ra Tavrin") << id;
    }
}

TEST(Languages, BadFilesGiveDefaultsOrCutTexts) {
    const std::string longLine = "[Main]\r\nTitle=" + std::string(100 * 1024, 'T') + "\r\n";
    std::string junk(4096, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>((i * 131) & 0xFF);
    }
    struct Case {
        const char* name;
        std::string contents;
        std::string caption;
    };
    const Case cases[] = {
        {"100 KB line", longLine, std::string(259, 'T')},
        {"300-character title", "[Main]\r\nTitle=" + std::string(300, 'x') + "\r\n", std::string(259, 'x')},
        {"duplicate sections", "[Main]\r\nTitle=First\r\n[Main]\r\nTitle=Second\r\n", "First"},
        {"binary junk", junk, "Tavrin PC Camera Console"},
        {"empty title keeps the caption", "[Main]\r\nTitle=\r\n", "Main"},
    };
    for (const Case& c : cases) {
        LanguageRig rig("");
        rig.language("English.ini", c.contents);
        rig.start();
        EXPECT_EQ(rig.machine.window.windowText(), c.caption) << c.name;
    }
}

TEST(Languages, AudioTextsFollowTheCurrentLanguageAndEmptyValuesGiveDefaults) {
    LanguageRig rig(kThree);
    rig.language("Deutsch.ini", kGerman);
    rig.language("Francais.ini", "[AudioProperty]\r\nTitle=\r\nAEC=Annulation d'\xE9" "cho\r\n");
    rig.start();
    DialogTexts texts = AudioText(rig.dialog->languages(), "Tavrin Mic");
    // The read drops the blank before " Eigenschaften": no blank after the name.
    EXPECT_EQ(texts["caption"], "Tavrin MicEigenschaften");
    EXPECT_EQ(texts["BF"], "Richtmikrofon");
    rig.command(35002);
    texts = AudioText(rig.dialog->languages(), "Tavrin Mic");
    EXPECT_EQ(texts["caption"], "Tavrin MicProperty");  // empty here gives the default
    EXPECT_EQ(texts["AEC"], "Annulation d'\xE9" "cho");
    EXPECT_EQ(texts["BF"], "Bean Forming");
    // No current language: the settings file itself is read.
    LanguageRig none("[Language]\r\nLanguageCount=0\r\n[AudioProperty]\r\nNS=From settings\r\n");
    none.start();
    EXPECT_EQ(AudioText(none.dialog->languages(), "Mic")["NS"], "From settings");
}

TEST(Languages, AudioTextsComeInTheOrderAskedEachWithItsOwnFallback) {
    LanguageRig rig(kThree);
    rig.language("Deutsch.ini", kGerman);
    rig.start();
    struct Case {
        const char* name;
        std::vector<config::AudioTextKey> keys;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"none", {}, {}},
        {"reversed", {{"BF", "b"}, {"NS", "n"}}, {"Richtmikrofon", "Rauschunterdr\xFC" "ckung"}},
        {"missing keys give their own fallback", {{"XX", "first"}, {"YY", "second"}}, {"first", "second"}},
        {"a key asked twice", {{"AEC", "a"}, {"AEC", "b"}}, {"Echounterdr\xFC" "ckung", "Echounterdr\xFC" "ckung"}},
    };
    for (const Case& c : cases) {
        const config::AudioTexts texts = rig.dialog->languages().LoadAudioText("Mic", c.keys.data(), c.keys.size());
        EXPECT_EQ(texts.caption, "MicEigenschaften") << c.name;
        EXPECT_EQ(texts.items, c.items) << c.name;
    }
    EXPECT_TRUE(rig.dialog->languages().LoadAudioText("Mic", nullptr, 5).items.empty());
}

TEST(Languages, APathTooLongForTheBuffersIsNotRead) {
    LanguageRig rig("[Language]\r\nLanguageCount=1\r\nLanguage1=" + std::string(250, 'n') + ".ini\r\n");
    rig.start();
    EXPECT_EQ(rig.machine.window.windowText(), "Main");
    // The item is still listed and checked.
    EXPECT_EQ(rig.languages(), (std::vector<std::string>{std::string(250, 'n') + " 35000 *"}));
}

namespace {

constexpr const char* kUserIni = "C:\\Users\\user\\AppData\\Roaming\\Tiltmate\\bkg.ini";

}  // namespace

TEST(Languages, TheUsersOwnDefaultOverridesTheOneBesideTheProgram) {
    struct Case {
        const char* name;
        std::string userFile;  // "" for none
        bool noApplicationData;
        std::string caption;
        std::string checked;  // the checked item, "" for none
    };
    const Case cases[] = {
        {"no file of the user's", "", false, "Tavrin PC-Kamerakonsole", "Deutsch"},
        {"the user's Default", "[Language]\r\nDefault=3\r\n", false, "Console Tavrin", "Francais"},
        {"the user's file without Default", "[Language]\r\nLanguageCount=1\r\n", false, "Tavrin PC-Kamerakonsole",
         "Deutsch"},
        {"the user's Default 1", "[language]\r\n default = 1 \r\n", false, "Tavrin PC Camera Console", "English"},
        // As in the file beside the program, a value that is no number picks no language.
        {"the user's Default not a number", "[Language]\r\nDefault=B\r\n", false, "Main", ""},
        {"no application data folder", "[Language]\r\nDefault=3\r\n", true, "Tavrin PC-Kamerakonsole", "Deutsch"},
    };
    for (const Case& c : cases) {
        LanguageRig rig(kThree);
        rig.language("Deutsch.ini", kGerman);
        rig.language("Francais.ini", "[Main]\r\nTitle=Console Tavrin\r\n");
        if (!c.userFile.empty()) rig.machine.profile.setFile(kUserIni, c.userFile);
        if (c.noApplicationData) rig.machine.shell.failSpecialFolder(kCSIDL_APPDATA);
        rig.start();
        EXPECT_EQ(rig.machine.window.windowText(), c.caption) << c.name;
        std::string checked;
        for (const std::string& line : rig.languages()) {
            if (line.size() > 2 && line.compare(line.size() - 2, 2, " *") == 0) checked = line.substr(0, line.find(' '));
        }
        EXPECT_EQ(checked, c.checked) << c.name;
    }
}

TEST(Languages, ASwitchInAFolderTheUserCannotWriteSurvivesARestart) {
    LanguageRig rig(kThree);
    rig.language("Deutsch.ini", kGerman);
    rig.language("Francais.ini", "[Main]\r\nTitle=Console Tavrin\r\n[AudioProperty]\r\nAEC=Annulation d'\xE9" "cho\r\n");
    rig.machine.profile.protectFolder("C:\\Program Files\\Tiltmate");
    rig.start();
    rig.command(35002);
    EXPECT_EQ(rig.machine.window.windowText(), "Console Tavrin");
    // Beside the program the write failed; the user's own file holds the choice, in
    // the program's folder of the application data, which the switch made.
    EXPECT_NE(rig.machine.profile.file(kIni).find("Default=2"), std::string::npos);
    EXPECT_EQ(rig.machine.profile.file(kUserIni), "[Language]\r\nDefault=3\r\n");
    EXPECT_EQ(rig.machine.shell.directoriesMade(),
              (std::vector<std::string>{"C:\\Users\\user\\AppData\\Roaming\\Tiltmate"}));
    EXPECT_EQ(rig.machine.shell.foldersCreated(), (std::vector<int>{kCSIDL_APPDATA}));

    // The next start (same files) comes back in the chosen language, and so do the
    // audio dialog's texts.
    LanguageRig next(rig.machine.profile.file(kIni));
    for (const char* file : {"Deutsch.ini", "Francais.ini"}) {
        next.language(file, rig.machine.profile.file(std::string(kFolder) + file));
    }
    next.machine.profile.setFile(kUserIni, rig.machine.profile.file(kUserIni));
    next.start();
    EXPECT_EQ(next.machine.window.windowText(), "Console Tavrin");
    EXPECT_EQ(next.languages(), (std::vector<std::string>{"English 35000", "Deutsch 35001", "Francais 35002 *"}));
    EXPECT_EQ(AudioText(next.dialog->languages(), "Mic")["AEC"], "Annulation d'\xE9" "cho");

    // A second switch writes both files again; the user's folder already exists.
    next.command(35000);
    EXPECT_NE(next.machine.profile.file(kIni).find("Default=1"), std::string::npos);
    EXPECT_EQ(next.machine.profile.file(kUserIni), "[Language]\r\nDefault=1\r\n");
    EXPECT_EQ(next.machine.window.windowText(), "Tavrin PC Camera Console");
}

TEST(Languages, WithoutAFolderOfTheUsersTheSwitchStillWritesBesideTheProgram) {
    struct Case {
        const char* name;
        bool noApplicationData;
        std::int32_t createError;
    };
    const Case cases[] = {
        {"no application data folder", true, kERROR_SUCCESS},
        {"the program's folder cannot be made", false, kERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        LanguageRig rig(kThree);
        rig.machine.profile.protectFolder("C:\\Users\\user\\AppData\\Roaming\\Tiltmate");
        if (c.noApplicationData) rig.machine.shell.failSpecialFolder(kCSIDL_APPDATA);
        rig.machine.shell.failCreateDirectory(c.createError);
        rig.start();
        rig.command(35002);
        EXPECT_NE(rig.machine.profile.file(kIni).find("Default=3"), std::string::npos) << c.name;
        EXPECT_FALSE(rig.machine.profile.hasFile(kUserIni)) << c.name;
    }
}
