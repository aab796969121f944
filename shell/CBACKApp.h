// The application object: one instance per executable, then the main window's modal loop.
#pragma once

#include <memory>

#include "common/Variant.h"
#include "platform/Platform.h"

class CBACKDlg;

class CBACKApp {
public:
    CBACKApp(const platform::Platform& platform, const common::Variant& variant);
    ~CBACKApp();
    CBACKApp(const CBACKApp&) = delete;
    CBACKApp& operator=(const CBACKApp&) = delete;

    // Runs the program; returns the process exit code.
    int InitInstance();

    CBACKDlg* mainWindow() const { return m_pMainWnd.get(); }

private:
    platform::Platform m_platform;
    common::Variant m_variant;
    std::unique_ptr<CBACKDlg> m_pMainWnd;
};
