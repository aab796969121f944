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
    // InsertMenuA with MF_STRING: before the item named by position or command.
    virtual bool insertMenu(MenuHandle menu, std::uint32_t position, std::uint32_t flags, std::uint32_t id,
                            const std::string& text) = 0;
    virtual bool deleteMenu(MenuHandle menu, std::uint32_t item, std::uint32_t flags) = 0;
    // CheckMenuItem: the previous check state, or -1 when the item does not exist.
    virtual int checkMenuItem(MenuHandle menu, std::uint32_t item, std::uint32_t flags) = 0;
    // ModifyMenuA with MF_STRING and `flags`: the item named by position or command gets
    // `text`, the state flags given and the identifier `newId`; with kMF_POPUP in the
    // flags `newId` is a submenu handle, and the entry keeps (or takes) that submenu.
    virtual bool modifyMenu(MenuHandle menu, std::uint32_t item, std::uint32_t flags, std::uintptr_t newId,
                            const std::string& text) = 0;
    // CheckMenuRadioItem: among the items first..last (by command: the items of the
    // menu that holds `first` whose identifiers lie in the range), `check` is marked
    // and the others cleared; false when nothing was found.
    virtual bool checkMenuRadioItem(MenuHandle menu, std::uint32_t first, std::uint32_t last, std::uint32_t check,
                                    std::uint32_t flags) = 0;
    // SetMenuDefaultItem: `item` (a position when byPosition, else a command of this
    // menu itself) becomes the menu's one default item; kMenuItemIdNone clears it.
    virtual bool setMenuDefaultItem(MenuHandle menu, std::uint32_t item, bool byPosition) = 0;
    // TrackPopupMenu(menu, flags, x, y, 0, owner, NULL): shows the menu and returns when
    // it closes. A pick reaches the owner as a posted WM_COMMAND, unless kTPM_RETURNCMD
    // asks for the command as the result (0: nothing picked).
    virtual int trackPopupMenu(MenuHandle menu, std::uint32_t flags, int x, int y, Hwnd owner) = 0;
    // GetMenuItemID: the command at a position; kMenuItemIdNone for a submenu entry or
    // a position the menu does not have.
    virtual std::uint32_t getMenuItemID(MenuHandle menu, int position) = 0;
};

}  // namespace platform
