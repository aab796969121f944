#include <gtest/gtest.h>

#include "platform/Constants.h"
#include "resources/resource.h"
#include "common/Messages.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using testing_support::RunningDialog;

namespace {

std::vector<std::string> MenuTexts(sim::SimMenus& menus, MenuHandle menu) {
    std::vector<std::string> texts;
    for (const auto& item : *menus.items(menu)) {
        texts.push_back(item.separator ? "-" : item.text + ((item.state & kMF_CHECKED) != 0 ? " *" : ""));
    }
    return texts;
}

struct ListedRig : RunningDialog {
    ListedRig() {
        machine.video.addCamera("Tavrin B");
        sim::SimVideoDevice refusing;
        refusing.friendlyName = "Tavrin refusing";
        refusing.answersCustomProperty = false;
        machine.video.addDevice(refusing);
        machine.video.addCamera("Other");
        machine.video.addCamera("Tavrin A");
        start();
        machine.com.initialize();
        dialog->videoDevices().EnumVideoDevice();
    }
    std::vector<std::string> menu() { return MenuTexts(machine.menus, dialog->videoDevices().deviceMenu()); }
    std::vector<std::string> selected() {
        std::vector<std::string> names;
        for (const auto& entry : dialog->videoDevices().entries()) {
            if (entry.selected == 1) {
                names.push_back(entry.name);
            }
        }
        return names;
    }
    std::string comboSelection() {
        return machine.window.comboGetText(IDC_VIDEO_DEVICE, machine.window.comboGetCurSel(IDC_VIDEO_DEVICE));
    }
};

}  // namespace

TEST(VideoDevices, MatchingDevicesAreListedNumberedAndTheFirstSelected) {
    ListedRig rig;
    const auto& list = rig.dialog->videoDevices().entries();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_STREQ(list[0].name, "Tavrin B");
    EXPECT_EQ(list[0].commandId, 33000u);
    EXPECT_STREQ(list[1].name, "Tavrin A #2");  // the refusing driver left no gap
    EXPECT_EQ(list[1].commandId, 33001u);
    EXPECT_EQ(rig.menu(), (std::vector<std::string>{"Tavrin B *", "Tavrin A #2", "-"}));
    // The combo box is sorted; the first listed device is its selection.
    EXPECT_EQ(rig.machine.window.comboGetText(IDC_VIDEO_DEVICE, 0), "Tavrin A #2");
    EXPECT_EQ(rig.comboSelection(), "Tavrin B");
    EXPECT_EQ(rig.selected(), std::vector<std::string>{"Tavrin B"});

    rig.dialog->videoDevices().RemoveDevice();
    EXPECT_EQ(rig.menu(), std::vector<std::string>{"-"});
    EXPECT_EQ(rig.machine.window.comboGetCount(IDC_VIDEO_DEVICE), 0);
    EXPECT_EQ(rig.machine.video.liveObjects(), 0);
    EXPECT_EQ(rig.dialog->videoDevices().count(), 0);
}

TEST(VideoDevices, ChoosingByCommandOrComboBox) {
    ListedRig rig;
    rig.command(33001);
    EXPECT_EQ(rig.selected(), std::vector<std::string>{"Tavrin A #2"});
    EXPECT_EQ(rig.menu(), (std::vector<std::string>{"Tavrin B", "Tavrin A #2 *", "-"}));
    EXPECT_EQ(rig.comboSelection(), "Tavrin A #2");

    // The combo box is matched by text, never by index.
    const int indexOfB = rig.machine.window.comboGetText(IDC_VIDEO_DEVICE, 0) == "Tavrin B" ? 0 : 1;
    rig.machine.window.userSelectsComboItem(IDC_VIDEO_DEVICE, indexOfB);
    rig.machine.window.sendMessage(kWM_COMMAND, (static_cast<WParam>(kCBN_SELCHANGE) << 16) | IDC_VIDEO_DEVICE, 0x777);
    EXPECT_EQ(rig.selected(), std::vector<std::string>{"Tavrin B"});
    EXPECT_EQ(rig.menu(), (std::vector<std::string>{"Tavrin B *", "Tavrin A #2", "-"}));

    // An id no entry has leaves nothing selected; consumers then fall back to the first entry.
    rig.command(33400);
    EXPECT_TRUE(rig.selected().empty());
    EXPECT_EQ(rig.menu(), (std::vector<std::string>{"Tavrin B", "Tavrin A #2", "-"}));
    ASSERT_NE(rig.dialog->videoDevices().FindSelectedVideoDevice(), nullptr);
    EXPECT_STREQ(rig.dialog->videoDevices().FindSelectedVideoDevice()->name, "Tavrin B");
}

TEST(VideoDevices, LongNamesKeepTheirNumber) {
    RunningDialog run;
    const std::string longName = "Tavrin" + std::string(300, 'x');
    run.machine.video.addCamera(longName);
    run.machine.video.addCamera(longName);
    run.start();
    run.dialog->videoDevices().EnumVideoDevice();
    const auto& list = run.dialog->videoDevices().entries();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(std::string(list[0].name), longName.substr(0, 259));
    const std::string second = list[1].name;
    EXPECT_EQ(second.size(), 259u);
    EXPECT_EQ(second.substr(second.size() - 3), " #2");
}

TEST(VideoDevices, EnumerationFailures) {
    {
        RunningDialog run;
        run.start();
        run.dialog->videoDevices().EnumVideoDevice();  // empty category
        EXPECT_TRUE(run.machine.window.messageBoxes().empty());
        run.machine.window.runFor(0);
        EXPECT_FALSE(run.machine.window.control(IDC_VIDEO_SETTING)->enabled);
        EXPECT_NE(run.machine.menus.getMenuState(run.dialog->trayPopupMenu(), ID_TRAY_VIDEO_SETTING, kMF_BYCOMMAND) &
                      kMF_GRAYED,
                  0u);
    }
    {
        RunningDialog run;
        run.machine.video.failEnumeratorCreation(true);
        run.start();
        run.dialog->videoDevices().EnumVideoDevice();
        ASSERT_EQ(run.machine.window.messageBoxes().size(), 1u);
        EXPECT_EQ(run.machine.window.messageBoxes()[0].text, "Error Creating Device Enumerator");
        EXPECT_EQ(run.machine.window.messageBoxes()[0].caption, "ERROR");
    }
    {
        RunningDialog run;
        sim::SimVideoDevice noName;
        noName.friendlyName.reset();
        run.machine.video.addDevice(noName);
        sim::SimVideoDevice noFilter;
        noFilter.friendlyName = "Tavrin no filter";
        noFilter.filterFails = true;
        run.machine.video.addDevice(noFilter);
        run.start();
        run.dialog->videoDevices().EnumVideoDevice();
        EXPECT_TRUE(run.dialog->videoDevices().entries().empty());
        EXPECT_EQ(run.machine.video.liveObjects(), 0);
    }
}

TEST(VideoDevices, IntegratedCameraIsTheLastExactMatch) {
    RunningDialog run;
    run.machine.video.addCamera("Integrated Camera", "path-1");
    run.machine.video.addCamera("Integrated Camera Plus", "path-2");
    run.machine.video.addCamera("integrated camera", "path-3");
    auto last = run.machine.video.addCamera("Integrated Camera", "path-4");
    run.start();
    std::unique_ptr<ICaptureFilter> filter;
    std::string message;
    EXPECT_EQ(run.dialog->videoDevices().FindIntegratedCamera(filter, &message), 0);
    ASSERT_TRUE(filter);
    std::unique_ptr<ICameraCustomProperty> custom;
    ASSERT_EQ(filter->queryCustomProperty(custom), kS_OK);
    std::uint32_t value = 5;
    custom->SetCustomProperty(7, &value);
    EXPECT_EQ(last->valuesSet(7), std::vector<std::uint32_t>{5});
    EXPECT_TRUE(message.empty());
    custom.reset();
    filter.reset();
    EXPECT_EQ(run.machine.video.liveObjects(), 0);

    RunningDialog none;
    none.machine.video.addCamera("Integrated Camera 2");
    none.start();
    EXPECT_EQ(none.dialog->videoDevices().FindIntegratedCamera(filter, &message), 1);
    EXPECT_FALSE(filter);

    RunningDialog empty;
    empty.start();
    EXPECT_EQ(empty.dialog->videoDevices().FindIntegratedCamera(filter, &message), kS_FALSE);
    EXPECT_EQ(message, "No video capture hardware was detected.\r\n");
}
