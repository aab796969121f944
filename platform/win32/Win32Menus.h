// Menus of the program's own module, through user32.
#pragma once

#include "platform/Menus.h"

namespace win32 {

class Win32Menus final : public platform::IMenus {
public:
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
};

}  // namespace win32
