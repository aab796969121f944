#include "platform/win32/Win32AppVisibility.h"

#include <windows.h>
#include <objbase.h>

#include "platform/win32/AppVisibilityCom.h"
#include "platform/win32/ComPtr.h"

namespace win32 {

// The COM object the service calls back: carries each event to the program's sink.
// Its lifetime is its reference count; the service holds a reference from Advise to
// Unadvise, and the program's sink must outlive that.
class CAppVisibilityNotificationSubscriber final : public IAppVisibilityEventsCom {
public:
    explicit CAppVisibilityNotificationSubscriber(platform::IAppVisibilityEvents& sink) : m_sink(sink) {}
    CAppVisibilityNotificationSubscriber(const CAppVisibilityNotificationSubscriber&) = delete;
    CAppVisibilityNotificationSubscriber& operator=(const CAppVisibilityNotificationSubscriber&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIID_AppVisibilityEvents)) {
            *ppv = static_cast<IAppVisibilityEventsCom*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }

    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&m_references);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE AppVisibilityOnMonitorChanged(HMONITOR monitor, MonitorAppVisibilityCom previousMode,
                                                            MonitorAppVisibilityCom currentMode) override {
        m_sink.AppVisibilityOnMonitorChanged(reinterpret_cast<platform::MonitorHandle>(monitor),
                                             static_cast<int>(previousMode), static_cast<int>(currentMode));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE LauncherVisibilityChange(BOOL currentVisibleState) override {
        m_sink.LauncherVisibilityChange(currentVisibleState != FALSE);
        return S_OK;
    }

private:
    // Only ever destroyed by its last Release.
    ~CAppVisibilityNotificationSubscriber() = default;

    platform::IAppVisibilityEvents& m_sink;
    LONG m_references = 1;
};

namespace {

class Win32AppVisibility final : public platform::IAppVisibility {
public:
    explicit Win32AppVisibility(ComPtr<IAppVisibilityCom> object) : m_object(std::move(object)) {}
    Win32AppVisibility(const Win32AppVisibility&) = delete;
    Win32AppVisibility& operator=(const Win32AppVisibility&) = delete;

    platform::HResult GetAppVisibilityOnMonitor(platform::MonitorHandle monitor, int& mode) override {
        // Starts from the caller's value so that a call which writes nothing leaves it.
        auto value = static_cast<MonitorAppVisibilityCom>(mode);
        HRESULT hr = m_object->GetAppVisibilityOnMonitor(reinterpret_cast<HMONITOR>(monitor), &value);
        mode = static_cast<int>(value);
        return hr;
    }

    platform::HResult IsLauncherVisible(bool& visible) override {
        BOOL value = visible ? TRUE : FALSE;
        HRESULT hr = m_object->IsLauncherVisible(&value);
        visible = value != FALSE;
        return hr;
    }

    platform::HResult Advise(platform::IAppVisibilityEvents& sink, std::uint32_t& cookie) override {
        // The service takes its own reference if it keeps the subscriber; ours ends
        // with this scope, which frees the subscriber at once when Advise failed.
        const ComPtr<CAppVisibilityNotificationSubscriber> subscriber(new CAppVisibilityNotificationSubscriber(sink));
        DWORD value = cookie;
        HRESULT hr = m_object->Advise(subscriber.get(), &value);
        cookie = value;
        return hr;
    }

    platform::HResult Unadvise(std::uint32_t cookie) override { return m_object->Unadvise(cookie); }

private:
    ComPtr<IAppVisibilityCom> m_object;
};

}  // namespace

platform::HResult Win32AppVisibilityService::create(std::unique_ptr<platform::IAppVisibility>& out) {
    out.reset();
    void* object = nullptr;
    HRESULT hr = CoCreateInstance(kCLSID_AppVisibility, nullptr, CLSCTX_INPROC_SERVER, kIID_AppVisibility, &object);
    if (SUCCEEDED(hr) && object != nullptr) {
        out = std::make_unique<Win32AppVisibility>(ComPtr<IAppVisibilityCom>(static_cast<IAppVisibilityCom*>(object)));
    }
    return hr;
}

}  // namespace win32
