// Menus of the simulated machine, with the tray menu resource built in.
#pragma once

#include <cstdint>
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
};

}  // namespace sim
