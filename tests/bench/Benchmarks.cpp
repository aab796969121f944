// Costs of the program's main paths on the simulated machine: the time one rotation
// pass takes here, and the extension-unit traffic (1 ms of emulated time per control
// transfer) of the LED check and the camera bring-up.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "camera/DriverKey.h"
#include "firmware/FlashType.h"
#include "firmware/LedCheck.h"
#include "platform/Constants.h"
#include "tests/unit/FirmwareTestSupport.h"

using namespace platform;

namespace {

constexpr const char* kIni = "C:\\Program Files\\Tiltmate\\bkg.ini";

void PipelineWithEightDevices(benchmark::State& state) {
    testing_support::RunningDialog run;
    run.machine.profile.setFile(kIni, "[Rotation]\r\nDelay=0\r\n");
    for (int i = 0; i < 8; ++i) {
        run.machine.video.addCamera("Tavrin Camera " + std::to_string(i));
    }
    run.start();
    for (auto _ : state) {
        run.dialog->OnSettingChange(0, nullptr);
        run.machine.trace.clear();
    }
}
BENCHMARK(PipelineWithEightDevices)->Unit(benchmark::kMicrosecond);

// The extension-unit transfers of a first-run LED check (LED default on) on a
// freshly opened channel.
std::uint32_t LedCheckTransfers(std::uint8_t controller) {
    testing_support::FirmwareRig rig(controller);
    rig.open();
    camera::DriverKey key(rig.machine.registry);
    firmware::LedCheck ledCheck(rig.machine.registry, rig.machine.files, rig.machine.shell, "Tiltmate", rig.dialog->port());
    const std::uint32_t before = rig.camera->transferCount();
    ledCheck.CheckLED(*rig.channel, key.OpenDriverKey(), 0x200, firmware::UsbIdentity{});
    return rig.camera->transferCount() - before;
}

void FirstRunLedCheck(benchmark::State& state) {
    const auto controller = static_cast<std::uint8_t>(state.range(0));
    std::uint32_t transfers = 0;
    for (auto _ : state) {
        transfers = LedCheckTransfers(controller);
    }
    state.counters["transfers"] = transfers;
    state.counters["emulated_ms"] = transfers;  // 1 ms per control transfer
    state.SetLabel(controller == 0x85 ? "chip h" : controller == 0xB0 ? "chip j" : "chip k");
}
BENCHMARK(FirstRunLedCheck)->Arg(0x85)->Arg(0xB0)->Arg(0xC0)->Unit(benchmark::kMillisecond);

void BringUp(benchmark::State& state) {
    const bool repeat = state.range(0) != 0;
    std::uint32_t transfers = 0;
    std::uint64_t sleptMs = 0;
    for (auto _ : state) {
        testing_support::RunningDialog run;
        run.machine.profile.setFile(kIni, "[Snap]\r\nVideoFriendly=Integrated\r\n[LED]\r\nLedCtrl=1\r\n");
        auto camera = run.machine.video.addCamera("Integrated Camera");
        run.machine.deviceSetup.addImagingDevice("USB\\VID_7C3E&PID_410B&MI_00\\6&2D8A7D2&0&0000",
                                                 "USB\\VID_7C3E&PID_410B&REV_0100");
        run.start();
        if (repeat) {
            run.machine.window.runFor(5000);  // the first bring-up records the camera
        }
        const std::uint32_t before = camera->transferCount();
        run.machine.clock.clearSleeps();
        run.dialog->MactionAction();
        transfers = camera->transferCount() - before;
        sleptMs = 0;
        for (std::uint32_t ms : run.machine.clock.sleeps()) {
            sleptMs += ms;
        }
    }
    state.counters["transfers"] = transfers;
    state.counters["emulated_ms"] = static_cast<double>(transfers + sleptMs);
    state.SetLabel(repeat ? "repeat bring-up (LED check on)" : "first bring-up (LED check on)");
}
BENCHMARK(BringUp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// --- figures ------------------------------------------------------------------------
// Deterministic counts of the simulation, printed as rows of docs/performance.md.

// Counts every message and timer the main window handles.
class CountingHandler final : public platform::IDialogHandler {
public:
    explicit CountingHandler(platform::IDialogHandler& inner) : m_inner(inner) {}
    bool preTranslateMessage(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam,
                             platform::LParam lParam) override {
        return m_inner.preTranslateMessage(hwnd, msg, wParam, lParam);
    }
    std::optional<platform::LResult> windowProc(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam,
                                                platform::IDefaultProcessing& defaultProcessing) override {
        ++handled;
        return m_inner.windowProc(msg, wParam, lParam, defaultProcessing);
    }
    std::uint64_t handled = 0;

private:
    platform::IDialogHandler& m_inner;
};

struct Letter {
    char chip;
    std::uint8_t controller;
};

// A program with one integrated camera of `controller`, LED check on.
struct FigureRig : testing_support::RunningDialog {
    explicit FigureRig(std::uint8_t controller) {
        machine.profile.setFile(kIni, "[Snap]\r\nVideoFriendly=Integrated\r\n[LED]\r\nLedCtrl=1\r\n");
        testing_support::PutOemRecord(machine, 0x200);
        camera = machine.video.addCamera("Integrated Camera");
        camera->controller().setId(controller);
        machine.deviceSetup.addImagingDevice("USB\\VID_7C3E&PID_410B&MI_00\\6&2D8A7D2&0&0000",
                                             "USB\\VID_7C3E&PID_410B&REV_0100");
    }
    std::shared_ptr<sim::EmulatedCamera> camera;
};

// Sector 13 with every byte in use, the LED byte off.
std::vector<std::uint8_t> FullSectorImage() {
    std::vector<std::uint8_t> image(0x10000, 0xFF);
    std::fill(image.begin() + 0xD000, image.begin() + 0xE000, 0x5A);
    image[0xD000] = 0;
    return image;
}

// Firmware everywhere (the bytes of a real image are anything but 0xFF); sector 13
// nearly empty: the LED byte and six bytes of data, as the fault sweep loads it.
std::vector<std::uint8_t> NearlyEmptySectorImage(std::uint8_t led) {
    std::vector<std::uint8_t> image(0x10000);
    std::uint32_t seed = 12345;
    for (std::uint8_t& byte : image) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    std::fill(image.begin() + 0xD000, image.begin() + 0xE000, 0xFF);
    for (std::uint32_t offset : {1u, 2u, 3u, 0x150u, 0x151u, 0xFFEu}) {
        image[0xD000 + offset] = static_cast<std::uint8_t>(0x40 + offset);
    }
    image[0xD000] = led;
    return image;
}

// The three ways a later run's LED check meets the flash: LED_Setting stored, the LED
// byte in the flash.
struct LedCase {
    const char* name;
    std::uint8_t flashByte;
    std::uint8_t setting;
};
constexpr LedCase kLedCases[] = {
    {"(a) nothing to change (byte 0, setting 0)", 0, 0},
    {"(b) 1 to 0, no erase (byte 1, setting 0)", 1, 0},
    {"(c) 0 to 1: backup, erase, whole verify (byte 0, setting 1)", 0, 1},
};

struct Cost {
    std::uint64_t transfers = 0;
    std::uint64_t emulatedMs = 0;  // 1 ms a transfer plus the program's own pauses
};

Cost Since(const testing_support::FirmwareRig& rig, std::uint64_t transfersBefore) {
    Cost cost;
    cost.transfers = rig.camera->emulatedMilliseconds() - transfersBefore;
    cost.emulatedMs = cost.transfers;
    for (std::uint32_t ms : rig.machine.clock.sleeps()) {
        cost.emulatedMs += ms;
    }
    return cost;
}

// One later-run LED check of `controller` on an opened channel; the flash must end as
// intended, or the figure would describe something else.
Cost LedCheckCase(std::uint8_t controller, const LedCase& c) {
    testing_support::FirmwareRig rig(controller);
    rig.camera->loadFlash(NearlyEmptySectorImage(c.flashByte));
    rig.open();
    rig.machine.registry.putDword(platform::Hive::CurrentUser, camera::kDriverKey, "LED_Setting", c.setting);
    camera::DriverKey key(rig.machine.registry);
    firmware::LedCheck ledCheck(rig.machine.registry, rig.machine.files, rig.machine.shell, "Tiltmate", rig.dialog->port());
    const std::uint64_t before = rig.camera->emulatedMilliseconds();
    rig.machine.clock.clearSleeps();
    ledCheck.CheckLED(*rig.channel, key.OpenDriverKey(), 0x200, firmware::UsbIdentity{0x7C3E, 0x410B});
    const Cost cost = Since(rig, before);
    if (rig.camera->flash().data() != NearlyEmptySectorImage(c.setting)) {
        std::fprintf(stderr, "LED check of %02x, %s: the flash is not as intended\n", controller, c.name);
        std::exit(1);
    }
    return cost;
}

// The fewest transfers the protocol allows for the case, with nothing checked: one
// Upload_Sector of sector 13 (the command's step table, the length query, the
// address, the read) to know the byte; then for (b) the one-byte Download_Sector, for
// (c) EraseSector and a Download_Sector for each run of bytes that are not 0xFF in the
// new sector. The flash type is taken as known: the LED check's identification reads
// are counted apart. The channel reads back every write of the flash-select (0x2025)
// and interface-enable (0x2020) registers; those read-backs (register address and
// read, two transfers each) are safety reads and are taken off.
Cost ProtocolMinimum(std::uint8_t controller, const LedCase& c) {
    testing_support::FirmwareRig rig(controller);
    rig.camera->loadFlash(NearlyEmptySectorImage(c.flashByte));
    rig.open();
    std::uint8_t flashType = 0;
    rig.channel->Get_FlashType(&flashType);
    const auto command = static_cast<std::uint8_t>(firmware::CommandKind(flashType));
    std::uint16_t registerAddress = 0;
    std::uint64_t readBacks = 0;
    rig.camera->setInterposer([&](const sim::XuCall& call) {
        if (call.request == sim::XuRequest::SetCur && call.selector == 2 && call.length == 2) {
            registerAddress = static_cast<std::uint16_t>(call.data[0] | (call.data[1] << 8));
        } else if (call.request == sim::XuRequest::GetCur && call.selector == 3 &&
                   (registerAddress == 0x2025 || registerAddress == 0x2020)) {
            ++readBacks;
        }
        return sim::XuInterposition{};
    });
    const std::uint64_t before = rig.camera->emulatedMilliseconds();
    rig.machine.clock.clearSleeps();
    std::vector<std::uint8_t> room(0x10000);
    std::uint32_t read = 0;
    rig.channel->Upload_Sector(room.data(), static_cast<std::uint32_t>(room.size()), 13, command, &read);
    if (c.flashByte != c.setting) {
        const std::vector<std::uint8_t> target = NearlyEmptySectorImage(c.setting);
        if ((c.setting & ~c.flashByte) == 0) {  // no bit rises: programming alone gets there
            rig.channel->Download_Sector(0xD000, 1, &target[0xD000]);
        } else {
            rig.channel->EraseSector(0xD000, command);
            for (std::uint32_t at = 0xD000; at < 0xE000;) {
                if (target[at] == 0xFF) {
                    ++at;
                    continue;
                }
                std::uint32_t end = at;
                while (end < 0xE000 && target[end] != 0xFF) {
                    ++end;
                }
                rig.channel->Download_Sector(static_cast<std::uint16_t>(at), end - at, &target[at]);
                at = end;
            }
        }
        if (rig.camera->flash().data() != target) {
            std::fprintf(stderr, "protocol minimum of %02x, %s: the flash is not as intended\n", controller, c.name);
            std::exit(1);
        }
    }
    rig.camera->setInterposer(nullptr);
    Cost cost = Since(rig, before);
    cost.transfers -= 2 * readBacks;
    cost.emulatedMs -= 2 * readBacks;
    return cost;
}

// The LED check's identification reads on an opened channel: Get_ICType, Get_FlashType.
std::uint64_t IdentificationTransfers(std::uint8_t controller) {
    testing_support::FirmwareRig rig(controller);
    rig.open();
    const std::uint64_t before = rig.camera->emulatedMilliseconds();
    char letter = 0;
    rig.channel->Get_ICType(&letter);
    std::uint8_t flashType = 0;
    rig.channel->Get_FlashType(&flashType);
    return rig.camera->emulatedMilliseconds() - before;
}

constexpr Letter kCaseLetters[] = {{'h', 0x85}, {'j', 0xB0}, {'k', 0xC0}};

// The costliest single fault the sweep meets on letter h, first bring-up: the
// step-index write "7" of the erase's step-table load is dropped, the
// block-erase opcode lands in the sector-erase slot and the erase wipes all 64 KB; the
// whole-image verify then restores all 16 sectors in the same bring-up.
struct WorstDrop {
    std::uint32_t k = 0;           // the dropped transfer
    std::uint32_t transfers = 0;   // of that bring-up
    bool wiped = false;            // the erase did take the whole flash
    bool restored = false;         // the flash ended as intended
};

WorstDrop DroppedStepIndexOfErase(bool fullSector) {
    WorstDrop worst;
    std::vector<std::uint8_t> original = NearlyEmptySectorImage(0);
    if (fullSector) {
        std::fill(original.begin() + 0xD001, original.begin() + 0xE000, 0x5A);
    }
    std::vector<std::uint8_t> intended = original;
    intended[0xD000] = 1;
    {
        // The clean run: the last step-index 7 sent before the first erase.
        FigureRig rig(0x85);
        rig.camera->loadFlash(original);
        std::uint32_t lastStep7 = 0;
        rig.camera->setInterposer([&](const sim::XuCall& call) {
            if (call.request == sim::XuRequest::SetCur && call.selector == 7 && call.length == 1 && call.data[0] == 7) {
                lastStep7 = call.number;
            }
            return sim::XuInterposition{};
        });
        rig.camera->setJournalListener([&](const std::string& line) {
            if (worst.k == 0 && line.rfind("flash erase ", 0) == 0) {
                worst.k = lastStep7;
            }
        });
        rig.start();
        rig.machine.window.runFor(5000);
        rig.camera->setInterposer(nullptr);
        rig.camera->setJournalListener(nullptr);
    }
    FigureRig rig(0x85);
    rig.camera->loadFlash(original);
    rig.camera->setFault(sim::XuFault::Drop, worst.k);
    std::uint32_t start = 0;
    rig.machine.trace.setListener([&](const std::string& line) {
        if (line == "in MactionAction") {
            start = rig.camera->transferCount();
        }
    });
    rig.camera->setJournalListener([&](const std::string& line) {
        if (line.rfind("flash erase 0000-ffff", 0) == 0) {
            worst.wiped = true;
        }
    });
    rig.start();
    rig.machine.window.runFor(5000);
    rig.machine.trace.setListener(nullptr);
    rig.camera->setJournalListener(nullptr);
    worst.transfers = rig.camera->transferCount() - start;
    worst.restored = rig.camera->flash().data() == intended;
    return worst;
}

int PrintFigures() {
    std::printf("| bring-up (letter h, LED check on) | transfers | emulated time |\n|---|---|---|\n");
    for (int kind = 0; kind < 3; ++kind) {
        const bool repeat = kind == 1;
        FigureRig rig(0x85);
        if (kind == 2) {
            rig.camera->loadFlash(FullSectorImage());
        }
        rig.start();
        if (repeat) {
            rig.machine.window.runFor(5000);
        }
        const std::uint32_t before = rig.camera->transferCount();
        rig.machine.clock.clearSleeps();
        rig.dialog->MactionAction();
        std::uint64_t slept = 0;
        for (std::uint32_t ms : rig.machine.clock.sleeps()) {
            slept += ms;
        }
        const std::uint32_t transfers = rig.camera->transferCount() - before;
        std::printf("| %s | %u | %llu ms |\n",
                    kind == 0 ? "first" : kind == 1 ? "repeat" : "first, every byte of sector 13 in use", transfers,
                    static_cast<unsigned long long>(transfers + slept));
    }

    std::printf("\n| LED check, later run, sector 13 nearly empty | letter | transfers | emulated time |"
                " of which identification | protocol minimum | its emulated time | ratio without identification |\n"
                "|---|---|---|---|---|---|---|---|\n");
    for (const LedCase& c : kLedCases) {
        for (const Letter& letter : kCaseLetters) {
            const Cost check = LedCheckCase(letter.controller, c);
            const std::uint64_t identification = IdentificationTransfers(letter.controller);
            const Cost minimum = ProtocolMinimum(letter.controller, c);
            std::printf("| %s | %c | %llu | %llu ms | %llu | %llu | %llu ms | %.1f |\n", c.name, letter.chip,
                        static_cast<unsigned long long>(check.transfers),
                        static_cast<unsigned long long>(check.emulatedMs),
                        static_cast<unsigned long long>(identification),
                        static_cast<unsigned long long>(minimum.transfers),
                        static_cast<unsigned long long>(minimum.emulatedMs),
                        static_cast<double>(check.transfers - identification) / static_cast<double>(minimum.transfers));
        }
    }

    std::printf("\n| worst fault case (letter h, first bring-up) | transfers | of the budget (%u) | emulated time |\n"
                "|---|---|---|---|\n",
                firmware::kTransferBudget);
    for (const bool full : {false, true}) {
        const WorstDrop worst = DroppedStepIndexOfErase(full);
        std::printf("| the erase's step-index write \"7\" dropped (transfer %u), sector 13 %s: the erase wipes all"
                    " 64 KB%s, the same bring-up restores all 16 sectors%s | %u | %.1f %% | %.1f s |\n",
                    worst.k, full ? "full" : "nearly empty", worst.wiped ? "" : " (NOT SEEN)",
                    worst.restored ? "" : " (NOT AS INTENDED)", worst.transfers,
                    100.0 * worst.transfers / firmware::kTransferBudget, worst.transfers / 1000.0);
    }
    for (int fault = 0; fault < 2; ++fault) {
        FigureRig rig(0x85);
        if (fault == 0) {
            // Slow to finish every program and erase, with all of sector 13 to write back.
            rig.camera->flash().setBusyStatusReads(999);
            rig.camera->loadFlash(FullSectorImage());
        } else {
            rig.camera->controller().setStaysBusy(true);
        }
        rig.start();
        rig.machine.window.runFor(5000);
        const std::uint32_t transfers = rig.camera->transferCount();
        std::printf("| %s | %u | %.1f %% | %.1f s |\n",
                    fault == 0 ? "a flash busy for 999 status reads after every write, sector 13 full" : "a serial-flash interface that never goes idle",
                    transfers, 100.0 * transfers / firmware::kTransferBudget, transfers / 1000.0);
    }

    FigureRig idle(0x85);
    CountingHandler counting(*idle.dialog);
    idle.machine.window.create(IDD_MAIN, counting);
    idle.machine.window.runFor(5000 + 1000);  // start, the bring-up, and a second to settle
    const std::uint64_t before = counting.handled;
    idle.machine.window.runFor(60'000);
    std::printf("\n| idle after the bring-up | messages and timers handled in 60 s |\n|---|---|\n| simulation | %llu |\n",
                static_cast<unsigned long long>(counting.handled - before));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--figures") == 0) {
        return PrintFigures();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
