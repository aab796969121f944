// Entry point of Tiltmate.exe and Viewmate.exe: the same source built twice. It only
// wires the real system to the program and picks which of the two programs it is.
#include <windows.h>

#include "firmware/Variant.h"
#include "platform/Platform.h"
#include "platform/TraceSink.h"
#include "platform/win32/Win32AppVisibility.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Com.h"
#include "platform/win32/Win32DeviceSetup.h"
#include "platform/win32/Win32Diagnostics.h"
#include "platform/win32/Win32Display.h"
#include "platform/win32/Win32InstanceCounter.h"
#include "platform/win32/Win32Menus.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32VideoCatalog.h"
#include "platform/win32/Win32WindowHost.h"
#include "shell/CBACKApp.h"

#if defined(COMPANION_PROGRAM_Viewmate)
static const firmware::Variant& kProgramVariant = firmware::kViewmate;
#elif defined(COMPANION_PROGRAM_Tiltmate)
static const firmware::Variant& kProgramVariant = firmware::kTiltmate;
#else
#error "Build with COMPANION_PROGRAM_Tiltmate or COMPANION_PROGRAM_Viewmate defined"
#endif

// Every process started from this image sees the same counter: it lives in a section
// the loader maps shared, which is how a second start finds out that one is running.
#if defined(_MSC_VER)
#pragma data_seg("BackGrou")
volatile LONG g_instanceCount = 0;
#pragma data_seg()
#pragma comment(linker, "/SECTION:BackGrou,RWS")
#else
__attribute__((section("BackGrou"), shared)) volatile LONG g_instanceCount = 0;
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    win32::Win32WindowHost window;
    win32::Win32Menus menus;
    win32::Win32Clock clock;
    win32::Win32Registry registry;
    win32::Win32Profile profile;
    win32::Win32System system;
    win32::Win32Com com;
    win32::Win32InstanceCounter instance(&g_instanceCount);
    platform::NullTraceSink trace;
    win32::Win32Display display;
    win32::Win32AppVisibilityService appVisibility;
    win32::Win32Diagnostics diagnostics;
    win32::Win32VideoCatalog video;
    win32::Win32DeviceSetup deviceSetup;

    const platform::Platform platform{window,   menus, clock,   registry,      profile,     system, com,
                                      instance, trace, display, appVisibility, diagnostics, video,  deviceSetup};
    return CBACKApp(platform, kProgramVariant).InitInstance();
}
