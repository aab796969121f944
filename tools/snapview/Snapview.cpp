// Snapview.exe for the tests: leaves one line per start, "cmdline=<its command line>",
// in the file SNAPVIEW_MARK names (or Snapview.mark beside itself) and ends at once.
// The line tells a test that the viewer was started and with what command line.

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string markFile() {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("SNAPVIEW_MARK", path, sizeof path);
    if (length > 0 && length < sizeof path) return path;
    const DWORD self = GetModuleFileNameA(nullptr, path, sizeof path);
    if (self == 0 || self >= sizeof path) return "Snapview.mark";
    std::string beside(path, self);
    const std::string::size_type slash = beside.find_last_of("\\/");
    beside.erase(slash == std::string::npos ? 0 : slash + 1);
    return beside + "Snapview.mark";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string line = std::string("cmdline=") + GetCommandLineA() + "\n";
    // Appends in one write, so two viewers started close together leave two whole lines.
    HANDLE file = CreateFileA(markFile().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == line.size() ? 0 : 1;
}
