// What the app-visibility test class (avis.dll) and its control tool (avctl.exe) share:
// a named section holding the state the "system" reports and the last change raised.
// Every member is a LONG, so 32-bit and 64-bit processes see one layout.
#pragma once

#include <windows.h>

namespace avis {

constexpr const char* kSectionName = "Local\\CompanionTestAppVisibility";

// What a change request raises.
enum Kind : LONG {
    kLauncher = 1,  // LauncherVisibilityChange(launcherVisible)
    kMonitor = 2,   // AppVisibilityOnMonitorChanged(primary monitor, previousMode, monitorMode)
};

struct SharedState {
    LONG sequence;         // raised changes so far; the request fields are valid for this one
    LONG kind;             // Kind of the last change
    LONG previousMode;     // the monitor mode before the last kMonitor change
    LONG launcherVisible;  // what IsLauncherVisible answers
    LONG monitorMode;      // what GetAppVisibilityOnMonitor answers (MONITOR_APP_VISIBILITY)
    LONG delivered;        // the last sequence number whose events reached the sinks
    LONG liveObjects;      // app-visibility objects alive in all processes
    LONG advised;          // sinks registered in all processes
};

// Opens (or creates, zeroed) the shared section; nullptr when the system refuses.
inline SharedState* OpenShared(HANDLE& mapping) {
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SharedState), kSectionName);
    if (mapping == nullptr) return nullptr;
    const bool fresh = GetLastError() != ERROR_ALREADY_EXISTS;
    auto* state = static_cast<SharedState*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedState)));
    if (state == nullptr) {
        CloseHandle(mapping);
        mapping = nullptr;
    } else if (fresh) {
        // A desktop with no full-screen app and the Start screen hidden.
        InterlockedCompareExchange(&state->monitorMode, 1, 0);  // MAV_NO_APP_VISIBLE
    }
    return state;
}

}  // namespace avis
