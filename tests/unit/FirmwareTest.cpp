#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/Constants.h"
#include "tests/unit/FirmwareTestSupport.h"

using namespace platform;
using testing_support::FirmwareRig;
using sim::XuPath;
using sim::XuRequest;

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

// The SET_CUR transfers of one control, in order.
std::vector<std::vector<std::uint8_t>> Writes(const sim::EmulatedCamera& camera, std::uint8_t selector) {
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& transfer : camera.transfers()) {
        if (transfer.request == XuRequest::SetCur && transfer.selector == selector) {
            out.push_back(transfer.data);
        }
    }
    return out;
}

}  // namespace

TEST(FirmwareOpen, ControllerFamiliesAndChipLetters) {
    struct Case {
        std::uint8_t id;
        std::uint8_t variant;
        bool viewmate;
        firmware::Status status;
        char chip;
        std::uint8_t level;
    };
    const Case cases[] = {
        {0x60, 0, false, 0, 'f', 2}, {0x93, 0, false, 0, 'g', 2}, {0x85, 0, false, 0, 'h', 0},
        {0xA3, 0x10, false, 0, 'i', 0}, {0xA3, 0x10, true, 0, 'l', 0}, {0xA3, 0x11, true, 0, 'i', 0},
        {0xB0, 0, false, 0, 'j', 0},    {0xC7, 0, true, 0, 'k', 0},   {0xE5, 0, true, 0, 'k', 0},
        {0xE5, 0, false, 1, 'd', 0},    {0xD0, 0, true, 1, 'd', 0},   {0x00, 0, true, 1, 'd', 0},
        {0xF1, 0, true, 1, 'd', 0},
    };
    for (const Case& c : cases) {
        FirmwareRig rig(c.id, c.viewmate ? common::kViewmate : common::kTiltmate);
        rig.camera->controller().setVariant(c.variant);
        EXPECT_EQ(rig.open(), c.status) << std::hex << int(c.id) << " viewmate " << c.viewmate;
        if (c.status == 0) {
            EXPECT_EQ(rig.chip(), c.chip) << std::hex << int(c.id);
            EXPECT_EQ(rig.channel->selectLevel(), c.level) << std::hex << int(c.id);
        } else {
            // A refused candidate leaves nothing held.
            EXPECT_EQ(rig.machine.video.liveObjects(), 0) << std::hex << int(c.id);
        }
    }
    FirmwareRig rig;
    EXPECT_EQ(rig.open('d'), firmware::kStatusOutOfRange);
    EXPECT_EQ(rig.open('l'), firmware::kStatusOutOfRange);
    EXPECT_TRUE(rig.camera->transfers().empty());
}

TEST(FirmwareOpen, CandidatesSkipsPathsAndFamilyLetters) {
    testing_support::RunningDialog run;
    auto first = run.machine.video.addCamera("Cam A");
    first->controller().setId(0x93);  // family 0x90
    sim::SimVideoDevice usbMixed;
    usbMixed.friendlyName = "Cam B";
    usbMixed.devicePath = "\\\\?\\Usb#vid_1&pid_2#3&4#{x}";
    usbMixed.camera->controller().setId(0x85);
    run.machine.video.addDevice(usbMixed);
    auto third = run.machine.video.addCamera("Cam C");
    third->controller().setId(0x85);
    run.start();

    struct Case {
        char letter;
        int skip;
        firmware::Status status;
        char chip;
    };
    const Case cases[] = {{'e', 0, 0, 'g'}, {'h', 0, 0, 'h'}, {'e', 2, 0, 'h'}, {'g', 1, 1, 'd'}, {'e', 3, 1, 'd'}};
    for (const Case& c : cases) {
        first->clearJournal();
        usbMixed.camera->clearJournal();
        auto channel = std::make_unique<firmware::CFirmwareChannel>(run.machine.platform(), common::kTiltmate);
        EXPECT_EQ(channel->Open(c.letter, c.skip), c.status) << c.letter << c.skip;
        char chip = 0;
        channel->Get_ICType(&chip);
        if (c.status == 0) {
            EXPECT_EQ(chip, c.chip) << c.letter << c.skip;
        }
        // "Usb" in mixed case is not a USB path: that camera is never spoken to.
        EXPECT_TRUE(usbMixed.camera->transfers().empty());
        if (c.skip >= 1) {
            EXPECT_TRUE(first->transfers().empty()) << "skipped devices are never examined";
        }
        channel.reset();
    }
    EXPECT_EQ(run.machine.video.liveObjects(), 0);
}

TEST(FirmwareTransport, PathsSetsAndReadiness) {
    struct Case {
        const char* name;
        bool topology;
        bool secondSet;
        unsigned notReady;
        XuPath path;
        std::vector<std::uint32_t> sleeps;
    };
    const Case cases[] = {
        {"node", true, false, 0, XuPath::Node, {}},
        {"tunnel without topology", false, false, 0, XuPath::Tunnel, {}},
        {"second property set", true, true, 0, XuPath::Node, {}},
        {"three not-ready answers", true, false, 3, XuPath::Node, {20, 20, 20}},
    };
    for (const Case& c : cases) {
        FirmwareRig rig;
        rig.camera->driver().topologyInfo = c.topology;
        rig.camera->driver().secondPropertySet = c.secondSet;
        rig.camera->driver().notReadyAnswers = c.notReady;
        ASSERT_EQ(rig.open(), 0) << c.name;
        EXPECT_EQ(rig.chip(), 'h') << c.name;
        EXPECT_EQ(rig.machine.clock.sleeps(), c.sleeps) << c.name;
        std::uint32_t length = 0;
        EXPECT_EQ(rig.channel->device()->transport().GetLen(15, &length), 0) << c.name;
        EXPECT_EQ(length, 4096u) << c.name;
        EXPECT_EQ(rig.camera->transfers().back().path, c.path) << c.name;
        std::uint8_t value = 0;
        EXPECT_EQ(rig.channel->ReadRegister(0x20FF, &value), 0);
        EXPECT_EQ(value, 0x85);
    }
    // A unit that never becomes ready is given up after its bound, not waited for.
    FirmwareRig never;
    never.camera->driver().neverReady = true;
    EXPECT_EQ(never.open(), 1);
    EXPECT_EQ(never.machine.clock.sleeps().size(), static_cast<std::size_t>(firmware::kMaxNotReadyRepetitions));
    // Without IKsControl the camera is passed over, even with the custom interface.
    FirmwareRig noKs;
    noKs.camera->driver().ksControl = false;
    EXPECT_EQ(noKs.open(), 1);
}

TEST(FirmwareTransport, NothingIsSentWithoutAPath) {
    FirmwareRig rig;
    firmware::CXUTransport transport(rig.machine.clock);
    std::uint8_t buffer[4] = {};
    std::uint32_t length = 7;
    EXPECT_EQ(transport.GetCur(3, 1, buffer), 1);
    EXPECT_EQ(transport.SetCur(3, 1, buffer), 1);
    EXPECT_EQ(transport.GetLen(15, &length), 1);
    EXPECT_EQ(transport.GetLen(15, nullptr), kE_POINTER);
    EXPECT_EQ(length, 7u);
    EXPECT_TRUE(rig.camera->transfers().empty());
}

TEST(FirmwareProtocol, StepTablesPerCommand) {
    struct Case {
        std::uint8_t command;
        std::uint8_t sectorErase;
        std::uint8_t blockErase;
        std::uint8_t mode;
    };
    const Case cases[] = {{0, 0x20, 0xD8, 0}, {0x79, 0x20, 0xD8, 0}, {0x7A, 0x20, 0x52, 1}, {0x7C, 0xD7, 0xD8, 0},
                          {0x7F, 0x20, 0xD8, 0}, {0x81, 0x20, 0xD8, 2}, {0x90, 0x20, 0xD8, 0}, {6, 0x20, 0xD8, 2}};
    FirmwareRig rig;
    ASSERT_EQ(rig.open(), 0);
    for (const Case& c : cases) {
        rig.channel->device()->ProgramCommand(c.command);
        EXPECT_EQ(rig.camera->controller().step(6), c.sectorErase) << std::hex << int(c.command);
        EXPECT_EQ(rig.camera->controller().step(7), c.blockErase) << std::hex << int(c.command);
        EXPECT_EQ(rig.camera->controller().programMode(), c.mode) << std::hex << int(c.command);
    }
}

TEST(FirmwareProtocol, SectorAddressingAndRefusedCommands) {
    FirmwareRig rig;
    ASSERT_EQ(rig.open(), 0);
    std::vector<std::uint8_t> buffer(4096);
    for (const auto& [sector, address] : {std::pair{13, Bytes({0x00, 0xD0, 0, 0})}, {16, Bytes({0, 0, 0, 0})}}) {
        rig.camera->clearJournal();
        std::uint32_t read = 0;
        EXPECT_EQ(rig.channel->Upload_Sector(buffer.data(), 4096, sector, 0x79, &read), 0);
        EXPECT_EQ(read, 4096u);
        EXPECT_EQ(Writes(*rig.camera, 14), std::vector<std::vector<std::uint8_t>>{address}) << sector;
    }
    rig.camera->clearJournal();
    EXPECT_EQ(rig.channel->Upload_Sector(buffer.data(), 4096, 13, 0x78), firmware::kStatusOutOfRange);
    EXPECT_EQ(rig.channel->Upload_Sector(nullptr, 4096, 13, 0x79), 1);
    // The camera's stated length must fit the buffer it is read into.
    EXPECT_EQ(rig.channel->Upload_Sector(buffer.data(), 100, 13, 0x79), firmware::kStatusOutOfRange);
    EXPECT_TRUE(Writes(*rig.camera, 14).empty());
}

TEST(FirmwareProtocol, DownloadByChipLetter) {
    struct Case {
        std::uint8_t id;
        std::uint8_t variant;
        bool viewmate;
        firmware::Status status;
        std::vector<std::vector<std::uint8_t>> blocks;
    };
    std::vector<std::uint8_t> jBlock(64, 0xFF), kBlock(64, 0xFF);
    jBlock[0] = 1;
    jBlock[1] = 0x5A;
    kBlock[0] = 0x5A;
    const Case cases[] = {
        {0xB0, 0, false, 0, {jBlock}}, {0xC0, 0, false, 0, {kBlock}}, {0x85, 0, false, 0, {}},
        {0x60, 0, false, 1, {}},       {0x90, 0, false, 1, {}},       {0xA3, 0x10, true, 1, {}},
    };
    for (const Case& c : cases) {
        FirmwareRig rig(c.id, c.viewmate ? common::kViewmate : common::kTiltmate);
        rig.camera->controller().setVariant(c.variant);
        ASSERT_EQ(rig.open(), 0);
        rig.channel->EraseSector(0xD000, 0);
        rig.camera->clearJournal();
        const std::uint8_t byte = 0x5A;
        EXPECT_EQ(rig.channel->Download_Sector(0xD000, 1, &byte), c.status) << std::hex << int(c.id);
        EXPECT_EQ(Writes(*rig.camera, 22), c.blocks) << std::hex << int(c.id);
        if (c.status == 1) {
            EXPECT_TRUE(rig.camera->transfers().empty()) << std::hex << int(c.id);
            EXPECT_EQ(rig.camera->flash().data()[0xD000], 0xFF);
        } else {
            EXPECT_EQ(rig.camera->flash().data()[0xD000], 0x5A) << std::hex << int(c.id);
        }
        if (!c.blocks.empty()) {
            EXPECT_EQ(Writes(*rig.camera, 14), std::vector<std::vector<std::uint8_t>>{Bytes({0x00, 0xD0, 0, 0})});
        }
    }
    // The register-level path shifts write enable, then the page program, to the flash.
    FirmwareRig rig(0x85);
    ASSERT_EQ(rig.open(), 0);
    rig.channel->EraseSector(0xD000, 0);
    rig.camera->controller().clearRecords();
    const std::uint8_t byte = 0x01;
    ASSERT_EQ(rig.channel->Download_Sector(0xD000, 1, &byte), 0);
    std::vector<std::vector<std::uint8_t>> sent;
    for (const auto& command : rig.camera->controller().spiCommands()) {
        if (!command.firmware) {
            sent.push_back(command.sent);
        }
    }
    const auto program = std::find(sent.begin(), sent.end(), Bytes({0x02, 0x00, 0xD0, 0x00, 0x01}));
    ASSERT_NE(program, sent.end());
    ASSERT_NE(program, sent.begin());
    EXPECT_EQ(*(program - 1), Bytes({0x06}));
}

TEST(FirmwareProtocol, StuckControllerEndsInFailureNotAHang) {
    struct Case {
        const char* name;
        bool staysBusy;
        bool statusBusy;
    };
    const Case cases[] = {{"interface never idle", true, false}, {"flash never done", false, true}};
    for (const Case& c : cases) {
        FirmwareRig rig(0x85);
        ASSERT_EQ(rig.open(), 0);
        rig.camera->controller().setStaysBusy(c.staysBusy);
        rig.camera->flash().setStatusStaysBusy(c.statusBusy);
        const std::uint8_t byte = 1;
        EXPECT_EQ(rig.channel->Download_Sector(0xD000, 1, &byte), 1) << c.name;
    }
}

// Every register-level command goes through one select, shift, deselect: its bytes
// reach the flash as one command, and a command broken off by a failed transfer at any
// point still leaves the flash deselected, so the next command's bytes cannot continue it.
TEST(FirmwareProtocol, SpiCommandsEndDeselectedWhereverTheyBreakOff) {
    using Device = firmware::CFirmwareDevice;
    struct Case {
        const char* name;
        std::function<firmware::Status(Device&)> run;
        std::vector<std::vector<std::uint8_t>> sent;  // the commands, fault-free
    };
    std::uint8_t id[3] = {};
    firmware::PageProgramRequest program{{0x00, 0xD0, 0x00}, {0x01}, 1};
    const Case cases[] = {
        {"write enable", [](Device& d) { return d.WriteEnable(); }, {Bytes({0x06})}},
        {"status read", [](Device& d) { return d.WaitWriteDone(); }, {Bytes({0x05})}},
        {"JEDEC id", [&](Device& d) { return d.ReadFlashId(id, 0x9F); }, {Bytes({0x9F})}},
        {"id after dummy bytes", [&](Device& d) { return d.ReadFlashId(id, 0x90); }, {Bytes({0x90, 0, 0, 0})}},
        // The emulated flash is busy for one status read after a program.
        {"page program", [&](Device& d) { return d.PageProgram(program); },
         {Bytes({0x06}), Bytes({0x02, 0x00, 0xD0, 0x00, 0x01}), Bytes({0x05}), Bytes({0x05})}},
    };
    for (const Case& c : cases) {
        std::uint32_t count = 0;
        {
            FirmwareRig rig(0x85);
            ASSERT_EQ(rig.open(), 0);
            rig.channel->EraseSector(0xD000, 0);
            rig.camera->controller().clearRecords();
            const std::uint32_t before = rig.camera->transferCount();
            EXPECT_EQ(c.run(*rig.channel->device()), 0) << c.name;
            count = rig.camera->transferCount() - before;
            std::vector<std::vector<std::uint8_t>> sent;
            for (const auto& command : rig.camera->controller().spiCommands()) {
                sent.push_back(command.sent);
            }
            EXPECT_EQ(sent, c.sent) << c.name;
        }
        for (std::uint32_t k = 1; k <= count; ++k) {
            FirmwareRig rig(0x85);
            ASSERT_EQ(rig.open(), 0);
            rig.channel->EraseSector(0xD000, 0);
            rig.camera->failTransfer(rig.camera->transferCount() + k);
            c.run(*rig.channel->device());
            EXPECT_NE(rig.camera->controller().registerValue(firmware::kRegFlashSelect),
                      rig.camera->controller().selectLevel())
                << c.name << ": transfer " << k << " of " << count << " failed";
        }
    }
}

TEST(ChipIdentification, FlashTypesForEachProgram) {
    struct Case {
        std::uint8_t chipCode;  // 0: unknown, 1: blank
        std::uint8_t tiltmate;
        std::uint8_t viewmate;
    };
    const Case cases[] = {
        {0x79, 0x79, 0x79}, {0x7A, 0x7A, 0x7A}, {0x7B, 0x7B, 0x7B}, {0x7C, 0x7C, 0x7C}, {0x7D, 0x7D, 0x7D},
        {0x7E, 0x7E, 0x7E}, {0x7F, 0x7F, 0x7F}, {0x80, 0x80, 0x80}, {0x81, 0x81, 0x81}, {0x82, 0x82, 0x82},
        {0x83, 0x83, 0x83}, {0x84, 0x78, 0x84}, {0, 0x78, 0x78},    {1, 0x78, 0x78},
    };
    for (std::uint8_t controller : {0x85, 0xB0}) {  // register level and firmware control 23
        for (const Case& c : cases) {
            for (bool viewmate : {false, true}) {
                FirmwareRig rig(controller, viewmate ? common::kViewmate : common::kTiltmate);
                rig.camera->flash().setChip(c.chipCode == 0   ? sim::EmulatedFlash::unknownChip()
                                            : c.chipCode == 1 ? sim::EmulatedFlash::blankChip()
                                                              : sim::EmulatedFlash::chip(c.chipCode));
                ASSERT_EQ(rig.open(), 0);
                std::uint8_t code = 0;
                EXPECT_EQ(rig.channel->Get_FlashType(&code), 0);
                EXPECT_EQ(code, viewmate ? c.viewmate : c.tiltmate)
                    << std::hex << int(controller) << " " << int(c.chipCode) << " viewmate " << viewmate;
            }
        }
    }
}
