// The video settings command: its own listing pass, the driver's property frame over
// the chosen device, the tray menu held closed meanwhile, and the grey-out when no
// device is listed.
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "platform/Constants.h"
#include "tests/unit/ShellTestSupport.h"

using namespace platform;
using testing_support::RunningDialog;

namespace {

constexpr std::uint64_t kFrameCloses = 5000;

struct Rig : RunningDialog {
    Rig() {
        start();
        machine.window.at(machine.clock.now() + kFrameCloses, [this] { machine.video.closePropertyFrame(); });
    }
    std::uint32_t trayItemState(std::uint32_t id) const {
        for (const auto& item : *machine.menus.items(dialog->trayPopupMenu())) {
            if (item.id == id) {
                return item.state;
            }
        }
        return ~0u;
    }
};

TEST(VideoSettings, CaptionIsTheChosenEntrysNameWithItsSuffix) {
    struct Case {
        const char* name;
        std::vector<const char*> devices;
        std::uint32_t choose;  // a device command during the listing; 0: none
        const char* caption;
    };
    const Case cases[] = {
        {"one device", {"Tavrin Camera"}, 0, "Tavrin Camera"},
        {"two, the first kept", {"Tavrin Camera", "Tavrin Camera"}, 0, "Tavrin Camera"},
        {"two, the second chosen", {"Tavrin Camera", "Tavrin Camera"}, 33001, "Tavrin Camera #2"},
        {"unlisted name skipped", {"Webcam", "Tavrin IR"}, 0, "Tavrin IR"},
    };
    for (const Case& c : cases) {
        Rig rig;
        for (const char* device : c.devices) {
            rig.machine.video.addCamera(device, std::string("\\\\?\\usb#") + device);
        }
        if (c.choose != 0) {
            rig.machine.video.onEnumerationEnd([&rig, &c] { rig.dialog->videoDevices().OnVideoDeviceMenu(c.choose); });
        }
        const int comDepth = rig.machine.com.depth();
        rig.command(ID_TRAY_VIDEO_SETTING);
        const auto& frames = rig.machine.video.propertyFrames();
        ASSERT_EQ(frames.size(), 1u) << c.name;
        EXPECT_EQ(frames[0].caption, c.caption) << c.name;
        EXPECT_EQ(frames[0].owner, rig.machine.window.window()) << c.name;
        EXPECT_EQ(frames[0].x, 30) << c.name;
        EXPECT_EQ(frames[0].y, 30) << c.name;
        EXPECT_EQ(frames[0].locale, 0u) << c.name;
        EXPECT_EQ(frames[0].pages, std::vector<Guid>{sim::kPropertyPage}) << c.name;
        // The list lives only for the command: afterwards it is empty and every COM
        // reference is given back.
        EXPECT_EQ(rig.dialog->videoDevices().count(), 0) << c.name;
        EXPECT_EQ(rig.machine.video.liveObjects(), 0) << c.name;
        EXPECT_EQ(rig.machine.com.depth(), comDepth) << c.name;
    }
}

TEST(VideoSettings, TrayMenuIsRefusedWhileTheFrameIsOpenAndAllowedAfterwards) {
    Rig rig;
    rig.machine.video.addCamera("Tavrin Camera");
    std::size_t popupsWhileOpen = 99;
    bool allowedWhileOpen = true;
    rig.machine.window.at(rig.machine.clock.now() + 1000, [&] {
        allowedWhileOpen = rig.dialog->port().trayMenuAllowed();
        rig.machine.window.sendMessage(common::kMsgTrayCallback, 129, kWM_RBUTTONUP);
        popupsWhileOpen = rig.machine.menus.popups().size();
        // A second request meanwhile (posted by another program, say) opens nothing.
        rig.machine.window.postMessage(kWM_COMMAND, IDC_VIDEO_SETTING, 0);
    });
    rig.machine.window.postMessage(kWM_COMMAND, ID_TRAY_VIDEO_SETTING, 0);
    rig.machine.window.runFor(kFrameCloses + 1000);

    EXPECT_FALSE(allowedWhileOpen);
    EXPECT_EQ(popupsWhileOpen, 0u);
    EXPECT_EQ(rig.machine.video.propertyFrames().size(), 1u);
    EXPECT_FALSE(rig.machine.video.propertyFrameOpen());
    EXPECT_TRUE(rig.dialog->port().trayMenuAllowed());
    rig.machine.window.sendMessage(common::kMsgTrayCallback, 129, kWM_RBUTTONUP);
    EXPECT_EQ(rig.machine.menus.popups().size(), 1u);
}

TEST(VideoSettings, TimersAndRotationPassesRunWhileTheFrameIsOpen) {
    Rig rig;
    auto camera = rig.machine.video.addCamera("Tavrin Camera");
    std::size_t rotationsWhileOpen = 0;
    rig.machine.window.at(rig.machine.clock.now() + 1000,
                          [&] { rig.machine.window.postMessage(kWM_DISPLAYCHANGE, 32, 0); });
    rig.machine.window.at(rig.machine.clock.now() + kFrameCloses - 1,
                          [&] { rotationsWhileOpen = camera->valuesSet(7).size(); });
    const int comDepth = rig.machine.com.depth();
    rig.command(IDC_VIDEO_SETTING);
    EXPECT_EQ(rotationsWhileOpen, 1u);
    // The pass inside the frame's loop emptied the list under the command; the command
    // still ends cleanly and leaves nothing behind.
    EXPECT_EQ(rig.machine.video.propertyFrames().size(), 1u);
    EXPECT_EQ(rig.dialog->videoDevices().count(), 0);
    EXPECT_EQ(rig.machine.video.liveObjects(), 0);
    EXPECT_EQ(rig.machine.com.depth(), comDepth);
    EXPECT_GE(rig.machine.clock.now(), kFrameCloses);
}

TEST(VideoSettings, NothingListedGreysButtonAndItemAndADriverWithoutPagesShowsNothing) {
    struct Case {
        const char* name;
        bool device;
        bool pages;
        bool greyed;
    };
    const Case cases[] = {
        {"no device at all", false, true, true},
        {"driver without pages", true, false, false},
    };
    for (const Case& c : cases) {
        Rig rig;
        if (c.device) {
            rig.machine.video.addCamera("Tavrin Camera")->driver().specifiesPropertyPages = c.pages;
        }
        const int comDepth = rig.machine.com.depth();
        rig.command(ID_TRAY_VIDEO_SETTING);
        rig.machine.window.runFor(0);
        EXPECT_TRUE(rig.machine.video.propertyFrames().empty()) << c.name;
        EXPECT_EQ(!rig.machine.window.control(IDC_VIDEO_SETTING)->enabled, c.greyed) << c.name;
        EXPECT_EQ((rig.trayItemState(ID_TRAY_VIDEO_SETTING) & kMF_GRAYED) != 0, c.greyed) << c.name;
        EXPECT_TRUE(rig.dialog->port().trayMenuAllowed()) << c.name;
        EXPECT_EQ(rig.machine.video.liveObjects(), 0) << c.name;
        EXPECT_EQ(rig.machine.com.depth(), comDepth) << c.name;
    }
}

}  // namespace

TEST(VideoSettings, AnExitRequestClosesTheOpenFrame) {
    Rig rig;
    rig.machine.video.addCamera("Tavrin Camera");
    rig.machine.window.at(rig.machine.clock.now() + 1000,
                          [&] { rig.machine.window.postMessage(common::kMsgExit, 0, 0); });
    rig.command(ID_TRAY_VIDEO_SETTING);
    EXPECT_EQ(rig.machine.window.closeOwnedRequests(), 1);
    EXPECT_TRUE(rig.machine.window.ended());
    EXPECT_LT(rig.machine.clock.now(), kFrameCloses);  // not left open until the user closes it
    EXPECT_TRUE(rig.dialog->port().trayMenuAllowed());
    EXPECT_EQ(rig.machine.video.liveObjects(), 0);
}
