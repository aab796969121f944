#include "platform/win32/Win32Dialogs.h"

#include <windows.h>

namespace win32 {
namespace {

// One running dialog box: its window once created, and the handler it talks to.
class Box final : public platform::IDialogWindow {
public:
    Box(platform::IDialogBoxHandler& handler, Box* outer) : m_handler(handler), m_outer(outer) {}

    platform::Hwnd window() const override { return reinterpret_cast<platform::Hwnd>(m_hwnd); }
    bool setWindowText(const std::string& text) override { return SetWindowTextA(m_hwnd, text.c_str()) != FALSE; }
    bool setDlgItemText(int id, const std::string& text) override {
        return SetDlgItemTextA(m_hwnd, id, text.c_str()) != FALSE;
    }
    bool checkDlgButton(int id, std::uint32_t check) override { return CheckDlgButton(m_hwnd, id, check) != FALSE; }
    std::uint32_t isDlgButtonChecked(int id) const override { return IsDlgButtonChecked(m_hwnd, id); }
    void endDialog(int result) override { EndDialog(m_hwnd, result); }

    platform::IDialogBoxHandler& m_handler;
    Box* m_outer;
    HWND m_hwnd = nullptr;
};

// The boxes running on the thread, innermost first. A message is handed to the box
// whose window it is for, looked up here rather than in window data another process
// could change.
Box* g_boxes = nullptr;

Box* boxOf(HWND hwnd) {
    for (Box* box = g_boxes; box != nullptr; box = box->m_outer) {
        if (box->m_hwnd == hwnd) {
            return box;
        }
    }
    return nullptr;
}

INT_PTR CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        // Only the box being created is initialised, once: the innermost one, which has
        // no window yet. Another WM_INITDIALOG (its lParam is the sender's) is not read.
        Box* box = g_boxes;
        if (box == nullptr || box->m_hwnd != nullptr || reinterpret_cast<Box*>(lParam) != box) {
            return FALSE;
        }
        box->m_hwnd = hwnd;
        return box->m_handler.onInitDialog(*box) ? TRUE : FALSE;
    }
    if (msg == WM_COMMAND) {
        Box* box = boxOf(hwnd);
        if (box == nullptr) {
            return FALSE;
        }
        return box->m_handler.onCommand(*box, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    }
    // Everything else gets the dialog defaults (WM_CLOSE becomes IDCANCEL there).
    return FALSE;
}

}  // namespace

int Win32Dialogs::dialogBox(platform::Hwnd owner, int templateId, platform::IDialogBoxHandler& handler) {
    Box box(handler, g_boxes);
    g_boxes = &box;
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                           reinterpret_cast<HWND>(owner), &BoxProc, reinterpret_cast<LPARAM>(&box));
    g_boxes = box.m_outer;
    return static_cast<int>(result);
}

}  // namespace win32
