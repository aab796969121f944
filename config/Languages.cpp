#include "config/Languages.h"

#include <algorithm>
#include <cstring>

#include "common/Format.h"
#include "platform/Constants.h"
#include "resources/resource.h"

using namespace platform;

namespace config {
namespace {

constexpr const char* kLanguageSection = "Language";
constexpr const char* kMenuSection = "Menu";
constexpr const char* kDefaultLanguageFile = "English.ini";
constexpr const char* kLanguageFolder = "\\Language\\";
// Language items use 35000-35500: a list longer than that has no ids left.
constexpr int kMaxLanguages = static_cast<int>(kLanguageItemLast - kLanguageItemFirst + 1);

// Where a text of a language file goes.
enum class Target {
    Caption,           // the main window's caption (and the caption field)
    DialogItem,        // a control of the main window
};

struct TextRow {
    const char* section;  // section of the language file
    const char* key;      // key in it
    const char* fallback; // the text a missing key gives
    Target target;        // where the text goes
    std::uint32_t id;     // control id, command id or popup position
};

// The main window's texts, in the order they are applied; the tray menu's follow.
constexpr TextRow kMainTexts[] = {
    {"Main", "Title", "Tavrin PC Camera Console", Target::Caption, 0},
    {"Main", "SnapStorePath", "Snap Store path", Target::DialogItem, IDC_GROUP_SNAP},
    {"Main", "VideoDevice", "Video Device", Target::DialogItem, IDC_GROUP_VIDEO},
    {"Main", "AudioDevice", "Audio Device", Target::DialogItem, IDC_GROUP_AUDIO},
    {"Main", "Browse", "Browse", Target::DialogItem, IDC_BROWSE},
    {"Main", "VideoSet", "Video Setting", Target::DialogItem, IDC_VIDEO_SETTING},
    {"Main", "AudioSet", "Audio Setting", Target::DialogItem, IDC_AUDIO_SETTING},
};

// The audio effect dialog's section and its title; the keys of its check boxes come
// from the dialog.
constexpr const char* kAudioSection = "AudioProperty";
constexpr AudioTextKey kAudioTitle = {"Title", "Property"};

std::string ReadText(IProfile& profile, const char* section, const char* key, const char* fallback,
                     const std::string& file) {
    char text[kTextSize] = {};
    profile.getString(section, key, fallback, text, kTextSize, file.c_str());
    text[kTextSize - 1] = '\0';
    return text;
}

// The file name of list entry `index`; missing or empty gives "English.ini".
std::string ListEntry(IProfile& profile, int index, const std::string& settingsFile) {
    const std::string key = common::Format("%s%d", kLanguageSection, index);
    std::string name = ReadText(profile, kLanguageSection, key.c_str(), kDefaultLanguageFile, settingsFile);
    return name.empty() ? kDefaultLanguageFile : name;
}

}  // namespace

std::string Languages::SettingsFile() const { return std::string(m_settings.ProgramDir) + kSettingsFileName; }

std::string Languages::LanguageFolder() const { return std::string(m_settings.ProgramDir) + kLanguageFolder; }

std::string Languages::UserSettingsFile() const {
    char folder[kMAX_PATH + 1] = {};
    if (!m_shell.getSpecialFolderPath(0, folder, kCSIDL_APPDATA, false)) {
        return {};
    }
    folder[kMAX_PATH] = '\0';
    const std::string file = common::Format("%s\\%s%s", folder, m_programName, kSettingsFileName);
    // The profile calls take paths of up to MAX_PATH characters.
    return file.size() < kMAX_PATH ? file : std::string();
}

int Languages::CurrentLanguage(const std::string& settingsFile) const {
    const auto shared = static_cast<int>(m_profile.getInt(kLanguageSection, "Default", 1, settingsFile.c_str()));
    const std::string own = UserSettingsFile();
    if (own.empty()) {
        return shared;
    }
    return static_cast<int>(m_profile.getInt(kLanguageSection, "Default", shared, own.c_str()));
}

void Languages::LoadLanguageList(const std::string& settingsFile) {
    const auto count = static_cast<int>(m_profile.getInt(kLanguageSection, "LanguageCount", 1, settingsFile.c_str()));
    const int current = CurrentLanguage(settingsFile);
    const int listed = std::min(count, kMaxLanguages);
    for (int index = 1; index <= listed; ++index) {
        std::string name = ListEntry(m_profile, index, settingsFile);
        if (index == current) {
            LoadLanguageText((LanguageFolder() + name).c_str());
        }
        const auto id = kLanguageItemFirst + static_cast<std::uint32_t>(index - 1);
        const std::size_t extension = name.find(".ini");
        if (extension != std::string::npos) {
            name.erase(extension);
            if (index == 1) {
                m_menus.modifyMenu(m_hLanguageMenu, 0, kMF_BYPOSITION, id, name);
            } else {
                m_menus.insertMenu(m_hLanguageMenu, static_cast<std::uint32_t>(index - 1), kMF_BYPOSITION, id, name);
            }
        }
        if (index == current) {
            m_menus.checkMenuRadioItem(m_hLanguageMenu, kLanguageItemFirst, kLanguageItemLast, id, kMF_BYCOMMAND);
        }
    }
}

void Languages::LoadLanguageText(const char* path) {
    if (path == nullptr || std::strlen(path) > kMaxLanguagePath) {
        return;  // a path the read buffers cannot hold names no file we could read
    }
    for (const TextRow& row : kMainTexts) {
        const std::string text = ReadText(m_profile, row.section, row.key, row.fallback, path);
        // A key present with an empty value leaves the current text.
        if (text.empty()) {
            continue;
        }
        if (row.target == Target::Caption) {
            std::memset(m_szCaption, 0, sizeof m_szCaption);
            std::memcpy(m_szCaption, text.data(), std::min(text.size(), kTextSize - 1));
            m_window.setWindowText(m_szCaption);
        } else {
            m_window.setDlgItemText(static_cast<int>(row.id), text);
        }
    }
    for (std::size_t i = 0; i < m_nMenuTexts; ++i) {
        const MenuText& row = m_pMenuTexts[i];
        const std::string text = ReadText(m_profile, kMenuSection, row.key, row.fallback, path);
        if (text.empty()) {
            continue;
        }
        switch (row.target) {
            case MenuTextTarget::ItemKeepState: {
                const std::uint32_t state = m_menus.getMenuState(m_hTrayPopup, row.id, kMF_BYCOMMAND);
                if (state != kMenuStateError) {
                    m_menus.modifyMenu(m_hTrayPopup, row.id, kMF_BYCOMMAND | (state & (kMF_GRAYED | kMF_DISABLED |
                                                                                       kMF_CHECKED)),
                                       row.id, text);
                }
                break;
            }
            case MenuTextTarget::Item:
                m_menus.modifyMenu(m_hTrayPopup, row.id, kMF_BYCOMMAND, row.id, text);
                break;
            case MenuTextTarget::Entry: {
                const MenuHandle submenu = m_menus.getSubMenu(m_hTrayPopup, static_cast<int>(row.id));
                m_menus.modifyMenu(m_hTrayPopup, row.id, kMF_BYPOSITION | kMF_POPUP, submenu, text);
                break;
            }
        }
    }
}

void Languages::OnLanguageMenu(std::uint32_t id) {
    // Only a listed language switches; a command for an id without an item (it can
    // only come from another program) would write a "Default" no list entry has.
    if (m_menus.getMenuState(m_hLanguageMenu, id, kMF_BYCOMMAND) == kMenuStateError) {
        return;
    }
    m_menus.checkMenuRadioItem(m_hLanguageMenu, kLanguageItemFirst, kLanguageItemLast, id, kMF_BYCOMMAND);
    const std::string index = std::to_string(static_cast<long>(id) - static_cast<long>(kLanguageItemFirst) + 1);
    // A standard user cannot write beside a program installed under Program Files
    // (and a program that asks for a run level is not virtualised), so the choice
    // also goes into the user's own file, which is read first at the next start.
    // The file beside the program still gets it: it remains the default of users who
    // never chose.
    m_profile.writeString(kLanguageSection, "Default", index.c_str(), SettingsFile().c_str());
    const std::string own = UserSettingsFile();
    if (!own.empty()) {
        char folder[kMAX_PATH + 1] = {};
        // Make the application data folder, then the program's folder in it: the
        // profile calls do not create folders.
        if (m_shell.getSpecialFolderPath(0, folder, kCSIDL_APPDATA, true)) {
            m_shell.createDirectory(0, own.substr(0, own.size() - std::strlen(kSettingsFileName)).c_str());
        }
        m_profile.writeString(kLanguageSection, "Default", index.c_str(), own.c_str());
    }
    const std::string item = m_menus.getMenuString(m_hLanguageMenu, id, kMF_BYCOMMAND);
    const std::string path = common::Format("%s\\Language\\%s.ini", m_settings.ProgramDir, item.c_str());
    LoadLanguageText(path.c_str());
}

AudioTexts Languages::LoadAudioText(const std::string& deviceName, const AudioTextKey* keys,
                                    std::size_t keyCount) const {
    const std::string settingsFile = SettingsFile();
    const auto count = static_cast<int>(m_profile.getInt(kLanguageSection, "LanguageCount", 1, settingsFile.c_str()));
    const int current = CurrentLanguage(settingsFile);
    std::string file = settingsFile;
    if (count >= 1 && current >= 1 && current <= count) {
        file = LanguageFolder() + ListEntry(m_profile, current, settingsFile);
    }
    // Here an empty value gives the default too.
    auto read = [&](const AudioTextKey& text) {
        std::string value = ReadText(m_profile, kAudioSection, text.key, text.fallback, file);
        return value.empty() ? std::string(text.fallback) : value;
    };
    AudioTexts texts;
    texts.caption = deviceName + read(kAudioTitle);
    if (keys != nullptr) {
        texts.items.reserve(keyCount);
        for (std::size_t i = 0; i < keyCount; ++i) {
            texts.items.push_back(read(keys[i]));
        }
    }
    return texts;
}

}  // namespace config
