// A whole camera bring-up (the start timer's MactionAction) where every answer of the
// extension unit is the input's to decide. The program runs as the fault sweep runs
// it: started on a simulated machine with one "Integrated Camera", LedCtrl=1 in
// bkg.ini, an OEM record, the camera's flash loaded with firmware around a sector 13.
// An interposer sits between the program and the emulated camera and, transfer by
// transfer, passes the request through, fails it without reaching the controller,
// replaces the data of a GET_CUR reply, replaces the length a GET_LEN reports, or
// drops it (acknowledged, never carried out). Then the interposer goes and the camera
// is announced again: a fault-free bring-up that has to mend what the first one left.
//
// Input:
//   byte 0  controller family (low 3 bits, kFamilies); bit 3 Viewmate instead of
//           Tiltmate; bit 4 the driver publishes no topology (tunnel only)
//   byte 1  flash chip, 0x79 + (byte % 12)
//   byte 2  bit 0: the OEM record's LED default is on; bit 1: the driver key holds an
//           LED_Setting already (bit 2 its value), as after an earlier run; bit 3: it
//           holds this camera's ids already (the same camera: no defaults written)
//   then    rules, each applied in turn (see Script); when they run out, or the
//           input ends inside one, every later transfer passes through.
//
// A finding is:
//   - a bring-up that makes more extension-unit transfers than the budget allows
//     (firmware::kTransferBudget, counted from its "in MactionAction");
//   - a "Download_Sector Success" line (first run or later) traced while the flash is
//     not exactly the intended image: the loaded one with the LED byte set to the
//     value that run decided ("set 250d=N" in a first run, LED_Setting later);
//   - after the fault-free bring-up, a flash that is neither the loaded image nor an
//     intended one. While faults are in play the update may legitimately change any
//     sector (a dropped step-table write turns the sector erase into a block erase;
//     the whole-image verify then restores what it wiped), so only the image the
//     program leaves behind is judged, not each erase and program on the way;
//   - a first bring-up that never reaches its rotation pass, or a registry key, COM
//     object or device set left open.
// With failures the program may give up early; that is not a finding.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "camera/DriverKey.h"
#include "firmware/CXUTransport.h"
#include "common/Variant.h"
#include "platform/Constants.h"
#include "platform/sim/EmulatedCamera.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/unit/ShellTestSupport.h"

using fuzz_support::Bytes;
using fuzz_support::Require;
using sim::XuInterposition;

namespace {

constexpr const char* kIni = "C:\\Program Files\\Tiltmate\\bkg.ini";
constexpr std::uint32_t kLedSectorStart = 0xD000;
constexpr std::uint32_t kLedSectorEnd = 0xE000;
constexpr std::uint32_t kLedByte = kLedSectorStart;

struct Family {
    std::uint8_t id;
    std::uint8_t variant;
};
constexpr Family kFamilies[] = {{0x60, 0}, {0x93, 0}, {0x85, 0}, {0xA3, 0},
                                {0xA3, 0x10}, {0xB0, 0}, {0xC0, 0}, {0xE5, 0}};

// What a failed transfer answers: the driver's errors, a stall, and a success code
// that is not S_OK (the program counts anything but 0 as failed).
constexpr platform::HResult kFailures[] = {
    platform::kE_FAIL,
    sim::kHRESULT_ERROR_GEN_FAILURE,
    platform::kHRESULT_ERROR_NOT_READY,
    platform::kHRESULT_ERROR_SET_NOT_FOUND,
    platform::kHRESULT_ERROR_MORE_DATA,
    sim::kHRESULT_ERROR_INSUFFICIENT_BUFFER,
    sim::kHRESULT_ERROR_NOT_FOUND,
    platform::kE_INVALIDARG,
    platform::kE_POINTER,
    platform::kHRESULT_ERROR_TIMEOUT,
    sim::kE_UNEXPECTED,
    platform::kS_FALSE,
};
constexpr std::size_t kFailureCount = sizeof kFailures / sizeof kFailures[0];

// The fault sweep's flash: firmware everywhere, sector 13 with the LED off and a
// little data in three of its pages.
std::vector<std::uint8_t> MakeImage() {
    std::vector<std::uint8_t> image(0x10000);
    std::uint32_t seed = 12345;
    for (std::uint8_t& byte : image) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    std::fill(image.begin() + kLedSectorStart, image.begin() + kLedSectorEnd, 0xFF);
    image[kLedSectorStart] = 0;
    for (std::uint32_t offset : {1u, 2u, 3u, 0x150u, 0x151u, 0xFFEu}) {
        image[kLedSectorStart + offset] = static_cast<std::uint8_t>(0x40 + offset);
    }
    return image;
}

const std::vector<std::uint8_t>& Image() {
    static const std::vector<std::uint8_t> image = MakeImage();
    return image;
}

// Where the input put its faults, as coverage of its own: libFuzzer counts every byte
// of this section like an edge, so an input that interposes on a transfer no kept
// input reached (by family, kind of decision and transfer number) is kept too. The
// corpus then grows into a sweep over the positions, as the fault-sweep test walks
// them, instead of waiting for the one lucky number a fault needs.
constexpr std::size_t kFamilyCount = sizeof kFamilies / sizeof kFamilies[0];
constexpr std::uint32_t kExactPositions = 1024;  // one counter each
constexpr std::uint32_t kCoarsePositions = 256;  // then one per 256 transfers
constexpr std::uint32_t kPositions = kExactPositions + kCoarsePositions;
constexpr std::size_t kKinds = 4;  // Fail, ReplaceData, ReplaceLength, Drop
__attribute__((used, section("__libfuzzer_extra_counters"))) std::uint8_t g_faultSites[kFamilyCount * kKinds * kPositions];

void CountFaultSite(std::size_t family, XuInterposition::Action action, std::uint32_t number) {
    const std::uint32_t position =
        number < kExactPositions
            ? number
            : kExactPositions + std::min((number - kExactPositions) / 256, kCoarsePositions - 1);
    const auto kind = static_cast<std::size_t>(action) - 1;  // Fail, ReplaceData, ReplaceLength, Drop
    std::uint8_t& counter = g_faultSites[(family * kKinds + kind) * kPositions + position];
    if (counter < 0xFF) {
        ++counter;
    }
}

// FUZZ_BRINGUP_TRANSIENT=1: bit 6 is ignored, every rule ends after its count. A
// lasting fault (a camera that answers every read with the same wrong bytes) is
// something two agreeing reads cannot see; this looks past it at what transient
// faults do.
bool TransientOnly() {
    static const bool transient = std::getenv("FUZZ_BRINGUP_TRANSIENT") != nullptr;
    return transient;
}

// The camera's answers, from the input. Each rule is
//   1-2 bytes  how many transfers pass through before it starts, counted from where
//              the rule before it ended: one byte below 0x80, else 15 bits in two
//   1 byte     what it does: bits 0-1: 0 fail, 1 replace GET_CUR data, 2 replace
//              the GET_LEN length (the tunnel carries its low 16 bits), 3 drop
//              (acknowledged, never carried out; a read leaves the buffer as it was);
//              bits 2-5: for how many of the transfers it fits it holds, minus one;
//              bit 6: for the rest of the run instead (a busy bit that never clears,
//              a dead unit); bit 7: a selector byte follows and only requests to
//              that selector fit
//   then       fail: 1 byte, an index into kFailures, or beyond it a raw HRESULT in
//              the next 4 bytes; data: 1 byte n and n bytes; length: 4 bytes;
//              drop: nothing
// (Before drops, 3 was a second code for fail; no seed used it.) A failure or a drop
// fits every request; transfers a rule does not fit pass while it waits.
// The common rule is three bytes, and a mutation of its first byte moves it to
// another transfer: small, local steps, which the fault-site counters then keep.
class Script {
public:
    Script(Bytes& input, std::size_t family) : m_input(input), m_family(family) { load(); }

    XuInterposition next(const sim::XuCall& call) {
        if (!m_active) {
            return XuInterposition{};
        }
        if (m_wait > 0) {
            --m_wait;
            return XuInterposition{};
        }
        if (!fits(call)) {
            return XuInterposition{};
        }
        CountFaultSite(m_family, m_rule.action, call.number);
        XuInterposition decided = m_rule;
        if (!m_forever && --m_uses == 0) {
            load();
        }
        return decided;
    }

private:
    bool fits(const sim::XuCall& call) const {
        if (m_filtered && call.selector != m_selector) {
            return false;
        }
        switch (m_rule.action) {
            case XuInterposition::Action::Fail:
            case XuInterposition::Action::Drop: return true;
            case XuInterposition::Action::ReplaceData: return call.request == sim::XuRequest::GetCur;
            case XuInterposition::Action::ReplaceLength: return call.request == sim::XuRequest::GetLen;
            case XuInterposition::Action::Pass: break;
        }
        return false;
    }

    void load() {
        m_active = false;
        if (m_input.remaining() < 2) {
            return;
        }
        const std::uint8_t wait = m_input.u8();
        m_wait = wait < 0x80 ? wait : static_cast<std::uint32_t>((wait & 0x7F) << 8) | m_input.u8();
        const std::uint8_t what = m_input.u8();
        const int action = what & 0x03;
        m_uses = static_cast<std::uint32_t>((what >> 2) & 0x0F) + 1;
        m_forever = (what & 0x40) != 0 && !TransientOnly();
        m_filtered = (what & 0x80) != 0;
        m_selector = m_filtered ? m_input.u8() : 0;
        m_rule = XuInterposition{};
        if (action == 0) {
            m_rule.action = XuInterposition::Action::Fail;
            const std::uint8_t index = m_input.u8();
            m_rule.result = index < kFailureCount ? kFailures[index] : static_cast<platform::HResult>(m_input.u32());
            if (m_rule.result == platform::kS_OK) {
                // S_OK that never reached the unit would be a lie no program can see through.
                m_rule.result = platform::kE_FAIL;
            }
        } else if (action == 1) {
            m_rule.action = XuInterposition::Action::ReplaceData;
            m_rule.data = m_input.take(m_input.u8());
        } else if (action == 2) {
            m_rule.action = XuInterposition::Action::ReplaceLength;
            m_rule.length = m_input.u32();
        } else {
            m_rule.action = XuInterposition::Action::Drop;
        }
        m_active = true;
    }

    Bytes& m_input;
    std::size_t m_family;
    bool m_active = false;
    std::uint32_t m_wait = 0;
    bool m_filtered = false;
    std::uint8_t m_selector = 0;
    std::uint32_t m_uses = 0;
    bool m_forever = false;
    XuInterposition m_rule;
};

std::string Hex(std::uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (int shift = 28; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(value >> shift) & 0xF]);
    }
    return out;
}

// The image loaded with the LED byte set to `led`.
std::vector<std::uint8_t> Intended(std::uint8_t led) {
    std::vector<std::uint8_t> image = Image();
    image[kLedByte] = led;
    return image;
}

// The first address where `flash` differs from `image`: flash.size() when none, 0 when
// the sizes differ.
std::uint32_t FirstDifference(const std::vector<std::uint8_t>& flash, const std::vector<std::uint8_t>& image) {
    if (flash.size() != image.size()) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::mismatch(flash.begin(), flash.end(), image.begin()).first - flash.begin());
}

// What the program decided and said, line by line, as it says it: a Success line is
// judged against the flash at that very moment, so a finding's stack is the
// program's own.
class TraceWatch {
public:
    TraceWatch(sim::SimMachine& machine, sim::EmulatedCamera& camera) : m_machine(machine), m_camera(camera) {}

    void see(const std::string& line) {
        if (line == "in MactionAction") {
            m_bringUpStart = m_camera.transferCount();
        } else if (line == "set 250d=0" || line == "set 250d=1") {
            m_firstRunLed = static_cast<std::uint8_t>(line.back() - '0');
            decide(*m_firstRunLed);
        } else if (line.find("First Download_Sector Success") != std::string::npos) {
            Require(m_firstRunLed.has_value(), "first-run Success without an LED decision");
            judge(line, *m_firstRunLed);
        } else if (line.find("Download_Sector Success") != std::string::npos) {
            // A later run writes the LED_Setting the key holds.
            std::uint32_t type = 0;
            std::vector<std::uint8_t> bytes;
            const bool stored = m_machine.registry.get(platform::Hive::CurrentUser, camera::kDriverKey, "LED_Setting",
                                                       type, bytes) &&
                                type == platform::kREG_DWORD && bytes.size() == 4;
            Require(stored, "later-run Success without a stored LED_Setting");
            const std::uint8_t led = bytes[0];
            decide(led);
            judge(line, led);
        }
    }

    // Transfers of the bring-up under way, the one being sent included.
    std::uint32_t bringUpTransfers() const { return m_camera.transferCount() - m_bringUpStart; }
    // The flash is the image loaded or the intended image of some bring-up; otherwise
    // `address` is its first difference from the image loaded.
    bool whole(std::uint32_t& address) {
        const std::vector<std::uint8_t>& flash = m_camera.flash().data();
        address = FirstDifference(flash, Image());
        if (address == flash.size()) {
            return true;
        }
        return std::any_of(m_decided.begin(), m_decided.end(),
                           [&flash](std::uint8_t led) { return flash == Intended(led); });
    }

private:
    void decide(std::uint8_t led) {
        if (std::find(m_decided.begin(), m_decided.end(), led) == m_decided.end()) {
            m_decided.push_back(led);
        }
    }
    void judge(const std::string& line, std::uint8_t led) {
        const std::vector<std::uint8_t>& flash = m_camera.flash().data();
        const std::uint32_t address = FirstDifference(flash, Intended(led));
        if (address != flash.size()) {
            fuzz_support::Fail("Success traced over a flash that is not the intended image",
                               line + " (LED " + std::to_string(led) + "), first difference at " + Hex(address));
        }
    }

    sim::SimMachine& m_machine;
    sim::EmulatedCamera& m_camera;
    std::uint32_t m_bringUpStart = 0;
    std::optional<std::uint8_t> m_firstRunLed;
    std::vector<std::uint8_t> m_decided;
};

// The camera announced again, as Windows does when it comes back: a bring-up.
void Arrive(sim::SimMachine& machine) {
    platform::DevBroadcastDeviceInterface notice{};
    notice.dbcc_size = sizeof notice;
    notice.dbcc_devicetype = platform::kDBT_DEVTYP_DEVICEINTERFACE;
    notice.dbcc_classguid = platform::kKSCATEGORY_VIDEO;
    machine.window.sendMessage(platform::kWM_DEVICECHANGE, platform::kDBT_DEVICEARRIVAL,
                               reinterpret_cast<platform::LParam>(&notice));
}

bool RotatedAfterBringUp(const sim::CapturingTraceSink& trace) {
    bool inBringUp = false;
    for (const auto& line : trace.lines()) {
        if (line.first == "in MactionAction") {
            inBringUp = true;
        } else if (inBringUp && line.first == "end OnSettingChange") {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    const std::uint8_t setup = input.u8();
    const std::size_t familyIndex = setup % kFamilyCount;
    const Family& family = kFamilies[familyIndex];
    const common::Variant& variant = (setup & 0x08) != 0 ? common::kViewmate : common::kTiltmate;
    const bool tunnelOnly = (setup & 0x10) != 0;
    const auto flashCode = static_cast<std::uint8_t>(0x79 + input.u8() % 12);
    const std::uint8_t history = input.u8();
    const std::uint32_t devInfo = (history & 1) != 0 ? common::kLedDefaultBit : 0;

    testing_support::RunningDialog rig(variant);
    sim::SimMachine& machine = rig.machine;
    machine.profile.setFile(kIni, "[LED]\r\nLedCtrl=1\r\n");
    testing_support::PutOemRecord(machine, devInfo);
    if ((history & 2) != 0) {
        machine.registry.putDword(platform::Hive::CurrentUser, camera::kDriverKey, "LED_Setting", (history >> 2) & 1);
    }
    if ((history & 8) != 0) {
        machine.registry.putDword(platform::Hive::CurrentUser, camera::kDriverKey, "Camera_VID", 0x7C3E);
        machine.registry.putDword(platform::Hive::CurrentUser, camera::kDriverKey, "Camera_PID", 0x410B);
    }
    machine.deviceSetup.addImagingDevice("USB\\VID_7C3E&PID_410B&MI_00\\6&2D8A7D2&0&0000",
                                         "USB\\VID_7C3E&PID_410B&REV_0100");
    const std::shared_ptr<sim::EmulatedCamera> camera = machine.video.addCamera("Integrated Camera");
    camera->controller().setId(family.id);
    camera->controller().setVariant(family.variant);
    camera->flash().setChip(sim::EmulatedFlash::chip(flashCode));
    camera->loadFlash(Image());
    if (tunnelOnly) {
        camera->driver().topologyInfo = false;
    }

    // The hooks hold raw pointers: the camera and the machine own them.
    sim::EmulatedCamera* const seen = camera.get();
    TraceWatch watch(machine, *seen);
    // For reading a finding back: what the program says and what the camera sees, as
    // it happens, so the lines up to a failed check are there too.
    const bool echo = std::getenv("FUZZ_BRINGUP_TRACE") != nullptr;
    machine.trace.setListener([&watch, echo](const std::string& line) {
        if (echo) {
            std::fprintf(stderr, "trace: %s\n", line.c_str());
        }
        watch.see(line);
    });
    if (echo) {
        camera->setJournalListener([](const std::string& line) { std::fprintf(stderr, "camera: %s\n", line.c_str()); });
    }
    auto budgetCheck = [&watch] {
        // Checked inside the transfer, so an overrun is reported with the loop's own stack.
        if (watch.bringUpTransfers() > firmware::kTransferBudget) {
            fuzz_support::Fail("a bring-up spent more transfers than its budget",
                               std::to_string(watch.bringUpTransfers()));
        }
    };
    Script script(input, familyIndex);
    camera->setInterposer([&script, budgetCheck](const sim::XuCall& call) {
        budgetCheck();
        return script.next(call);
    });

    rig.start();
    machine.window.runFor(5000);
    Require(machine.trace.contains("in MactionAction"), "the start timer's bring-up did not run");
    Require(RotatedAfterBringUp(machine.trace), "no rotation pass after the bring-up");

    // The faults end; the next bring-up has to leave the flash whole.
    camera->setInterposer([budgetCheck](const sim::XuCall&) {
        budgetCheck();
        return XuInterposition{};
    });
    Arrive(machine);
    machine.window.runFor(1000);
    camera->setInterposer(nullptr);
    camera->setJournalListener(nullptr);
    machine.trace.setListener(nullptr);
    if (echo) {
        std::fprintf(stderr, "transfers: %u\n", camera->transferCount());
    }

    std::uint32_t address = 0;
    if (!watch.whole(address)) {
        fuzz_support::Fail("flash neither as loaded nor as intended after the next bring-up",
                           "first difference from the loaded image at " + Hex(address));
    }
    Require(machine.registry.openHandleCount() == 0, "a registry key left open",
            std::to_string(machine.registry.openHandleCount()));
    Require(machine.video.liveObjects() == 0, "a COM object left alive", std::to_string(machine.video.liveObjects()));
    Require(machine.deviceSetup.openSets() == 0, "a device set left open",
            std::to_string(machine.deviceSetup.openSets()));
    return 0;
}
