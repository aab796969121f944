// afctl: installs afdrv.sys, the stand-in for the camera microphone's audio driver,
// in a Wine prefix and talks to it, for the Wine end-to-end tests. Every answer is
// a `key=value` line (or a journal line) on stdout, so a shell script can read it.
//
// Exit codes: 0 done, 1 failed (with an `error=` line), 2 bad command line.

#include <windows.h>
#include <setupapi.h>
#include <winioctl.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "afdrv_protocol.h"

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// The audio interface class of the camera's microphone.
const GUID kAudioInterfaceClass = {0x2d94e7b1, 0x3a60, 0x4c8f, {0xb5, 0xe2, 0x91, 0xf0, 0xc6, 0xa8, 0xd4, 0x7e}};
const char kClassText[] = "{2d94e7b1-3a60-4c8f-b5e2-91f0c6a8d47e}";
const char kInstanceId[] = "ROOT\\MEDIA\\0000";
// What SetupDiGetDeviceInterfaceDetail reports for that device's interface under Wine.
const char kDefaultPath[] = "\\\\?\\root#media#0000#{2d94e7b1-3a60-4c8f-b5e2-91f0c6a8d47e}";
const char kDefaultDescription[] = "USB Camera Microphone";
const char kDefaultHardwareId[] = "USB\\VID_7C3E&PID_410B&MI_02";
const char kServiceKey[] = "System\\CurrentControlSet\\Services\\" AF_SERVICE_NAME;
const char kDeviceClassesKey[] = "System\\CurrentControlSet\\Control\\DeviceClasses\\";

// Right after a fresh prefix boots, the service manager turns drivers away for a few
// seconds; starting is retried for at most this long.
constexpr DWORD kStartRetryMs = 30000;
constexpr DWORD kRetryStepMs = 200;
constexpr DWORD kControlWaitMs = 10000;
constexpr unsigned kMaxBlock = 64;  // largest buffer `get` / `set` will send

void usage() {
    std::fputs(
        "usage: afctl install <windows-path-of-afdrv.sys> [options]\n"
        "         options: --description TEXT --hwid TEXT --states BF,AEC,NS\n"
        "                  --fail-get --fail-set --short-get --odd-state --refuse-open\n"
        "       afctl mode [--states BF,AEC,NS] [--fail-get] [--fail-set] [--short-get] [--odd-state] [--refuse-open]\n"
        "                  (the failure modes given are on, the others off)\n"
        "       afctl journal | clear | states | config | list | path | link | unlink\n"
        "       afctl hold <seconds>   (keeps the prefix's server, and so the driver, alive)\n"
        "       afctl get <effect> [--in N] [--out N] [--path P]\n"
        "       afctl set <effect> <state> [--in N] [--path P]\n",
        stderr);
}

int failed(const char* what, DWORD error) {
    std::printf("error=%s %lu\n", what, error);
    return kFailed;
}

bool parseUnsigned(const char* text, unsigned long limit, unsigned long& out) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 0);
    if (errno != 0 || *end != '\0' || value > limit || text[0] == '-') return false;
    out = value;
    return true;
}

// "--states BF,AEC,NS", each 0..255, into the config's AEC/NS/BF slots.
bool parseStates(const char* text, AfConfig& config) {
    unsigned long value[3] = {};
    std::string rest = text;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = rest.find(',');
        const std::string part = rest.substr(0, comma);
        if (!parseUnsigned(part.c_str(), 255, value[i])) return false;
        if ((comma == std::string::npos) != (i == 2)) return false;
        if (comma != std::string::npos) rest = rest.substr(comma + 1);
    }
    config.state[AF_EFFECT_BF - 1] = static_cast<unsigned>(value[0]);
    config.state[AF_EFFECT_AEC - 1] = static_cast<unsigned>(value[1]);
    config.state[AF_EFFECT_NS - 1] = static_cast<unsigned>(value[2]);
    return true;
}

// A failure-mode flag into the config; false when the word is none of them.
bool parseModeFlag(const std::string& word, AfConfig& config) {
    if (word == "--fail-get") config.failGet = 1;
    else if (word == "--fail-set") config.failSet = 1;
    else if (word == "--short-get") config.shortGet = 1;
    else if (word == "--odd-state") config.oddState = 7;
    else if (word == "--refuse-open") config.refuseOpen = 1;
    else return false;
    return true;
}

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return h != INVALID_HANDLE_VALUE; }
};

struct Key {
    HKEY h = nullptr;
    Key() = default;
    ~Key() {
        if (h != nullptr) RegCloseKey(h);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
};

struct ServiceHandle {
    SC_HANDLE h;
    explicit ServiceHandle(SC_HANDLE handle) : h(handle) {}
    ~ServiceHandle() {
        if (h != nullptr) CloseServiceHandle(h);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
};

struct DevInfo {
    HDEVINFO h;
    explicit DevInfo(HDEVINFO set) : h(set) {}
    ~DevInfo() {
        if (h != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(h);
    }
    DevInfo(const DevInfo&) = delete;
    DevInfo& operator=(const DevInfo&) = delete;
};

HANDLE openControl() {
    return CreateFileA(AF_CONTROL_WIN32_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

bool control(DWORD code, const void* in, DWORD inLength, void* out, DWORD outLength, DWORD& returned) {
    Handle device(openControl());
    if (!device.ok()) return false;
    return DeviceIoControl(device.h, code, const_cast<void*>(in), inLength, out, outLength, &returned, nullptr) !=
           FALSE;
}

bool readConfig(AfConfig& config) {
    DWORD returned = 0;
    return control(AF_CTL_GET_CONFIG, nullptr, 0, &config, sizeof config, returned) && returned == sizeof config;
}

bool writeConfig(const AfConfig& config) {
    DWORD returned = 0;
    return control(AF_CTL_SET_CONFIG, &config, sizeof config, nullptr, 0, returned);
}

// --- the interface and its device ------------------------------------------------

// HKLM\...\DeviceClasses\{class}\##?#root#media#0000#{class}\#\Control of an interface path.
std::string controlKeyOf(const std::string& path) {
    std::string name = path;
    if (name.compare(0, 4, "\\\\?\\") == 0) name = "##?#" + name.substr(4);
    return std::string(kDeviceClassesKey) + kClassText + "\\" + name + "\\#\\Control";
}

// Linked = 1 lists the interface as present (what IoSetDeviceInterfaceState does on
// Windows); 0 hides it from a DIGCF_PRESENT listing.
bool setLinked(const std::string& path, DWORD linked) {
    Key key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, controlKeyOf(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key.h, nullptr);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(key.h, "Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&linked), sizeof linked);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    return true;
}

std::string interfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& iface, SP_DEVINFO_DATA* device) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &iface, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || required > 64 * 1024) return {};
    std::vector<char> buffer(required + 1, '\0');
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &iface, detail, required, nullptr, device)) return {};
    return detail->DevicePath;
}

std::string stringProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    char buffer[1024] = {};
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                           sizeof buffer - 2, nullptr))
        return {};
    return buffer;  // the first string of a REG_MULTI_SZ
}

// Creates (or updates) ROOT\MEDIA\0000 with its interface; sets `path`.
bool createDevice(const std::string& description, const std::string& hardwareId, std::string& path) {
    DevInfo set(SetupDiCreateDeviceInfoList(&kAudioInterfaceClass, nullptr));
    if (set.h == INVALID_HANDLE_VALUE) return failed("SetupDiCreateDeviceInfoList", GetLastError()), false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    bool created = true;
    if (!SetupDiCreateDeviceInfoA(set.h, kInstanceId, &kAudioInterfaceClass, description.c_str(), nullptr, 0,
                                  &device)) {
        const DWORD error = GetLastError();
        if (error != ERROR_DEVINST_ALREADY_EXISTS) return failed("SetupDiCreateDeviceInfo", error), false;
        if (!SetupDiOpenDeviceInfoA(set.h, kInstanceId, nullptr, 0, &device))
            return failed("SetupDiOpenDeviceInfo", GetLastError()), false;
        created = false;
    }
    const std::string ids = hardwareId + '\0' + '\0';  // REG_MULTI_SZ: one id, then the empty string
    if (!SetupDiSetDeviceRegistryPropertyA(set.h, &device, SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE*>(ids.data()), static_cast<DWORD>(ids.size())))
        return failed("SetupDiSetDeviceRegistryProperty(HARDWAREID)", GetLastError()), false;
    if (!SetupDiSetDeviceRegistryPropertyA(set.h, &device, SPDRP_DEVICEDESC,
                                           reinterpret_cast<const BYTE*>(description.c_str()),
                                           static_cast<DWORD>(description.size() + 1)))
        return failed("SetupDiSetDeviceRegistryProperty(DEVICEDESC)", GetLastError()), false;
    if (created && !SetupDiRegisterDeviceInfo(set.h, &device, 0, nullptr, nullptr, nullptr))
        return failed("SetupDiRegisterDeviceInfo", GetLastError()), false;
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    if (!SetupDiCreateDeviceInterfaceA(set.h, &device, &kAudioInterfaceClass, nullptr, 0, &iface))
        return failed("SetupDiCreateDeviceInterface", GetLastError()), false;
    path = interfacePath(set.h, iface, nullptr);
    if (path.empty()) return failed("SetupDiGetDeviceInterfaceDetail", GetLastError()), false;
    if (!setLinked(path, 1)) return failed("RegSetValueEx(Linked)", GetLastError()), false;
    return true;
}

// --- the service ---------------------------------------------------------------------

bool writeServiceValues(const std::string& path, const AfConfig& config) {
    Key key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key.h, nullptr);
    if (rc != ERROR_SUCCESS) return failed("RegCreateKeyEx(service)", static_cast<DWORD>(rc)), false;
    // The interface's NT name: "\\?\" becomes "\??\".
    const std::string link = "\\??\\" + path.substr(path.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0);
    rc = RegSetValueExA(key.h, "LinkName", 0, REG_SZ, reinterpret_cast<const BYTE*>(link.c_str()),
                        static_cast<DWORD>(link.size() + 1));
    const struct {
        const char* name;
        DWORD value;
    } values[] = {
        {"InitAEC", config.state[AF_EFFECT_AEC - 1]}, {"InitNS", config.state[AF_EFFECT_NS - 1]},
        {"InitBF", config.state[AF_EFFECT_BF - 1]},   {"FailGet", config.failGet},
        {"FailSet", config.failSet},                  {"ShortGet", config.shortGet},
        {"OddState", config.oddState},                {"RefuseOpen", config.refuseOpen},
    };
    for (const auto& v : values) {
        if (rc != ERROR_SUCCESS) break;
        rc = RegSetValueExA(key.h, v.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.value), sizeof v.value);
    }
    if (rc != ERROR_SUCCESS) return failed("RegSetValueEx(service)", static_cast<DWORD>(rc)), false;
    return true;
}

// Creates the service if need be and starts it. `running` tells whether it already ran.
bool startService(const char* sysPath, bool& running, DWORD& tries) {
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (manager.h == nullptr) return failed("OpenSCManager", GetLastError()), false;
    ServiceHandle service(CreateServiceA(manager.h, AF_SERVICE_NAME, AF_SERVICE_NAME, SERVICE_ALL_ACCESS,
                                         SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, sysPath,
                                         nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service.h == nullptr) {
        const DWORD error = GetLastError();
        if (error != ERROR_SERVICE_EXISTS) return failed("CreateService", error), false;
        service.h = OpenServiceA(manager.h, AF_SERVICE_NAME, SERVICE_ALL_ACCESS);
        if (service.h == nullptr) return failed("OpenService", GetLastError()), false;
    }
    running = false;
    const DWORD start = GetTickCount();
    for (tries = 1;; ++tries) {
        if (StartServiceA(service.h, 0, nullptr)) return true;
        const DWORD error = GetLastError();
        if (error == ERROR_SERVICE_ALREADY_RUNNING) {
            running = true;
            return true;
        }
        const bool early = error == ERROR_SERVICE_REQUEST_TIMEOUT || error == ERROR_SERVICE_DATABASE_LOCKED;
        if (!early || GetTickCount() - start >= kStartRetryMs) return failed("StartService", error), false;
        Sleep(kRetryStepMs);
    }
}

bool waitForControl() {
    const DWORD start = GetTickCount();
    for (;;) {
        Handle device(openControl());
        if (device.ok()) return true;
        if (GetTickCount() - start >= kControlWaitMs) return failed("open control device", GetLastError()), false;
        Sleep(50);
    }
}

// --- commands ----------------------------------------------------------------------------

int cmdInstall(int argc, char** argv) {
    if (argc < 1) return usage(), kUsage;
    const char* sysPath = argv[0];
    std::string description = kDefaultDescription;
    std::string hardwareId = kDefaultHardwareId;
    AfConfig config{};
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        if (word == "--description" && hasValue) description = argv[++i];
        else if (word == "--hwid" && hasValue) hardwareId = argv[++i];
        else if (word == "--states" && hasValue) {
            if (!parseStates(argv[++i], config)) return usage(), kUsage;
        } else if (!parseModeFlag(word, config)) return usage(), kUsage;
    }
    const DWORD begin = GetTickCount();
    std::string path;
    if (!createDevice(description, hardwareId, path)) return kFailed;
    std::printf("path=%s\n", path.c_str());
    if (!writeServiceValues(path, config)) return kFailed;
    bool running = false;
    DWORD tries = 0;
    if (!startService(sysPath, running, tries)) return kFailed;
    if (!waitForControl()) return kFailed;
    // A driver that already ran read its service key long ago: hand it the settings.
    if (running && !writeConfig(config)) return failed("set config", GetLastError());
    std::printf("service=%s\n", running ? "already-running" : "started");
    std::printf("start_tries=%lu\n", tries);
    std::printf("install_ms=%lu\n", GetTickCount() - begin);
    return kOk;
}

int cmdMode(int argc, char** argv) {
    AfConfig config{};
    if (!readConfig(config)) return failed("get config", GetLastError());
    config.failGet = config.failSet = config.shortGet = config.oddState = config.refuseOpen = 0;
    for (int i = 0; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--states" && i + 1 < argc) {
            if (!parseStates(argv[++i], config)) return usage(), kUsage;
        } else if (!parseModeFlag(word, config)) return usage(), kUsage;
    }
    if (!writeConfig(config)) return failed("set config", GetLastError());
    std::printf("mode=set\n");
    return kOk;
}

std::string field(unsigned value) {
    return value == AF_NONE ? std::string("-") : std::to_string(value);
}

std::string statusText(unsigned status) {
    if (status == 0) return "ok";
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", status);
    return text;
}

int cmdJournal() {
    std::vector<unsigned char> buffer(AF_JOURNAL_BUFFER_SIZE, 0);
    DWORD returned = 0;
    if (!control(AF_CTL_READ_JOURNAL, nullptr, 0, buffer.data(), static_cast<DWORD>(buffer.size()), returned))
        return failed("read journal", GetLastError());
    if (returned < sizeof(AfJournalHeader)) return failed("read journal: short answer", returned);
    AfJournalHeader header;
    std::memcpy(&header, buffer.data(), sizeof header);
    const size_t room = (returned - sizeof header) / sizeof(AfJournalEntry);
    const size_t stored = header.stored < room ? header.stored : room;
    for (size_t i = 0; i < stored; ++i) {
        AfJournalEntry e;
        std::memcpy(&e, buffer.data() + sizeof header + i * sizeof e, sizeof e);
        const std::string lengths = " in=" + std::to_string(e.inLength) + " out=" + std::to_string(e.outLength);
        const std::string result = " info=" + std::to_string(e.information) + " status=" + statusText(e.status);
        if (e.kind == AF_KIND_OPEN) {
            std::printf("OPEN status=%s\n", statusText(e.status).c_str());
        } else if (e.kind == AF_KIND_CLOSE) {
            std::printf("CLOSE\n");
        } else if (e.code == AF_IOCTL_GET_EFFECT) {
            std::printf("GET %s%s sent=%s tail=%s%s\n", field(e.effect).c_str(), lengths.c_str(),
                        field(e.state).c_str(), field(e.tail).c_str(), result.c_str());
        } else if (e.code == AF_IOCTL_SET_EFFECT) {
            std::printf("SET %s %s%s tail=%s%s\n", field(e.effect).c_str(), field(e.state).c_str(), lengths.c_str(),
                        field(e.tail).c_str(), result.c_str());
        } else {
            std::printf("IOCTL 0x%08X%s%s\n", e.code, lengths.c_str(), result.c_str());
        }
    }
    std::printf("count=%u\n", header.total);
    if (header.total > stored) std::printf("dropped=%lu\n", static_cast<unsigned long>(header.total - stored));
    return kOk;
}

int cmdClear() {
    DWORD returned = 0;
    if (!control(AF_CTL_CLEAR_JOURNAL, nullptr, 0, nullptr, 0, returned)) return failed("clear journal", GetLastError());
    std::printf("cleared=1\n");
    return kOk;
}

int cmdStates(bool everything) {
    AfConfig c{};
    if (!readConfig(c)) return failed("get config", GetLastError());
    std::printf("AEC=%u NS=%u BF=%u\n", c.state[AF_EFFECT_AEC - 1], c.state[AF_EFFECT_NS - 1],
                c.state[AF_EFFECT_BF - 1]);
    if (everything)
        std::printf("fail_get=%u fail_set=%u short_get=%u odd_state=%u refuse_open=%u\n", c.failGet, c.failSet,
                    c.shortGet, c.oddState, c.refuseOpen);
    return kOk;
}

// The present interfaces of the audio class, as a program listing them would see them.
int cmdList() {
    DevInfo set(SetupDiGetClassDevsA(&kAudioInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (set.h == INVALID_HANDLE_VALUE) return failed("SetupDiGetClassDevs", GetLastError());
    unsigned count = 0;
    for (DWORD index = 0; index < 500; ++index) {
        SP_DEVICE_INTERFACE_DATA iface{};
        iface.cbSize = sizeof iface;
        if (!SetupDiEnumDeviceInterfaces(set.h, nullptr, &kAudioInterfaceClass, index, &iface)) {
            if (GetLastError() == ERROR_NO_MORE_ITEMS) break;
            continue;
        }
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        const std::string path = interfacePath(set.h, iface, &device);
        std::printf("interface=%s\n", path.c_str());
        std::printf("description=%s\n", stringProperty(set.h, device, SPDRP_DEVICEDESC).c_str());
        std::printf("hardware_id=%s\n", stringProperty(set.h, device, SPDRP_HARDWAREID).c_str());
        ++count;
    }
    std::printf("count=%u\n", count);
    return kOk;
}

int cmdLink(DWORD linked) {
    if (!setLinked(kDefaultPath, linked)) return failed("RegSetValueEx(Linked)", GetLastError());
    std::printf("linked=%lu\n", linked);
    return kOk;
}

// get/set: one request on the effect channel, sent as the program sends it (one
// buffer for input and output), with the lengths the test asks for.
int cmdRequest(bool isGet, int argc, char** argv) {
    unsigned long effect = 0, state = 0;
    int next = 1;
    if (argc < 1 || !parseUnsigned(argv[0], 0xFFFFFFFFul, effect)) return usage(), kUsage;
    if (!isGet) {
        if (argc < 2 || !parseUnsigned(argv[1], 255, state)) return usage(), kUsage;
        next = 2;
    }
    unsigned long inLength = AF_BLOCK_SIZE, outLength = isGet ? AF_BLOCK_SIZE : 0;
    std::string path = kDefaultPath;
    for (int i = next; i < argc; ++i) {
        const std::string word = argv[i];
        if (i + 1 >= argc) return usage(), kUsage;
        if (word == "--in") {
            if (!parseUnsigned(argv[++i], kMaxBlock, inLength)) return usage(), kUsage;
        } else if (word == "--out") {
            if (!parseUnsigned(argv[++i], kMaxBlock, outLength)) return usage(), kUsage;
        } else if (word == "--path") {
            path = argv[++i];
        } else {
            return usage(), kUsage;
        }
    }
    unsigned char block[kMaxBlock] = {};
    for (int i = 0; i < 4; ++i) block[i] = static_cast<unsigned char>(effect >> (8 * i));
    block[4] = static_cast<unsigned char>(state);
    Handle channel(CreateFileA((path + "\\AF").c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!channel.ok()) return failed("CreateFile", GetLastError());
    DWORD returned = 0;
    const DWORD code = isGet ? AF_IOCTL_GET_EFFECT : AF_IOCTL_SET_EFFECT;
    if (!DeviceIoControl(channel.h, code, inLength ? block : nullptr, inLength, outLength ? block : nullptr,
                         outLength, &returned, nullptr))
        return failed("DeviceIoControl", GetLastError());
    if (isGet) std::printf("state=%s\n", outLength > 4 ? std::to_string(block[4]).c_str() : "-");
    std::printf("returned=%lu\n", returned);
    return kOk;
}

// Wine ends its server, and the driver host with it, a few seconds after the last
// program of the prefix ends; a test without a program running keeps one of these.
int cmdHold(const char* seconds) {
    unsigned long limit = 0;
    if (!parseUnsigned(seconds, 3600, limit)) return usage(), kUsage;
    std::printf("holding=%lu\n", limit);
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(limit) * 1000);
    return kOk;
}

}  // namespace

int main(int argc, char** argv) {
    // Plain '\n' line ends: the shell reads the answers.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return usage(), kUsage;
    const std::string command = argv[1];
    const int args = argc - 2;
    char** arg = argv + 2;
    if (command == "install") return cmdInstall(args, arg);
    if (command == "mode") return cmdMode(args, arg);
    if (command == "journal" && args == 0) return cmdJournal();
    if (command == "clear" && args == 0) return cmdClear();
    if (command == "states" && args == 0) return cmdStates(false);
    if (command == "config" && args == 0) return cmdStates(true);
    if (command == "list" && args == 0) return cmdList();
    if (command == "path" && args == 0) return std::printf("path=%s\n", kDefaultPath), kOk;
    if (command == "link" && args == 0) return cmdLink(1);
    if (command == "unlink" && args == 0) return cmdLink(0);
    if (command == "hold" && args == 1) return cmdHold(arg[0]);
    if (command == "get") return cmdRequest(true, args, arg);
    if (command == "set") return cmdRequest(false, args, arg);
    usage();
    return kUsage;
}
