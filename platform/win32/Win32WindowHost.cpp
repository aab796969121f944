#include "platform/win32/Win32WindowHost.h"

#include <vector>

namespace win32 {

namespace {

// Default processing of one message, run at most once whoever asks for it first:
// the handler from inside its window procedure, or the host afterwards.
class DefaultCall final : public platform::IDefaultProcessing {
public:
    DefaultCall(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT fixed = 0)
        : m_proc(proc), m_hwnd(hwnd), m_msg(msg), m_wParam(wParam), m_lParam(lParam), m_result(fixed) {}

    platform::LResult callDefault() override {
        if (!m_called) {
            m_called = true;
            if (m_proc != nullptr) {
                m_result = CallWindowProcA(m_proc, m_hwnd, m_msg, m_wParam, m_lParam);
            }
        }
        return static_cast<platform::LResult>(m_result);
    }

private:
    WNDPROC m_proc;
    HWND m_hwnd;
    UINT m_msg;
    WPARAM m_wParam;
    LPARAM m_lParam;
    LRESULT m_result;
    bool m_called = false;
};

HWND toHwnd(platform::Hwnd hwnd) { return reinterpret_cast<HWND>(hwnd); }

// The program's one window host; its frames are where dispatch looks windows up.
Win32WindowHost* g_host = nullptr;
platform::Hwnd fromHwnd(HWND hwnd) { return reinterpret_cast<platform::Hwnd>(hwnd); }

}  // namespace

Win32WindowHost::Win32WindowHost()
    : m_icon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128))) {
    g_host = this;
}

Win32WindowHost::~Win32WindowHost() {
    if (g_host == this) {
        g_host = nullptr;
    }
}

Win32WindowHost::Frame* Win32WindowHost::frameOf(HWND hwnd) {
    for (Frame* frame = g_host != nullptr ? g_host->m_frame : nullptr; frame != nullptr; frame = frame->outer) {
        if (frame->hwnd == hwnd) {
            return frame;
        }
    }
    return nullptr;
}

int Win32WindowHost::runModalDialog(int templateId, platform::IDialogHandler& handler) {
    Frame frame;
    frame.handler = &handler;
    frame.outer = m_frame;
    // The main dialog has no owner; a dialog opened from it is owned by it and keeps
    // it disabled meanwhile, as a modal dialog box would.
    HWND owner = current();
    m_frame = &frame;

    HWND hwnd = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), owner,
                                   &Win32WindowHost::dialogProc, reinterpret_cast<LPARAM>(&frame));
    if (hwnd == nullptr) {
        m_frame = frame.outer;
        return -1;
    }
    frame.hwnd = hwnd;

    bool ownerDisabled = false;
    if (owner != nullptr && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }

    while (!frame.ended) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Leave the quit in the queue so whatever loop runs outside ours ends too.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) {
            break;
        }
        if (handler.preTranslateMessage(fromHwnd(msg.hwnd), msg.message, msg.wParam, msg.lParam)) {
            continue;
        }
        if (frame.hwnd == nullptr || !IsDialogMessageA(frame.hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    if (ownerDisabled) {
        EnableWindow(owner, TRUE);
    }
    if (frame.hwnd != nullptr && IsWindow(frame.hwnd)) {
        DestroyWindow(frame.hwnd);
    }
    m_frame = frame.outer;
    return frame.result;
}

void Win32WindowHost::endDialog(int result) {
    if (m_frame == nullptr) {
        return;
    }
    m_frame->ended = true;
    m_frame->result = result;
    // Wakes GetMessage in case we were called from outside a dispatched message.
    if (m_frame->hwnd != nullptr) {
        PostMessageA(m_frame->hwnd, WM_NULL, 0, 0);
    }
}

INT_PTR CALLBACK Win32WindowHost::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_INITDIALOG) {
        // Everything after initialisation arrives through hostWindowProc first; what it
        // passes on to the dialog class comes back here and gets the dialog defaults.
        return FALSE;
    }
    // Only the dialog being created is initialised, and only once: its frame is the
    // innermost one and has no window yet. A WM_INITDIALOG from anywhere else (its
    // lParam is whatever the sender chose) is not read.
    Frame* frame = g_host != nullptr ? g_host->m_frame : nullptr;
    if (frame == nullptr || frame->hwnd != nullptr || reinterpret_cast<Frame*>(lParam) != frame) {
        return FALSE;
    }
    frame->hwnd = hwnd;
    frame->original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32WindowHost::hostWindowProc)));

    // The dialog class would only call us again for WM_INITDIALOG, so its default
    // here is simply "let the dialog manager pick the focus".
    DefaultCall noDefault(nullptr, hwnd, msg, wParam, 0, TRUE);
    frame->handler->windowProc(msg, wParam, 0, noDefault);
    return TRUE;
}

LRESULT CALLBACK Win32WindowHost::hostWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Frame* frame = frameOf(hwnd);
    if (frame == nullptr) {
        return DefDlgProcA(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_INITDIALOG) {
        return 0;  // initialisation ran at creation; a second one comes from outside
    }
    WNDPROC original = frame->original;
    DefaultCall defaultCall(original, hwnd, msg, wParam, lParam);
    std::optional<platform::LResult> handled = frame->handler->windowProc(msg, wParam, lParam, defaultCall);
    LRESULT result = handled ? static_cast<LRESULT>(*handled) : static_cast<LRESULT>(defaultCall.callDefault());

    if (msg == WM_NCDESTROY) {
        // The window is gone: hand it back to its class and stop the loop that drives it.
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        frame->hwnd = nullptr;
        frame->ended = true;
    }
    return result;
}

platform::Hwnd Win32WindowHost::window() const { return fromHwnd(current()); }

bool Win32WindowHost::postMessage(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam) {
    return PostMessageA(current(), msg, wParam, lParam) != FALSE;
}

platform::LResult Win32WindowHost::sendMessage(std::uint32_t msg, platform::WParam wParam, platform::LParam lParam) {
    return SendMessageA(current(), msg, wParam, lParam);
}

void Win32WindowHost::postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

std::uint32_t Win32WindowHost::registerWindowMessage(const std::string& name) {
    return RegisterWindowMessageA(name.c_str());
}

bool Win32WindowHost::setTimer(std::uint32_t id, std::uint32_t elapseMs) {
    return SetTimer(current(), id, elapseMs, nullptr) != 0;
}

bool Win32WindowHost::killTimer(std::uint32_t id) { return KillTimer(current(), id) != FALSE; }

bool Win32WindowHost::showWindow(int showCommand) { return ShowWindow(current(), showCommand) != FALSE; }

bool Win32WindowHost::isWindowVisible() const { return IsWindowVisible(current()) != FALSE; }

bool Win32WindowHost::isIconic() const { return IsIconic(current()) != FALSE; }

bool Win32WindowHost::moveWindowNoSize(int x, int y) {
    return SetWindowPos(current(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER) != FALSE;
}

platform::Rect Win32WindowHost::getClientRect() const {
    platform::Rect out;
    RECT rect{};
    if (GetClientRect(current(), &rect)) {
        out.left = rect.left;
        out.top = rect.top;
        out.right = rect.right;
        out.bottom = rect.bottom;
    }
    return out;
}

int Win32WindowHost::getSystemMetrics(int index) const { return GetSystemMetrics(index); }

bool Win32WindowHost::setDlgItemText(int id, const std::string& text) {
    return SetDlgItemTextA(current(), id, text.c_str()) != FALSE;
}

std::string Win32WindowHost::getDlgItemText(int id) const {
    HWND item = GetDlgItem(current(), id);
    if (item == nullptr) {
        return std::string();
    }
    int length = GetWindowTextLengthA(item);
    if (length <= 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    UINT copied = GetDlgItemTextA(current(), id, buffer.data(), length + 1);
    return std::string(buffer.data(), copied);
}

bool Win32WindowHost::enableDlgItem(int id, bool enable) {
    HWND item = GetDlgItem(current(), id);
    if (item == nullptr) {
        return false;
    }
    // EnableWindow answers whether the item was disabled before; the seam wants success.
    EnableWindow(item, enable ? TRUE : FALSE);
    return true;
}

std::string Win32WindowHost::getWindowText() const {
    char text[260] = {};
    const int length = GetWindowTextA(current(), text, sizeof text);
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool Win32WindowHost::setWindowText(const std::string& text) {
    return SetWindowTextA(current(), text.c_str()) != FALSE;
}

// Combo box answers are indexes, counts or CB_ERR, all of which fit an int.
int Win32WindowHost::comboAddString(int id, const std::string& text) {
    return static_cast<int>(SendDlgItemMessageA(current(), id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int Win32WindowHost::comboSelectString(int id, int startAfter, const std::string& text) {
    // -1 (search from the top) travels sign-extended, as the control expects.
    return static_cast<int>(SendDlgItemMessageA(current(), id, CB_SELECTSTRING, static_cast<WPARAM>(startAfter),
                                                reinterpret_cast<LPARAM>(text.c_str())));
}

int Win32WindowHost::comboResetContent(int id) {
    return static_cast<int>(SendDlgItemMessageA(current(), id, CB_RESETCONTENT, 0, 0));
}

int Win32WindowHost::comboFindString(int id, int startAfter, const std::string& text) const {
    return static_cast<int>(SendDlgItemMessageA(current(), id, CB_FINDSTRING, static_cast<WPARAM>(startAfter),
                                                reinterpret_cast<LPARAM>(text.c_str())));
}

int Win32WindowHost::comboDeleteString(int id, int index) {
    return static_cast<int>(SendDlgItemMessageA(current(), id, CB_DELETESTRING, static_cast<WPARAM>(index), 0));
}

int Win32WindowHost::comboGetCurSel(int id) const {
    return static_cast<int>(SendDlgItemMessageA(current(), id, CB_GETCURSEL, 0, 0));
}

int Win32WindowHost::comboGetCount(int id) const {
    return static_cast<int>(SendDlgItemMessageA(current(), id, CB_GETCOUNT, 0, 0));
}

std::string Win32WindowHost::comboGetText(int id, int index) const {
    HWND hwnd = current();
    LRESULT length = SendDlgItemMessageA(hwnd, id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT copied =
        SendDlgItemMessageA(hwnd, id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    if (copied <= 0) {
        return std::string();
    }
    // The copy is terminated; the length asked for first may overstate it.
    return std::string(buffer.data());
}

platform::LResult Win32WindowHost::setIconBig() {
    return SendMessageA(current(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
}

platform::LResult Win32WindowHost::mainIconHandle() const { return reinterpret_cast<platform::LResult>(m_icon); }

platform::Size Win32WindowHost::iconSize() const {
    platform::Size size;
    size.cx = GetSystemMetrics(SM_CXICON);
    size.cy = GetSystemMetrics(SM_CYICON);
    return size;
}

void Win32WindowHost::paintIcon(int x, int y) {
    HWND hwnd = current();
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd, &paint);
    if (dc == nullptr) {
        return;
    }
    SendMessageA(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    DrawIcon(dc, x, y, m_icon);
    EndPaint(hwnd, &paint);
}

namespace {

// A window the main window owns, or another visible dialog of the thread: Wine opens
// the property frame without an owner. The thread's hidden helper windows (COM's, the
// input method's) are neither, and are left alone.
BOOL CALLBACK CloseIfOwnedBy(HWND hwnd, LPARAM owner) {
    if (hwnd == reinterpret_cast<HWND>(owner)) {
        return TRUE;
    }
    char className[8] = {};
    const bool visibleDialog = IsWindowVisible(hwnd) && GetClassNameA(hwnd, className, sizeof className) > 0 &&
                               lstrcmpA(className, "#32770") == 0;
    if (GetWindow(hwnd, GW_OWNER) == reinterpret_cast<HWND>(owner) || visibleDialog) {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

}  // namespace

void Win32WindowHost::closeOwnedWindows() {
    const HWND owner = reinterpret_cast<HWND>(window());
    if (owner != nullptr) {
        EnumThreadWindows(GetCurrentThreadId(), &CloseIfOwnedBy, reinterpret_cast<LPARAM>(owner));
    }
}

platform::Hwnd Win32WindowHost::findWindow(const char* className, const char* title) const {
    return fromHwnd(FindWindowA(className, title));
}

constexpr UINT kForeignSendTimeoutMs = 5000;

platform::LResult Win32WindowHost::sendMessageTo(platform::Hwnd hwnd, std::uint32_t msg, platform::WParam wParam,
                                                 platform::LParam lParam) {
    // Another program's window may be hung; the program's only thread must not hang with it.
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(toHwnd(hwnd), msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_NORMAL, kForeignSendTimeoutMs,
                            &result) == 0) {
        return 0;
    }
    return static_cast<platform::LResult>(result);
}

int Win32WindowHost::messageBox(const std::string& text, const std::string& caption, std::uint32_t type) {
    return MessageBoxA(current(), text.c_str(), caption.c_str(), type);
}

}  // namespace win32
