// avis.dll: a test class for CLSID_AppVisibility, the shell's app-visibility service
// that Wine does not have. The programs create it in process and subscribe to its
// events; avctl.exe plays the shell and raises changes through a named section.
//
// Registered `Apartment`: Wine has no proxy for IAppVisibilityEvents, so the sink can
// never be handed to another apartment. Each object keeps a worker thread of its own as
// the "system" side; the worker posts every change to a message-only window that the
// object created on its creator's thread, and that window calls the sinks. So the events
// reach the program on its own thread, from its message loop, as COM delivers a call into
// a single-threaded apartment.
//
// AVIS_JOURNAL names a file (a Windows path) that every call and event is appended to,
// one line each, so a test can see what the program asked and what it was told.

#include <windows.h>
#include <unknwn.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/win32/AppVisibilityCom.h"
#include "tools/avis/avis_shared.h"

using win32::IAppVisibilityCom;
using win32::IAppVisibilityEventsCom;
using win32::MonitorAppVisibilityCom;

namespace {

constexpr UINT kMsgRaise = WM_APP + 1;
constexpr DWORD kPollMs = 20;
constexpr DWORD kStopWaitMs = 5000;
constexpr int kMaxSinks = 8;
constexpr const char* kWindowClass = "CompanionTestAppVisibility";

HINSTANCE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;

void Journal(const char* format, ...) {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("AVIS_JOURNAL", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    char line[256];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(line, sizeof line - 2, format, args);
    va_end(args);
    if (written < 0) return;
    if (written > static_cast<int>(sizeof line) - 3) written = static_cast<int>(sizeof line) - 3;
    line[written++] = '\n';
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD done = 0;
    WriteFile(file, line, static_cast<DWORD>(written), &done, nullptr);
    CloseHandle(file);
}

class AppVisibility final : public IAppVisibilityCom {
public:
    AppVisibility() { InterlockedIncrement(&g_objects); }

    // Everything that can fail; the object is released when this fails.
    HRESULT Init() {
        m_shared = avis::OpenShared(m_mapping);
        if (m_shared == nullptr) return E_OUTOFMEMORY;
        InterlockedIncrement(&m_shared->liveObjects);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = g_module;
        windowClass.lpszClassName = kWindowClass;
        if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return E_FAIL;
        m_window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_module, nullptr);
        if (m_window == nullptr) return E_FAIL;
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_lastSeen = m_shared->sequence;
        m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (m_stop == nullptr) return E_FAIL;
        m_worker = CreateThread(nullptr, 0, Worker, this, 0, nullptr);
        if (m_worker == nullptr) return E_FAIL;
        Journal("create thread=%lu", GetCurrentThreadId());
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, win32::kIID_AppVisibility)) {
            *ppv = static_cast<IAppVisibilityCom*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }

    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetAppVisibilityOnMonitor(HMONITOR, MonitorAppVisibilityCom* mode) override {
        if (mode == nullptr) return E_POINTER;
        *mode = static_cast<MonitorAppVisibilityCom>(m_shared->monitorMode);
        Journal("GetAppVisibilityOnMonitor mode=%ld", m_shared->monitorMode);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE IsLauncherVisible(BOOL* visible) override {
        if (visible == nullptr) return E_POINTER;
        *visible = m_shared->launcherVisible != 0 ? TRUE : FALSE;
        Journal("IsLauncherVisible visible=%d", *visible);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Advise(IAppVisibilityEventsCom* callback, DWORD* cookie) override {
        if (callback == nullptr || cookie == nullptr) return E_POINTER;
        for (Sink& sink : m_sinks) {
            if (sink.callback != nullptr) continue;
            sink.callback = callback;
            callback->AddRef();
            sink.cookie = ++m_lastCookie;
            *cookie = sink.cookie;
            InterlockedIncrement(&m_shared->advised);
            Journal("Advise cookie=%lu thread=%lu", sink.cookie, GetCurrentThreadId());
            return S_OK;
        }
        return E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        for (Sink& sink : m_sinks) {
            if (sink.callback == nullptr || sink.cookie != cookie) continue;
            sink.callback->Release();
            sink.callback = nullptr;
            InterlockedDecrement(&m_shared->advised);
            Journal("Unadvise cookie=%lu", cookie);
            return S_OK;
        }
        Journal("Unadvise cookie=%lu unknown", cookie);
        return E_INVALIDARG;
    }

private:
    struct Sink {
        IAppVisibilityEventsCom* callback = nullptr;
        DWORD cookie = 0;
    };

    ~AppVisibility() {
        if (m_worker != nullptr) {
            SetEvent(m_stop);
            WaitForSingleObject(m_worker, kStopWaitMs);
            CloseHandle(m_worker);
        }
        if (m_stop != nullptr) CloseHandle(m_stop);
        if (m_window != nullptr) DestroyWindow(m_window);
        for (Sink& sink : m_sinks) {
            if (sink.callback == nullptr) continue;
            sink.callback->Release();
            InterlockedDecrement(&m_shared->advised);
        }
        if (m_shared != nullptr) {
            InterlockedDecrement(&m_shared->liveObjects);
            Journal("release");
            UnmapViewOfFile(m_shared);
        }
        if (m_mapping != nullptr) CloseHandle(m_mapping);
        InterlockedDecrement(&g_objects);
    }

    // The "system": notices each change avctl raises and hands it to the object's thread.
    static DWORD WINAPI Worker(void* context) {
        auto* self = static_cast<AppVisibility*>(context);
        LONG lastSeen = self->m_lastSeen;
        while (WaitForSingleObject(self->m_stop, kPollMs) == WAIT_TIMEOUT) {
            const LONG sequence = InterlockedCompareExchange(&self->m_shared->sequence, 0, 0);
            if (sequence == lastSeen) continue;
            lastSeen = sequence;
            PostMessageA(self->m_window, kMsgRaise, static_cast<WPARAM>(sequence), 0);
        }
        return 0;
    }

    // On the object's own thread: calls every sink with the change.
    void Raise(LONG sequence) {
        const LONG kind = m_shared->kind;
        int calls = 0;
        Sink sinks[kMaxSinks];
        std::memcpy(static_cast<void*>(sinks), m_sinks, sizeof sinks);
        for (Sink& sink : sinks) {
            if (sink.callback != nullptr) sink.callback->AddRef();
        }
        const HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        for (Sink& sink : sinks) {
            if (sink.callback == nullptr) continue;
            if (kind == avis::kLauncher) {
                sink.callback->LauncherVisibilityChange(m_shared->launcherVisible != 0 ? TRUE : FALSE);
            } else if (kind == avis::kMonitor) {
                sink.callback->AppVisibilityOnMonitorChanged(
                    monitor, static_cast<MonitorAppVisibilityCom>(m_shared->previousMode),
                    static_cast<MonitorAppVisibilityCom>(m_shared->monitorMode));
            }
            sink.callback->Release();
            ++calls;
        }
        if (kind == avis::kLauncher) {
            Journal("event %ld launcher visible=%ld sinks=%d thread=%lu", sequence, m_shared->launcherVisible, calls,
                    GetCurrentThreadId());
        } else {
            Journal("event %ld monitor previous=%ld current=%ld sinks=%d thread=%lu", sequence, m_shared->previousMode,
                    m_shared->monitorMode, calls, GetCurrentThreadId());
        }
        InterlockedExchange(&m_shared->delivered, sequence);
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kMsgRaise) {
            auto* self = reinterpret_cast<AppVisibility*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (self != nullptr) {
                self->AddRef();
                self->Raise(static_cast<LONG>(wParam));
                self->Release();
            }
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    LONG m_references = 1;
    HANDLE m_mapping = nullptr;
    avis::SharedState* m_shared = nullptr;
    HWND m_window = nullptr;
    HANDLE m_stop = nullptr;
    HANDLE m_worker = nullptr;
    LONG m_lastSeen = 0;
    DWORD m_lastCookie = 0;
    Sink m_sinks[kMaxSinks];
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) AppVisibility();
        if (object == nullptr) return E_OUTOFMEMORY;
        HRESULT hr = object->Init();
        if (SUCCEEDED(hr)) hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&g_locks);
        } else {
            InterlockedDecrement(&g_locks);
        }
        return S_OK;
    }
};

Factory g_factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, win32::kCLSID_AppVisibility)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }
