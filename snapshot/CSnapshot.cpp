#include "snapshot/CSnapshot.h"

#include <cctype>
#include <cstring>

#include "common/Messages.h"
#include "platform/Constants.h"
#include "platform/RegistryValues.h"
#include "resources/resource.h"

using namespace platform;
using namespace common;

namespace snapshot {

namespace {

// What the "Snap" window is told when a snapshot is ready for it.
constexpr std::uint32_t kMsgSnapReady = kWM_USER + 101;
constexpr const char* kSnapWindowTitle = "Snap";
// No path: the viewer is found where Windows looks for programs.
constexpr const char* kViewerCommand = "Snapview.exe";
// One entry, bitmap files; the literal's own NUL ends the list.
constexpr char kFilter[] = "BMP Files (*.bmp)\0*.bmp\0";
constexpr const char* kBmp = ".bmp";
constexpr std::size_t kBmpLength = 4;
constexpr const char* kProgramFiles = "PROGRAM FILES";
// The protected-folder test compares upper-case text; only ASCII letters change.
void upperCaseInPlace(char* text, std::size_t size) {
    for (std::size_t i = 0; i < size && text[i] != '\0'; ++i) {
        text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    }
}

}  // namespace

CSnapshot::CSnapshot(IWindowHost& window, IRegistry& registry, IFiles& files, IShell& shell, ISystem& system,
                     IWindowPort& port, const config::Settings& settings)
    : m_window(window),
      m_registry(registry),
      m_files(files),
      m_shell(shell),
      m_system(system),
      m_port(port),
      m_settings(settings) {}

bool CSnapshot::StoreGateOpen(RegKey key) const {
    // Only an installer's explicit REG_DWORD 0 closes the store; a value of another
    // type or size says nothing.
    std::uint32_t value = 1;
    return !(ReadDwordValue(m_registry, key, m_settings.RegSnapOK, value) && value == 0);
}

void CSnapshot::RestoreStorePath() {
    // The driver keeps writing to the published path across restarts of this program,
    // so the path must not be forgotten with the process.
    RegKeyHolder key(m_registry);
    if (m_registry.openKey(Hive::CurrentUser, m_settings.RegSnap, kKEY_ALL_ACCESS, key.out()) != kERROR_SUCCESS ||
        !key.valid() || !StoreGateOpen(key.get())) {
        return;
    }
    char text[kSnapFileSize] = {};
    std::uint32_t type = 0;
    std::uint32_t size = sizeof text;
    if (m_registry.queryValue(key.get(), m_settings.RegSnapDstPath, &type, reinterpret_cast<std::uint8_t*>(text),
                              &size) != kERROR_SUCCESS ||
        type != kREG_SZ || size > sizeof text) {
        return;
    }
    const std::size_t length = strnlen(text, size);
    // 260 characters without a NUL do not fit; anything after the terminator but
    // padding means the value is not a plain path.
    if (length == 0 || length >= kSnapFileSize) {
        return;
    }
    for (std::size_t i = length; i < size; ++i) {
        if (text[i] != '\0') {
            return;
        }
    }
    std::memcpy(m_szSnapFile, text, length + 1);
    m_strSnapPath.assign(text, length);
    m_window.setDlgItemText(IDC_SNAP_PATH, m_strSnapPath);
    m_bSnapReady = 1;
}

bool CSnapshot::TakeChosenPath(const char* chosen) {
    const std::size_t length = strnlen(chosen, kSnapFileSize);
    if (length == 0) {
        return true;  // nothing chosen: as if cancelled
    }
    // Case-sensitive on purpose: "a.BMP" becomes "a.BMP.bmp", as it always has.
    const bool hasBmp = length >= kBmpLength && std::memcmp(chosen + length - kBmpLength, kBmp, kBmpLength) == 0;
    const std::size_t total = length + (hasBmp ? 0 : kBmpLength);
    if (total >= kSnapFileSize) {
        return false;
    }
    std::memcpy(m_szSnapFile, chosen, length);
    if (!hasBmp) {
        std::memcpy(m_szSnapFile + length, kBmp, kBmpLength);
    }
    m_szSnapFile[total] = '\0';
    m_strSnapPath.assign(m_szSnapFile, total);
    return true;
}

bool CSnapshot::UseFolder(const char* folder, const char* leaf) {
    const std::size_t folderLength = strnlen(folder, kMAX_PATH);
    const std::size_t leafLength = std::strlen(leaf);
    if (folderLength == 0 || folderLength >= kMAX_PATH || folderLength + leafLength >= kSnapFileSize) {
        return false;
    }
    std::memcpy(m_szSnapFile, folder, folderLength);
    std::memcpy(m_szSnapFile + folderLength, leaf, leafLength + 1);
    m_strSnapPath.assign(m_szSnapFile, folderLength + leafLength);
    return true;
}

bool CSnapshot::GuardProtectedFolders() {
    char windowsDir[kMAX_PATH] = {};
    const std::uint32_t length = m_files.windowsDirectory(windowsDir, sizeof windowsDir);
    // An unknown Windows directory must not make every path "protected" (the empty
    // text is contained in everything).
    const bool haveWindowsDir = length > 0 && length < sizeof windowsDir && windowsDir[0] != '\0';
    upperCaseInPlace(windowsDir, sizeof windowsDir);
    upperCaseInPlace(m_szSnapFile, sizeof m_szSnapFile);
    const bool isProtected = (haveWindowsDir && std::strstr(m_szSnapFile, windowsDir) != nullptr) ||
                             std::strstr(m_szSnapFile, kProgramFiles) != nullptr;
    if (!isProtected) {
        return true;
    }
    // The user may not write there without elevation: the driver gets a folder the
    // user owns instead.
    char folder[kMAX_PATH] = {};
    if (m_shell.getSpecialFolderPath(m_window.window(), folder, kCSIDL_MYPICTURES, true)) {
        folder[kMAX_PATH - 1] = '\0';
        if (UseFolder(folder, "\\Snap.bmp")) {
            return true;
        }
    }
    char temp[kMAX_PATH] = {};
    const std::uint32_t tempLength = m_system.tempPath(temp, sizeof temp);
    if (tempLength > 0 && tempLength < sizeof temp && UseFolder(temp, "Snap.bmp")) {
        return true;
    }
    // Never publish the protected path.
    m_szSnapFile[0] = '\0';
    return false;
}

void CSnapshot::OnSnapStorePath() {
    char chosen[kSnapFileSize] = {};
    OpenFileName ofn;
    ofn.owner = m_window.window();
    ofn.filter = kFilter;
    ofn.file = chosen;
    ofn.fileSize = sizeof chosen;
    // No OFN_FILEMUSTEXIST: the driver writes the file later.
    ofn.flags = kOFN_READONLY | kOFN_EXPLORER;
    bool fits = true;
    if (m_shell.getOpenFileName(ofn)) {
        chosen[sizeof chosen - 1] = '\0';
        fits = TakeChosenPath(chosen);
    } else if (m_shell.commDlgExtendedError() == kFNERR_BUFFERTOOSMALL) {
        fits = false;
    }
    if (!fits) {
        // A cut path would name another file: keep what was stored before.
        m_port.post(kMsgFileWriteError, 0, 0);
        return;
    }

    const bool safe = GuardProtectedFolders();
    bool stored = false;
    {
        RegKeyHolder key(m_registry);
        if (safe &&
            m_registry.openKey(Hive::CurrentUser, m_settings.RegSnap, kKEY_ALL_ACCESS, key.out()) == kERROR_SUCCESS &&
            key.valid() && StoreGateOpen(key.get())) {
            // The character count, no NUL: the form the driver has always read.
            const auto length = static_cast<std::uint32_t>(strnlen(m_szSnapFile, sizeof m_szSnapFile));
            stored = m_registry.setValue(key.get(), m_settings.RegSnapDstPath, kREG_SZ,
                                         reinterpret_cast<const std::uint8_t*>(m_szSnapFile),
                                         length) == kERROR_SUCCESS;
        }
    }
    if (stored) {
        m_window.setDlgItemText(IDC_SNAP_PATH, m_strSnapPath);
        m_bSnapReady = 1;
        return;
    }
    m_bSnapReady = 0;
    m_port.post(kMsgSnapNotInstalled, 0, 0);
    m_strSnapPath.clear();
}

LResult CSnapshot::OnSnapTaken() {
    if (m_bSnapReady == 0) {
        m_port.post(kMsgSnapNotInstalled, 0, 0);
        return 1;
    }
    {
        FileHolder file(m_files);
        file.assign(m_files.createFile(m_szSnapFile, kGENERIC_READ, kFILE_SHARE_READ, kOPEN_EXISTING,
                                       kFILE_ATTRIBUTE_NORMAL));
        if (!file.valid()) {
            m_port.post(kMsgFileWriteError, 0, 0);
            return 0;
        }
    }
    const Hwnd snap = m_window.findWindow(nullptr, kSnapWindowTitle);
    if (snap != 0) {
        // Bounded: a hung "Snap" window cannot hold up the program's only thread.
        m_window.sendMessageTo(snap, kMsgSnapReady, 0, 0);
        return 1;
    }
    const std::uint32_t started = m_shell.winExec(kViewerCommand, kSW_SHOW);
    if (started < kWinExecFirstSuccess) {
        m_port.post(kMsgShowPictureError, 0, static_cast<LParam>(started));
    }
    return 1;
}

}  // namespace snapshot
