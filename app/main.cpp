// Entry point of Tiltmate.exe and Viewmate.exe: the same source built twice. It only
// wires the real system to the program and picks which of the two programs it is.
#include <windows.h>

#include "common/Variant.h"
#include "platform/Platform.h"
#include "platform/TraceSink.h"
#include "platform/win32/Win32AppVisibility.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Com.h"
#include "platform/win32/Win32DeviceIo.h"
#include "platform/win32/Win32DeviceSetup.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Diagnostics.h"
#include "platform/win32/Win32Display.h"
#include "platform/win32/Win32InstanceCounter.h"
#include "platform/win32/Win32Menus.h"
#include "platform/win32/Win32NotifyIcon.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Resources.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32VideoCatalog.h"
#include "platform/win32/Win32WindowHost.h"
#include "platform/win32/Win32WindowManager.h"
#include "shell/CBACKApp.h"

#if defined(COMPANION_PROGRAM_Viewmate)
static const common::Variant& kProgramVariant = common::kViewmate;
#elif defined(COMPANION_PROGRAM_Tiltmate)
static const common::Variant& kProgramVariant = common::kTiltmate;
#else
#error "Build with COMPANION_PROGRAM_Tiltmate or COMPANION_PROGRAM_Viewmate defined"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    win32::Win32WindowHost window;
    win32::Win32Menus menus;
    win32::Win32Clock clock;
    win32::Win32Registry registry;
    win32::Win32Profile profile;
    win32::Win32System system;
    win32::Win32Com com;
    // One instance per executable in each session.
    win32::Win32InstanceCounter instance(kProgramVariant.programName);
    platform::NullTraceSink trace;
    win32::Win32Display display;
    win32::Win32AppVisibilityService appVisibility;
    win32::Win32Diagnostics diagnostics;
    win32::Win32VideoCatalog video;
    win32::Win32DeviceSetup deviceSetup;
    win32::Win32WindowManager windowManager;
    win32::Win32NotifyIcon notifyIcon;
    win32::Win32Resources resources;
    win32::Win32Files files;
    win32::Win32Shell shell;
    win32::Win32DeviceIo deviceIo;
    win32::Win32Dialogs dialogs;

    const platform::Platform platform{window,        menus,       clock,         registry,   profile,
                                      system,        com,         instance,      trace,      display,
                                      appVisibility, diagnostics, video,         deviceSetup, windowManager,
                                      notifyIcon,    resources,   files,         shell,      deviceIo,
                                      dialogs};
    return CBACKApp(platform, kProgramVariant).InitInstance();
}
