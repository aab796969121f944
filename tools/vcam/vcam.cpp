// vcam.dll: a camera for the Wine end-to-end tests. Registered in the video input
// category of a Wine prefix, it is found by the real DirectShow device enumerator and
// bound like a camera driver's capture filter; its custom property interface is
// answered by the same emulated camera the Linux tests use, and everything that camera
// sees is appended to the file named by VCAM_JOURNAL for the test script to read. It
// also answers IAMVideoProcAmp with fixed ranges, journaling every Set.
//
// Test equipment, never shipped.

#define NO_DSHOW_STRSAFE
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <ocidl.h>
#include <dshow.h>

#include <cstdio>
#include <map>
#include <new>
#include <string>

#include "platform/sim/EmulatedCamera.h"
#include "platform/win32/CameraCustomPropertyCom.h"

namespace {

using win32::ICameraCustomPropertyCom;

// {576EE25F-5045-4DC8-AF52-EFC8C05933C6}: the class the registration script names.
const CLSID kClsidVirtualCamera = {
    0x576ee25f, 0x5045, 0x4dc8, {0xaf, 0x52, 0xef, 0xc8, 0xc0, 0x59, 0x33, 0xc6}};

// --- the cameras -------------------------------------------------------------------
// Every bind makes a new filter object, but the camera behind a device path is one
// piece of hardware: its state lives here for the life of the process.

struct ProcAmpSetting {
    LONG value;
    LONG flags;
};

struct Device {
    sim::EmulatedCamera camera;
    std::string friendlyName;  // UTF-8, as the journal is written
    std::map<LONG, ProcAmpSetting> procAmp;  // what Set stored, by property
};

// --- the picture settings (IAMVideoProcAmp) ---------------------------------------------
// The ranges a typical laptop camera reports; a camera registered with "nohue" has
// no Hue range, as some drivers do.

struct ProcAmpRange {
    LONG property;
    LONG min;
    LONG max;
    LONG step;
    LONG defaultValue;
    LONG caps;
};

constexpr LONG kManual = VideoProcAmp_Flags_Manual;
constexpr LONG kAutoManual = VideoProcAmp_Flags_Auto | VideoProcAmp_Flags_Manual;
constexpr LONG kPowerlineFrequency = 13;  // the kernel-streaming id; IAMVideoProcAmp names it nowhere

constexpr ProcAmpRange kProcAmpRanges[] = {
    {VideoProcAmp_Brightness, 0, 255, 1, 128, kManual},
    {VideoProcAmp_Contrast, 0, 100, 1, 50, kManual},
    {VideoProcAmp_Hue, -180, 180, 1, 0, kManual},
    {VideoProcAmp_Saturation, 0, 100, 1, 64, kManual},
    {VideoProcAmp_Sharpness, 0, 7, 1, 3, kManual},
    {VideoProcAmp_Gamma, 100, 300, 1, 100, kManual},
    {VideoProcAmp_WhiteBalance, 2800, 6500, 1, 4600, kAutoManual},
    {VideoProcAmp_BacklightCompensation, 0, 2, 1, 1, kManual},
    {kPowerlineFrequency, 0, 2, 1, 1, kManual},
};

const ProcAmpRange* procAmpRangeOf(LONG property) {
    for (const ProcAmpRange& range : kProcAmpRanges) {
        if (range.property == property) return &range;
    }
    return nullptr;
}

std::string procAmpLine(LONG property, LONG value, LONG flags) {
    char line[64];
    std::snprintf(line, sizeof line, "procamp %ld %ld %ld", static_cast<long>(property), static_cast<long>(value),
                  static_cast<long>(flags));
    return line;
}

SRWLOCK g_devicesLock = SRWLOCK_INIT;
std::map<std::wstring, Device>* g_devices = nullptr;  // never freed: filters may outlive DLL detach order

class DevicesGuard {
public:
    DevicesGuard() { AcquireSRWLockExclusive(&g_devicesLock); }
    ~DevicesGuard() { ReleaseSRWLockExclusive(&g_devicesLock); }
    DevicesGuard(const DevicesGuard&) = delete;
    DevicesGuard& operator=(const DevicesGuard&) = delete;
};

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

// One open-append-close per line: a test that kills the program mid-way still reads
// everything the camera saw up to then. The variable is read each time, so the file
// follows whatever the process was started with.
void appendJournal(const std::string& friendlyName, const std::string& line) {
    wchar_t path[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(L"VCAM_JOURNAL", path, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = friendlyName + "\t" + line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Finds or creates the camera of a device path; the caller holds the lock.
Device& deviceFor(const std::wstring& devicePath, const std::string& friendlyName) {
    if (!g_devices) g_devices = new std::map<std::wstring, Device>();
    auto inserted = g_devices->try_emplace(devicePath);
    Device& device = inserted.first->second;
    device.friendlyName = friendlyName;
    if (inserted.second) {
        Device* self = &device;  // map nodes never move
        device.camera.setJournalListener([self](const std::string& line) { appendJournal(self->friendlyName, line); });
    }
    return device;
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

// --- the filter ----------------------------------------------------------------------
// A capture filter as far as the program looks at one: it is bound, loaded from its
// bag and asked for the driver's custom property interface. It never joins a graph,
// so the streaming side answers E_NOTIMPL.

class VirtualCameraFilter final : public IBaseFilter,
                                  public IPersistPropertyBag,
                                  public ICameraCustomPropertyCom,
                                  public IAMVideoProcAmp {
public:
    VirtualCameraFilter() = default;
    VirtualCameraFilter(const VirtualCameraFilter&) = delete;
    VirtualCameraFilter& operator=(const VirtualCameraFilter&) = delete;

    // IUnknown (one identity for all the bases)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist) {
            *out = static_cast<IBaseFilter*>(this);
        } else if (riid == IID_IPersistPropertyBag) {
            *out = static_cast<IPersistPropertyBag*>(this);
        } else if (riid == win32::kIID_CameraCustomProperty && m_answersCustom) {
            *out = static_cast<ICameraCustomPropertyCom*>(this);
        } else if (riid == IID_IAMVideoProcAmp) {
            *out = static_cast<IAMVideoProcAmp*>(this);
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
        // "nocustom": a camera whose driver does not answer the custom interface.
        m_answersCustom = options.find(L"nocustom") == std::wstring::npos;
        // "nohue": the proc amp has no Hue range.
        m_hasHue = options.find(L"nohue") == std::wstring::npos;
        DevicesGuard guard;
        m_device = &deviceFor(devicePath, toUtf8(friendlyName));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag*, BOOL, BOOL) override { return S_OK; }

    // The driver's custom property interface
    HRESULT STDMETHODCALLTYPE Reserved() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCustomProperty(ULONG id, void* data) override {
        if (!m_device) return E_UNEXPECTED;
        DevicesGuard guard;
        return static_cast<HRESULT>(m_device->camera.getCustomProperty(id, data));
    }
    HRESULT STDMETHODCALLTYPE SetCustomProperty(ULONG id, void* data) override {
        if (!m_device) return E_UNEXPECTED;
        DevicesGuard guard;
        return static_cast<HRESULT>(m_device->camera.setCustomProperty(id, data));
    }

    // IAMVideoProcAmp. Every Set is journaled, a refused one (no such range, value
    // outside it) with " refused" after it; the flags are journaled, not checked.
    HRESULT STDMETHODCALLTYPE GetRange(LONG property, LONG* min, LONG* max, LONG* step, LONG* defaultValue,
                                       LONG* caps) override {
        if (!m_device) return E_UNEXPECTED;
        if (!min || !max || !step || !defaultValue || !caps) return E_POINTER;
        DevicesGuard guard;
        const ProcAmpRange* range = rangeOf(property);
        if (!range) {
            appendJournal(m_device->friendlyName, "procamp range " + std::to_string(property) + " refused");
            return E_PROP_ID_UNSUPPORTED;
        }
        *min = range->min;
        *max = range->max;
        *step = range->step;
        *defaultValue = range->defaultValue;
        *caps = range->caps;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Set(LONG property, LONG value, LONG flags) override {
        if (!m_device) return E_UNEXPECTED;
        DevicesGuard guard;
        const std::string line = procAmpLine(property, value, flags);
        const ProcAmpRange* range = rangeOf(property);
        if (!range) {
            appendJournal(m_device->friendlyName, line + " refused");
            return E_PROP_ID_UNSUPPORTED;
        }
        if (value < range->min || value > range->max) {
            appendJournal(m_device->friendlyName, line + " refused");
            return E_INVALIDARG;
        }
        m_device->procAmp[property] = ProcAmpSetting{value, flags};
        appendJournal(m_device->friendlyName, line);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Get(LONG property, LONG* value, LONG* flags) override {
        if (!m_device) return E_UNEXPECTED;
        if (!value || !flags) return E_POINTER;
        const ProcAmpRange* range = rangeOf(property);
        if (!range) return E_PROP_ID_UNSUPPORTED;
        DevicesGuard guard;
        auto stored = m_device->procAmp.find(property);
        *value = stored != m_device->procAmp.end() ? stored->second.value : range->defaultValue;
        *flags = stored != m_device->procAmp.end() ? stored->second.flags : kManual;
        return S_OK;
    }

private:
    ~VirtualCameraFilter() = default;

    const ProcAmpRange* rangeOf(LONG property) const {
        if (property == VideoProcAmp_Hue && !m_hasHue) return nullptr;
        return procAmpRangeOf(property);
    }

    HRESULT setState(FILTER_STATE state) {
        m_state = state;
        return S_OK;
    }

    LONG m_refs = 1;
    FILTER_STATE m_state = State_Stopped;
    bool m_answersCustom = true;
    bool m_hasHue = true;
    Device* m_device = nullptr;  // set by Load
};

// --- the class factory ---------------------------------------------------------------

class ClassFactory final : public IClassFactory {
public:
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
        auto* filter = new (std::nothrow) VirtualCameraFilter();
        if (!filter) return E_OUTOFMEMORY;
        const HRESULT hr = filter->QueryInterface(riid, out);
        filter->Release();
        return hr;
    }
    // The DLL never unloads (see DllCanUnloadNow), so there is nothing to count.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

ClassFactory g_factory;

}  // namespace

extern "C" HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != kClsidVirtualCamera) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

// The cameras' state lives in this DLL's memory: unloading it would be unplugging
// every camera, which a real driver's state never sees between binds.
extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow() { return S_FALSE; }
