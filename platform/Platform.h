// The bundle of system facilities handed to the program at construction.
#pragma once

#include "platform/AppVisibility.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "platform/DeviceSetup.h"
#include "platform/Dialogs.h"
#include "platform/Diagnostics.h"
#include "platform/Display.h"
#include "platform/Files.h"
#include "platform/Menus.h"
#include "platform/NotifyIcon.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/Resources.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "platform/TraceSink.h"
#include "platform/VideoCatalog.h"
#include "platform/WindowHost.h"
#include "platform/WindowManager.h"

namespace platform {

struct Platform {
    IWindowHost& window;
    IMenus& menus;
    IClock& clock;
    IRegistry& registry;
    IProfile& profile;
    ISystem& system;
    ICom& com;
    IInstanceCounter& instance;
    ITraceSink& trace;
    IDisplay& display;
    IAppVisibilityService& appVisibility;
    IDiagnosticOutput& diagnostics;
    IVideoCatalog& video;
    IDeviceSetup& deviceSetup;
    IWindowManager& windowManager;
    INotifyIcon& notifyIcon;
    IResources& resources;
    IFiles& files;
    IShell& shell;
    IDeviceIo& deviceIo;
    IDialogBoxes& dialogs;
};

}  // namespace platform
