// The shell side of the system: the common open-file dialog, the special folders and
// starting another program, shaped like the comdlg32, shell32 and kernel32 calls.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace platform {

// The members of OPENFILENAMEA the program fills; everything else is zero.
struct OpenFileName {
    Hwnd owner = 0;
    // Pairs of display text and pattern, each ending in a NUL, the list in a second NUL.
    const char* filter = nullptr;
    // In: the initial file name (empty for none). Out: the chosen full path.
    char* file = nullptr;
    std::uint32_t fileSize = 0;
    std::uint32_t flags = 0;
};

class IShell {
public:
    virtual ~IShell() = default;
    // GetOpenFileNameA, modal to its owner: true when the user confirmed a file.
    virtual bool getOpenFileName(OpenFileName& ofn) = 0;
    // CommDlgExtendedError after a false answer: 0 when the user cancelled,
    // kFNERR_BUFFERTOOSMALL when the chosen path did not fit the buffer.
    virtual std::uint32_t commDlgExtendedError() = 0;
    // SHGetSpecialFolderPathA; `path` holds kMAX_PATH characters. With `create` the
    // folder is made when it does not exist yet.
    virtual bool getSpecialFolderPath(Hwnd owner, char* path, int csidl, bool create) = 0;
    // SHCreateDirectoryExA without security attributes: makes a folder and any folders
    // above it that are missing. kERROR_SUCCESS, kERROR_ALREADY_EXISTS or the reason.
    virtual std::int32_t createDirectory(Hwnd owner, const char* path) = 0;
    // WinExec: above 31 the program started; below that, the reason it did not
    // (0 out of memory or resources, 2 file not found, 3 path not found, ...).
    virtual std::uint32_t winExec(const char* commandLine, int showCommand) = 0;
};

}  // namespace platform
