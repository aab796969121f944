// probe: looks at the companion's main window from outside and talks to it, the
// way another program on the same desktop would. The Wine end-to-end tests drive
// it from a shell script, so every answer is a `key=value` line on stdout.
//
// Exit codes: 0 done, 1 not found / failed / timed out, 2 bad command line.

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <cfgmgr32.h>
#include <dbt.h>
#include <initguid.h>  // before devguid.h: defines GUID_DEVCLASS_IMAGE here
#include <devguid.h>
#include <setupapi.h>
#include <tlhelp32.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr int kVideoDeviceBox = 1002;
constexpr UINT kMsgQuit = WM_USER + 155;  // what the companion's own tools send to end it
constexpr DWORD kPollMs = 10;
constexpr UINT kSendTimeoutMs = 5000;
constexpr UINT kTextTimeoutMs = 2000;

// The controls the tests read back; a dialog template change shows up here first.
constexpr int kTextIds[] = {1000, 1001, 1002, 1003, 1004, 1005, 1011, 1012, 1013};
constexpr int kEnabledIds[] = {1000, 1001};
constexpr int kVisibleIds[] = {1001, 1003, 1013};

void usage() {
    std::fputs(
        "usage: probe find <exe-name>\n"
        "       probe postburst <exe-name> <msg> <count> <interval-ms>\n"
        "       probe latency <exe-name> <msg> <journal-file> <runs>\n"
        "       probe count <exe-name>\n"
        "       probe wait <exe-name> <timeout-ms> [settle-ms]\n"
        "       probe state <exe-name>\n"
        "       probe post <exe-name> <msg> <wParam> <lParam>\n"
        "       probe send <exe-name> <msg> <wParam> <lParam>\n"
        "       probe waitexit <exe-name> <timeout-ms>\n"
        "       probe launchtime <path-to-exe> <runs>\n"
        "       probe tempdir\n"
        "       probe imaging add <instance-id> <hardware-id>\n"
        "       probe imaging remove <instance-id>\n"
        "       probe imaging list\n"
        "       probe devicechange <exe-name> arrival|removal <class-guid>|video|other|header-only|short4\n"
        "             [<interface-name>]  (dbcc_name instead of the camera's video interface path)\n"
        "       probe popup <timeout-ms>        (waits for a visible popup menu)\n"
        "       probe popupkey <virtual-key>     (posts a key to the visible popup menu)\n"
        "       probe trayicon <exe-name> <uid>  (whether that icon is in the notification area)\n"
        "       probe window <title>             (whether a top-level window has that caption)\n"
        "       probe balloon <text> <timeout-ms>    (waits for a visible balloon tooltip with that text)\n"
        "       probe openfile <path> <timeout-ms>   (types a path into the open-file dialog, confirms)\n"
        "       probe openfile-cancel <timeout-ms>   (cancels the open-file dialog)\n"
        "       probe waitwindow <class>|- <title-part> <timeout-ms>  (a visible top-level window)\n"
        "       probe waitgone <class>|- <title-part> <timeout-ms>    (until no such window is visible)\n"
        "       probe closewindow <class>|- <title-part>             (posts WM_CLOSE to it)\n"
        "       probe dlgstate <title-part> <timeout-ms> <id>...      (a dialog's check boxes)\n"
        "       probe dlgclick <title-part> <id>                     (BM_CLICK on a dialog's button)\n"
        "       probe specialfolder <csidl>      (SHGetSpecialFolderPathA, without creating it)\n"
        "       probe windowsdir\n",
        stderr);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// "Tiltmate.exe" must name the file, not merely end a longer name such as
// "OldTiltmate.exe": the match has to start at a path separator.
bool imageMatches(const std::string& image, const std::string& name) {
    if (image.empty() || name.empty() || image.size() < name.size()) return false;
    const std::string tail = lower(image.substr(image.size() - name.size()));
    if (tail != lower(name)) return false;
    if (image.size() == name.size()) return true;
    const char before = image[image.size() - name.size() - 1];
    return before == '\\' || before == '/' || name.front() == '\\' || name.front() == '/';
}

std::string imageOfProcess(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    char path[MAX_PATH * 2];
    DWORD size = sizeof path;
    std::string image;
    if (QueryFullProcessImageNameA(process, 0, path, &size)) image.assign(path, size);
    CloseHandle(process);
    return image;
}

bool parseNumber(const char* text, long long& value) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        value = static_cast<long long>(std::strtoull(text + 2, &end, 16));
        if (end == text + 2) return false;
    } else {
        value = std::strtoll(text, &end, 10);
    }
    return errno == 0 && end && *end == '\0';
}

bool parseCount(const char* text, DWORD& value) {
    long long parsed = 0;
    if (!parseNumber(text, parsed) || parsed < 0 || parsed > 0x7fffffffLL) return false;
    value = static_cast<DWORD>(parsed);
    return true;
}

struct Found {
    HWND hwnd;
    DWORD pid;
};

struct Search {
    std::string name;  // owning image name, or empty when searching by pid
    DWORD pid = 0;
    std::vector<Found> found;
};

// The main window is the program's dialog 102: a dialog-class window holding the
// video device box 1002. Its caption is no help: the language file sets it.
bool isMainWindow(HWND hwnd) {
    char className[16] = {};
    GetClassNameA(hwnd, className, sizeof className);
    return std::strcmp(className, "#32770") == 0 && GetDlgItem(hwnd, kVideoDeviceBox) != nullptr;
}

BOOL CALLBACK collectMainWindow(HWND hwnd, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!isMainWindow(hwnd)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const bool wanted = search->name.empty() ? pid == search->pid
                                             : imageMatches(imageOfProcess(pid), search->name);
    if (wanted) search->found.push_back({hwnd, pid});
    return TRUE;
}

std::vector<Found> mainWindowsOf(const std::string& name) {
    Search search;
    search.name = name;
    EnumWindows(collectMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<Found> mainWindowsOfProcess(DWORD pid) {
    Search search;
    search.pid = pid;
    EnumWindows(collectMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int processesNamed(const std::string& name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        const std::string image = imageOfProcess(entry.th32ProcessID);
        if (imageMatches(image.empty() ? std::string(entry.szExeFile) : image, name)) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

void printHwnd(const char* key, HWND hwnd) {
    std::printf("%s=0x%llx\n", key, static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd)));
}

// Values go out one per line, so a line break inside a text would forge a key.
std::string escaped(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// GetWindowText does not ask a control of another process for its text (an edit
// box would come back empty), so ask with WM_GETTEXT, bounded in case it hangs.
std::string textOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &length)) {
        std::vector<char> buffer(length + 2, '\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutA(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                                SMTO_ABORTIFHUNG, kTextTimeoutMs, &copied)) {
            return std::string(buffer.data(), std::min<size_t>(copied, length + 1));
        }
    }
    char fallback[1024] = {};
    GetWindowTextA(hwnd, fallback, sizeof fallback);
    return fallback;
}

bool firstMainWindow(const char* name, Found& found) {
    const std::vector<Found> windows = mainWindowsOf(name);
    if (windows.empty()) {
        std::printf("error=no main window owned by %s\n", name);
        return false;
    }
    found = windows.front();
    return true;
}

int cmdFind(const char* name) {
    Found found{};
    if (!firstMainWindow(name, found)) return kFailed;
    printHwnd("hwnd", found.hwnd);
    std::printf("pid=%lu\n", static_cast<unsigned long>(found.pid));
    return kOk;
}

int cmdCount(const char* name) {
    std::printf("count=%u\n", static_cast<unsigned>(mainWindowsOf(name).size()));
    return kOk;
}

// A window seen hidden in one poll may still be on its way to being shown by its
// own start-up; a settle time makes the caller see the state the program rests in.
int cmdWait(const char* name, DWORD timeoutMs, DWORD settleMs) {
    const ULONGLONG start = GetTickCount64();
    ULONGLONG hiddenSince = 0;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const std::vector<Found> windows = mainWindowsOf(name);
        if (!windows.empty() && !IsWindowVisible(windows.front().hwnd)) {
            if (!hiddenSince) hiddenSince = now;
            if (now - hiddenSince >= settleMs) {
                printHwnd("hwnd", windows.front().hwnd);
                std::printf("elapsed_ms=%llu\n", now - start);
                return kOk;
            }
        } else {
            hiddenSince = 0;
        }
        if (now - start >= timeoutMs) {
            std::printf("error=timeout, windows=%u visible=%d\n", static_cast<unsigned>(windows.size()),
                        windows.empty() ? -1 : (IsWindowVisible(windows.front().hwnd) ? 1 : 0));
            return kFailed;
        }
        Sleep(kPollMs);
    }
}

int cmdState(const char* name) {
    Found found{};
    if (!firstMainWindow(name, found)) return kFailed;
    const HWND dialog = found.hwnd;
    RECT window{};
    RECT client{};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    char caption[256] = {};
    GetWindowTextA(dialog, caption, sizeof caption);

    printHwnd("hwnd", dialog);
    std::printf("pid=%lu\n", static_cast<unsigned long>(found.pid));
    std::printf("visible=%d\n", IsWindowVisible(dialog) ? 1 : 0);
    std::printf("x=%ld\ny=%ld\n", window.left, window.top);
    std::printf("w=%ld\nh=%ld\n", window.right - window.left, window.bottom - window.top);
    std::printf("cw=%ld\nch=%ld\n", client.right - client.left, client.bottom - client.top);
    std::printf("screenw=%d\nscreenh=%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::printf("caption=%s\n", escaped(caption).c_str());

    for (int id : kTextIds) {
        const HWND control = GetDlgItem(dialog, id);
        std::printf("text_%d=%s\n", id, control ? escaped(textOf(control)).c_str() : "");
        if (!control) std::printf("missing_%d=1\n", id);
    }
    // The control's own flags, not IsWindowVisible: the dialog rests hidden, which
    // would make every child look hidden too.
    for (int id : kEnabledIds) {
        const HWND control = GetDlgItem(dialog, id);
        const LONG style = control ? GetWindowLongA(control, GWL_STYLE) : 0;
        std::printf("enabled_%d=%d\n", id, control && !(style & WS_DISABLED) ? 1 : 0);
    }
    for (int id : kVisibleIds) {
        const HWND control = GetDlgItem(dialog, id);
        const LONG style = control ? GetWindowLongA(control, GWL_STYLE) : 0;
        std::printf("visible_%d=%d\n", id, (style & WS_VISIBLE) ? 1 : 0);
    }
    return kOk;
}

int cmdMessage(bool send, const char* name, const char* msgText, const char* wText, const char* lText) {
    long long msg = 0;
    long long wParam = 0;
    long long lParam = 0;
    if (!parseNumber(msgText, msg) || !parseNumber(wText, wParam) || !parseNumber(lText, lParam)) {
        usage();
        return kUsage;
    }
    Found found{};
    if (!firstMainWindow(name, found)) return kFailed;
    printHwnd("hwnd", found.hwnd);
    const auto message = static_cast<UINT>(msg);
    const auto w = static_cast<WPARAM>(wParam);
    const auto l = static_cast<LPARAM>(lParam);
    if (!send) {
        if (!PostMessageA(found.hwnd, message, w, l)) {
            std::printf("error=%lu\n", GetLastError());
            return kFailed;
        }
        std::printf("posted=1\n");
        return kOk;
    }
    DWORD_PTR result = 0;
    SetLastError(0);
    if (!SendMessageTimeoutA(found.hwnd, message, w, l, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
        // A message that ends the program may not come back with an answer; the
        // caller decides whether that matters.
        std::printf("error=%lu\n", GetLastError());
        return kFailed;
    }
    std::printf("result=%lld\n", static_cast<long long>(result));
    return kOk;
}

// The popup menu a TrackPopupMenu shows: a top-level window of class "#32768".
HWND visiblePopup() {
    HWND popup = FindWindowA("#32768", nullptr);
    return popup != nullptr && IsWindowVisible(popup) ? popup : nullptr;
}

int cmdPopup(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND popup = visiblePopup()) {
            printHwnd("popup", popup);
            std::printf("visible=1\n");
            return kOk;
        }
        if (GetTickCount() - start >= timeoutMs) {
            std::printf("visible=0\n");
            return kFailed;
        }
        Sleep(20);
    }
}

int cmdPopupKey(const char* keyText) {
    long long key = 0;
    if (!parseNumber(keyText, key)) {
        usage();
        return kUsage;
    }
    HWND popup = visiblePopup();
    if (popup == nullptr) {
        std::printf("error=no popup\n");
        return kFailed;
    }
    // The menu loop takes keys from the thread's queue: one key, to one popup.
    PostMessageA(popup, WM_KEYDOWN, static_cast<WPARAM>(key), 1);
    std::printf("posted=1\n");
    return kOk;
}

// A NIM_MODIFY without flags succeeds exactly when the shell holds that icon.
int cmdTrayIcon(const char* name, const char* uidText) {
    long long uid = 0;
    if (!parseNumber(uidText, uid)) {
        usage();
        return kUsage;
    }
    Found found{};
    if (!firstMainWindow(name, found)) return kFailed;
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = found.hwnd;
    data.uID = static_cast<UINT>(uid);
    std::printf("exists=%d\n", Shell_NotifyIconA(NIM_MODIFY, &data) ? 1 : 0);
    return kOk;
}

int cmdWindow(const char* title) {
    HWND window = FindWindowA(nullptr, title);
    std::printf("found=%d\n", window != nullptr ? 1 : 0);
    return kOk;
}

// Posts one message `count` times, `intervalMs` apart, from one process: the gaps stay
// what the caller asked for, which separate probe starts under Wine cannot promise.
int cmdPostBurst(const char* name, const char* msgText, DWORD count, DWORD intervalMs) {
    long long msg = 0;
    if (!parseNumber(msgText, msg) || count == 0 || count > 100 || intervalMs > 10000) {
        usage();
        return kUsage;
    }
    Found found{};
    if (!firstMainWindow(name, found)) return kFailed;
    printHwnd("hwnd", found.hwnd);
    LARGE_INTEGER frequency{};
    LARGE_INTEGER last{};
    QueryPerformanceFrequency(&frequency);
    for (DWORD i = 0; i < count; ++i) {
        if (i != 0) Sleep(intervalMs);
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        if (!PostMessageA(found.hwnd, static_cast<UINT>(msg), 0, 0)) {
            std::printf("error=%lu\n", GetLastError());
            return kFailed;
        }
        if (i != 0) {
            std::printf("gap_ms=%lld\n", static_cast<long long>((now.QuadPart - last.QuadPart) * 1000 / frequency.QuadPart));
        }
        last = now;
    }
    std::printf("posted=%lu\n", count);
    return kOk;
}

// Posts a message and times how long the journal file takes to grow: the time from a
// trigger to the first value arriving at the virtual camera. Runs `runs` times.
long long fileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int cmdLatency(const char* name, const char* msgText, const char* journal, DWORD runs) {
    long long msg = 0;
    if (!parseNumber(msgText, msg) || runs == 0 || runs > 100) {
        usage();
        return kUsage;
    }
    Found found{};
    if (!firstMainWindow(name, found)) return kFailed;
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    std::vector<double> samples;
    for (DWORD run = 0; run < runs; ++run) {
        Sleep(300);  // let the previous pass end
        const long long before = fileSize(journal);
        LARGE_INTEGER start{};
        QueryPerformanceCounter(&start);
        if (!PostMessageA(found.hwnd, static_cast<UINT>(msg), 0, 0)) {
            std::printf("error=%lu\n", GetLastError());
            return kFailed;
        }
        // Polled without a sleep between looks: a 1 ms sleep would round every sample
        // to the timer's tick, which is a third of what is measured. Bounded by 10 s.
        bool grew = false;
        LARGE_INTEGER now{};
        do {
            grew = fileSize(journal) > before;
            QueryPerformanceCounter(&now);
            if (!grew) Sleep(0);
        } while (!grew && now.QuadPart - start.QuadPart < frequency.QuadPart * 10);
        if (!grew) {
            std::printf("error=no journal line within the bound\n");
            return kFailed;
        }
        const double ms = static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
        samples.push_back(ms);
        std::printf("run_%lu_ms=%.1f\n", run, ms);
    }
    std::sort(samples.begin(), samples.end());
    std::printf("median_ms=%.1f\n", samples[samples.size() / 2]);
    return kOk;
}

int cmdWaitExit(const char* name, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const size_t windows = mainWindowsOf(name).size();
        const int processes = processesNamed(name);
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (windows == 0 && processes == 0) {
            std::printf("elapsed_ms=%llu\n", elapsed);
            return kOk;
        }
        if (elapsed >= timeoutMs) {
            std::printf("error=timeout, windows=%u processes=%d\n", static_cast<unsigned>(windows), processes);
            return kFailed;
        }
        Sleep(kPollMs);
    }
}

double millisecondsSince(const LARGE_INTEGER& start, const LARGE_INTEGER& frequency) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// One start of the program: time from process creation to the main window resting
// hidden, then ask the program to end as its own tools do.
bool launchOnce(const char* path, double& ms, std::string& error) {
    constexpr double kReadyLimitMs = 20000.0;
    constexpr DWORD kExitLimitMs = 10000;

    std::string commandLine = std::string("\"") + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(path, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        error = "CreateProcess failed " + std::to_string(GetLastError());
        return false;
    }
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    HWND ready = nullptr;
    bool ok = true;
    for (;;) {
        const std::vector<Found> windows = mainWindowsOfProcess(process.dwProcessId);
        ms = millisecondsSince(start, frequency);
        if (!windows.empty() && !IsWindowVisible(windows.front().hwnd)) {
            ready = windows.front().hwnd;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            error = "program ended before its window appeared";
            ok = false;
            break;
        }
        if (ms >= kReadyLimitMs) {
            error = "no hidden main window within 20 s";
            ok = false;
            break;
        }
        Sleep(1);
    }

    if (ready) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(ready, kMsgQuit, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
    }
    if (WaitForSingleObject(process.hProcess, kExitLimitMs) != WAIT_OBJECT_0) {
        // The next run would only meet the single-instance guard of this one.
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kExitLimitMs);
        if (ok) error = "program did not end after WM_USER+155";
        ok = false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ok;
}

int cmdLaunchTime(const char* path, DWORD runs) {
    if (runs == 0) {
        usage();
        return kUsage;
    }
    std::vector<double> times;
    for (DWORD run = 1; run <= runs; ++run) {
        double ms = 0;
        std::string error;
        if (!launchOnce(path, ms, error)) {
            std::printf("run_%lu_error=%s\n", static_cast<unsigned long>(run), escaped(error).c_str());
            return kFailed;
        }
        std::printf("run_%lu_ms=%.3f\n", static_cast<unsigned long>(run), ms);
        std::fflush(stdout);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const size_t mid = times.size() / 2;
    const double median = times.size() % 2 ? times[mid] : (times[mid - 1] + times[mid]) / 2.0;
    std::printf("median_ms=%.3f\n", median);
    return kOk;
}

int cmdTempDir() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof path, path);
    if (length == 0 || length >= sizeof path) {
        std::printf("error=%lu\n", GetLastError());
        return kFailed;
    }
    std::printf("tempdir=%s\n", path);
    return kOk;
}

// --- Imaging-class devices ------------------------------------------------------
// Wine has no camera hardware; these are the device records a camera's driver
// installation would leave, so a program listing Imaging devices finds one.

int cmdImagingAdd(const char* instanceId, const char* hardwareId) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_IMAGE, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        std::printf("error=SetupDiCreateDeviceInfoList %lu\n", GetLastError());
        return kFailed;
    }
    int code = kOk;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    // REG_MULTI_SZ: the one id, then the empty string that ends the list.
    std::string ids = std::string(hardwareId) + '\0' + '\0';
    if (!SetupDiCreateDeviceInfoA(set, instanceId, &GUID_DEVCLASS_IMAGE, nullptr, nullptr, 0, &data)) {
        std::printf("error=SetupDiCreateDeviceInfo %lu\n", GetLastError());
        code = kFailed;
    } else if (!SetupDiSetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID,
                                                   reinterpret_cast<const BYTE*>(ids.data()),
                                                   static_cast<DWORD>(ids.size()))) {
        std::printf("error=SetupDiSetDeviceRegistryProperty %lu\n", GetLastError());
        code = kFailed;
    } else if (!SetupDiRegisterDeviceInfo(set, &data, 0, nullptr, nullptr, nullptr)) {
        std::printf("error=SetupDiRegisterDeviceInfo %lu\n", GetLastError());
        code = kFailed;
    } else {
        char id[MAX_DEVICE_ID_LEN + 1] = {};
        if (CM_Get_Device_IDA(data.DevInst, id, sizeof id, 0) == CR_SUCCESS) {
            std::printf("instance_id=%s\n", escaped(id).c_str());
        }
        std::printf("added=1\n");
    }
    SetupDiDestroyDeviceInfoList(set);
    return code;
}

// The first string of a REG_MULTI_SZ property, or empty.
std::string firstHardwareId(HDEVINFO set, SP_DEVINFO_DATA& data) {
    DWORD required = 0;
    SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, nullptr, nullptr, 0, &required);
    if (required == 0 || required > 64 * 1024) return {};
    std::vector<char> buffer(required + 2, '\0');
    if (!SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, nullptr,
                                           reinterpret_cast<BYTE*>(buffer.data()), required, nullptr)) {
        return {};
    }
    return buffer.data();
}

// Walks the Imaging class; `visit` returns false to stop.
template <typename Visit>
bool forEachImagingDevice(Visit visit) {
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_IMAGE, nullptr, nullptr, 0);
    if (set == INVALID_HANDLE_VALUE) {
        std::printf("error=SetupDiGetClassDevs %lu\n", GetLastError());
        return false;
    }
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &data); ++index) {
        char id[MAX_DEVICE_ID_LEN + 1] = {};
        if (CM_Get_Device_IDA(data.DevInst, id, sizeof id, 0) != CR_SUCCESS) id[0] = '\0';
        if (!visit(set, data, std::string(id))) break;
    }
    SetupDiDestroyDeviceInfoList(set);
    return true;
}

int cmdImagingRemove(const char* instanceId) {
    int removed = 0;
    DWORD error = 0;
    const bool listed = forEachImagingDevice([&](HDEVINFO set, SP_DEVINFO_DATA& data, const std::string& id) {
        // Wine stores instance ids upper-cased: compare without regard to case.
        if (lower(id) != lower(instanceId)) return true;
        if (SetupDiRemoveDevice(set, &data)) {
            ++removed;
        } else {
            error = GetLastError();
        }
        return false;
    });
    if (!listed) return kFailed;
    if (error != 0) std::printf("error=SetupDiRemoveDevice %lu\n", error);
    std::printf("removed=%d\n", removed);
    return removed > 0 ? kOk : kFailed;
}

int cmdImagingList() {
    int count = 0;
    const bool listed = forEachImagingDevice([&](HDEVINFO set, SP_DEVINFO_DATA& data, const std::string& id) {
        std::printf("instance_id_%d=%s\n", count, escaped(id).c_str());
        std::printf("hardware_id_%d=%s\n", count, escaped(firstHardwareId(set, data)).c_str());
        ++count;
        return true;
    });
    if (!listed) return kFailed;
    std::printf("count=%d\n", count);
    return kOk;
}

// --- device notifications ------------------------------------------------------
// Nothing under Wine announces devices, so the test sends WM_DEVICECHANGE itself.
// SendMessage, not PostMessage: Wine copies the record to the other process only
// for a sent message (a posted pointer is refused).

// The interface path a USB camera's video interface has.
constexpr char kCameraInterfacePath[] =
    "\\\\?\\usb#vid_7c3e&pid_410b&mi_00#6&2d8a7d2&0&0000#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\global";

// KSCATEGORY_VIDEO, the class the companion registers for.
constexpr GUID kVideoInterfaceClass = {
    0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
// Any other interface class: GUID_DEVINTERFACE_USB_DEVICE.
constexpr GUID kOtherInterfaceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

// "{6994AD05-93EF-11D0-A3CC-00A0C9223196}" (braces optional).
bool parseGuid(const char* text, GUID& guid) {
    unsigned long data1 = 0;
    unsigned int data2 = 0, data3 = 0, b[8] = {};
    int consumed = 0;
    const char* start = text[0] == '{' ? text + 1 : text;
    if (std::sscanf(start, "%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x%n", &data1, &data2, &data3, &b[0], &b[1],
                    &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &consumed) != 11 ||
        consumed != 36) {
        return false;
    }
    const char* rest = start + consumed;
    if (text[0] == '{' ? std::strcmp(rest, "}") != 0 : *rest != '\0') return false;
    guid.Data1 = data1;
    guid.Data2 = static_cast<unsigned short>(data2);
    guid.Data3 = static_cast<unsigned short>(data3);
    for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<unsigned char>(b[i]);
    return true;
}

int cmdDeviceChange(const char* name, const char* eventText, const char* what, const char* interfaceName) {
    WPARAM event = 0;
    if (std::strcmp(eventText, "arrival") == 0) {
        event = DBT_DEVICEARRIVAL;
    } else if (std::strcmp(eventText, "removal") == 0) {
        event = DBT_DEVICEREMOVECOMPLETE;
    } else {
        usage();
        return kUsage;
    }

    std::vector<char> record;
    if (std::strcmp(what, "short4") == 0) {
        // Four bytes in all: the size field and nothing after it.
        const DWORD size = 4;
        record.assign(reinterpret_cast<const char*>(&size), reinterpret_cast<const char*>(&size) + sizeof size);
    } else if (std::strcmp(what, "header-only") == 0) {
        // A record of another device type (a volume), only its header.
        DEV_BROADCAST_HDR header{};
        header.dbch_size = sizeof header;
        header.dbch_devicetype = DBT_DEVTYP_VOLUME;
        record.assign(reinterpret_cast<const char*>(&header), reinterpret_cast<const char*>(&header) + sizeof header);
    } else {
        GUID interfaceClass{};
        if (std::strcmp(what, "video") == 0) {
            interfaceClass = kVideoInterfaceClass;
        } else if (std::strcmp(what, "other") == 0) {
            interfaceClass = kOtherInterfaceClass;
        } else if (!parseGuid(what, interfaceClass)) {
            usage();
            return kUsage;
        }
        const std::string path = interfaceName != nullptr ? interfaceName : kCameraInterfacePath;
        const size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + path.size() + 1;
        record.assign(std::max(size, sizeof(DEV_BROADCAST_DEVICEINTERFACE_A)), '\0');
        auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(record.data());
        broadcast->dbcc_size = static_cast<DWORD>(size);
        broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        broadcast->dbcc_reserved = 0;
        broadcast->dbcc_classguid = interfaceClass;
        std::memcpy(broadcast->dbcc_name, path.c_str(), path.size() + 1);
    }

    Found found{};
    if (!firstMainWindow(name, found)) return kFailed;
    printHwnd("hwnd", found.hwnd);
    DWORD_PTR result = 0;
    SetLastError(0);
    if (!SendMessageTimeoutA(found.hwnd, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
        std::printf("error=%lu\n", GetLastError());
        return kFailed;
    }
    std::printf("result=%lld\n", static_cast<long long>(result));
    return kOk;
}

// --- other programs' windows --------------------------------------------------------
// The windows the program opens besides its own (the open-file dialog, a property
// frame) and the outside "Snap" window, found by class and a part of their caption.

struct WindowMatch {
    const char* className;  // nullptr: any class
    const char* titlePart;
    bool visibleOnly;
    HWND found = nullptr;
};

std::string classOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string captionOf(HWND hwnd) {
    char caption[512] = {};
    GetWindowTextA(hwnd, caption, sizeof caption);
    return caption;
}

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM context) {
    auto* match = reinterpret_cast<WindowMatch*>(context);
    if (match->visibleOnly && !IsWindowVisible(hwnd)) return TRUE;
    if (match->className != nullptr && classOf(hwnd) != match->className) return TRUE;
    if (captionOf(hwnd).find(match->titlePart) == std::string::npos) return TRUE;
    match->found = hwnd;
    return FALSE;
}

// "-" stands for any class.
HWND topLevelWindow(const char* className, const char* titlePart, bool visibleOnly = true) {
    WindowMatch match{std::strcmp(className, "-") == 0 ? nullptr : className, titlePart, visibleOnly};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&match));
    return match.found;
}

HWND waitTopLevelWindow(const char* className, const char* titlePart, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (HWND hwnd = topLevelWindow(className, titlePart)) return hwnd;
        if (GetTickCount64() - start >= timeoutMs) return nullptr;
        Sleep(kPollMs);
    }
}

void printWindow(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    printHwnd("hwnd", hwnd);
    std::printf("pid=%lu\n", static_cast<unsigned long>(pid));
    std::printf("class=%s\n", escaped(classOf(hwnd)).c_str());
    std::printf("caption=%s\n", escaped(captionOf(hwnd)).c_str());
    printHwnd("owner", GetWindow(hwnd, GW_OWNER));
    printHwnd("parent", GetAncestor(hwnd, GA_PARENT));
}

// What a person sees of a notice: the shell shows it as a balloon, a visible top-level
// tooltip window with TTS_BALLOON, carrying the notice's text. Its title cannot be read
// back from another process; its text can.
struct BalloonSearch {
    std::vector<std::string> seen;  // texts of the visible balloons met
    std::string wanted;
    HWND found = nullptr;
};

BOOL CALLBACK matchBalloon(HWND hwnd, LPARAM context) {
    auto* search = reinterpret_cast<BalloonSearch*>(context);
    if (!IsWindowVisible(hwnd) || classOf(hwnd) != "tooltips_class32") return TRUE;
    if ((GetWindowLongA(hwnd, GWL_STYLE) & 0x40) == 0) return TRUE;  // TTS_BALLOON
    const std::string text = textOf(hwnd);
    search->seen.push_back(text);
    if (text != search->wanted) return TRUE;
    search->found = hwnd;
    return FALSE;
}

int cmdBalloon(const char* text, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    BalloonSearch search;
    search.wanted = text;
    for (;;) {
        search.seen.clear();
        EnumWindows(matchBalloon, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || GetTickCount64() - start >= timeoutMs) break;
        Sleep(50);
    }
    std::printf("found=%d\n", search.found != nullptr ? 1 : 0);
    std::printf("ms=%llu\n", static_cast<unsigned long long>(GetTickCount64() - start));
    for (const std::string& seen : search.seen) std::printf("balloon=%s\n", escaped(seen).c_str());
    if (search.found == nullptr) return kFailed;
    printWindow(search.found);
    return kOk;
}

int cmdWaitWindow(const char* className, const char* titlePart, DWORD timeoutMs) {
    HWND hwnd = waitTopLevelWindow(className, titlePart, timeoutMs);
    if (hwnd == nullptr) {
        std::printf("found=0\n");
        return kFailed;
    }
    std::printf("found=1\n");
    printWindow(hwnd);
    return kOk;
}

int cmdWaitGone(const char* className, const char* titlePart, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        HWND hwnd = topLevelWindow(className, titlePart);
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (hwnd == nullptr) {
            std::printf("gone=1\nelapsed_ms=%llu\n", elapsed);
            return kOk;
        }
        if (elapsed >= timeoutMs) {
            std::printf("gone=0\n");
            printWindow(hwnd);
            return kFailed;
        }
        Sleep(kPollMs);
    }
}

// A visible dialog (#32770) whose caption holds titlePart: its caption and, for each
// control id given, the control's check state (BM_GETCHECK) and text.
int cmdDialogState(const char* titlePart, DWORD timeoutMs, int count, char** ids) {
    HWND hwnd = waitTopLevelWindow("#32770", titlePart, timeoutMs);
    if (hwnd == nullptr) {
        std::printf("found=0\n");
        return kFailed;
    }
    std::printf("found=1\n");
    printWindow(hwnd);
    for (int i = 0; i < count; ++i) {
        long long id = 0;
        if (!parseNumber(ids[i], id)) {
            usage();
            return kUsage;
        }
        const HWND control = GetDlgItem(hwnd, static_cast<int>(id));
        DWORD_PTR check = 0;
        if (control == nullptr ||
            !SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &check)) {
            std::printf("missing_%lld=1\n", id);
            continue;
        }
        std::printf("check_%lld=%d\n", id, static_cast<int>(check));
        std::printf("text_%lld=%s\n", id, escaped(textOf(control)).c_str());
    }
    return kOk;
}

// Clicks a button of a visible dialog as the mouse would (BM_CLICK, sent, so the
// click is handled when this returns).
int cmdDialogClick(const char* titlePart, const char* idText) {
    long long id = 0;
    if (!parseNumber(idText, id)) {
        usage();
        return kUsage;
    }
    HWND hwnd = topLevelWindow("#32770", titlePart);
    const HWND control = hwnd ? GetDlgItem(hwnd, static_cast<int>(id)) : nullptr;
    if (control == nullptr) {
        std::printf("error=no such dialog or control\n");
        return kFailed;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
        std::printf("error=%lu\n", GetLastError());
        return kFailed;
    }
    std::printf("clicked=1\n");
    return kOk;
}

int cmdCloseWindow(const char* className, const char* titlePart) {
    HWND hwnd = topLevelWindow(className, titlePart);
    if (hwnd == nullptr) {
        std::printf("error=no such visible window\n");
        return kFailed;
    }
    printWindow(hwnd);
    if (!PostMessageA(hwnd, WM_CLOSE, 0, 0)) {
        std::printf("error=%lu\n", GetLastError());
        return kFailed;
    }
    std::printf("posted=1\n");
    return kOk;
}

// The open-file dialog GetOpenFileNameA shows: "#32770" titled "Open". Its file-name
// field is the Edit inside control 1148 (cmb13): under Wine a ComboBoxEx32 holding a
// ComboBox holding the Edit, so the Edit is looked for among all its descendants.
constexpr int kFileNameBox = 1148;
constexpr int kFileNameEdit = 1152;  // edt1, in older dialog templates

HWND firstEditIn(HWND parent) {
    HWND found = nullptr;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            if (lower(classOf(child)) != "edit") return TRUE;
            *reinterpret_cast<HWND*>(context) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND fileNameField(HWND dialog) {
    HWND box = GetDlgItem(dialog, kFileNameBox);
    if (box != nullptr) {
        if (lower(classOf(box)) == "edit") return box;
        if (HWND edit = firstEditIn(box)) return edit;
    }
    return GetDlgItem(dialog, kFileNameEdit);
}

// For a dialog that does not look as expected: every child, with its id and class.
void printChildren(HWND dialog) {
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM) -> BOOL {
            std::printf("child=id %d class %s parent_id %d\n", GetDlgCtrlID(child), escaped(classOf(child)).c_str(),
                        GetDlgCtrlID(GetParent(child)));
            return TRUE;
        },
        0);
}

// What else is on the screen when the dialog refuses to close: usually a message box
// of the dialog's own ("file not found", "path does not exist").
void printOtherDialogs(HWND dialog) {
    struct Context {
        HWND dialog;
        int count;
    } context{dialog, 0};
    EnumWindows(
        [](HWND hwnd, LPARAM raw) -> BOOL {
            auto* ctx = reinterpret_cast<Context*>(raw);
            if (hwnd == ctx->dialog || !IsWindowVisible(hwnd) || classOf(hwnd) != "#32770") return TRUE;
            std::string text = captionOf(hwnd);
            // A message box's text is its static control 0xFFFF.
            if (HWND label = GetDlgItem(hwnd, 0xFFFF)) text += ": " + textOf(label);
            std::printf("other_dialog_%d=%s\n", ctx->count++, escaped(text).c_str());
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&context));
}

// With a path: types it into the file-name field and confirms (IDOK); without one:
// cancels (IDCANCEL). Either way waits, within the same bound, for the dialog to go.
int cmdOpenFile(const char* path, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    HWND dialog = waitTopLevelWindow("#32770", "Open", timeoutMs);
    if (dialog == nullptr || captionOf(dialog) != "Open") {
        std::printf("error=no open-file dialog within %lu ms\n", static_cast<unsigned long>(timeoutMs));
        return kFailed;
    }
    printHwnd("dialog", dialog);
    int button = IDCANCEL;
    if (path != nullptr) {
        HWND field = fileNameField(dialog);
        if (field == nullptr) {
            std::printf("error=the dialog has no file-name field\n");
            printChildren(dialog);
            return kFailed;
        }
        // WM_SETTEXT, not SetWindowText: the text has to reach a control of another process.
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path), SMTO_ABORTIFHUNG,
                                 kSendTimeoutMs, &ignored)) {
            std::printf("error=WM_SETTEXT %lu\n", GetLastError());
            return kFailed;
        }
        std::printf("text=%s\n", escaped(textOf(field)).c_str());
        button = IDOK;
    }
    if (!PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)))) {
        std::printf("error=%lu\n", GetLastError());
        return kFailed;
    }
    for (;;) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)) {
            std::printf("closed=1\n");
            return kOk;
        }
        if (GetTickCount64() - start >= timeoutMs) {
            std::printf("closed=0\n");
            printOtherDialogs(dialog);
            return kFailed;
        }
        Sleep(kPollMs);
    }
}

int cmdSpecialFolder(DWORD csidl) {
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, static_cast<int>(csidl), FALSE)) {
        std::printf("error=SHGetSpecialFolderPathA failed\n");
        return kFailed;
    }
    std::printf("path=%s\n", escaped(path).c_str());
    return kOk;
}

int cmdWindowsDir() {
    char path[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        std::printf("error=%lu\n", GetLastError());
        return kFailed;
    }
    std::printf("windows_dir=%s\n", escaped(path).c_str());
    return kOk;
}

int run(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return kUsage;
    }
    const std::string command = argv[1];
    const int args = argc - 2;
    char** arg = argv + 2;
    DWORD timeout = 0;
    DWORD settle = 0;

    if (command == "find" && args == 1) return cmdFind(arg[0]);
    if (command == "count" && args == 1) return cmdCount(arg[0]);
    if (command == "wait" && (args == 2 || args == 3) && parseCount(arg[1], timeout) &&
        (args == 2 || parseCount(arg[2], settle)))
        return cmdWait(arg[0], timeout, settle);
    if (command == "state" && args == 1) return cmdState(arg[0]);
    if ((command == "post" || command == "send") && args == 4)
        return cmdMessage(command == "send", arg[0], arg[1], arg[2], arg[3]);
    DWORD count = 0;
    if (command == "latency" && args == 4 && parseCount(arg[3], count))
        return cmdLatency(arg[0], arg[1], arg[2], count);
    if (command == "postburst" && args == 4 && parseCount(arg[2], count) && parseCount(arg[3], timeout))
        return cmdPostBurst(arg[0], arg[1], count, timeout);
    if (command == "waitexit" && args == 2 && parseCount(arg[1], timeout)) return cmdWaitExit(arg[0], timeout);
    if (command == "launchtime" && args == 2 && parseCount(arg[1], timeout)) return cmdLaunchTime(arg[0], timeout);
    if (command == "tempdir" && args == 0) return cmdTempDir();
    if (command == "imaging" && args == 3 && std::strcmp(arg[0], "add") == 0) return cmdImagingAdd(arg[1], arg[2]);
    if (command == "imaging" && args == 2 && std::strcmp(arg[0], "remove") == 0) return cmdImagingRemove(arg[1]);
    if (command == "imaging" && args == 1 && std::strcmp(arg[0], "list") == 0) return cmdImagingList();
    if (command == "devicechange" && (args == 3 || args == 4))
        return cmdDeviceChange(arg[0], arg[1], arg[2], args == 4 ? arg[3] : nullptr);
    if (command == "popup" && args == 1 && parseCount(arg[0], timeout)) return cmdPopup(timeout);
    if (command == "popupkey" && args == 1) return cmdPopupKey(arg[0]);
    if (command == "trayicon" && args == 2) return cmdTrayIcon(arg[0], arg[1]);
    if (command == "window" && args == 1) return cmdWindow(arg[0]);
    if (command == "balloon" && args == 2 && parseCount(arg[1], timeout)) return cmdBalloon(arg[0], timeout);
    if (command == "openfile" && args == 2 && parseCount(arg[1], timeout)) return cmdOpenFile(arg[0], timeout);
    if (command == "openfile-cancel" && args == 1 && parseCount(arg[0], timeout)) return cmdOpenFile(nullptr, timeout);
    if (command == "waitwindow" && args == 3 && parseCount(arg[2], timeout))
        return cmdWaitWindow(arg[0], arg[1], timeout);
    if (command == "dlgstate" && args >= 2 && parseCount(arg[1], timeout))
        return cmdDialogState(arg[0], timeout, args - 2, arg + 2);
    if (command == "dlgclick" && args == 2) return cmdDialogClick(arg[0], arg[1]);
    if (command == "waitgone" && args == 3 && parseCount(arg[2], timeout)) return cmdWaitGone(arg[0], arg[1], timeout);
    if (command == "closewindow" && args == 2) return cmdCloseWindow(arg[0], arg[1]);
    if (command == "specialfolder" && args == 1 && parseCount(arg[0], count)) return cmdSpecialFolder(count);
    if (command == "windowsdir" && args == 0) return cmdWindowsDir();
    usage();
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    // Text mode would turn every line end into CR LF on the Unix side of Wine.
    _setmode(_fileno(stdout), _O_BINARY);
    const int code = run(argc, argv);
    std::fflush(stdout);
    return code;
}
