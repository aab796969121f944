// Dialog boxes opened from the main window: a template of the program's resources run
// as a modal dialog box (DialogBoxParamA) with a procedure of its own, which hands its
// initialisation and its commands to a handler of the program.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace platform {

// The open dialog box, as its handler sees it while the box runs.
class IDialogWindow {
public:
    virtual Hwnd window() const = 0;
    virtual bool setWindowText(const std::string& text) = 0;
    virtual bool setDlgItemText(int id, const std::string& text) = 0;
    // CheckDlgButton / IsDlgButtonChecked (BST_UNCHECKED, BST_CHECKED).
    virtual bool checkDlgButton(int id, std::uint32_t check) = 0;
    virtual std::uint32_t isDlgButtonChecked(int id) const = 0;
    // EndDialog: the box closes once the handler returns.
    virtual void endDialog(int result) = 0;

protected:
    ~IDialogWindow() = default;
};

// What the program plugs into a dialog box.
class IDialogBoxHandler {
public:
    virtual ~IDialogBoxHandler() = default;
    // WM_INITDIALOG: true lets the system give the default control the focus.
    virtual bool onInitDialog(IDialogWindow& dialog) = 0;
    // WM_COMMAND from a control (its notification code) or from the keyboard's
    // confirm and cancel keys and the caption's close button (IDOK, IDCANCEL with
    // code 0). True when the handler took it.
    virtual bool onCommand(IDialogWindow& dialog, std::uint32_t id, std::uint32_t code) = 0;
};

class IDialogBoxes {
public:
    virtual ~IDialogBoxes() = default;
    // Runs the template as a modal dialog box owned by `owner` and returns the value
    // given to endDialog, or -1 when the box cannot be created. The thread's other
    // windows keep getting their messages meanwhile.
    virtual int dialogBox(Hwnd owner, int templateId, IDialogBoxHandler& handler) = 0;
};

}  // namespace platform
