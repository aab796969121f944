// minstart: the least a program must do to start the way Tiltmate does, for the
// start-up figure of scripts/bench, which reports Tiltmate's time as a ratio to
// this one's. It initialises COM, reads its settings from the bkg.ini beside it,
// registers for the arrivals of video interfaces, and rests as a hidden dialog of
// the kind probe.exe looks for (class #32770 holding control 1002). WM_USER+155
// ends it, as it ends the companion. Test equipment, never shipped.
#include <windows.h>
#include <dbt.h>
#include <objbase.h>

#include <cstring>

namespace {

constexpr int kVideoDeviceBox = 1002;
constexpr UINT kMsgQuit = WM_USER + 155;

// KSCATEGORY_VIDEO, the interface class of the camera's video side.
constexpr GUID kVideoInterfaceClass = {0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// A dialog template of one combo box, built in memory: one file, no resources.
struct DialogTemplate {
    alignas(DWORD) WORD words[64];
};

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

void readSettings(char (&friendly)[256]) {
    char path[MAX_PATH + 16] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = length > 0 && length < MAX_PATH ? std::strrchr(path, '\\') : nullptr;
    if (slash == nullptr) return;
    std::strcpy(slash, "\\bkg.ini");
    GetPrivateProfileStringA("Snap", "VideoFriendly", "Tavrin", friendly, sizeof friendly, path);
}

INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        char friendly[256] = {};
        readSettings(friendly);
        DEV_BROADCAST_DEVICEINTERFACE_A filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kVideoInterfaceClass;
        RegisterDeviceNotificationA(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        return TRUE;
    }
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
