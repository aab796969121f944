// Menu resources and the items the program edits at run time.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace platform {

class IMenus {
public:
    virtual ~IMenus() = default;
    virtual MenuHandle loadMenu(int resourceId) = 0;
    virtual bool destroyMenu(MenuHandle menu) = 0;
    virtual MenuHandle getSubMenu(MenuHandle menu, int position) = 0;
    virtual int getMenuItemCount(MenuHandle menu) = 0;
    // EnableMenuItem: returns the previous state, or -1 when the item does not exist.
    virtual int enableMenuItem(MenuHandle menu, std::uint32_t item, std::uint32_t flags) = 0;
    virtual std::uint32_t getMenuState(MenuHandle menu, std::uint32_t item, std::uint32_t flags) = 0;
    virtual std::string getMenuString(MenuHandle menu, std::uint32_t item, std::uint32_t flags) = 0;
};

}  // namespace platform
