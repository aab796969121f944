// avctl: plays the shell for avis.dll, the app-visibility test class. Each change it
// raises is taken up by every live app-visibility object, whose worker thread hands it
// to the sinks on their own thread; avctl waits (bounded) until the sinks have had it.
//
//   avctl launcher 1|0 [timeout-ms]   the Start screen shows / hides (LauncherVisibilityChange)
//   avctl monitor <mode> [timeout-ms] a monitor's mode changes (AppVisibilityOnMonitorChanged;
//                                     0 unknown, 1 no app visible, 2 an app visible)
//   avctl state                       the shared state, as key=value lines
//
// Exit codes: 0 done (the sinks had the change), 1 failed or no sink had it in time,
// 2 bad command line.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "avis_shared.h"

namespace {

constexpr DWORD kDefaultTimeoutMs = 10000;

void PrintState(const avis::SharedState& state) {
    std::printf("sequence=%ld\ndelivered=%ld\nlauncher=%ld\nmonitor=%ld\nobjects=%ld\nadvised=%ld\n", state.sequence,
                state.delivered, state.launcherVisible, state.monitorMode, state.liveObjects, state.advised);
}

bool ParseNumber(const char* text, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0';
}

int Raise(avis::SharedState& state, avis::Kind kind, long value, DWORD timeoutMs) {
    if (kind == avis::kLauncher) {
        InterlockedExchange(&state.launcherVisible, value != 0 ? 1 : 0);
    } else {
        InterlockedExchange(&state.previousMode, state.monitorMode);
        InterlockedExchange(&state.monitorMode, value);
    }
    InterlockedExchange(&state.kind, kind);
    // The sequence number goes last: the workers read the request once they see it.
    const LONG sequence = InterlockedIncrement(&state.sequence);
    const ULONGLONG start = GetTickCount64();
    while (InterlockedCompareExchange(&state.delivered, 0, 0) - sequence < 0) {
        if (GetTickCount64() - start >= timeoutMs) {
            std::printf("raised=%ld\nreached=0\n", sequence);
            PrintState(state);
            return 1;
        }
        Sleep(10);
    }
    std::printf("raised=%ld\nreached=1\nms=%llu\n", sequence,
                static_cast<unsigned long long>(GetTickCount64() - start));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    HANDLE mapping = nullptr;
    avis::SharedState* state = avis::OpenShared(mapping);
    if (state == nullptr) {
        std::printf("error=no shared section (%lu)\n", GetLastError());
        return 1;
    }
    int code = 2;
    long value = 0;
    long timeout = kDefaultTimeoutMs;
    const bool timeoutOk = argc < 4 || (ParseNumber(argv[3], timeout) && timeout >= 0);
    if (argc == 2 && std::strcmp(argv[1], "state") == 0) {
        PrintState(*state);
        code = 0;
    } else if ((argc == 3 || argc == 4) && timeoutOk && ParseNumber(argv[2], value)) {
        if (std::strcmp(argv[1], "launcher") == 0) {
            code = Raise(*state, avis::kLauncher, value, static_cast<DWORD>(timeout));
        } else if (std::strcmp(argv[1], "monitor") == 0) {
            code = Raise(*state, avis::kMonitor, value, static_cast<DWORD>(timeout));
        }
    }
    if (code == 2) std::fputs("usage: avctl launcher 1|0 [timeout-ms] | monitor <mode> [timeout-ms] | state\n", stderr);
    std::fflush(stdout);
    UnmapViewOfFile(state);
    CloseHandle(mapping);
    return code;
}
