// minrotate: the least a program must do to answer a display change the way
// Tiltmate does, for the latency figures of scripts/bench, which report Tiltmate's
// time as a ratio to this one's. At WM_DISPLAYCHANGE it walks the video input
// devices once (DirectShow's system device enumerator) and, for each camera whose
// name holds the VideoFriendly text of the bkg.ini beside it, binds the capture
// filter and sets the driver's custom rotation property (7) once. It rests as a
// hidden dialog of the kind probe.exe looks for (class #32770 holding control
// 1002); WM_USER+155 ends it. Test equipment, never shipped.
#define NO_DSHOW_STRSAFE
#include <windows.h>
#include <dshow.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstring>

#include "platform/win32/CameraCustomPropertyCom.h"

namespace {

constexpr int kVideoDeviceBox = 1002;
constexpr UINT kMsgQuit = WM_USER + 155;
constexpr ULONG kRotationProperty = 7;
constexpr DWORD kNoRotate = 8;  // rotation 0 with the no-rotate flag the policy adds by default
constexpr int kMaxDevices = 500;  // the companion lists at most this many video devices

WCHAR g_friendly[256] = L"Tavrin";

struct DialogTemplate {
    alignas(DWORD) WORD words[64];
};

// A dialog template of one combo box, built in memory: one file, no resources.
DialogTemplate makeTemplate() {
    DialogTemplate t{};
    WORD* w = t.words;
    auto* dialog = reinterpret_cast<DLGTEMPLATE*>(w);
    dialog->style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;  // never WS_VISIBLE
    dialog->cdit = 1;
    dialog->cx = 200;
    dialog->cy = 100;
    w += sizeof(DLGTEMPLATE) / sizeof(WORD);
    *w++ = 0;  // no menu
    *w++ = 0;  // the dialog class
    *w++ = 0;  // no title
    if ((reinterpret_cast<ULONG_PTR>(w) & 3) != 0) ++w;  // items start on a DWORD
    auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(w);
    item->style = WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST;
    item->x = 10;
    item->y = 10;
    item->cx = 150;
    item->cy = 60;
    item->id = kVideoDeviceBox;
    w += sizeof(DLGITEMTEMPLATE) / sizeof(WORD);
    *w++ = 0xFFFF;
    *w++ = 0x0085;  // the combo box class
    *w++ = 0;       // no text
    *w++ = 0;       // no creation data
    return t;
}

void readSettings() {
    char path[MAX_PATH + 16] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = length > 0 && length < MAX_PATH ? std::strrchr(path, '\\') : nullptr;
    if (slash == nullptr) return;
    std::strcpy(slash, "\\bkg.ini");
    char friendly[256] = {};
    if (GetPrivateProfileStringA("Snap", "VideoFriendly", "Tavrin", friendly, sizeof friendly, path) > 0) {
        MultiByteToWideChar(CP_ACP, 0, friendly, -1, g_friendly, 256);
        g_friendly[255] = L'\0';
    }
}

bool nameMatches(IMoniker* moniker) {
    IPropertyBag* bag = nullptr;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag))) ||
        bag == nullptr) {
        return false;
    }
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    bool matches = false;
    if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR && name.bstrVal != nullptr) {
        matches = wcsstr(name.bstrVal, g_friendly) != nullptr;
    }
    VariantClear(&name);
    bag->Release();
    return matches;
}

void setRotation(IMoniker* moniker) {
    IBaseFilter* filter = nullptr;
    if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter))) ||
        filter == nullptr) {
        return;
    }
    win32::ICameraCustomPropertyCom* custom = nullptr;
    if (SUCCEEDED(filter->QueryInterface(win32::kIID_CameraCustomProperty, reinterpret_cast<void**>(&custom))) &&
        custom != nullptr) {
        DWORD value = kNoRotate;
        custom->SetCustomProperty(kRotationProperty, &value);
        custom->Release();
    }
    filter->Release();
}

// One walk of the video input devices, one property set per matching camera.
void rotatePass() {
    ICreateDevEnum* devices = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&devices))) ||
        devices == nullptr) {
        return;
    }
    IEnumMoniker* monikers = nullptr;
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) == S_OK && monikers != nullptr) {
        IMoniker* moniker = nullptr;
        for (int n = 0; n < kMaxDevices && monikers->Next(1, &moniker, nullptr) == S_OK && moniker != nullptr; ++n) {
            if (nameMatches(moniker)) setRotation(moniker);
            moniker->Release();
            moniker = nullptr;
        }
        monikers->Release();
    }
    devices->Release();
}

INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_DISPLAYCHANGE:
        rotatePass();
        return TRUE;
    case kMsgQuit:
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CoInitialize(nullptr);
    readSettings();
    const DialogTemplate t = makeTemplate();
    HWND dialog = CreateDialogIndirectParamA(instance, reinterpret_cast<const DLGTEMPLATE*>(t.words), nullptr,
                                             dialogProc, 0);
    if (dialog == nullptr) return 1;
    MSG msg;
    // GetMessage returns 0 at WM_QUIT and -1 on failure: both end the loop.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    CoUninitialize();
    return 0;
}
