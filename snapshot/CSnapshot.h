// The snapshot store path and the hand-over of a taken snapshot: the user picks the
// bitmap file the camera's snapshot button writes to, the program publishes it in the
// per-user control key for the driver, and when told a snapshot was taken it has the
// picture shown by an open "Snap" window or by the viewer program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/WindowPort.h"
#include "config/Settings.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "platform/Types.h"
#include "platform/WindowHost.h"

namespace snapshot {

// 259 characters and the NUL.
constexpr std::size_t kSnapFileSize = 260;

class CSnapshot {
public:
    CSnapshot(platform::IWindowHost& window, platform::IRegistry& registry, platform::IFiles& files,
              platform::IShell& shell, platform::ISystem& system, common::IWindowPort& port,
              const config::Settings& settings);
    CSnapshot(const CSnapshot&) = delete;
    CSnapshot& operator=(const CSnapshot&) = delete;

    // At dialog initialisation, once the settings are loaded: takes up the store path
    // a previous run published, so snapshots keep working without choosing again.
    void RestoreStorePath();

    // Command 32778 and button 1005: choose the store path and publish it.
    void OnSnapStorePath();

    // WM_USER+151: a snapshot was taken. 1, or 0 when the snapshot file cannot be
    // opened.
    platform::LResult OnSnapTaken();

    // The store path as the driver reads it, the text edit 1004 shows, the ready mark.
    const char* snapFile() const { return m_szSnapFile; }
    const std::string& snapPath() const { return m_strSnapPath; }
    bool snapReady() const { return m_bSnapReady != 0; }

private:
    bool TakeChosenPath(const char* chosen);
    bool GuardProtectedFolders();
    bool UseFolder(const char* folder, const char* leaf);
    bool StoreGateOpen(platform::RegKey key) const;

    platform::IWindowHost& m_window;
    platform::IRegistry& m_registry;
    platform::IFiles& m_files;
    platform::IShell& m_shell;
    platform::ISystem& m_system;
    common::IWindowPort& m_port;
    const config::Settings& m_settings;

    char m_szSnapFile[kSnapFileSize] = {};
    std::string m_strSnapPath;
    std::int32_t m_bSnapReady = 0;
};

}  // namespace snapshot
