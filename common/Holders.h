// Holders for the marks a command sets around a modal window it runs: what the
// constructor sets, the destructor takes back, on every path out.
#pragma once

#include "common/WindowPort.h"

namespace common {

// Holds the tray menu closed for its scope (the main window's m_bTrayMenuAllowed).
class TrayMenuHold {
public:
    explicit TrayMenuHold(IWindowPort& port) : m_port(port) { m_port.setTrayMenuAllowed(false); }
    ~TrayMenuHold() { m_port.setTrayMenuAllowed(true); }
    TrayMenuHold(const TrayMenuHold&) = delete;
    TrayMenuHold& operator=(const TrayMenuHold&) = delete;

private:
    IWindowPort& m_port;
};

// Marks a modal window open for its scope, so that a second request meanwhile can be
// refused rather than nested.
class OpenMark {
public:
    explicit OpenMark(bool& open) : m_open(open) { m_open = true; }
    ~OpenMark() { m_open = false; }
    OpenMark(const OpenMark&) = delete;
    OpenMark& operator=(const OpenMark&) = delete;

private:
    bool& m_open;
};

}  // namespace common
