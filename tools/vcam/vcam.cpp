// vcam.dll: a camera for the Wine end-to-end tests. Registered in the video input
// category of a Wine prefix, it is found by the real DirectShow device enumerator and
// bound like a camera driver's capture filter. Everything behind the filter is the
// emulated camera the Linux tests use: the custom property interface (rotation,
// defaults, the extension-unit tunnel), IKsControl and IKsTopologyInfo (the extension
// unit as a topology node), IAMVideoProcAmp, and behind them the controller and its
// serial flash. What the camera sees is appended to the file named by VCAM_JOURNAL,
// and the flash image survives the process in a file under VCAM_STATE_DIR, so a test
// can start the program twice against the same camera.
//
// The bag's VcamOptions value (words separated by commas or blanks) says what kind of
// camera a registration is:
//   nocustom        the driver does not answer the custom property interface
//   nohue           the proc amp has no Hue range
//   noks            no IKsControl
//   notopology      no IKsTopologyInfo (the program then reaches the unit by the tunnel)
//   secondset       the unit answers the second of its two property sets
//   notready=<n>    the first n extension-unit requests answer ERROR_NOT_READY
//   ctrl=<hex>      controller id, register 0x20FF (default 85)
//   variant=<hex>   controller variant, register 0x20D0 (default 00)
//   flash=<hex>     flash type by the code the program derives (79 to 84), or
//                   flash=unknown / flash=blank
//   ledbyte=<hex>   a fresh flash (no saved image) holds this byte at 0xD000
//   nopages         the filter publishes no property pages
//
// Two environment variables of the process that loads it make faults for the flash
// tests (read when a camera is first bound in that process):
//   VCAM_FAULT=<mode>@<k>  the k-th extension-unit request (counted from 1 in this
//                   process) fails, comes back garbled, or is dropped (fail, garble,
//                   drop); from it on every request fails (unplug); or the program is
//                   ended with TerminateProcess just before it (kill)
//   VCAM_XULOG=<file>  every extension-unit request is appended as
//                   "<k> <set|get|len> <selector> <bytes sent>", for a test to find k
//
// The filter publishes one property page ("Camera", class sim::kPropertyPage), which
// this DLL implements too: a small dialog naming the camera. The page journals
// "page objects <n>", "page activate" and "page deactivate".
//
// Test equipment, never shipped.

#define NO_DSHOW_STRSAFE
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <ocidl.h>
#include <olectl.h>
#include <dshow.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "platform/sim/EmulatedCamera.h"
#include "platform/win32/CameraCustomPropertyCom.h"
#include "platform/win32/KsCom.h"

namespace {

using win32::ICameraCustomPropertyCom;
using win32::IKsControlCom;
using win32::IKsTopologyInfoCom;

// {576EE25F-5045-4DC8-AF52-EFC8C05933C6}: the class the registration script names.
const CLSID kClsidVirtualCamera = {
    0x576ee25f, 0x5045, 0x4dc8, {0xaf, 0x52, 0xef, 0xc8, 0xc0, 0x59, 0x33, 0xc6}};
// KSCATEGORY_CAPTURE and KSCATEGORY_VIDEO: what a camera's filter says it is.
const GUID kCategoryCapture = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
const GUID kCategoryVideo = {0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

constexpr HRESULT kSetNotFound = static_cast<HRESULT>(0x80070492u);  // HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND)
constexpr HRESULT kMoreData = static_cast<HRESULT>(0x800700EAu);     // HRESULT_FROM_WIN32(ERROR_MORE_DATA)
constexpr ULONG kFilterNode = 0xFFFFFFFFu;                            // KSFILTER_NODE
constexpr ULONG kNodePinOut = 0;                                      // KSNODEPIN_STANDARD_OUT
constexpr ULONG kNodePinIn = 1;                                       // KSNODEPIN_STANDARD_IN
constexpr std::size_t kLedAddress = 0xD000;

static_assert(sizeof(GUID) == sizeof(platform::Guid), "one GUID layout on both sides");

GUID toGuid(const platform::Guid& guid) {
    GUID out;
    std::memcpy(&out, &guid, sizeof out);
    return out;
}

// --- options -------------------------------------------------------------------------

struct Options {
    bool custom = true;
    bool hue = true;
    bool ks = true;
    bool topology = true;
    bool secondSet = false;
    unsigned notReady = 0;
    std::uint8_t controllerId = 0x85;
    std::uint8_t variant = 0x00;
    enum class Flash { Code, Unknown, Blank } flash = Flash::Code;
    std::uint8_t flashCode = 0x79;
    int ledByte = -1;  // -1: a fresh flash is erased throughout
    bool pages = true;
    std::vector<std::wstring> unknown;
};

bool parseNumber(const std::wstring& text, int base, unsigned long limit, unsigned long& value) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    value = std::wcstoul(text.c_str(), &end, base);
    return end != nullptr && *end == L'\0' && value <= limit;
}

bool parseHex(const std::wstring& text, unsigned long limit, unsigned long& value) {
    return parseNumber(text, 16, limit, value);
}

Options parseOptions(const std::wstring& text) {
    Options options;
    std::wstring word;
    auto take = [&options](const std::wstring& token) {
        if (token.empty()) return;
        const std::size_t equals = token.find(L'=');
        const std::wstring key = token.substr(0, equals);
        const std::wstring value = equals == std::wstring::npos ? std::wstring() : token.substr(equals + 1);
        unsigned long number = 0;
        if (token == L"nocustom") {
            options.custom = false;
        } else if (token == L"nohue") {
            options.hue = false;
        } else if (token == L"noks") {
            options.ks = false;
        } else if (token == L"notopology") {
            options.topology = false;
        } else if (token == L"nopages") {
            options.pages = false;
        } else if (token == L"secondset") {
            options.secondSet = true;
        } else if (key == L"notready" && parseNumber(value, 10, 0xFFFF, number)) {
            options.notReady = static_cast<unsigned>(number);
        } else if (key == L"ctrl" && parseHex(value, 0xFF, number)) {
            options.controllerId = static_cast<std::uint8_t>(number);
        } else if (key == L"variant" && parseHex(value, 0xFF, number)) {
            options.variant = static_cast<std::uint8_t>(number);
        } else if (key == L"flash" && value == L"unknown") {
            options.flash = Options::Flash::Unknown;
        } else if (key == L"flash" && value == L"blank") {
            options.flash = Options::Flash::Blank;
        } else if (key == L"flash" && parseHex(value, 0xFF, number)) {
            options.flash = Options::Flash::Code;
            options.flashCode = static_cast<std::uint8_t>(number);
        } else if (key == L"ledbyte" && parseHex(value, 0xFF, number)) {
            options.ledByte = static_cast<int>(number);
        } else {
            options.unknown.push_back(token);
        }
    };
    for (wchar_t c : text) {
        if (c == L',' || c == L' ' || c == L'\t') {
            take(word);
            word.clear();
        } else {
            word += c;
        }
    }
    take(word);
    return options;
}

// --- the cameras -------------------------------------------------------------------
// Every bind makes a new filter object, but the camera behind a device path is one
// piece of hardware: its state lives here for the life of the process, and its flash
// in a file for longer.

enum class LastPath { None, Node, Tunnel };

struct Device {
    sim::EmulatedCamera camera;
    std::string friendlyName;  // UTF-8, as the journal is written
    Options options;
    std::wstring flashFile;             // empty: the flash lives only as long as the process
    std::vector<std::uint8_t> savedFlash;  // what the file holds
    LastPath lastPath = LastPath::None;
};

SRWLOCK g_devicesLock = SRWLOCK_INIT;
std::map<std::wstring, Device>* g_devices = nullptr;  // never freed: filters may outlive DLL detach order

class DevicesGuard {
public:
    DevicesGuard() { AcquireSRWLockExclusive(&g_devicesLock); }
    ~DevicesGuard() { ReleaseSRWLockExclusive(&g_devicesLock); }
    DevicesGuard(const DevicesGuard&) = delete;
    DevicesGuard& operator=(const DevicesGuard&) = delete;
};

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr,
                            nullptr);
    }
    return out;
}

std::wstring environment(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return {};
    return std::wstring(value, length);
}

// One open-append-close per line: a test that kills the program mid-way still reads
// everything the camera saw up to then. The variable is read each time, so the file
// follows whatever the process was started with.
void appendJournal(const std::string& friendlyName, const std::string& line) {
    const std::wstring path = environment(L"VCAM_JOURNAL");
    if (path.empty()) return;
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = friendlyName + "\t" + line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The device path as a file name: letters and digits kept, everything else '_'. The
// test scripts derive the same name.
std::wstring flashFileName(const std::wstring& devicePath) {
    std::wstring name;
    for (wchar_t c : devicePath) {
        const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
        name += plain ? c : L'_';
    }
    return name + L".flash";
}

bool readWholeFile(const std::wstring& path, std::vector<std::uint8_t>& data) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    data.assign(sim::EmulatedFlash::kSize, 0);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
    CloseHandle(file);
    data.resize(ok ? read : 0);
    return ok != FALSE;
}

// Whole image at once: a program killed between transfers finds the file as it was
// after the last complete one.
void saveFlash(Device& device) {
    const std::vector<std::uint8_t>& image = device.camera.flash().data();
    if (device.flashFile.empty() || image == device.savedFlash) return;
    const std::wstring partial = device.flashFile + L".new";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, image.data(), static_cast<DWORD>(image.size()), &written, nullptr) &&
                    written == image.size();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!ok || !MoveFileExW(partial.c_str(), device.flashFile.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        appendJournal(device.friendlyName, "vcam flash save failed " + std::to_string(GetLastError()));
        return;
    }
    device.savedFlash = image;
}

// The camera as the options describe it, its flash from the saved image when there is one.
void plugIn(Device& device) {
    const Options& options = device.options;
    sim::EmulatedCamera& camera = device.camera;
    camera.driver().ksControl = options.ks;
    camera.driver().topologyInfo = options.topology;
    camera.driver().secondPropertySet = options.secondSet;
    camera.driver().notReadyAnswers = options.notReady;
    if (!options.hue) camera.removeProcAmpRange(VideoProcAmp_Hue);
    camera.controller().setId(options.controllerId);
    camera.controller().setVariant(options.variant);
    switch (options.flash) {
    case Options::Flash::Unknown: camera.flash().setChip(sim::EmulatedFlash::unknownChip()); break;
    case Options::Flash::Blank: camera.flash().setChip(sim::EmulatedFlash::blankChip()); break;
    case Options::Flash::Code: camera.flash().setChip(sim::EmulatedFlash::chip(options.flashCode)); break;
    }
    for (const std::wstring& word : options.unknown) {
        appendJournal(device.friendlyName, "vcam unknown option " + toUtf8(word));
    }

    std::vector<std::uint8_t> image;
    if (!device.flashFile.empty() && readWholeFile(device.flashFile, image) && !image.empty()) {
        camera.loadFlash(image);
        device.savedFlash = camera.flash().data();
        appendJournal(device.friendlyName,
                      "vcam flash loaded, d000 " + sim::hexNumber(camera.flash().data()[kLedAddress], 2));
        return;
    }
    if (options.ledByte >= 0) {
        camera.flash().data()[kLedAddress] = static_cast<std::uint8_t>(options.ledByte);
    }
    appendJournal(device.friendlyName,
                  "vcam flash fresh, d000 " + sim::hexNumber(camera.flash().data()[kLedAddress], 2));
    saveFlash(device);
}

sim::XuFault faultMode(const std::wstring& name) {
    if (name == L"fail") return sim::XuFault::Fail;
    if (name == L"garble") return sim::XuFault::Garble;
    if (name == L"drop") return sim::XuFault::Drop;
    if (name == L"unplug") return sim::XuFault::Unplug;
    if (name == L"kill") return sim::XuFault::Kill;
    return sim::XuFault::None;
}

void appendLine(const std::wstring& path, const std::string& line) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The faults and the request log the environment asks for.
void armFaults(Device& device) {
    const std::wstring xuLog = environment(L"VCAM_XULOG");
    if (!xuLog.empty()) {
        device.camera.setInterposer([xuLog](const sim::XuCall& call) {
            const char* what = call.request == sim::XuRequest::SetCur   ? "set"
                               : call.request == sim::XuRequest::GetCur ? "get"
                                                                        : "len";
            std::string line = std::to_string(call.number) + " " + what + " " + std::to_string(call.selector);
            if (call.data != nullptr && call.length > 0) line += " " + sim::hexBytes(call.data, call.length, 8);
            appendLine(xuLog, line);
            return sim::XuInterposition{};
        });
    }
    const std::wstring fault = environment(L"VCAM_FAULT");
    const std::size_t at = fault.find(L'@');
    unsigned long k = 0;
    if (at == std::wstring::npos || !parseNumber(fault.substr(at + 1), 10, 0xFFFFFFFFul, k) || k == 0) return;
    const sim::XuFault mode = faultMode(fault.substr(0, at));
    if (mode == sim::XuFault::None) return;
    Device* self = &device;
    device.camera.setFault(mode, static_cast<std::uint32_t>(k), [self, k] {
        // The program ends here: what the camera holds is on disk first.
        saveFlash(*self);
        appendJournal(self->friendlyName, "vcam kill at request " + std::to_string(k));
        TerminateProcess(GetCurrentProcess(), 9);
    });
    appendJournal(device.friendlyName, "vcam fault " + toUtf8(fault));
}

// Finds or creates the camera of a device path; the caller holds the lock.
Device& deviceFor(const std::wstring& devicePath, const std::string& friendlyName, const std::wstring& options) {
    if (!g_devices) g_devices = new std::map<std::wstring, Device>();
    auto inserted = g_devices->try_emplace(devicePath);
    Device& device = inserted.first->second;
    device.friendlyName = friendlyName;
    if (inserted.second) {
        Device* self = &device;  // map nodes never move
        device.camera.setJournalListener([self](const std::string& line) { appendJournal(self->friendlyName, line); });
        device.options = parseOptions(options);
        const std::wstring stateDir = environment(L"VCAM_STATE_DIR");
        if (!stateDir.empty()) device.flashFile = stateDir + L"\\" + flashFileName(devicePath);
        plugIn(device);
        armFaults(device);
    }
    return device;
}

// After every request that may have reached the controller: name the LED register
// writes (the journal shows them only as an address and a data transfer), keep the
// saved flash image current, and drop the model's own records, which would otherwise
// grow for as long as the program runs.
void afterRequest(Device& device) {
    for (const auto& [address, value] : device.camera.controller().registerWrites()) {
        if (address == sim::EmulatedController::kRegLed || address == sim::EmulatedController::kRegLedAlt) {
            appendJournal(device.friendlyName, "led " + sim::hexNumber(address, 4) + " " + sim::hexNumber(value, 2));
        }
    }
    saveFlash(device);
    device.camera.clearJournal();
}

// Which way the program reaches the extension unit, journaled when it changes.
void notePath(Device& device, LastPath path) {
    if (device.lastPath == path) return;
    device.lastPath = path;
    appendJournal(device.friendlyName, path == LastPath::Node ? "xu path node" : "xu path tunnel");
}

bool readBagString(IPropertyBag* bag, const wchar_t* name, std::wstring& out) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    const HRESULT hr = bag->Read(name, &value, nullptr);
    const bool ok = SUCCEEDED(hr) && value.vt == VT_BSTR && value.bstrVal != nullptr;
    if (ok) out.assign(value.bstrVal, SysStringLen(value.bstrVal));
    VariantClear(&value);
    return ok;
}

const wchar_t* nodeName(const platform::Guid& type) {
    if (type == sim::kNodeTypeVideoProcessing) return L"Video Processing";
    if (type == platform::kKSNODETYPE_DEV_SPECIFIC) return L"Extension Unit";
    return L"Node";
}

// --- the filter ----------------------------------------------------------------------
// A capture filter as far as the program looks at one: it is bound, loaded from its
// bag and asked for the driver's interfaces. It never joins a graph, so the streaming
// side answers E_NOTIMPL.

class VirtualCameraFilter final : public IBaseFilter,
                                  public IPersistPropertyBag,
                                  public ISpecifyPropertyPages,
                                  public ICameraCustomPropertyCom,
                                  public IAMVideoProcAmp,
                                  public IKsControlCom,
                                  public IKsTopologyInfoCom {
public:
    VirtualCameraFilter() = default;
    VirtualCameraFilter(const VirtualCameraFilter&) = delete;
    VirtualCameraFilter& operator=(const VirtualCameraFilter&) = delete;

    // IUnknown (one identity for all the bases)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        const Options* options = m_device ? &m_device->options : nullptr;
        if (riid == IID_IUnknown || riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist) {
            *out = static_cast<IBaseFilter*>(this);
        } else if (riid == IID_IPersistPropertyBag) {
            *out = static_cast<IPersistPropertyBag*>(this);
        } else if (riid == win32::kIID_CameraCustomProperty && options && options->custom) {
            *out = static_cast<ICameraCustomPropertyCom*>(this);
        } else if (riid == IID_ISpecifyPropertyPages && options && options->pages) {
            *out = static_cast<ISpecifyPropertyPages*>(this);
        } else if (riid == IID_IAMVideoProcAmp && options) {
            *out = static_cast<IAMVideoProcAmp*>(this);
        } else if (riid == win32::kIID_IKsControl && options && options->ks) {
            *out = static_cast<IKsControlCom*>(this);
        } else if (riid == win32::kIID_IKsTopologyInfo && options && options->topology) {
            *out = static_cast<IKsTopologyInfoCom*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = kClsidVirtualCamera;
        return S_OK;
    }

    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override { return setState(State_Stopped); }
    HRESULT STDMETHODCALLTYPE Pause() override { return setState(State_Paused); }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return setState(State_Running); }
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE* state) override {
        if (!state) return E_POINTER;
        *state = m_state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override {
        if (!clock) return E_POINTER;
        *clock = nullptr;
        return S_OK;
    }

    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override {
        if (pins) *pins = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin** pin) override {
        if (pin) *pin = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override {
        if (!info) return E_POINTER;
        info->achName[0] = L'\0';
        info->pGraph = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }

    // IPersistPropertyBag: the device enumerator hands over the device's bag before
    // anyone else sees the object; this is where the filter learns which camera it is.
    HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog*) override {
        if (!bag) return E_POINTER;
        std::wstring friendlyName, devicePath, options;
        readBagString(bag, L"FriendlyName", friendlyName);
        if (!readBagString(bag, L"DevicePath", devicePath)) return E_FAIL;
        readBagString(bag, L"VcamOptions", options);
        DevicesGuard guard;
        m_device = &deviceFor(devicePath, toUtf8(friendlyName), options);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag*, BOOL, BOOL) override { return S_OK; }

    // ISpecifyPropertyPages: the one page this DLL implements.
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override {
        if (!pages) return E_POINTER;
        pages->cElems = 0;
        pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
        if (!pages->pElems) return E_OUTOFMEMORY;
        pages->pElems[0] = toGuid(sim::kPropertyPage);
        pages->cElems = 1;
        return S_OK;
    }

    // The camera's name, for the page.
    std::string friendlyName() const { return m_device ? m_device->friendlyName : std::string(); }

    // The driver's custom property interface; property 35 is the extension-unit tunnel.
    HRESULT STDMETHODCALLTYPE Reserved() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCustomProperty(ULONG id, void* data) override {
        if (!m_device) return E_UNEXPECTED;
        DevicesGuard guard;
        if (id == sim::EmulatedCamera::kPropExtensionUnit) notePath(*m_device, LastPath::Tunnel);
        const HRESULT hr = static_cast<HRESULT>(m_device->camera.getCustomProperty(id, data));
        afterRequest(*m_device);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE SetCustomProperty(ULONG id, void* data) override {
        if (!m_device) return E_UNEXPECTED;
        DevicesGuard guard;
        if (id == sim::EmulatedCamera::kPropExtensionUnit) notePath(*m_device, LastPath::Tunnel);
        const HRESULT hr = static_cast<HRESULT>(m_device->camera.setCustomProperty(id, data));
        afterRequest(*m_device);
        return hr;
    }

    // IAMVideoProcAmp: the model's ranges and its journal ("procamp <property> <value>
    // <flags>", " refused" after a Set it did not take).
    HRESULT STDMETHODCALLTYPE GetRange(LONG property, LONG* min, LONG* max, LONG* step, LONG* defaultValue,
                                       LONG* caps) override {
        if (!m_device) return E_UNEXPECTED;
        if (!min || !max || !step || !defaultValue || !caps) return E_POINTER;
        DevicesGuard guard;
        sim::EmulatedCamera::ProcAmpRange range{};
        const HRESULT hr = static_cast<HRESULT>(m_device->camera.procAmpGetRange(property, range));
        if (SUCCEEDED(hr)) {
            *min = range.min;
            *max = range.max;
            *step = range.step;
            *defaultValue = range.defaultValue;
            *caps = range.caps;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Set(LONG property, LONG value, LONG flags) override {
        if (!m_device) return E_UNEXPECTED;
        DevicesGuard guard;
        return static_cast<HRESULT>(m_device->camera.procAmpSet(property, value, flags));
    }
    HRESULT STDMETHODCALLTYPE Get(LONG property, LONG* value, LONG* flags) override {
        if (!m_device) return E_UNEXPECTED;
        if (!value || !flags) return E_POINTER;
        DevicesGuard guard;
        sim::EmulatedCamera::ProcAmpRange range{};
        if (FAILED(static_cast<HRESULT>(m_device->camera.procAmpGetRange(property, range)))) {
            return static_cast<HRESULT>(0x80070490u);  // E_PROP_ID_UNSUPPORTED
        }
        *value = range.defaultValue;
        *flags = VideoProcAmp_Flags_Manual;
        for (const auto& [setProperty, setValue, setFlags] : m_device->camera.procAmpSets()) {
            if (setProperty == property) {
                *value = setValue;
                *flags = setFlags;
            }
        }
        return S_OK;
    }

    // IKsControl: property requests reach the model's topology nodes; the extension
    // unit has no methods or events.
    HRESULT STDMETHODCALLTYPE KsProperty(void* property, ULONG propertyLength, void* data, ULONG dataLength,
                                         ULONG* bytesReturned) override {
        if (!m_device) return E_UNEXPECTED;
        if (!property) return E_POINTER;
        // A short request is passed on with its length, which the model refuses; only
        // the bytes the caller gave are read.
        platform::KspNode request{};
        std::memcpy(&request, property, propertyLength < sizeof request ? propertyLength : sizeof request);
        DevicesGuard guard;
        notePath(*m_device, LastPath::Node);
        std::uint32_t returned = 0;
        const HRESULT hr =
            static_cast<HRESULT>(m_device->camera.ksProperty(request, propertyLength, data, dataLength, &returned));
        if (bytesReturned) *bytesReturned = returned;
        afterRequest(*m_device);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE KsMethod(void*, ULONG, void*, ULONG, ULONG* bytesReturned) override {
        if (bytesReturned) *bytesReturned = 0;
        return kSetNotFound;
    }
    HRESULT STDMETHODCALLTYPE KsEvent(void*, ULONG, void*, ULONG, ULONG* bytesReturned) override {
        if (bytesReturned) *bytesReturned = 0;
        return kSetNotFound;
    }

    // IKsTopologyInfo: the model's nodes, in a chain from the filter's input to its
    // output, as a camera's topology reads.
    HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD* count) override {
        if (!count) return E_POINTER;
        *count = 2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Category(DWORD index, GUID* category) override {
        if (!category) return E_POINTER;
        if (index > 1) return E_INVALIDARG;
        *category = index == 0 ? kCategoryCapture : kCategoryVideo;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD* count) override {
        if (!count) return E_POINTER;
        const DWORD nodes = nodeCount();
        *count = nodes + 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD index, void* connection) override {
        if (!connection) return E_POINTER;
        const DWORD nodes = nodeCount();
        if (index > nodes) return E_INVALIDARG;
        // KSTOPOLOGY_CONNECTION: from node, from pin, to node, to pin.
        const ULONG fields[4] = {index == 0 ? kFilterNode : index - 1, index == 0 ? 0 : kNodePinOut,
                                 index == nodes ? kFilterNode : index, index == nodes ? 1 : kNodePinIn};
        std::memcpy(connection, fields, sizeof fields);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NodeName(DWORD nodeId, WCHAR* name, DWORD bufferSize, DWORD* nameLength) override {
        if (!nameLength) return E_POINTER;
        if (!m_device) return E_UNEXPECTED;
        platform::Guid type{};
        {
            DevicesGuard guard;
            const HRESULT hr = static_cast<HRESULT>(m_device->camera.nodeType(nodeId, &type));
            if (FAILED(hr)) return hr;
        }
        const wchar_t* text = nodeName(type);
        const DWORD bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(WCHAR));
        *nameLength = bytes;
        if (!name || bufferSize < bytes) return kMoreData;
        std::memcpy(name, text, bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD* count) override {
        if (!count) return E_POINTER;
        if (!m_device) return E_UNEXPECTED;
        DevicesGuard guard;
        std::uint32_t value = 0;
        const HRESULT hr = static_cast<HRESULT>(m_device->camera.numNodes(&value));
        *count = value;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_NodeType(DWORD nodeId, GUID* nodeType) override {
        if (!nodeType) return E_POINTER;
        if (!m_device) return E_UNEXPECTED;
        DevicesGuard guard;
        platform::Guid type{};
        const HRESULT hr = static_cast<HRESULT>(m_device->camera.nodeType(nodeId, &type));
        if (SUCCEEDED(hr)) *nodeType = toGuid(type);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD, REFIID, void** object) override {
        if (object) *object = nullptr;
        return E_NOTIMPL;
    }

private:
    ~VirtualCameraFilter() = default;

    DWORD nodeCount() {
        if (!m_device) return 0;
        DevicesGuard guard;
        std::uint32_t value = 0;
        m_device->camera.numNodes(&value);
        return value;
    }

    HRESULT setState(FILTER_STATE state) {
        m_state = state;
        return S_OK;
    }

    LONG m_refs = 1;
    FILTER_STATE m_state = State_Stopped;
    Device* m_device = nullptr;  // set by Load
};

// --- the property page ---------------------------------------------------------------
// A page as the property frame drives it: it is given the filter (SetObjects), asked
// for its title and size, activated as a child dialog of the frame and shown. It has
// nothing to apply; it only names the camera.

constexpr int kPageWidthDlu = 160;
constexpr int kPageHeightDlu = 60;
constexpr int kPageTextId = 100;

// A child dialog template with one static text, built in memory: DLGTEMPLATE, the
// empty menu, class and title, then one DLGITEMTEMPLATE of class "STATIC".
std::vector<WORD> pageTemplate() {
    std::vector<WORD> words;
    auto put32 = [&words](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    auto putText = [&words](const wchar_t* text) {
        for (; *text; ++text) words.push_back(static_cast<WORD>(*text));
        words.push_back(0);
    };
    put32(WS_CHILD | DS_CONTROL | DS_3DLOOK);  // style
    put32(0);                                  // extended style
    words.push_back(1);                        // one item
    words.push_back(0);                        // x
    words.push_back(0);                        // y
    words.push_back(kPageWidthDlu);
    words.push_back(kPageHeightDlu);
    words.push_back(0);  // no menu
    words.push_back(0);  // the dialog class
    words.push_back(0);  // no title
    if (words.size() % 2 != 0) words.push_back(0);  // items start on a DWORD
    put32(WS_CHILD | WS_VISIBLE | SS_LEFT);
    put32(0);
    words.push_back(7);
    words.push_back(7);
    words.push_back(kPageWidthDlu - 14);
    words.push_back(20);
    words.push_back(kPageTextId);
    words.push_back(0xFFFF);
    words.push_back(0x0082);  // STATIC
    putText(L"Virtual camera");
    words.push_back(0);  // no creation data
    return words;
}

INT_PTR CALLBACK pageDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class VirtualCameraPage final : public IPropertyPage {
public:
    VirtualCameraPage() = default;
    VirtualCameraPage(const VirtualCameraPage&) = delete;
    VirtualCameraPage& operator=(const VirtualCameraPage&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPropertyPage) {
            *out = static_cast<IPropertyPage*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override {
        if (m_site) m_site->Release();
        m_site = site;
        if (m_site) m_site->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL) override {
        const std::vector<WORD> words = pageTemplate();
        m_window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                              reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), parent,
                                              pageDialogProc, 0);
        if (!m_window) return E_FAIL;
        const std::wstring text = L"Virtual camera: " + fromUtf8(m_camera);
        SetDlgItemTextW(m_window, kPageTextId, text.c_str());
        if (rect) Move(rect);
        journal("page activate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Deactivate() override {
        if (m_window) {
            DestroyWindow(m_window);
            m_window = nullptr;
            journal("page deactivate");
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override {
        if (!info) return E_POINTER;
        static const wchar_t kTitle[] = L"Camera";
        auto* title = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof kTitle));
        if (!title) return E_OUTOFMEMORY;
        std::memcpy(title, kTitle, sizeof kTitle);
        info->cb = sizeof *info;
        info->pszTitle = title;
        // The size in pixels: dialog units of the system font, as the frame expects.
        const LONG units = GetDialogBaseUnits();
        info->size.cx = MulDiv(kPageWidthDlu, LOWORD(units), 4);
        info->size.cy = MulDiv(kPageHeightDlu, HIWORD(units), 8);
        info->pszDocString = nullptr;
        info->pszHelpFile = nullptr;
        info->dwHelpContext = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
        m_camera.clear();
        if (count > 0 && objects && objects[0]) {
            IBaseFilter* filter = nullptr;
            if (SUCCEEDED(objects[0]->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter))) &&
                filter) {
                // Only this DLL's filters list this page.
                m_camera = static_cast<VirtualCameraFilter*>(filter)->friendlyName();
                filter->Release();
            }
        }
        journal("page objects " + std::to_string(count));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Show(UINT command) override {
        if (m_window) ShowWindow(m_window, static_cast<int>(command));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override {
        if (!rect) return E_POINTER;
        if (m_window) MoveWindow(m_window, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsPageDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Apply() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

private:
    ~VirtualCameraPage() {
        Deactivate();
        if (m_site) m_site->Release();
    }
    void journal(const std::string& line) const { appendJournal(m_camera, line); }

    LONG m_refs = 1;
    IPropertyPageSite* m_site = nullptr;
    HWND m_window = nullptr;
    std::string m_camera;  // UTF-8
};

// --- the class factory ---------------------------------------------------------------

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(bool page) : m_page(page) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Static object: its references do not own it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* object = m_page ? static_cast<IUnknown*>(static_cast<IPropertyPage*>(new (std::nothrow) VirtualCameraPage()))
                                  : static_cast<IUnknown*>(static_cast<IBaseFilter*>(new (std::nothrow) VirtualCameraFilter()));
        if (!object) return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, out);
        object->Release();
        return hr;
    }
    // The DLL never unloads (see DllCanUnloadNow), so there is nothing to count.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    bool m_page;  // makes property pages, not filters
};

ClassFactory g_filterFactory(false);
ClassFactory g_pageFactory(true);

}  // namespace

extern "C" HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid == kClsidVirtualCamera) return g_filterFactory.QueryInterface(riid, out);
    if (clsid == toGuid(sim::kPropertyPage)) return g_pageFactory.QueryInterface(riid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

// The cameras' state lives in this DLL's memory: unloading it would be unplugging
// every camera, which a real driver's state never sees between binds.
extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow() { return S_FALSE; }
