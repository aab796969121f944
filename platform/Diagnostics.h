// The only output that leaves the program: standard output (wide text) and the
// debugger output (narrow text).
#pragma once

#include <string>

namespace platform {

class IDiagnosticOutput {
public:
    virtual ~IDiagnosticOutput() = default;
    virtual void writeStdout(const std::wstring& text) = 0;
    virtual void outputDebugString(const std::string& text) = 0;
};

}  // namespace platform
