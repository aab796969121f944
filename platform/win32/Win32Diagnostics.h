// Standard output and the debugger output, through the C runtime and kernel32.
#pragma once

#include "platform/Diagnostics.h"

namespace win32 {

class Win32Diagnostics final : public platform::IDiagnosticOutput {
public:
    void writeStdout(const std::wstring& text) override;
    void outputDebugString(const std::string& text) override;
};

}  // namespace win32
