#include "platform/win32/Win32Menus.h"

#include <windows.h>

#include <vector>

namespace win32 {

namespace {

HMENU toMenu(platform::MenuHandle menu) { return reinterpret_cast<HMENU>(menu); }
platform::MenuHandle fromMenu(HMENU menu) { return reinterpret_cast<platform::MenuHandle>(menu); }

}  // namespace

platform::MenuHandle Win32Menus::loadMenu(int resourceId) {
    return fromMenu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId)));
}

bool Win32Menus::destroyMenu(platform::MenuHandle menu) { return DestroyMenu(toMenu(menu)) != FALSE; }

platform::MenuHandle Win32Menus::getSubMenu(platform::MenuHandle menu, int position) {
    return fromMenu(GetSubMenu(toMenu(menu), position));
}

int Win32Menus::getMenuItemCount(platform::MenuHandle menu) { return GetMenuItemCount(toMenu(menu)); }

int Win32Menus::enableMenuItem(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    return EnableMenuItem(toMenu(menu), item, flags);
}

std::uint32_t Win32Menus::getMenuState(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    return GetMenuState(toMenu(menu), item, flags);
}

std::string Win32Menus::getMenuString(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    // A null buffer asks for the length of the text, without its terminator.
    int length = GetMenuStringA(toMenu(menu), item, nullptr, 0, flags);
    if (length <= 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    int copied = GetMenuStringA(toMenu(menu), item, buffer.data(), length + 1, flags);
    if (copied <= 0) {
        return std::string();
    }
    return std::string(buffer.data(), static_cast<std::size_t>(copied));
}

bool Win32Menus::insertMenu(platform::MenuHandle menu, std::uint32_t position, std::uint32_t flags, std::uint32_t id,
                            const std::string& text) {
    return InsertMenuA(toMenu(menu), position, MF_STRING | flags, id, text.c_str()) != FALSE;
}

bool Win32Menus::deleteMenu(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    return DeleteMenu(toMenu(menu), item, flags) != FALSE;
}

int Win32Menus::checkMenuItem(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
    // A missing item answers (DWORD)-1, which the cast turns into the seam's -1.
    return static_cast<int>(CheckMenuItem(toMenu(menu), item, flags));
}

bool Win32Menus::modifyMenu(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags, std::uintptr_t newId,
                            const std::string& text) {
    return ModifyMenuA(toMenu(menu), item, MF_STRING | flags, newId, text.c_str()) != FALSE;
}

bool Win32Menus::checkMenuRadioItem(platform::MenuHandle menu, std::uint32_t first, std::uint32_t last,
                                    std::uint32_t check, std::uint32_t flags) {
    return CheckMenuRadioItem(toMenu(menu), first, last, check, flags) != FALSE;
}

bool Win32Menus::setMenuDefaultItem(platform::MenuHandle menu, std::uint32_t item, bool byPosition) {
    return SetMenuDefaultItem(toMenu(menu), item, byPosition ? TRUE : FALSE) != FALSE;
}

int Win32Menus::trackPopupMenu(platform::MenuHandle menu, std::uint32_t flags, int x, int y, platform::Hwnd owner) {
    return TrackPopupMenu(toMenu(menu), flags, x, y, 0, reinterpret_cast<HWND>(owner), nullptr);
}

std::uint32_t Win32Menus::getMenuItemID(platform::MenuHandle menu, int position) {
    return GetMenuItemID(toMenu(menu), position);
}

}  // namespace win32
