// Costs of the program's main paths on the simulated machine: the time one rotation
// pass takes here, and the extension-unit traffic (1 ms of emulated time per control
// transfer) of the LED check and the camera bring-up.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "camera/DriverKey.h"
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
constexpr Letter kWriteLetters[] = {{'h', 0x85}, {'i', 0xA3}, {'j', 0xB0}, {'k', 0xC0}};

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

// The fewest transfers the protocol allows for the LED byte of an empty sector: identify
// the flash, read the sector once, erase it, program the one byte.
std::uint32_t ProtocolMinimum(std::uint8_t controller) {
    testing_support::FirmwareRig rig(controller);
    rig.open();
    const std::uint32_t before = rig.camera->transferCount();
    std::uint8_t code = 0;
    rig.channel->Get_FlashType(&code);
    std::vector<std::uint8_t> sector(0xD000);
    rig.channel->Upload_Sector(sector.data(), 0xD000, 13, 0, nullptr);
    rig.channel->EraseSector(0xD000, 0);
    const std::uint8_t led = 1;
    rig.channel->Download_Sector(0xD000, 1, &led);
    return rig.camera->transferCount() - before;
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

    std::printf("\n| LED check, first run, empty sector | transfers | protocol minimum |\n|---|---|---|\n");
    for (const Letter& letter : kWriteLetters) {
        std::printf("| letter %c | %u | %u |\n", letter.chip, LedCheckTransfers(letter.controller),
                    ProtocolMinimum(letter.controller));
    }

    std::printf("\n| worst fault case (letter h, first bring-up) | transfers | of the budget (%u) | emulated time |\n"
                "|---|---|---|---|\n",
                firmware::kTransferBudget);
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
