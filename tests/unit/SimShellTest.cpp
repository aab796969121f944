// The simulated popup menus and notification area answer as Windows (and Wine) do.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Constants.h"
#include "platform/sim/SimMachine.h"
#include "resources/resource.h"

using namespace platform;

namespace {

struct NoHandler final : IDialogHandler {
    bool preTranslateMessage(Hwnd, std::uint32_t, WParam, LParam) override { return false; }
    std::optional<LResult> windowProc(std::uint32_t msg, WParam wParam, LParam, IDefaultProcessing&) override {
        if (msg == kWM_COMMAND) {
            commands.push_back(static_cast<std::uint32_t>(wParam));
        }
        return std::nullopt;
    }
    std::vector<std::uint32_t> commands;
};

}  // namespace

TEST(SimPopupMenus, WhatAPickReturnsAndWhereItsCommandGoes) {
    struct Case {
        std::uint32_t pick;  // 0: dismissed
        std::uint32_t flags;
        int result;
        std::vector<std::uint32_t> commands;  // reaching the owner through its queue
    };
    const Case cases[] = {
        {ID_TRAY_EXIT, 0, 1, {ID_TRAY_EXIT}},
        {ID_TRAY_EXIT, kTPM_RETURNCMD, ID_TRAY_EXIT, {}},
        {0, 0, 1, {}},
        {0, kTPM_RETURNCMD, 0, {}},
        {ID_TRAY_VIDEO_SETTING, 0, 1, {}},  // grey: the menu closes without a command
        {ID_LANGUAGE_FIRST, 0, 1, {ID_LANGUAGE_FIRST}},  // from a submenu
        {999, kTPM_RETURNCMD, 0, {}},
    };
    for (const Case& c : cases) {
        sim::SimMachine machine;
        NoHandler own;
        machine.window.create(IDD_MAIN, own);
        const MenuHandle bar = machine.menus.loadMenu(IDR_TRAY_MENU);
        const MenuHandle popup = machine.menus.getSubMenu(bar, 0);
        machine.menus.enableMenuItem(popup, ID_TRAY_VIDEO_SETTING, kMF_BYCOMMAND | kMF_GRAYED);
        machine.menus.pickInNextPopup(c.pick);
        EXPECT_EQ(machine.menus.trackPopupMenu(popup, c.flags, 5, 6, machine.window.window()), c.result) << c.pick;
        machine.window.runFor(0);
        EXPECT_EQ(own.commands, c.commands) << c.pick;
        ASSERT_EQ(machine.menus.popups().size(), 1u);
        EXPECT_EQ(machine.menus.popups()[0].items.size(), 10u);
    }
}

TEST(SimPopupMenus, ItemIdsAndTheDefaultItem) {
    sim::SimMachine machine;
    const MenuHandle bar = machine.menus.loadMenu(IDR_TRAY_MENU);
    const MenuHandle popup = machine.menus.getSubMenu(bar, 0);
    const std::pair<int, std::uint32_t> ids[] = {
        {0, ID_TRAY_CONSOLE}, {2, 0}, {3, kMenuItemIdNone}, {9, ID_TRAY_EXIT}, {10, kMenuItemIdNone}, {-1, kMenuItemIdNone}};
    for (const auto& [position, id] : ids) {
        EXPECT_EQ(machine.menus.getMenuItemID(popup, position), id) << position;
    }
    EXPECT_EQ(machine.menus.getMenuItemID(0x7777, 0), kMenuItemIdNone);

    // A default is one menu's own: by command, a submenu's item is not found.
    EXPECT_FALSE(machine.menus.setMenuDefaultItem(bar, ID_TRAY_EXIT, false));
    EXPECT_TRUE(machine.menus.setMenuDefaultItem(popup, ID_TRAY_EXIT, false));
    EXPECT_TRUE(machine.menus.setMenuDefaultItem(popup, 0, true));
    EXPECT_NE(machine.menus.getMenuState(popup, 0, kMF_BYPOSITION) & kMF_DEFAULT, 0u);
    EXPECT_EQ(machine.menus.getMenuState(popup, 9, kMF_BYPOSITION) & kMF_DEFAULT, 0u);
    EXPECT_TRUE(machine.menus.setMenuDefaultItem(popup, kMenuItemIdNone, true));
    EXPECT_EQ(machine.menus.getMenuState(popup, 0, kMF_BYPOSITION) & kMF_DEFAULT, 0u);
    EXPECT_FALSE(machine.menus.setMenuDefaultItem(popup, 10, true));
}

TEST(SimNotifyArea, ModifyAndDeleteNeedAnIconTheShellHolds) {
    sim::SimNotifyArea area;
    NotifyIconData data;
    data.hWnd = 0x10010;
    data.uID = 129;
    const std::pair<std::uint32_t, bool> steps[] = {
        {kNIM_MODIFY, false}, {kNIM_DELETE, false}, {kNIM_ADD, true},     {kNIM_ADD, false},
        {kNIM_MODIFY, true},  {kNIM_DELETE, true},  {kNIM_DELETE, false}, {4 /* NIM_SETVERSION */, false},
    };
    for (const auto& [message, accepted] : steps) {
        EXPECT_EQ(area.shellNotifyIcon(message, data), accepted) << message;
    }
    EXPECT_EQ(area.requests().size(), 8u);

    // A balloon shows on a held icon; an empty text shows none.
    area.shellNotifyIcon(kNIM_ADD, data);
    data.uFlags = kNIF_INFO;
    area.shellNotifyIcon(kNIM_MODIFY, data);
    std::strcpy(data.szInfo, "Detect New Device");
    std::strcpy(data.szInfoTitle, "Device");
    data.dwInfoFlags = kNIIF_INFO;
    area.shellNotifyIcon(kNIM_MODIFY, data);
    data.uID = 130;
    EXPECT_FALSE(area.shellNotifyIcon(kNIM_MODIFY, data));
    ASSERT_EQ(area.balloons().size(), 1u);
    EXPECT_EQ(area.balloons()[0].text, "Detect New Device");
    EXPECT_EQ(area.balloons()[0].title, "Device");
    EXPECT_EQ(area.balloons()[0].id, 129u);
}
