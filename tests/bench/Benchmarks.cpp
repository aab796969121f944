// Costs of the program's main paths on the simulated machine: the time one rotation
// pass takes here, and the extension-unit traffic (1 ms of emulated time per control
// transfer) of the LED check and the camera bring-up.
#include <benchmark/benchmark.h>

#include <memory>

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

void FirstRunLedCheck(benchmark::State& state) {
    const auto controller = static_cast<std::uint8_t>(state.range(0));
    std::uint32_t transfers = 0;
    for (auto _ : state) {
        testing_support::FirmwareRig rig(controller);
        rig.open();
        camera::DriverKey key(rig.machine.registry);
        firmware::LedCheck ledCheck(rig.machine.registry, rig.dialog->port());
        const std::uint32_t before = rig.camera->transferCount();
        ledCheck.CheckLED(*rig.channel, key.OpenDriverKey(), 0x200);
        transfers = rig.camera->transferCount() - before;
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

}  // namespace

BENCHMARK_MAIN();
