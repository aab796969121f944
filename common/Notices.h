// The notices other parts of the program ask the main window for, by private
// message: one row per message, the parameter that picks the text, and the texts.
// The texts are the system's own, exactly as users and their documents know them,
// misspellings included ("Sanp"): do not correct them.
#pragma once

#include <cstdint>

#include "common/Messages.h"
#include "common/WindowPort.h"

namespace common {

constexpr std::uint32_t kNoticeTimeoutMs = 5000;

enum class NoticeSelector { None, WParam, LParam };

struct NoticeRow {
    std::uint32_t msg;          // the private message that asks for the notice
    NoticeSelector selector;    // which parameter picks the text
    const char* title;
    const char* textWhenZero;   // the picking parameter is 0 (or there is none)
    const char* textOtherwise;  // the picking parameter is non-zero
    int kind;                   // 1 information, 2 warning, 3 error
};

constexpr NoticeRow kNotices[] = {
    {kMsgDeviceNotice, NoticeSelector::WParam, "Device", "Device Remove", "Detect New Device", 1},
    {kMsgDeviceError, NoticeSelector::WParam, "Device Error", "Device Remove Error, please retry",
     "Device Apply Error, please retry", 3},
    {kMsgAudioSettingInvalid, NoticeSelector::None, "Audio Setting", "Setting invalid Please Retry",
     "Setting invalid Please Retry", 2},
    {kMsgSnapNotInstalled, NoticeSelector::None, "Error", "Can't Sanp. Please reinstall this software",
     "Can't Sanp. Please reinstall this software", 3},
    {kMsgFileWriteError, NoticeSelector::WParam, "File Write Error",
     "Please reset the sanp temp file store path that have change permission",
     "Please set the install path that have change permission, or reinstall the AP in other path that have change "
     "permission",
     2},
    {kMsgShowPictureError, NoticeSelector::LParam, "Show Picture Error", "The system is out of memory or resources",
     "Can't Find Snapview.exe, Please reinstall", 3},
};

// Shows the notice of `msg` through the port; the port's answer, 0 for a message
// with no notice.
inline platform::LResult ShowNoticeFor(IWindowPort& port, std::uint32_t msg, platform::WParam wParam,
                                       platform::LParam lParam) {
    for (const NoticeRow& row : kNotices) {
        if (row.msg != msg) {
            continue;
        }
        const bool nonZero = (row.selector == NoticeSelector::WParam && wParam != 0) ||
                             (row.selector == NoticeSelector::LParam && lParam != 0);
        return port.ShowNotice(nonZero ? row.textOtherwise : row.textWhenZero, row.title, kNoticeTimeoutMs,
                               row.kind);
    }
    return 0;
}

}  // namespace common
