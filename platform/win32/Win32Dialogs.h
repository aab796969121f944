// Dialog boxes of the program's resources, run with DialogBoxParamA and a procedure
// that hands their initialisation and commands to the program's handler.
#pragma once

#include "platform/Dialogs.h"

namespace win32 {

class Win32Dialogs final : public platform::IDialogBoxes {
public:
    int dialogBox(platform::Hwnd owner, int templateId, platform::IDialogBoxHandler& handler) override;
};

}  // namespace win32
