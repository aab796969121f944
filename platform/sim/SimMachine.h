// One simulated Windows machine running one process of the program: every facility
// of the system layer, wired into the bundle the program is built with.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimDeviceIo.h"
#include "platform/sim/SimDeviceSetup.h"
#include "platform/sim/SimDialogs.h"
#include "platform/sim/SimDevices.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/SimMenus.h"
#include "platform/sim/SimNotifyArea.h"
#include "platform/sim/SimProfile.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimResources.h"
#include "platform/sim/SimShell.h"
#include "platform/sim/SimSystem.h"
#include "platform/sim/SimTrace.h"
#include "platform/sim/SimVideoCatalog.h"
#include "platform/sim/SimWindowHost.h"

namespace sim {

class SimMachine {
public:
    // `session` stands for the user's logon session and `program` for the executable:
    // give two machines one session to run two processes of one user.
    explicit SimMachine(SimSession* session = nullptr, const std::string& program = "Tiltmate")
        : window(clock), instance(session != nullptr ? *session : m_ownSession, program) {
        // Modal frames the camera driver shows run their loop on the main window's thread.
        video.attachWindow(window);
        window.setOwnedWindowsCloser([this] {
            video.closePropertyFrame();
            dialogs.close();
        });
        // What the user picks in a popup menu reaches its owner as a posted command.
        menus.connectCommandPost([this](platform::Hwnd owner, std::uint32_t msg, platform::WParam wParam,
                                        platform::LParam lParam) {
            return window.postMessageTo(owner, msg, wParam, lParam);
        });
    }

    platform::Platform platform() {
        // The window host is the machine's window manager too: subclassing must reach
        // the window it drives.
        return platform::Platform{window,      menus,       clock,         registry,   profile,
                                  system,      com,         instance,      trace,      display,
                                  appVisibility, diagnostics, video,       deviceSetup, window,
                                  notifyArea,  resources,   files,         shell,      deviceIo,
                                  dialogs};
    }

    SimClock clock;
    SimWindowHost window;
    SimMenus menus;
    SimRegistry registry;
    SimProfile profile;
    SimSystem system;
    SimCom com;
    CapturingTraceSink trace;
    SimDisplay display;
    SimAppVisibility appVisibility;
    SimDiagnostics diagnostics;
    SimVideoCatalog video;
    SimDeviceSetup deviceSetup;
    SimNotifyArea notifyArea;
    SimResources resources;
    SimFiles files;
    SimShell shell{files};
    SimDeviceIo deviceIo;
    SimDialogs dialogs{window};

private:
    SimSession m_ownSession;

public:
    SimInstanceCounter instance;
};

}  // namespace sim
