// The Audio Setting command and the audio effect dialog, against the emulated effect
// endpoint: what the device is asked, what the boxes show, and the notices.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "audio/EffectChannel.h"
#include "common/Messages.h"
#include "tests/unit/AudioTestSupport.h"

using namespace platform;
using testing_support::AudioPath;
using testing_support::AudioRig;

namespace {

using Texts = std::vector<std::string>;
const std::string kA = AudioPath("7&aaaa&0&0002");
const std::string kB = AudioPath("7&bbbb&0&0002");

// What a box shows: "AEC", "NS", "BF" for each checked box, in that order.
std::string Checked(const std::map<int, sim::SimDialogs::Control>& controls) {
    std::string shown;
    for (const auto& [id, name] : {std::pair<int, const char*>{IDC_AUDIO_AEC, "AEC"},
                                   std::pair<int, const char*>{IDC_AUDIO_NS, "NS"},
                                   std::pair<int, const char*>{IDC_AUDIO_BF, "BF"}}) {
        if (controls.at(id).check == kBST_CHECKED) {
            shown += shown.empty() ? name : std::string(" ") + name;
        }
    }
    return shown;
}

// (code, effect, state) of each request the endpoint saw.
std::vector<std::string> Requests(const sim::SimEffectEndpoint& endpoint) {
    std::vector<std::string> out;
    for (const auto& request : endpoint.journal()) {
        out.push_back(std::string(request.code == audio::IOCTL_AF_GET_EFFECT ? "get " : "set ") +
                      std::to_string(request.effect) + "," + std::to_string(request.state));
    }
    return out;
}

struct DialogRig : AudioRig {
    explicit DialogRig(const std::string& ini = "[Tray]\r\nShowIcon=1\r\n") : AudioRig(ini) {
        start();
        endpoint = &plugIn(kA, "Camera Mic");
    }
    // Runs the command with `actions` done, one virtual millisecond apart, while the
    // dialog is open; the last action should close it.
    void open(const std::vector<std::function<void()>>& actions) {
        std::uint64_t at = machine.clock.now();
        for (const auto& action : actions) {
            machine.window.at(++at, action);
        }
        command(ID_TRAY_AUDIO_SETTING);
        machine.window.runFor(0);
    }
    std::function<void()> click(int id) {
        return [this, id] { EXPECT_TRUE(machine.dialogs.click(id)); };
    }
    std::function<void()> close() {
        return [this] { EXPECT_TRUE(machine.dialogs.close()); };
    }
    const sim::SimDialogs::Run& lastRun() const { return machine.dialogs.runs().back(); }

    sim::SimEffectEndpoint* endpoint = nullptr;
};

}  // namespace

TEST(AudioDialog, OpensWithTheDeviceStates) {
    DialogRig rig;
    rig.endpoint->setState(testing_support::kEffectBF, 1);
    rig.endpoint->setState(testing_support::kEffectAEC, 0);
    rig.endpoint->setState(testing_support::kEffectNS, 1);
    bool menuAllowedWhileOpen = true;
    rig.open({[&] { menuAllowedWhileOpen = rig.dialog->port().trayMenuAllowed(); }, rig.close()});

    ASSERT_EQ(rig.machine.dialogs.runs().size(), 1u);
    const auto& run = rig.lastRun();
    EXPECT_FALSE(run.abandoned);
    EXPECT_EQ(run.result, kIDCANCEL);
    EXPECT_EQ(run.templateId, IDD_AUDIO_PROPERTY);
    EXPECT_EQ(run.owner, rig.machine.window.window());
    EXPECT_EQ(Checked(run.controls), "NS BF");
    // The caption is the device's name followed at once by the Title text.
    EXPECT_EQ(run.caption, "Camera MicProperty");
    EXPECT_EQ(run.controls.at(IDC_AUDIO_AEC).text, "AEC");
    EXPECT_EQ(run.controls.at(IDC_AUDIO_NS).text, "NS");
    EXPECT_EQ(run.controls.at(IDC_AUDIO_BF).text, "Bean Forming");

    // BF, AEC, NS: each a 12-byte block with only the id set, answered in the same block.
    EXPECT_EQ(Requests(*rig.endpoint), (Texts{"get 3,0", "get 1,0", "get 2,0"}));
    for (const auto& request : rig.endpoint->journal()) {
        EXPECT_EQ(request.inLength, 12u);
        EXPECT_EQ(request.outLength, 12u);
        EXPECT_TRUE(request.tailZero);
    }
    const auto& entry = *rig.dialog->audioInterfaces().entries()[0];
    EXPECT_EQ(entry.BF, 1);
    EXPECT_EQ(entry.AEC, 0);
    EXPECT_EQ(entry.NS, 1);

    // The channel: the path with "\AF", read and write, shared both ways, closed again.
    const auto& opened = rig.machine.deviceIo.opens().back();
    EXPECT_EQ(opened.path, kA + "\\AF");
    EXPECT_EQ(opened.access, kGENERIC_READ | kGENERIC_WRITE);
    EXPECT_EQ(opened.share, kFILE_SHARE_READ | kFILE_SHARE_WRITE);
    EXPECT_EQ(opened.disposition, kOPEN_EXISTING);
    EXPECT_EQ(opened.flags, 0u);
    EXPECT_EQ(rig.endpoint->openHandles(), 0);
    EXPECT_FALSE(menuAllowedWhileOpen);
    EXPECT_TRUE(rig.dialog->port().trayMenuAllowed());
    EXPECT_TRUE(rig.notices().empty());
}

TEST(AudioDialog, ClicksAreSentAtOnceAndClosingSendsNothing) {
    DialogRig rig;
    rig.open({rig.click(IDC_AUDIO_AEC), rig.click(IDC_AUDIO_AEC), rig.click(IDC_AUDIO_BF), rig.close()});
    EXPECT_EQ(Requests(*rig.endpoint), (Texts{"get 3,0", "get 1,0", "get 2,0", "set 1,1", "set 1,0", "set 3,1"}));
    for (const auto& request : rig.endpoint->journal()) {
        if (request.code == audio::IOCTL_AF_SET_EFFECT) {
            EXPECT_EQ(request.inLength, 12u);
            EXPECT_EQ(request.outLength, 0u);
            EXPECT_TRUE(request.tailZero);
        }
    }
    EXPECT_EQ(Checked(rig.lastRun().controls), "BF");
    EXPECT_EQ(rig.dialog->audioInterfaces().entries()[0]->BF, 1);

    // Reopened: what the device says now, not what was clicked last.
    rig.endpoint->clearJournal();
    rig.endpoint->setState(testing_support::kEffectBF, 0);
    rig.endpoint->setState(testing_support::kEffectNS, 1);
    rig.open({[&] { EXPECT_TRUE(rig.machine.dialogs.pressEnter()); }});
    EXPECT_EQ(Requests(*rig.endpoint), (Texts{"get 3,0", "get 1,0", "get 2,0"}));
    EXPECT_EQ(Checked(rig.lastRun().controls), "NS");
    EXPECT_EQ(rig.lastRun().result, kIDOK);
    EXPECT_EQ(rig.endpoint->openHandles(), 0);
}

// Every answer of the device is untrusted; none may do more than show a notice and an
// effect as off.
TEST(AudioDialog, UntrustedDeviceAnswers) {
    struct Case {
        const char* name;
        std::uint8_t states[3];  // AEC, NS, BF as the device holds them
        std::function<void(sim::SimEffectEndpoint&)> fault;
        std::string shown;
        std::size_t notices;
    };
    const Case cases[] = {
        {"fails every request", {1, 1, 1}, [](sim::SimEffectEndpoint& e) { e.failEveryRequest(true); }, "", 3},
        {"answers 4 bytes", {1, 1, 1}, [](sim::SimEffectEndpoint& e) { e.answerShort(4); }, "", 3},
        {"answers 5 bytes", {1, 0, 1}, [](sim::SimEffectEndpoint& e) { e.answerShort(5); }, "AEC BF", 3},
        {"answers state 7", {0, 0, 0}, [](sim::SimEffectEndpoint& e) { e.answerState(7); }, "AEC NS BF", 0},
        {"fails the AEC query", {1, 1, 0}, [](sim::SimEffectEndpoint& e) { e.failRequest(2); }, "NS", 1},
    };
    for (const Case& c : cases) {
        DialogRig rig;
        rig.endpoint->setState(testing_support::kEffectAEC, c.states[0]);
        rig.endpoint->setState(testing_support::kEffectNS, c.states[1]);
        rig.endpoint->setState(testing_support::kEffectBF, c.states[2]);
        c.fault(*rig.endpoint);
        rig.open({rig.close()});
        ASSERT_EQ(rig.machine.dialogs.runs().size(), 1u) << c.name;
        EXPECT_EQ(Checked(rig.lastRun().controls), c.shown) << c.name;
        EXPECT_EQ(rig.notices(), Texts(c.notices, "Setting invalid Please Retry")) << c.name;
        // Stored as 0 or 1, whatever byte came back.
        const auto& entry = *rig.dialog->audioInterfaces().entries()[0];
        for (std::int32_t state : {entry.AEC, entry.NS, entry.BF}) {
            EXPECT_TRUE(state == 0 || state == 1) << c.name;
        }
        EXPECT_EQ(rig.endpoint->openHandles(), 0) << c.name;
    }
}

TEST(AudioDialog, AFailedChangeKeepsTheNewValue) {
    DialogRig rig;
    rig.endpoint->failRequest(4);  // the first click
    rig.open({rig.click(IDC_AUDIO_NS), rig.close()});
    EXPECT_EQ(rig.notices(), Texts{"Setting invalid Please Retry"});
    EXPECT_EQ(Checked(rig.lastRun().controls), "NS");
    EXPECT_EQ(rig.dialog->audioInterfaces().entries()[0]->NS, 1);
    EXPECT_EQ(rig.endpoint->state(testing_support::kEffectNS), 0);
}

TEST(AudioDialog, NoDialogWithoutAnOpenableInterface) {
    // No interface at all: Audio Setting is grayed.
    {
        AudioRig rig;
        rig.start();
        rig.command(IDC_AUDIO_SETTING);
        rig.machine.window.sendMessage(kWM_COMMAND, IDC_AUDIO_SETTING, 0x55);  // the button
        rig.machine.window.runFor(0);
        EXPECT_TRUE(rig.machine.dialogs.runs().empty());
        EXPECT_TRUE(rig.audioSettingGrayed());
    }
    // An interface whose channel refuses to open now.
    {
        DialogRig rig;
        rig.endpoint->refuseOpen(true);
        rig.open({});
        EXPECT_TRUE(rig.machine.dialogs.runs().empty());
        EXPECT_EQ(rig.notices(), Texts{"Device Apply Error, please retry"});
        EXPECT_TRUE(rig.endpoint->journal().empty());
    }
}

// With the chosen interface removed while another is present, the command takes the
// first present one and makes it the chosen one.
TEST(AudioDialog, UsesTheFirstPresentInterfaceWhenNoneIsChosen) {
    DialogRig rig;
    sim::SimEffectEndpoint& second = rig.plugIn(kB, "Second Mic");
    rig.unplug(kA);
    ASSERT_EQ(rig.dialog->audioInterfaces().presentCount(), 1);
    rig.open({rig.close()});
    ASSERT_EQ(rig.machine.dialogs.runs().size(), 1u);
    EXPECT_EQ(rig.lastRun().caption, "Second Mic #2Property");
    EXPECT_EQ(second.journal().size(), 3u);
    EXPECT_EQ(rig.audioItems(), Texts{"34001 Second Mic #2 *"});
}

// The dialog's loop goes on handling the main window's messages: a second command is
// refused, an arrival is listed, and the dialog's record stays the one it showed.
TEST(AudioDialog, TheMainWindowGoesOnWhileItIsOpen) {
    DialogRig rig;
    const std::string third = AudioPath("7&cccc&0&0002");
    rig.add(kB, "Second Mic");
    rig.add(third, "Third Mic");
    rig.open({[&] { rig.machine.window.postMessage(kWM_COMMAND, ID_TRAY_AUDIO_SETTING, 0); },
              [&] {
                  std::vector<std::uint8_t> a = sim::InterfaceBroadcast(audio::kAudioInterfaceClass, kB);
                  std::vector<std::uint8_t> b = sim::InterfaceBroadcast(audio::kAudioInterfaceClass, third);
                  rig.machine.window.sendMessage(kWM_DEVICECHANGE, kDBT_DEVICEARRIVAL, reinterpret_cast<LParam>(a.data()));
                  rig.machine.window.sendMessage(kWM_DEVICECHANGE, kDBT_DEVICEARRIVAL, reinterpret_cast<LParam>(b.data()));
              },
              rig.click(IDC_AUDIO_AEC), rig.close()});
    EXPECT_EQ(rig.machine.dialogs.runs().size(), 1u);
    EXPECT_EQ(rig.dialog->audioInterfaces().entries().size(), 3u);
    EXPECT_EQ(rig.dialog->audioInterfaces().entries()[0]->AEC, 1);
    EXPECT_EQ(rig.endpoint->state(testing_support::kEffectAEC), 1);
    EXPECT_FALSE(rig.dialog->audioSetting().dialogOpen());
}

TEST(AudioDialog, TextsFollowTheCurrentLanguage) {
    DialogRig rig("[Tray]\r\nShowIcon=1\r\n[Language]\r\nLanguageCount=2\r\nDefault=2\r\nLanguage2=Deutsch.ini\r\n");
    rig.machine.profile.setFile("C:\\Program Files\\Tiltmate\\Language\\Deutsch.ini",
                                "[AudioProperty]\r\nTitle= Eigenschaften\r\nAEC=Echo\r\nNS=\r\n");
    rig.open({rig.close()});
    EXPECT_EQ(rig.lastRun().caption, "Camera MicEigenschaften");
    EXPECT_EQ(rig.lastRun().controls.at(IDC_AUDIO_AEC).text, "Echo");
    EXPECT_EQ(rig.lastRun().controls.at(IDC_AUDIO_NS).text, "NS");
    EXPECT_EQ(rig.lastRun().controls.at(IDC_AUDIO_BF).text, "Bean Forming");
}

TEST(AudioDialog, AnExitRequestClosesTheOpenDialogAndSendsNothing) {
    DialogRig rig;
    rig.open({[&] { rig.machine.window.postMessage(common::kMsgExit, 0, 0); }});
    ASSERT_EQ(rig.machine.dialogs.runs().size(), 1u);
    EXPECT_FALSE(rig.lastRun().abandoned);
    EXPECT_EQ(rig.lastRun().result, kIDCANCEL);
    EXPECT_TRUE(rig.machine.window.ended());
    EXPECT_EQ(Requests(*rig.endpoint), (std::vector<std::string>{"get 3,0", "get 1,0", "get 2,0"}));
    EXPECT_FALSE(rig.dialog->audioSetting().dialogOpen());
}
