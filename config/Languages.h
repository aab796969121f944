// Languages and UI text: the language list of the settings file, the texts of the
// main window and the tray menu from one language file, the switch from the Language
// submenu, and the texts of the audio effect dialog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "platform/Menus.h"
#include "platform/Profile.h"
#include "platform/Shell.h"
#include "platform/WindowHost.h"
#include "resources/resource.h"

namespace config {

// Command ids of the language items.
constexpr std::uint32_t kLanguageItemFirst = ID_LANGUAGE_FIRST;
constexpr std::uint32_t kLanguageItemLast = ID_LANGUAGE_LAST;
// Longest path a language file may have (the read buffers hold 260 bytes).
constexpr std::size_t kMaxLanguagePath = 259;
constexpr std::size_t kTextSize = 260;

// A text of the audio effect dialog below its title: its key in section
// "AudioProperty" and the text a missing or empty key gives. The dialog names its
// keys (one per effect, audio/AudioEffects.h).
struct AudioTextKey {
    const char* key;
    const char* fallback;
};

// The texts of the audio effect dialog, as LoadAudioText gives them.
struct AudioTexts {
    std::string caption;             // the device's display name followed by the Title text
    std::vector<std::string> items;  // one per key asked, in the order asked
};

// Where a text of the [Menu] section goes.
enum class MenuTextTarget {
    ItemKeepState,  // a tray item by command, its grey or checked state kept
    Item,           // a tray item by command, rewritten as a plain enabled item
    Entry,          // a tray popup entry by position, its submenu kept
};

// One text of the tray menu, as the menu's owner lists them.
struct MenuText {
    const char* key;         // key in [Menu] of a language file
    const char* fallback;    // the text a missing key gives
    MenuTextTarget target;   // where the text goes
    std::uint32_t id;        // command id, or popup position for an entry
};

class Languages {
public:
    // `programName` names the user's own settings folder under the application data.
    Languages(platform::IProfile& profile, platform::IMenus& menus, platform::IWindowHost& window,
              platform::IShell& shell, const Settings& settings, const char* programName)
        : m_profile(profile),
          m_menus(menus),
          m_window(window),
          m_shell(shell),
          m_settings(settings),
          m_programName(programName) {}

    // The tray popup, its Language submenu and the popup's texts (applied in their
    // order, after the main window's), bound by the main window at initialisation.
    void bindMenus(platform::MenuHandle trayPopup, platform::MenuHandle languageMenu, const MenuText* menuTexts,
                   std::size_t menuTextCount) {
        m_hTrayPopup = trayPopup;
        m_hLanguageMenu = languageMenu;
        m_pMenuTexts = menuTexts;
        m_nMenuTexts = menuTextCount;
    }

    // The language-list step of the settings load: fills the Language submenu from
    // `settingsFile` and applies the current language.
    void LoadLanguageList(const std::string& settingsFile);
    // Applies the "Main" and "Menu" texts of one language file.
    void LoadLanguageText(const char* path);
    // The switch: commands 34501-35500 (the items use 35000 and up). The choice goes
    // into the user's own settings file and into the one beside the program.
    void OnLanguageMenu(std::uint32_t id);
    // The texts of the audio effect dialog for `deviceName`: its title, then the
    // `keyCount` texts of `keys`, read anew each time from the current language (or from
    // the settings file when no language is current).
    AudioTexts LoadAudioText(const std::string& deviceName, const AudioTextKey* keys, std::size_t keyCount) const;

    // The Language submenu, once the main window has bound it.
    platform::MenuHandle languageMenu() const { return m_hLanguageMenu; }

    // The main window's caption, as the last applied language gave it ("" before).
    const char* caption() const { return m_szCaption; }

private:
    std::string SettingsFile() const;
    std::string LanguageFolder() const;
    // The user's own settings file, <application data>\<program>\bkg.ini; "" when the
    // system names no application data folder (or one too long for a path).
    std::string UserSettingsFile() const;
    // "Default" of section "Language": the user's own file overrides the one beside
    // the program.
    int CurrentLanguage(const std::string& settingsFile) const;

    platform::IProfile& m_profile;
    platform::IMenus& m_menus;
    platform::IWindowHost& m_window;
    platform::IShell& m_shell;
    const Settings& m_settings;
    const char* m_programName;
    platform::MenuHandle m_hTrayPopup = 0;
    platform::MenuHandle m_hLanguageMenu = 0;
    const MenuText* m_pMenuTexts = nullptr;
    std::size_t m_nMenuTexts = 0;
    char m_szCaption[kTextSize] = {};
};

}  // namespace config
