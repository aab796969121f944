// The emulated camera seen the way the program sees a real one: a filter bound from
// the video catalog, asked for IKsControl or the custom property interface, and driven
// with extension-unit requests on either path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/Constants.h"
#include "platform/sim/SimVideoCatalog.h"

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

namespace {

enum class Path { Node, Tunnel };

struct Rig {
    Rig() : camera(catalog.addCamera("Tavrin")) {}

    // Binds the filter the first time; the camera's driver settings apply from then on.
    ICaptureFilter& filter() {
        if (!m_filter) {
            std::unique_ptr<IDeviceEnumerator> devices;
            std::unique_ptr<IMonikerEnum> monikers;
            std::unique_ptr<IDeviceMoniker> moniker;
            catalog.createSystemDeviceEnum(0, devices);
            devices->createClassEnumerator(kCLSID_VideoInputDeviceCategory, 0, monikers);
            monikers->next(moniker);
            moniker->bindToObject(m_filter);
            m_filter->queryKsControl(m_ks);
            m_filter->queryCustomProperty(m_custom);
        }
        return *m_filter;
    }

    HResult node(std::uint32_t flags, std::uint8_t selector, void* data, std::uint32_t length,
                 std::uint32_t* returned = nullptr) {
        filter();
        const KspNode request{set, selector, flags, nodeId, 0};
        return m_ks->KsProperty(request, sizeof request, data, length, returned);
    }
    HResult tunnel(std::uint8_t code, std::uint8_t selector, const Bytes& data, std::uint16_t length) {
        filter();
        Bytes block(sim::EmulatedCamera::kTunnelRequestBytes, 0);
        block[0] = static_cast<std::uint8_t>(length & 0xFF);
        block[1] = static_cast<std::uint8_t>(length >> 8);
        block[2] = code;
        block[3] = selector;
        std::copy(data.begin(), data.end(), block.begin() + 4);
        return m_custom->SetCustomProperty(sim::EmulatedCamera::kPropExtensionUnit, block.data());
    }

    HResult setCur(std::uint8_t selector, Bytes data) {
        if (path == Path::Node) {
            return node(0x10000002, selector, data.data(), static_cast<std::uint32_t>(data.size()));
        }
        return tunnel(0x01, selector, data, static_cast<std::uint16_t>(data.size()));
    }
    HResult getCur(std::uint8_t selector, Bytes& out, std::uint32_t length) {
        out.assign(length, 0);
        if (path == Path::Node) {
            return node(0x10000001, selector, out.data(), length);
        }
        tunnel(0x81, selector, {}, static_cast<std::uint16_t>(length));
        Bytes reply(sim::EmulatedCamera::kTunnelReplyBytes, 0);
        const HResult result = m_custom->GetCustomProperty(sim::EmulatedCamera::kPropExtensionUnit, reply.data());
        std::copy_n(reply.begin(), length, out.begin());
        return result;
    }
    // The driver's own answer: ERROR_MORE_DATA on the node path, S_OK on the tunnel.
    HResult getLen(std::uint8_t selector, std::uint32_t& length) {
        if (path == Path::Node) {
            return node(0x10000001, selector, nullptr, 0, &length);
        }
        tunnel(0x85, selector, {}, 2);
        Bytes block(sim::EmulatedCamera::kTunnelRequestBytes, 0);
        const HResult result = m_custom->GetCustomProperty(sim::EmulatedCamera::kPropExtensionUnit, block.data());
        length = block[0] | (block[1] << 8);
        return result;
    }

    void writeRegister(std::uint16_t address, std::uint8_t value) {
        setCur(2, {static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(address >> 8)});
        setCur(3, {value});
    }
    std::uint8_t readRegister(std::uint16_t address) {
        setCur(2, {static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(address >> 8)});
        Bytes out;
        getCur(3, out, 1);
        return out[0];
    }
    bool waitIdle() {
        for (int i = 0; i < 100; ++i) {
            if (readRegister(0x2021) == 0) {
                return true;
            }
        }
        return false;
    }
    // One flash command through the controller's serial-flash registers.
    Bytes spi(const Bytes& sent, std::size_t receive) {
        const std::uint8_t family = camera->controller().id() & 0xF0;
        const std::uint8_t level = family == 0x60 || family == 0x90 ? 2 : 0;  // active-high select
        writeRegister(0x2020, 0x80);
        writeRegister(0x2025, level);
        for (std::uint8_t byte : sent) {
            writeRegister(0x2022, byte);
            waitIdle();
        }
        Bytes received;
        for (std::size_t i = 0; i < receive; ++i) {
            readRegister(0x2023);
            waitIdle();
            received.push_back(readRegister(0x2024));
        }
        writeRegister(0x2025, static_cast<std::uint8_t>(2 - level));
        return received;
    }
    void programByRegisters(const Bytes& sent) {
        spi({0x06}, 0);
        spi(sent, 0);
        for (int poll = 0; poll < 10 && (spi({0x05}, 1)[0] & 1) != 0; ++poll) {
        }
    }

    sim::SimVideoCatalog catalog;
    std::shared_ptr<sim::EmulatedCamera> camera;
    Path path = Path::Node;
    Guid set = sim::kExtensionUnitSetFirst;
    std::uint32_t nodeId = 1;

private:
    std::unique_ptr<ICaptureFilter> m_filter;
    std::unique_ptr<IKsControl> m_ks;
    std::unique_ptr<ICameraCustomProperty> m_custom;
};

Bytes block(Bytes head) {
    head.resize(64, 0xFF);
    return head;
}

}  // namespace

TEST(EmulatedCamera, RegistersAnswerOnBothPaths) {
    struct Case {
        Path path;
        std::uint8_t id, variant;
        const char* journal[2];
    };
    const Case table[] = {
        {Path::Node, 0x85, 0x00, {"xu set 2 ff 20", "xu get 3 -> 85"}},
        {Path::Tunnel, 0xB0, 0x00, {"xu set 2 ff 20", "xu get 3 -> b0"}},
        {Path::Node, 0xA3, 0x10, {"xu set 2 ff 20", "xu get 3 -> a3"}},
        {Path::Tunnel, 0x00, 0x00, {"xu set 2 ff 20", "xu get 3 -> 00"}},
    };
    for (const Case& c : table) {
        Rig rig;
        rig.path = c.path;
        rig.camera->controller().setId(c.id);
        rig.camera->controller().setVariant(c.variant);
        EXPECT_EQ(rig.readRegister(0x20FF), c.id);
        EXPECT_EQ(rig.camera->journal(), (std::vector<std::string>{c.journal[0], c.journal[1]}));
        EXPECT_EQ(rig.readRegister(0x20D0), c.variant);
        rig.writeRegister(0x250D, 1);
        rig.writeRegister(0x250F, 0x5A);
        rig.writeRegister(0x20FF, 0x11);  // the id is read-only
        EXPECT_EQ(rig.readRegister(0x250D), 1);
        EXPECT_EQ(rig.readRegister(0x250F), 0x5A);
        EXPECT_EQ(rig.readRegister(0x20FF), c.id);
        EXPECT_EQ(rig.camera->controller().registerWrites(),
                  (std::vector<std::pair<std::uint16_t, std::uint8_t>>{{0x250D, 1}, {0x250F, 0x5A}, {0x20FF, 0x11}}));
        EXPECT_EQ(rig.camera->transferCount(), 16u);
        EXPECT_EQ(rig.camera->emulatedMilliseconds(), 16u);
        EXPECT_EQ(rig.camera->transfers()[1].path, c.path == Path::Node ? sim::XuPath::Node : sim::XuPath::Tunnel);
    }
}

TEST(EmulatedCamera, LengthQueriesAnswerTheControlLength) {
    struct Case {
        Path path;
        std::uint8_t selector;
        HResult result;
        std::uint32_t length;
    };
    const Case table[] = {
        {Path::Node, 15, kHRESULT_ERROR_MORE_DATA, 4096}, {Path::Tunnel, 15, kS_OK, 4096},
        {Path::Node, 22, kHRESULT_ERROR_MORE_DATA, 64},   {Path::Tunnel, 23, kS_OK, 3},
        {Path::Node, 2, kHRESULT_ERROR_MORE_DATA, 2},     {Path::Node, 5, sim::kHRESULT_ERROR_NOT_FOUND, 77},
        {Path::Tunnel, 5, sim::kHRESULT_ERROR_NOT_FOUND, 0},
    };
    for (const Case& c : table) {
        Rig rig;
        rig.path = c.path;
        std::uint32_t length = 77;
        EXPECT_EQ(rig.getLen(c.selector, length), c.result) << int(c.selector);
        EXPECT_EQ(length, c.length) << int(c.selector);
    }
}

TEST(EmulatedCamera, FirmwareReadsTheFlashAtTheGivenAddress) {
    Bytes image(0x10000);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
    }
    for (Path path : {Path::Node, Path::Tunnel}) {
        Rig rig;
        rig.path = path;
        rig.camera->loadFlash(image);
        EXPECT_EQ(rig.setCur(14, {0x00, 0xD0, 0, 0}), kS_OK);
        Bytes sector;
        EXPECT_EQ(rig.getCur(15, sector, 4096), kS_OK);
        EXPECT_EQ(sector, Bytes(image.begin() + 0xD000, image.begin() + 0xE000));
        EXPECT_EQ(rig.getCur(15, sector, 16), sim::kHRESULT_ERROR_INSUFFICIENT_BUFFER);
    }
}

TEST(EmulatedCamera, FlashBehavesLikeNor) {
    struct Case {
        const char* name;
        std::uint8_t id, chip;
        std::vector<std::pair<std::uint16_t, std::uint8_t>> preload;
        std::function<void(Rig&)> act;
        std::vector<std::pair<std::uint16_t, std::uint8_t>> expected;
    };
    const Case table[] = {
        {"block write only clears bits", 0xC0, 0x79, {{0xD000, 0x0F}},
         [](Rig& r) { r.setCur(14, {0x00, 0xD0, 0, 0}), r.setCur(22, block({0xF1})); },
         {{0xD000, 0x01}, {0xD001, 0xFF}}},
        {"family B0 writes count bytes from byte 1", 0xB0, 0x79, {{0xD002, 0xAA}},
         [](Rig& r) { r.setCur(14, {0x00, 0xD0, 0, 0}), r.setCur(22, block({2, 0x12, 0x34, 0x00})); },
         {{0xD000, 0x12}, {0xD001, 0x34}, {0xD002, 0xAA}}},
        {"a block wraps inside its page", 0xC0, 0x79, {},
         [](Rig& r) {
             Bytes data(64);
             for (int i = 0; i < 64; ++i) data[i] = static_cast<std::uint8_t>(i);
             r.setCur(14, {0xF0, 0xD0, 0, 0}), r.setCur(22, data);
         },
         {{0xD0F0, 0}, {0xD0FF, 15}, {0xD000, 16}, {0xD02F, 63}, {0xD030, 0xFF}, {0xD100, 0xFF}}},
        {"erase sets the whole sector to FF", 0xC0, 0x79, {{0xCFFF, 0}, {0xD000, 0}, {0xDFFF, 0}, {0xE000, 0}},
         [](Rig& r) { r.setCur(13, {0x23, 0xD1, 0, 0}); },
         {{0xCFFF, 0}, {0xD000, 0xFF}, {0xDFFF, 0xFF}, {0xE000, 0}}},
        {"a D7 flash ignores the common erase", 0xC0, 0x7C, {{0xD000, 0}},
         [](Rig& r) { r.setCur(13, {0x00, 0xD0, 0, 0}); }, {{0xD000, 0}}},
        {"a D7 flash erases with its own table", 0xC0, 0x7C, {{0xD000, 0}},
         [](Rig& r) { r.setCur(7, {6}), r.setCur(8, {0xD7}), r.setCur(13, {0x00, 0xD0, 0, 0}); }, {{0xD000, 0xFF}}},
        {"register-level page program", 0x85, 0x79, {{0xD000, 0x0F}},
         [](Rig& r) { r.programByRegisters({0x02, 0x00, 0xD0, 0x00, 0x31}); }, {{0xD000, 0x01}}},
        {"register-level program wraps in the page", 0x93, 0x79, {},
         [](Rig& r) { r.programByRegisters({0x02, 0x00, 0xD0, 0xFF, 0x11, 0x22}); },
         {{0xD0FF, 0x11}, {0xD000, 0x22}, {0xD100, 0xFF}}},
        {"program without write enable changes nothing", 0x85, 0x79, {},
         [](Rig& r) { r.spi({0x02, 0x00, 0xD0, 0x00, 0x00}, 0); }, {{0xD000, 0xFF}}},
    };
    for (const Case& c : table) {
        Rig rig;
        rig.camera->controller().setId(c.id);
        rig.camera->flash().setChip(sim::EmulatedFlash::chip(c.chip));
        for (const auto& [address, value] : c.preload) {
            rig.camera->flash().data()[address] = value;
        }
        c.act(rig);
        for (const auto& [address, value] : c.expected) {
            EXPECT_EQ(rig.camera->flash().data()[address], value) << c.name << " at " << std::hex << address;
        }
    }
}

TEST(EmulatedCamera, RegisterLevelProgramIsJournaledByCommand) {
    Rig rig;
    rig.programByRegisters({0x02, 0x00, 0xD0, 0x00, 0x01});
    const auto& commands = rig.camera->controller().spiCommands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(commands[0].sent, Bytes{0x06});
    EXPECT_EQ(commands[1].sent, (Bytes{0x02, 0x00, 0xD0, 0x00, 0x01}));
    EXPECT_EQ(commands[2].sent, Bytes{0x05});
    EXPECT_EQ(commands[2].received, Bytes{0x01});  // busy for one status read after the program
    EXPECT_EQ(commands.back().received, Bytes{0x00});
    const auto& journal = rig.camera->journal();
    EXPECT_NE(std::find(journal.begin(), journal.end(), "flash program d000 01"), journal.end());
}

TEST(EmulatedCamera, FlashTypesAnswerIdentificationOnBothRoutes) {
    struct Case {
        const sim::FlashChip& chip;
        std::uint8_t opcode;
        Bytes expected;
    };
    const Case table[] = {
        {sim::EmulatedFlash::chip(0x79), 0x90, {0xC2, 0x05, 0xC2}},
        {sim::EmulatedFlash::chip(0x7A), 0x90, {0xBF, 0x48, 0xBF}},
        {sim::EmulatedFlash::chip(0x7D), 0x90, {0xFF, 0xFF, 0xFF}},
        {sim::EmulatedFlash::chip(0x7D), 0xAB, {0x9D, 0x7B, 0x7F}},
        {sim::EmulatedFlash::chip(0x7E), 0x9F, {0x1F, 0x65, 0x00}},
        {sim::EmulatedFlash::chip(0x82), 0x90, {0x00, 0x00, 0x00}},
        {sim::EmulatedFlash::chip(0x82), 0x9F, {0xC2, 0x22, 0x11}},
        {sim::EmulatedFlash::chip(0x84), 0x90, {0xA1, 0x05, 0xA1}},
        {sim::EmulatedFlash::unknownChip(), 0x90, {0x12, 0x34, 0x56}},
        {sim::EmulatedFlash::blankChip(), 0xAB, {0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : table) {
        Rig firmware;
        firmware.camera->controller().setId(0xC0);
        firmware.camera->flash().setChip(c.chip);
        firmware.path = Path::Tunnel;
        firmware.setCur(7, {13});
        firmware.setCur(8, {c.opcode});
        Bytes id;
        EXPECT_EQ(firmware.getCur(23, id, 3), kS_OK);
        EXPECT_EQ(id, c.expected) << c.chip.name << " " << int(c.opcode);

        for (std::uint8_t controller : {0x85, 0x93}) {  // select level 0 and 2
            Rig registers;
            registers.camera->controller().setId(controller);
            registers.camera->flash().setChip(c.chip);
            Bytes sent{c.opcode};
            if (c.opcode != 0x9F) {
                sent.insert(sent.end(), {0, 0, 0});
            }
            EXPECT_EQ(registers.spi(sent, 3), c.expected) << c.chip.name << " " << int(controller);
        }
    }
}

TEST(EmulatedCamera, NodeAnswersFollowTheDriverSettings) {
    struct Case {
        unsigned notReady;
        bool secondSet;
        std::uint32_t nodeId;
        Guid asked;
        std::vector<HResult> probes;
    };
    const HResult notReady = kHRESULT_ERROR_NOT_READY, notFound = kHRESULT_ERROR_SET_NOT_FOUND;
    const Case table[] = {
        {0, false, 1, sim::kExtensionUnitSetFirst, {kS_OK}},
        {0, true, 1, sim::kExtensionUnitSetFirst, {notFound, notFound}},
        {0, true, 1, sim::kExtensionUnitSetSecond, {kS_OK}},
        {0, false, 1, sim::kExtensionUnitSetSecond, {notFound}},
        {2, true, 1, sim::kExtensionUnitSetSecond, {notReady, notReady, kS_OK, kS_OK}},
        {0, false, 0, sim::kExtensionUnitSetFirst, {notFound}},
        {0, false, 2, sim::kExtensionUnitSetFirst, {kE_INVALIDARG}},
    };
    for (const Case& c : table) {
        Rig rig;
        rig.camera->driver().notReadyAnswers = c.notReady;
        rig.camera->driver().secondPropertySet = c.secondSet;
        rig.nodeId = c.nodeId;
        rig.set = c.asked;
        for (HResult expected : c.probes) {
            std::uint8_t probe = 0xEE;
            EXPECT_EQ(rig.node(0x10000001, 11, &probe, 1), expected);
        }
    }

    Rig rig;
    std::unique_ptr<IKsTopologyInfo> topology;
    ASSERT_EQ(rig.filter().queryTopologyInfo(topology), kS_OK);
    std::uint32_t count = 0;
    Guid types[2];
    EXPECT_EQ(topology->get_NumNodes(&count), kS_OK);
    EXPECT_EQ(topology->get_NodeType(0, &types[0]), kS_OK);
    EXPECT_EQ(topology->get_NodeType(1, &types[1]), kS_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_NE(types[0], kKSNODETYPE_DEV_SPECIFIC);
    EXPECT_EQ(types[1], kKSNODETYPE_DEV_SPECIFIC);
}

TEST(EmulatedCamera, FaultsMakeTheirRequestsFail) {
    {  // the third transfer fails and leaves the register address as it was
        Rig rig;
        rig.camera->controller().setId(0xB0);
        rig.camera->failTransfer(3);
        rig.writeRegister(0x250F, 7);
        EXPECT_EQ(rig.setCur(2, {0xFF, 0x20}), kE_FAIL);
        Bytes value;
        EXPECT_EQ(rig.getCur(3, value, 1), kS_OK);
        EXPECT_EQ(value, Bytes{7});
        EXPECT_EQ(rig.camera->transfers()[2].result, kE_FAIL);
    }
    {  // never ready
        Rig rig;
        rig.path = Path::Tunnel;
        rig.camera->driver().neverReady = true;
        Bytes value;
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(rig.getCur(11, value, 1), kHRESULT_ERROR_NOT_READY);
        }
    }
    {  // busy: three reads after each shifted byte, or for ever
        Rig rig;
        rig.camera->controller().setBusyReads(3);
        rig.writeRegister(0x2020, 0x80);
        rig.writeRegister(0x2022, 0x04);
        Bytes reads;
        for (int i = 0; i < 4; ++i) reads.push_back(rig.readRegister(0x2021) != 0);
        EXPECT_EQ(reads, (Bytes{1, 1, 1, 0}));
        rig.camera->controller().setStaysBusy(true);
        EXPECT_FALSE(rig.waitIdle());
    }
    {  // a flash that stays busy: the firmware gives up, the status bit never clears
        Rig rig;
        rig.camera->controller().setId(0xC0);
        rig.camera->flash().setStatusStaysBusy(true);
        EXPECT_EQ(rig.setCur(22, block({0x00})), sim::kHRESULT_ERROR_GEN_FAILURE);
        EXPECT_EQ(rig.spi({0x05}, 2), (Bytes{0x01, 0x01}));
    }
}

// A drop, whether the camera's fault or an interposer's decision: the request is
// acknowledged, nothing reaches the controller, and a read leaves the caller's buffer
// as it was.
TEST(EmulatedCamera, DroppedRequestsAreAcknowledgedAndNotCarriedOut) {
    for (const Path path : {Path::Node, Path::Tunnel}) {
        for (const bool byInterposer : {false, true}) {
            Rig rig;
            rig.path = path;
            rig.writeRegister(0x250F, 7);  // transfers 1 and 2
            std::uint32_t interposed = 0;
            // Transfer 4 (the value 9) and transfer 6 (the read) are dropped.
            if (byInterposer) {
                rig.camera->setInterposer([&interposed](const sim::XuCall& call) {
                    ++interposed;
                    sim::XuInterposition decided;
                    if (call.number == 4 || call.number == 6) {
                        decided.action = sim::XuInterposition::Action::Drop;
                    }
                    return decided;
                });
            }
            rig.setCur(2, {0x0F, 0x25});
            if (!byInterposer) {
                rig.camera->setFault(sim::XuFault::Drop, 4);
            }
            EXPECT_EQ(rig.setCur(3, {9}), kS_OK);
            EXPECT_EQ(rig.camera->controller().registerValue(0x250F), 7);
            rig.setCur(2, {0x0F, 0x25});
            if (!byInterposer) {
                rig.camera->setFault(sim::XuFault::Drop, 6);
            }
            Bytes value;
            EXPECT_EQ(rig.getCur(3, value, 1), kS_OK);
            EXPECT_EQ(value, Bytes{0});  // as the caller left it
            EXPECT_EQ(rig.readRegister(0x250F), 7);
            const auto& transfers = rig.camera->transfers();
            ASSERT_EQ(transfers.size(), 8u);
            for (std::size_t i = 0; i < transfers.size(); ++i) {
                EXPECT_EQ(transfers[i].dropped, i == 3 || i == 5) << i;
            }
            EXPECT_EQ(rig.camera->journal()[3], "xu set 3 dropped");
            EXPECT_EQ(interposed, byInterposer ? 6u : 0u);
        }
    }
}

TEST(EmulatedCamera, DriverMayWithholdEachInterface) {
    struct Case {
        bool ksControl, topology, tunnel;
    };
    for (const Case c : {Case{false, true, true}, Case{true, false, true}, Case{true, true, false}}) {
        Rig rig;
        rig.camera->driver().ksControl = c.ksControl;
        rig.camera->driver().topologyInfo = c.topology;
        rig.camera->driver().tunnel = c.tunnel;
        std::unique_ptr<IKsControl> ks;
        std::unique_ptr<IKsTopologyInfo> topology;
        std::unique_ptr<ICameraCustomProperty> custom;
        EXPECT_EQ(rig.filter().queryKsControl(ks), c.ksControl ? kS_OK : kE_NOINTERFACE);
        EXPECT_EQ(rig.filter().queryTopologyInfo(topology), c.topology ? kS_OK : kE_NOINTERFACE);
        ASSERT_EQ(rig.filter().queryCustomProperty(custom), kS_OK);
        Bytes request{1, 0, 0x81, 11, 0, 0, 0, 0};
        request.resize(sim::EmulatedCamera::kTunnelRequestBytes);
        EXPECT_EQ(custom->SetCustomProperty(35, request.data()), c.tunnel ? kS_OK : kE_INVALIDARG);
        std::uint32_t rotation = 2;
        EXPECT_EQ(custom->SetCustomProperty(7, &rotation), kS_OK);
        EXPECT_EQ(rig.camera->journal().back(), "set 7 2");
    }
}

// The flash parts carry out every erase opcode a shifted step table can put where the
// sector erase belongs, over the range a real part erases, and only after a write
// enable.
TEST(EmulatedFlash, EraseOpcodesEraseWhatRealPartsErase) {
    struct Case {
        std::uint8_t opcode;
        bool addressed;
        std::uint32_t first;  // erased range for address 0x9123
        std::uint32_t last;
    };
    const Case cases[] = {{0x20, true, 0x9000, 0x9FFF},
                          {0x52, true, 0x8000, 0xFFFF},
                          {0xD8, true, 0x0000, 0xFFFF},
                          {0xC7, false, 0x0000, 0xFFFF},
                          {0x60, false, 0x0000, 0xFFFF}};
    for (const Case& c : cases) {
        for (bool enabled : {false, true}) {
            sim::EmulatedFlash flash;
            std::fill(flash.data().begin(), flash.data().end(), 0x00);
            if (enabled) {
                flash.select();
                flash.transfer(0x06);
                flash.deselect();
            }
            flash.select();
            flash.transfer(c.opcode);
            if (c.addressed) {
                for (std::uint8_t byte : {0x00, 0x91, 0x23}) {
                    flash.transfer(byte);
                }
            }
            flash.deselect();
            for (std::uint32_t address : {0x0000u, 0x7FFFu, 0x8000u, 0x9000u, 0x9FFFu, 0xA000u, 0xFFFFu}) {
                const bool inRange = address >= c.first && address <= c.last;
                EXPECT_EQ(flash.data()[address], enabled && inRange ? 0xFF : 0x00)
                    << std::hex << int(c.opcode) << " at " << address << (enabled ? "" : " without write enable");
            }
        }
    }
}
