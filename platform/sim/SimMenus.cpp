#include "platform/sim/SimMenus.h"

#include "platform/Constants.h"
#include "resources/resource.h"

using namespace platform;

namespace sim {
namespace {

// Menus nest only a few levels; a bound keeps a malformed tree from looping.
constexpr int kMaxDepth = 8;

}  // namespace

MenuHandle SimMenus::newMenu() {
    const MenuHandle handle = m_next++;
    m_menus[handle];
    return handle;
}

MenuHandle SimMenus::loadMenu(int resourceId) {
    if (resourceId != IDR_TRAY_MENU) {
        return 0;
    }
    const MenuHandle bar = newMenu();
    const MenuHandle popup = newMenu();
    const MenuHandle device = newMenu();
    const MenuHandle language = newMenu();
    m_menus[device] = {Item{0, "", 0, 0, true}};
    m_menus[language] = {Item{ID_LANGUAGE_FIRST, "English", 0, 0, false}};
    m_menus[popup] = {
        Item{ID_TRAY_CONSOLE, "PC Camera Console (&M)", 0, 0, false},
        Item{ID_TRAY_SNAP_PATH, "Snap Store Path (&S)", 0, 0, false},
        Item{0, "", 0, 0, true},
        Item{0, "Device Option", kMF_POPUP, device, false},
        Item{ID_TRAY_VIDEO_SETTING, "Video Setting (&V)", 0, 0, false},
        Item{ID_TRAY_AUDIO_SETTING, "Audio Setting (&A)", 0, 0, false},
        Item{0, "", 0, 0, true},
        Item{0, "Language", kMF_POPUP, language, false},
        Item{0, "", 0, 0, true},
        Item{ID_TRAY_EXIT, "Exit (&E)", 0, 0, false},
    };
    m_menus[bar] = {Item{0, "Tray", kMF_POPUP, popup, false}};
    return bar;
}

void SimMenus::destroyTree(MenuHandle menu, int depth) {
    auto it = m_menus.find(menu);
    if (it == m_menus.end() || depth > kMaxDepth) {
        return;
    }
    std::vector<MenuHandle> children;
    for (const Item& item : it->second) {
        if (item.submenu != 0) {
            children.push_back(item.submenu);
        }
    }
    m_menus.erase(it);
    for (MenuHandle child : children) {
        destroyTree(child, depth + 1);
    }
}

bool SimMenus::destroyMenu(MenuHandle menu) {
    if (m_menus.count(menu) == 0) {
        return false;
    }
    destroyTree(menu, 0);
    return true;
}

MenuHandle SimMenus::getSubMenu(MenuHandle menu, int position) {
    auto it = m_menus.find(menu);
    if (it == m_menus.end() || position < 0 || static_cast<std::size_t>(position) >= it->second.size()) {
        return 0;
    }
    return it->second[static_cast<std::size_t>(position)].submenu;
}

int SimMenus::getMenuItemCount(MenuHandle menu) {
    auto it = m_menus.find(menu);
    return it == m_menus.end() ? -1 : static_cast<int>(it->second.size());
}

SimMenus::Item* SimMenus::find(MenuHandle menu, std::uint32_t item, std::uint32_t flags, int depth) {
    auto it = m_menus.find(menu);
    if (it == m_menus.end() || depth > kMaxDepth) {
        return nullptr;
    }
    std::vector<Item>& items = it->second;
    if ((flags & kMF_BYPOSITION) != 0) {
        return item < items.size() ? &items[item] : nullptr;
    }
    for (Item& candidate : items) {
        if (candidate.submenu == 0 && !candidate.separator && candidate.id == item) {
            return &candidate;
        }
    }
    for (Item& candidate : items) {
        if (candidate.submenu != 0) {
            if (Item* found = find(candidate.submenu, item, flags, depth + 1)) {
                return found;
            }
        }
    }
    return nullptr;
}

int SimMenus::enableMenuItem(MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    Item* found = find(menu, item, flags);
    if (found == nullptr) {
        return -1;
    }
    const int previous = static_cast<int>(found->state & (kMF_GRAYED | kMF_DISABLED));
    found->state = (found->state & ~(kMF_GRAYED | kMF_DISABLED)) | (flags & (kMF_GRAYED | kMF_DISABLED));
    return previous;
}

std::uint32_t SimMenus::getMenuState(MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    Item* found = find(menu, item, flags);
    if (found == nullptr) {
        return kMenuStateError;
    }
    std::uint32_t state = found->state | (found->separator ? kMF_SEPARATOR : 0u);
    if (found->submenu != 0) {
        const int count = getMenuItemCount(found->submenu);
        state = (state & 0xFFu) | kMF_POPUP | (static_cast<std::uint32_t>(count) << 8);
    }
    return state;
}

std::string SimMenus::getMenuString(MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    Item* found = find(menu, item, flags);
    return found == nullptr ? std::string() : found->text;
}

bool SimMenus::locate(MenuHandle menu, std::uint32_t item, std::uint32_t flags, MenuHandle& owner, std::size_t& index,
                      int depth) {
    auto it = m_menus.find(menu);
    if (it == m_menus.end() || depth > kMaxDepth) {
        return false;
    }
    std::vector<Item>& items = it->second;
    if ((flags & kMF_BYPOSITION) != 0) {
        if (item >= items.size()) {
            return false;
        }
        owner = menu;
        index = item;
        return true;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].submenu == 0 && !items[i].separator && items[i].id == item) {
            owner = menu;
            index = i;
            return true;
        }
    }
    for (const Item& candidate : items) {
        if (candidate.submenu != 0 && locate(candidate.submenu, item, flags, owner, index, depth + 1)) {
            return true;
        }
    }
    return false;
}

bool SimMenus::insertMenu(MenuHandle menu, std::uint32_t position, std::uint32_t flags, std::uint32_t id,
                          const std::string& text) {
    Item item{id, text, flags & (kMF_GRAYED | kMF_DISABLED | kMF_CHECKED), 0, (flags & kMF_SEPARATOR) != 0};
    MenuHandle owner = 0;
    std::size_t index = 0;
    if (locate(menu, position, flags, owner, index)) {
        auto& items = m_menus[owner];
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(index), item);
        return true;
    }
    // By position past the end (or a missing command with MF_BYPOSITION), Windows appends.
    auto it = m_menus.find(menu);
    if (it == m_menus.end() || (flags & kMF_BYPOSITION) == 0) {
        return false;
    }
    it->second.push_back(item);
    return true;
}

bool SimMenus::deleteMenu(MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    MenuHandle owner = 0;
    std::size_t index = 0;
    if (!locate(menu, item, flags, owner, index)) {
        return false;
    }
    auto& items = m_menus[owner];
    const MenuHandle submenu = items[index].submenu;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
    if (submenu != 0) {
        destroyTree(submenu, 0);
    }
    return true;
}

int SimMenus::checkMenuItem(MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    Item* found = find(menu, item, flags);
    if (found == nullptr) {
        return -1;
    }
    const int previous = static_cast<int>(found->state & kMF_CHECKED);
    found->state = (found->state & ~kMF_CHECKED) | (flags & kMF_CHECKED);
    return previous;
}

bool SimMenus::modifyMenu(MenuHandle menu, std::uint32_t item, std::uint32_t flags, std::uintptr_t newId,
                          const std::string& text) {
    // By position the entry itself is rewritten, submenu entries included; by command
    // only plain items are found, as locate() does.
    MenuHandle owner = 0;
    std::size_t index = 0;
    if (!locate(menu, item, flags, owner, index)) {
        return false;
    }
    Item& target = m_menus[owner][index];
    const bool popup = (flags & kMF_POPUP) != 0;
    if (!popup && target.submenu != 0) {
        destroyTree(target.submenu, 0);  // as Windows destroys a replaced submenu
    }
    target.text = text;
    target.separator = false;
    target.state = flags & (kMF_GRAYED | kMF_DISABLED | kMF_CHECKED);
    target.submenu = popup ? static_cast<MenuHandle>(newId) : 0;
    target.id = popup ? 0 : static_cast<std::uint32_t>(newId);
    return true;
}

bool SimMenus::checkMenuRadioItem(MenuHandle menu, std::uint32_t first, std::uint32_t last, std::uint32_t check,
                                  std::uint32_t flags) {
    MenuHandle owner = 0;
    std::size_t index = 0;
    if (!locate(menu, first, flags, owner, index)) {
        return false;
    }
    bool found = false;
    auto& items = m_menus[owner];
    for (std::size_t i = 0; i < items.size(); ++i) {
        Item& candidate = items[i];
        if (candidate.separator || candidate.submenu != 0) {
            continue;
        }
        const std::uint32_t key = (flags & kMF_BYPOSITION) != 0 ? static_cast<std::uint32_t>(i) : candidate.id;
        if (key < first || key > last) {
            continue;
        }
        const bool checked = key == check;
        found = found || checked;
        candidate.state = (candidate.state & ~kMF_CHECKED) | (checked ? kMF_CHECKED : 0u);
    }
    return found;
}

bool SimMenus::setMenuDefaultItem(MenuHandle menu, std::uint32_t item, bool byPosition) {
    auto it = m_menus.find(menu);
    if (it == m_menus.end()) {
        return false;
    }
    std::vector<Item>& items = it->second;
    // By command only the menu's own items count: the default is a property of one menu.
    Item* target = nullptr;
    if (item != kMenuItemIdNone) {
        for (std::size_t i = 0; i < items.size() && target == nullptr; ++i) {
            Item& candidate = items[i];
            const bool plain = !candidate.separator && candidate.submenu == 0;
            if (byPosition ? i == item : (plain && candidate.id == item)) {
                target = &candidate;
            }
        }
        if (target == nullptr) {
            return false;
        }
    }
    for (Item& candidate : items) {
        candidate.state &= ~kMF_DEFAULT;
    }
    if (target != nullptr) {
        target->state |= kMF_DEFAULT;
    }
    return true;
}

int SimMenus::trackPopupMenu(MenuHandle menu, std::uint32_t flags, int x, int y, Hwnd owner) {
    auto it = m_menus.find(menu);
    if (it == m_menus.end()) {
        return 0;
    }
    Popup shown{menu, flags, x, y, owner, it->second, 0};
    std::uint32_t wanted = 0;
    if (!m_picks.empty()) {
        wanted = m_picks.front();
        m_picks.pop_front();
    }
    if (wanted != 0) {
        // The user reaches submenus too; a grey item closes the menu without a command.
        const Item* item = find(menu, wanted, kMF_BYCOMMAND);
        if (item != nullptr && (item->state & (kMF_GRAYED | kMF_DISABLED)) == 0) {
            shown.picked = wanted;
        }
    }
    m_popups.push_back(shown);
    if ((flags & kTPM_RETURNCMD) != 0) {
        return static_cast<int>(shown.picked);
    }
    if (shown.picked != 0 && m_post) {
        m_post(owner, kWM_COMMAND, shown.picked, 0);
    }
    return 1;
}

std::uint32_t SimMenus::getMenuItemID(MenuHandle menu, int position) {
    auto it = m_menus.find(menu);
    if (it == m_menus.end() || position < 0 || static_cast<std::size_t>(position) >= it->second.size()) {
        return kMenuItemIdNone;
    }
    const Item& item = it->second[static_cast<std::size_t>(position)];
    return item.submenu != 0 ? kMenuItemIdNone : item.id;
}

const std::vector<SimMenus::Item>* SimMenus::items(MenuHandle menu) const {
    auto it = m_menus.find(menu);
    return it == m_menus.end() ? nullptr : &it->second;
}

}  // namespace sim
