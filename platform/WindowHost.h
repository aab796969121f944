// The main window as the program sees it: one modal dialog from a resource template,
// its message loop, timers, posted and sent messages, placement and controls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Types.h"

namespace platform {

// Runs the dialog's default processing (what the window would do had the program
// not handled the message) and returns its result. Calling it more than once runs
// it once.
class IDefaultProcessing {
public:
    virtual LResult callDefault() = 0;

protected:
    ~IDefaultProcessing() = default;
};

// What the program plugs into the window.
class IDialogHandler {
public:
    virtual ~IDialogHandler() = default;

    // Every message the modal loop takes from the thread's queue, before it is
    // dispatched; hwnd is 0 for a message posted to the thread. True swallows it.
    virtual bool preTranslateMessage(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) = 0;

    // The window procedure. An empty result lets the host run default processing
    // afterwards (unless the handler already called it) and return its result.
    virtual std::optional<LResult> windowProc(std::uint32_t msg, WParam wParam, LParam lParam,
                                              IDefaultProcessing& defaultProcessing) = 0;
};

class IWindowHost {
public:
    virtual ~IWindowHost() = default;

    // Creates the dialog from its template and runs its modal loop until endDialog.
    // Returns the value given to endDialog, or -1 when the dialog cannot be created.
    virtual int runModalDialog(int templateId, IDialogHandler& handler) = 0;
    virtual void endDialog(int result) = 0;

    virtual Hwnd window() const = 0;
    virtual bool postMessage(std::uint32_t msg, WParam wParam, LParam lParam) = 0;
    virtual LResult sendMessage(std::uint32_t msg, WParam wParam, LParam lParam) = 0;
    virtual void postQuitMessage(int exitCode) = 0;
    virtual std::uint32_t registerWindowMessage(const std::string& name) = 0;

    // Timers of the main window; setting an id again restarts it.
    virtual bool setTimer(std::uint32_t id, std::uint32_t elapseMs) = 0;
    virtual bool killTimer(std::uint32_t id) = 0;

    virtual bool showWindow(int showCommand) = 0;
    virtual bool isWindowVisible() const = 0;
    virtual bool isIconic() const = 0;
    // SetWindowPos with SWP_NOSIZE | SWP_NOZORDER.
    virtual bool moveWindowNoSize(int x, int y) = 0;
    virtual Rect getClientRect() const = 0;
    virtual int getSystemMetrics(int index) const = 0;

    virtual bool setDlgItemText(int id, const std::string& text) = 0;
    virtual std::string getDlgItemText(int id) const = 0;
    virtual bool enableDlgItem(int id, bool enable) = 0;
    virtual bool setWindowText(const std::string& text) = 0;
    virtual std::string getWindowText() const = 0;

    // Combo boxes of the dialog (CB_ messages to the control with this id).
    virtual int comboAddString(int id, const std::string& text) = 0;                  // CB_ADDSTRING
    virtual int comboSelectString(int id, int startAfter, const std::string& text) = 0;  // CB_SELECTSTRING
    virtual int comboResetContent(int id) = 0;                                         // CB_RESETCONTENT
    virtual int comboFindString(int id, int startAfter, const std::string& text) const = 0;  // CB_FINDSTRING
    virtual int comboDeleteString(int id, int index) = 0;                                // CB_DELETESTRING
    virtual int comboGetCurSel(int id) const = 0;                                      // CB_GETCURSEL
    virtual int comboGetCount(int id) const = 0;                                       // CB_GETCOUNT
    // CB_GETLBTEXTLEN then CB_GETLBTEXT; empty for a bad index.
    virtual std::string comboGetText(int id, int index) const = 0;

    // The main icon (resource 128): WM_SETICON with it, its size, and the painting of a
    // minimised window (erase the icon background, draw the icon at x, y).
    virtual LResult setIconBig() = 0;
    virtual LResult mainIconHandle() const = 0;
    virtual Size iconSize() const = 0;
    virtual void paintIcon(int x, int y) = 0;

    // Posts WM_CLOSE to every top-level window of this thread that the main window owns
    // and to every other visible dialog of the thread (a property frame, a dialog box, a
    // common dialog), so their modal loops end.
    virtual void closeOwnedWindows() = 0;

    // Other top-level windows.
    virtual Hwnd findWindow(const char* className, const char* title) const = 0;
    // Bounded: a hung window gets up to a few seconds, then the call gives up with 0.
    virtual LResult sendMessageTo(Hwnd hwnd, std::uint32_t msg, WParam wParam, LParam lParam) = 0;

    virtual int messageBox(const std::string& text, const std::string& caption, std::uint32_t type) = 0;
};

}  // namespace platform
