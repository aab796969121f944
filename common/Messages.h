// The private messages of the main window, the gravity-rotate event and its timers.
#pragma once

#include <cstdint>

#include "platform/Constants.h"
#include "resources/resource.h"

namespace common {

using platform::kWM_USER;

constexpr std::uint32_t kMsgGrayOut = kWM_USER + 101;          // wParam != 0 video, 0 audio
constexpr std::uint32_t kMsgCameraNotice = kWM_USER + 102;     // answered with 1, nothing else
constexpr std::uint32_t kMsgAudioListUpdate = kWM_USER + 103;  // wParam arrival/removal, lParam path
constexpr std::uint32_t kMsgDeviceNotice = kWM_USER + 105;     // wParam arrival/removal
constexpr std::uint32_t kMsgDeviceError = kWM_USER + 106;      // wParam apply/remove
constexpr std::uint32_t kMsgAudioSettingInvalid = kWM_USER + 107;
constexpr std::uint32_t kMsgTrayCallback = kWM_USER + 150;
constexpr std::uint32_t kMsgSnapshot = kWM_USER + 151;
constexpr std::uint32_t kMsgSnapNotInstalled = kWM_USER + 152;
constexpr std::uint32_t kMsgFileWriteError = kWM_USER + 153;
constexpr std::uint32_t kMsgShowPictureError = kWM_USER + 154;
constexpr std::uint32_t kMsgExit = kWM_USER + 155;

// The tablet stack's two notifications, both read as "the device was turned".
constexpr std::uint32_t kGravityRotateMsg1 = platform::kWM_TABLET_ADDED;
constexpr std::uint32_t kGravityRotateMsg2 = platform::kWM_TABLET_DELETED;

// Command ids of the menu items the program adds: audio interfaces, and languages
// (whose items use 35000 and up). Audio ids lie inside the language range on purpose.
constexpr std::uint32_t kAudioCommandFirst = 34000;
constexpr std::uint32_t kAudioCommandLast = 34500;
constexpr std::uint32_t kLanguageCommandFirst = 34000;
constexpr std::uint32_t kLanguageCommandLast = ID_LANGUAGE_LAST;

constexpr std::uint32_t kTimerStart = 1224;
constexpr std::uint32_t kTimerGravity = 1226;
constexpr std::uint32_t kStartDelayMs = 5000;
constexpr std::uint32_t kGravityDebounceMs = 300;

}  // namespace common
