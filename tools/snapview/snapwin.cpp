// snapwin.exe for the tests: a top-level window titled "Snap", the window the
// program hands a taken snapshot to.
//
// usage: snapwin <log-file> <lifetime-ms>
//
// Writes "ready hwnd=0x..." once the window exists, then one line per message that
// matters, "msg=0x<n> wparam=0x<n> lparam=0x<n>" (every private message from WM_USER
// up, and WM_CLOSE), and "timeout" when its lifetime ends first. It ends on WM_CLOSE
// or after <lifetime-ms>, so a test that forgets it leaves nothing running.

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;
constexpr DWORD kLongestLifetimeMs = 10 * 60 * 1000;

std::string g_log;

void logLine(const std::string& line) {
    HANDLE file = CreateFileA(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE || msg >= WM_USER) {
        char line[96];
        std::snprintf(line, sizeof line, "msg=0x%x wparam=0x%llx lparam=0x%llx", msg,
                      static_cast<unsigned long long>(wParam), static_cast<unsigned long long>(lParam));
        logLine(line);
    }
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam == kLifetimeTimer) {
            logLine("timeout");
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

bool parseLifetime(const char* text, DWORD& value) {
    errno = 0;
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed == 0 || parsed > kLongestLifetimeMs) return false;
    value = static_cast<DWORD>(parsed);
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    DWORD lifetime = 0;
    if (__argc != 3 || !parseLifetime(__argv[2], lifetime)) return 2;
    g_log = __argv[1];

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "SnapTestWindow";
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    if (!RegisterClassA(&windowClass)) return 1;
    HWND hwnd = CreateWindowExA(0, windowClass.lpszClassName, "Snap", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 240,
                                160, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    SetTimer(hwnd, kLifetimeTimer, lifetime, nullptr);
    char line[64];
    std::snprintf(line, sizeof line, "ready hwnd=0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd)));
    logLine(line);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
