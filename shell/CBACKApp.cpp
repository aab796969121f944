#include "shell/CBACKApp.h"

#include "resources/resource.h"
#include "shell/CBACKDlg.h"

CBACKApp::CBACKApp(const platform::Platform& platform, const common::Variant& variant)
    : m_platform(platform), m_variant(variant) {}

CBACKApp::~CBACKApp() = default;

int CBACKApp::InitInstance() {
    // A second start of the same executable leaves without a trace.
    if (!m_platform.instance.tryEnter()) {
        return 0;
    }
    m_platform.com.initialize();

    m_pMainWnd = std::make_unique<CBACKDlg>(m_platform, m_variant);
    m_platform.window.runModalDialog(IDD_MAIN, *m_pMainWnd);
    return 0;
}
