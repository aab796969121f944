// Menus of the simulated machine, with the tray menu resource built in.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Menus.h"

namespace sim {

class SimMenus final : public platform::IMenus {
public:
    struct Item {
        std::uint32_t id = 0;
        std::string text;
        std::uint32_t state = 0;  // kMF_GRAYED, kMF_CHECKED, kMF_DEFAULT...
        platform::MenuHandle submenu = 0;
        bool separator = false;
    };

    platform::MenuHandle loadMenu(int resourceId) override;
    bool destroyMenu(platform::MenuHandle menu) override;
    platform::MenuHandle getSubMenu(platform::MenuHandle menu, int position) override;
    int getMenuItemCount(platform::MenuHandle menu) override;
    int enableMenuItem(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) override;
    std::uint32_t getMenuState(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) override;
    std::string getMenuString(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) override;
    bool insertMenu(platform::MenuHandle menu, std::uint32_t position, std::uint32_t flags, std::uint32_t id,
                    const std::string& text) override;
    bool deleteMenu(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) override;
    int checkMenuItem(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) override;
    bool modifyMenu(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags, std::uintptr_t newId,
                    const std::string& text) override;
    bool checkMenuRadioItem(platform::MenuHandle menu, std::uint32_t first, std::uint32_t last, std::uint32_t check,
                            std::uint32_t flags) override;
    bool setMenuDefaultItem(platform::MenuHandle menu, std::uint32_t item, bool byPosition) override;
    int trackPopupMenu(platform::MenuHandle menu, std::uint32_t flags, int x, int y, platform::Hwnd owner) override;
    std::uint32_t getMenuItemID(platform::MenuHandle menu, int position) override;

    // A popup as the user saw it: where, for which owner, its items at that moment
    // (default and grey states included) and the command picked (0: none).
    struct Popup {
        platform::MenuHandle menu = 0;
        std::uint32_t flags = 0;
        int x = 0;
        int y = 0;
        platform::Hwnd owner = 0;
        std::vector<Item> items;
        std::uint32_t picked = 0;
    };
    // The user's answer to the next popup: the command to pick, or 0 to dismiss it. A
    // popup nobody scripted is dismissed; a grey or missing command picks nothing.
    void pickInNextPopup(std::uint32_t command) { m_picks.push_back(command); }
    const std::vector<Popup>& popups() const { return m_popups; }
    // Where a pick goes: the WM_COMMAND is posted to the popup's owner window.
    using PostFn = std::function<bool(platform::Hwnd, std::uint32_t, platform::WParam, platform::LParam)>;
    void connectCommandPost(PostFn post) { m_post = std::move(post); }

    // Test view: the items of a menu, and how many menus are alive.
    const std::vector<Item>* items(platform::MenuHandle menu) const;
    std::size_t liveMenus() const { return m_menus.size(); }

private:
    platform::MenuHandle newMenu();
    // Finds an item by position or by command (searching submenus, as Windows does).
    Item* find(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags, int depth = 0);
    // The menu that holds an item and the item's index in it.
    bool locate(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags, platform::MenuHandle& owner,
                std::size_t& index, int depth = 0);
    void destroyTree(platform::MenuHandle menu, int depth);

    std::map<platform::MenuHandle, std::vector<Item>> m_menus;
    platform::MenuHandle m_next = 0x1000;
    std::deque<std::uint32_t> m_picks;
    std::vector<Popup> m_popups;
    PostFn m_post;
};

}  // namespace sim
