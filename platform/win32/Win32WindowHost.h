// The main dialog on real Windows: created modeless from its template and driven by
// our own modal loop, so every queued message (thread messages included) passes the
// program's pre-translation before the dialog manager sees it.
#pragma once

#include <windows.h>

#include "platform/WindowHost.h"

namespace win32 {

class Win32WindowHost final : public platform::IWindowHost {
public:
    Win32WindowHost();
    ~Win32WindowHost() override;
    Win32WindowHost(const Win32WindowHost&) = delete;
    Win32WindowHost& operator=(const Win32WindowHost&) = delete;

    int runModalDialog(int templateId, platform::IDialogHandler& handler) override;
    void endDialog(int result) override;

    platform::Hwnd window() const override;
    bool postMessage(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam) override;
    platform::LResult sendMessage(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam) override;
    void postQuitMessage(int exitCode) override;
    std::uint32_t registerWindowMessage(const std::string& name) override;

    bool setTimer(std::uint32_t id, std::uint32_t elapseMs) override;
    bool killTimer(std::uint32_t id) override;

    bool showWindow(int showCommand) override;
    bool isWindowVisible() const override;
    bool isIconic() const override;
    bool moveWindowNoSize(int x, int y) override;
    platform::Rect getClientRect() const override;
    int getSystemMetrics(int index) const override;

    bool setDlgItemText(int id, const std::string& text) override;
    std::string getDlgItemText(int id) const override;
    bool enableDlgItem(int id, bool enable) override;
    bool setWindowText(const std::string& text) override;
    std::string getWindowText() const override;

    int comboAddString(int id, const std::string& text) override;
    int comboSelectString(int id, int startAfter, const std::string& text) override;
    int comboResetContent(int id) override;
    int comboFindString(int id, int startAfter, const std::string& text) const override;
    int comboDeleteString(int id, int index) override;
    int comboGetCurSel(int id) const override;
    int comboGetCount(int id) const override;
    std::string comboGetText(int id, int index) const override;

    platform::LResult setIconBig() override;
    platform::LResult mainIconHandle() const override;
    platform::Size iconSize() const override;
    void paintIcon(int x, int y) override;

    void closeOwnedWindows() override;
    platform::Hwnd findWindow(const char* className, const char* title) const override;
    platform::LResult sendMessageTo(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam,
                                    platform::LParam lParam) override;

    int messageBox(const std::string& text, const std::string& caption, std::uint32_t type) override;

private:
    // One running dialog. Frames live on the stack of runModalDialog; a dialog run
    // from inside another one pushes a new frame and the host talks to the innermost.
    struct Frame {
        platform::IDialogHandler* handler = nullptr;
        HWND hwnd = nullptr;
        WNDPROC original = nullptr;  // the dialog class procedure we subclassed away
        bool ended = false;
        int result = -1;
        Frame* outer = nullptr;
    };

    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK hostWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // The frame that drives `hwnd`, found in this process's own frames: the window's
    // data is writable by any process of the user, so dispatch never trusts it.
    static Frame* frameOf(HWND hwnd);

    HWND current() const { return m_frame != nullptr ? m_frame->hwnd : nullptr; }

    Frame* m_frame = nullptr;
    HICON m_icon = nullptr;
};

}  // namespace win32
