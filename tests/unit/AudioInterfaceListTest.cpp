// The audio interface list: arrivals and removals as the device notices report them,
// the items and the combo box, the choice, and everything from outside that must not
// change the list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/AudioListTokens.h"
#include "common/Messages.h"
#include "tests/unit/AudioTestSupport.h"

using namespace platform;
using testing_support::AudioPath;
using testing_support::AudioRig;

namespace {

using Texts = std::vector<std::string>;

const std::string kA = AudioPath("7&aaaa&0&0002");
const std::string kB = AudioPath("7&bbbb&0&0002");
const std::string kC = AudioPath("7&cccc&0&0002");

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace

TEST(AudioInterfaces, ArrivalsAreListedBelowTheVideoDevicesWithANumberFromTheSecondOn) {
    AudioRig rig;
    rig.start();
    rig.plugIn(kA, "Camera Mic");
    rig.plugIn(kB, "Camera Mic");
    rig.plugIn(kC, "Array Mic");
    EXPECT_EQ(rig.audioItems(), (Texts{"34000 Camera Mic *", "34001 Camera Mic #2", "34002 Array Mic #3"}));
    EXPECT_EQ(rig.comboItems(), (Texts{"Array Mic #3", "Camera Mic", "Camera Mic #2"}));
    EXPECT_EQ(rig.comboSelection(), "Camera Mic");
    EXPECT_EQ(rig.dialog->audioInterfaces().presentCount(), 3);
    EXPECT_EQ(std::string(rig.dialog->audioInterfaces().entries()[0]->path), kA);
    // The same interface reported again (by the start-up listing and a notice, say).
    rig.notify(kDBT_DEVICEARRIVAL, Upper(kB));
    EXPECT_EQ(rig.dialog->audioInterfaces().entries().size(), 3u);
    EXPECT_TRUE(rig.notices().empty());
}

TEST(AudioInterfaces, RemovedInterfaceComesBackUnderItsCommandBelowTheOthers) {
    AudioRig rig;
    rig.start();
    rig.plugIn(kA, "Alpha");
    rig.plugIn(kB, "Beta");
    rig.plugIn(kC, "Gamma");
    rig.command(34001);  // Beta chosen
    rig.unplug(kA);
    EXPECT_EQ(rig.audioItems(), (Texts{"34001 Beta #2 *", "34002 Gamma #3"}));
    EXPECT_EQ(rig.comboItems(), (Texts{"Beta #2", "Gamma #3"}));
    // Back, with its path in other letter case: the same interface.
    rig.notify(kDBT_DEVICEARRIVAL, Upper(kA));
    EXPECT_EQ(rig.audioItems(), (Texts{"34001 Beta #2 *", "34002 Gamma #3", "34000 Alpha"}));
    EXPECT_EQ(rig.comboItems(), (Texts{"Alpha", "Beta #2", "Gamma #3"}));
    EXPECT_EQ(rig.comboSelection(), "Beta #2");
    EXPECT_EQ(rig.dialog->audioInterfaces().entries().size(), 3u);
    EXPECT_EQ(rig.dialog->audioInterfaces().presentCount(), 3);
}

TEST(AudioInterfaces, RemovingTheChosenOneMovesTheMarkToTheFirstEntry) {
    struct Case {
        const char* name;
        std::uint32_t chosen;
        std::string removed;
        Texts items;
        std::string selection;
    };
    const Case cases[] = {
        {"chosen removed", 34001, kB, {"34000 Alpha *", "34002 Gamma #3"}, "Alpha"},
        {"other removed", 34001, kC, {"34000 Alpha", "34001 Beta #2 *"}, "Beta #2"},
        {"removed in upper case", 34002, Upper(kC), {"34000 Alpha *", "34001 Beta #2"}, "Alpha"},
        {"unknown path", 34000, AudioPath("7&dddd&0&0002"), {"34000 Alpha *", "34001 Beta #2", "34002 Gamma #3"},
         "Alpha"},
    };
    for (const Case& c : cases) {
        AudioRig rig;
        rig.start();
        rig.plugIn(kA, "Alpha");
        rig.plugIn(kB, "Beta");
        rig.plugIn(kC, "Gamma");
        rig.command(c.chosen);
        rig.unplug(c.removed);
        EXPECT_EQ(rig.audioItems(), c.items) << c.name;
        EXPECT_EQ(rig.comboSelection(), c.selection) << c.name;
        EXPECT_FALSE(rig.audioSettingGrayed()) << c.name;
    }
}

TEST(AudioInterfaces, TheMarkGoesToAPresentEntryAndOnlyOneIsChosen) {
    AudioRig rig;
    rig.start();
    rig.plugIn(kA, "Alpha");
    rig.plugIn(kB, "Beta");
    rig.plugIn(kC, "Gamma");
    rig.command(34001);
    rig.unplug(kA);
    // The chosen one goes while the first entry is gone already: the first present
    // entry takes the mark.
    rig.unplug(kB);
    EXPECT_EQ(rig.audioItems(), (Texts{"34002 Gamma #3 *"}));
    EXPECT_EQ(rig.comboSelection(), "Gamma #3");
    // Both come back: the mark stays where it is, and only one entry is chosen.
    rig.notify(kDBT_DEVICEARRIVAL, kA);
    rig.notify(kDBT_DEVICEARRIVAL, kB);
    EXPECT_EQ(rig.audioItems(), (Texts{"34002 Gamma #3 *", "34000 Alpha", "34001 Beta #2"}));
    int chosen = 0;
    for (const auto& entry : rig.dialog->audioInterfaces().entries()) {
        chosen += entry->selected == 1 && entry->removed == 0 ? 1 : 0;
    }
    EXPECT_EQ(chosen, 1);
}

TEST(AudioInterfaces, TheLastRemovalGraysAudioSettingEachTime) {
    AudioRig rig;
    rig.start();
    rig.plugIn(kA, "Alpha");
    rig.unplug(kA);
    EXPECT_TRUE(rig.audioItems().empty());
    EXPECT_TRUE(rig.comboItems().empty());
    EXPECT_TRUE(rig.audioSettingGrayed());
    // A second removal changes nothing in the list, but asks for the gray-out again.
    rig.machine.window.enableDlgItem(IDC_AUDIO_SETTING, true);
    rig.unplug(kA);
    EXPECT_TRUE(rig.audioSettingGrayed());
    EXPECT_EQ(rig.dialog->audioInterfaces().entries().size(), 1u);
    EXPECT_EQ(rig.dialog->audioInterfaces().presentCount(), 0);
    // Back as the only one: checked again.
    rig.notify(kDBT_DEVICEARRIVAL, kA);
    EXPECT_EQ(rig.audioItems(), (Texts{"34000 Alpha *"}));
    EXPECT_EQ(rig.comboSelection(), "Alpha");
}

TEST(AudioInterfaces, ChoiceByCommandAndByComboBox) {
    AudioRig rig;
    rig.start();
    rig.plugIn(kA, "Alpha");
    rig.plugIn(kB, "Beta");
    rig.command(34001);
    EXPECT_EQ(rig.audioItems(), (Texts{"34000 Alpha", "34001 Beta #2 *"}));
    EXPECT_EQ(rig.comboSelection(), "Beta #2");
    rig.machine.window.userSelectsComboItem(IDC_AUDIO_DEVICE, 0);  // "Alpha"
    rig.machine.window.sendMessage(kWM_COMMAND, (static_cast<WParam>(kCBN_SELCHANGE) << 16) | IDC_AUDIO_DEVICE, 0x77);
    EXPECT_EQ(rig.audioItems(), (Texts{"34000 Alpha *", "34001 Beta #2"}));
    // Ids nobody holds, up to the end of the range, only clear the mark.
    rig.command(34500);
    EXPECT_EQ(rig.audioItems(), (Texts{"34000 Alpha", "34001 Beta #2"}));
}

// What SetupAPI and the device answer is taken with care: each case is one interface
// with one oddity, arriving into an empty list.
TEST(AudioInterfaces, UntrustedSetupAnswers) {
    struct Case {
        const char* name;
        std::string path;
        std::string description;
        std::string hardwareId;
        void (*spoil)(sim::SimDeviceInterface&, sim::SimEffectEndpoint&);
        std::string listed;  // "" when the arrival is refused
    };
    const std::string long259(259, 'd');
    const Case cases[] = {
        {"plain", kA, "Mic", testing_support::kAudioHardwareId, nullptr, "Mic"},
        {"syname only in the path", kA, "Mic", "USB\\VID_1111&PID_2222", nullptr, "Mic"},
        {"syname nowhere", AudioPath("x").replace(8, 17, "vid_1111&pid_2222"), "Mic", "USB\\VID_1111", nullptr, ""},
        {"description of 260 bytes without a NUL", kA, "", testing_support::kAudioHardwareId,
         [](sim::SimDeviceInterface& member, sim::SimEffectEndpoint&) { member.description.assign(260, 'e'); },
         std::string(259, 'e')},
        {"hardware id of 260 bytes without a NUL", kA, "Mic", "",
         [](sim::SimDeviceInterface& member, sim::SimEffectEndpoint&) {
             member.hardwareIds.assign(260, 'h');
             std::memcpy(member.hardwareIds.data(), "Vid_7c3e&Pid_410b", 17);
         },
         "Mic"},
        {"no description", kA, "", testing_support::kAudioHardwareId,
         [](sim::SimDeviceInterface& member, sim::SimEffectEndpoint&) { member.description.clear(); }, ""},
        {"enormous detail size", kA, "Mic", testing_support::kAudioHardwareId,
         [](sim::SimDeviceInterface& member, sim::SimEffectEndpoint&) { member.claimedDetailSize = 0x7FFFFFF0u; },
         ""},
        {"detail path without a NUL", kA, "Mic", testing_support::kAudioHardwareId,
         [](sim::SimDeviceInterface& member, sim::SimEffectEndpoint&) { member.claimedDetailSize = 4 + 20; }, ""},
        {"detail fails", kA, "Mic", testing_support::kAudioHardwareId,
         [](sim::SimDeviceInterface& member, sim::SimEffectEndpoint&) { member.detailFails = true; }, ""},
        {"channel refuses to open", kA, "Mic", testing_support::kAudioHardwareId,
         [](sim::SimDeviceInterface&, sim::SimEffectEndpoint& endpoint) { endpoint.refuseOpen(true); }, ""},
        {"longest description", kA, long259, testing_support::kAudioHardwareId, nullptr, long259},
    };
    for (const Case& c : cases) {
        AudioRig rig;
        rig.start();
        sim::SimEffectEndpoint& endpoint = rig.add(c.path, c.description, c.hardwareId);
        if (c.spoil != nullptr) {
            c.spoil(rig.machine.deviceSetup.interfaces().back(), endpoint);
        }
        rig.notify(kDBT_DEVICEARRIVAL, c.path);
        const auto& entries = rig.dialog->audioInterfaces().entries();
        if (c.listed.empty()) {
            EXPECT_TRUE(entries.empty()) << c.name;
            EXPECT_EQ(rig.notices(), Texts{"Device Apply Error, please retry"}) << c.name;
        } else {
            ASSERT_EQ(entries.size(), 1u) << c.name;
            EXPECT_EQ(std::string(entries[0]->description), c.listed) << c.name;
            EXPECT_TRUE(rig.notices().empty()) << c.name;
        }
        EXPECT_EQ(endpoint.openHandles(), 0) << c.name;
        EXPECT_EQ(rig.machine.deviceSetup.openSets(), 0) << c.name;
    }
}

// The search walks past members it cannot enumerate, stops at the end of the set, and
// goes no further than 500 members.
TEST(AudioInterfaces, TheSearchIsBounded) {
    for (std::size_t before : {std::size_t{3}, std::size_t{499}, std::size_t{500}}) {
        AudioRig rig;
        rig.start();
        for (std::size_t i = 0; i < before; ++i) {
            rig.add(AudioPath("other" + std::to_string(i)), "Other", "USB\\VID_1111");
            rig.machine.deviceSetup.interfaces().back().enumFails = (i % 2) == 0;
        }
        rig.add(kA, "Mic");
        rig.notify(kDBT_DEVICEARRIVAL, kA);
        EXPECT_EQ(rig.dialog->audioInterfaces().entries().size(), before < 500 ? 1u : 0u) << before;
    }
}

TEST(AudioInterfaces, DescriptionCutSoThatItsNumberFits) {
    AudioRig rig;
    rig.start();
    rig.plugIn(kA, std::string(259, 'x'));
    rig.plugIn(kB, std::string(259, 'x'));
    const auto& entries = rig.dialog->audioInterfaces().entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::string(entries[0]->description), std::string(259, 'x'));
    EXPECT_EQ(std::string(entries[1]->description), std::string(256, 'x') + " #2");
}

TEST(AudioInterfaces, InterfacesPresentAtStartAreListed) {
    AudioRig rig;
    rig.add(kA, "Alpha");
    rig.add(kB, "Beta");
    rig.machine.deviceSetup.interfaces().back().present = false;
    rig.add(kC, "Gamma");
    rig.start();
    EXPECT_EQ(rig.audioItems(), (Texts{"34000 Alpha *", "34001 Gamma #2"}));
    ASSERT_EQ(rig.machine.deviceSetup.registrations().size(), 2u);
    EXPECT_EQ(rig.machine.deviceSetup.registrations()[1].interfaceClass, audio::kAudioInterfaceClass);
    EXPECT_EQ(rig.machine.deviceSetup.openSets(), 0);
}

// WM_USER+103 is the window's own: messages from another program, whatever they
// carry, are refused without reading anything.
TEST(AudioInterfaces, ForeignListUpdatesChangeNothing) {
    AudioRig rig;
    rig.start();
    rig.plugIn(kA, "Alpha");
    const std::string text = kB;
    const LParam candidates[] = {0, 1, 2, -1, 0x7FFFFFFF, reinterpret_cast<LParam>(&text),
                                 reinterpret_cast<LParam>(text.c_str())};
    std::size_t refused = 0;
    for (int i = 0; i < 1000; ++i) {
        const LParam lParam = i < 7 ? candidates[i] : static_cast<LParam>(i * 7919);
        const WParam wParam = static_cast<WParam>(i % 3);
        refused += rig.machine.window.sendMessage(common::kMsgAudioListUpdate, wParam, lParam) == 0 ? 1 : 0;
        rig.machine.window.postMessage(common::kMsgAudioListUpdate, wParam, lParam);
    }
    rig.machine.window.runFor(10);
    EXPECT_EQ(refused, 1000u);
    EXPECT_EQ(rig.audioItems(), (Texts{"34000 Alpha *"}));
    EXPECT_EQ(rig.dialog->audioInterfaces().presentCount(), 1);
    EXPECT_FALSE(rig.audioSettingGrayed());
    EXPECT_TRUE(rig.notices().empty());
    EXPECT_EQ(rig.dialog->audioInterfaces().tokens().outstanding(), 0u);
}

// Notices of the audio class whose name cannot be read post nothing; they are still
// the audio list's, so no bring-up runs for them.
TEST(AudioInterfaces, DeviceNoticesWithoutAUsableName) {
    AudioRig rig;
    rig.start();
    rig.add(kA, "Alpha");
    std::vector<std::uint8_t> record = sim::InterfaceBroadcast(audio::kAudioInterfaceClass, kA);
    struct Case {
        const char* name;
        std::uint32_t size;
        bool unterminated;
    };
    const Case cases[] = {
        {"name cut by dbch_size", 40, false},
        {"no name at all", 28, false},
        {"no NUL", static_cast<std::uint32_t>(record.size()), true},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> copy = record;
        std::memcpy(copy.data(), &c.size, sizeof c.size);
        if (c.unterminated) {
            copy.back() = 'x';
        }
        EXPECT_EQ(rig.machine.window.sendMessage(kWM_DEVICECHANGE, kDBT_DEVICEARRIVAL,
                                                 reinterpret_cast<LParam>(copy.data())),
                  1)
            << c.name;
        rig.machine.window.runFor(0);
        EXPECT_TRUE(rig.dialog->audioInterfaces().entries().empty()) << c.name;
    }
    EXPECT_EQ(rig.machine.trace.count("in MactionAction"), 0u);
    // A path too long for an entry is passed over the same way.
    const std::string tooLong = AudioPath(std::string(300, 'z'));
    rig.add(tooLong, "Long");
    rig.notify(kDBT_DEVICEARRIVAL, tooLong);
    EXPECT_TRUE(rig.dialog->audioInterfaces().entries().empty());
}

TEST(AudioListTokens, IssuedOnceConsumedOnce) {
    audio::AudioListTokens tokens(1234);
    const LParam arrival = tokens.Issue(true, "path-a");
    const LParam removal = tokens.Issue(false, "path-b");
    ASSERT_NE(arrival, 0);
    ASSERT_NE(removal, 0);
    EXPECT_NE(arrival, removal);
    char path[audio::AudioListTokens::kPathSize] = {};
    // The wrong kind is refused and leaves the token for its own message.
    EXPECT_FALSE(tokens.Consume(arrival, false, path));
    EXPECT_TRUE(tokens.Consume(arrival, true, path));
    EXPECT_STREQ(path, "path-a");
    EXPECT_FALSE(tokens.Consume(arrival, true, path));
    EXPECT_FALSE(tokens.Consume(0, false, path));
    tokens.Withdraw(removal);
    EXPECT_FALSE(tokens.Consume(removal, false, path));
    EXPECT_EQ(tokens.outstanding(), 0u);

    // Bounded: beyond the cap nothing is issued until tokens come back, and a spent
    // token is not handed out again soon.
    std::vector<LParam> issued;
    for (std::size_t i = 0; i < audio::AudioListTokens::kMaxOutstanding; ++i) {
        issued.push_back(tokens.Issue(true, "p"));
        ASSERT_NE(issued.back(), 0);
    }
    EXPECT_EQ(tokens.Issue(true, "p"), 0);
    EXPECT_TRUE(tokens.Consume(issued.front(), true, path));
    const LParam next = tokens.Issue(true, "p");
    EXPECT_NE(next, 0);
    for (LParam token : issued) {
        EXPECT_NE(next, token);
        EXPECT_NE(token, arrival);
    }
}
