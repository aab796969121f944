// Win32 numbers the program depends on: messages, commands, error codes, registry
// types and access rights. Named with a k prefix so they never collide with the
// macros of <windows.h> in the Win32 translation layer.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace platform {

// Window messages
constexpr std::uint32_t kWM_NULL = 0x0000;
constexpr std::uint32_t kWM_PAINT = 0x000F;
constexpr std::uint32_t kWM_CLOSE = 0x0010;
constexpr std::uint32_t kWM_QUIT = 0x0012;
constexpr std::uint32_t kWM_ENDSESSION = 0x0016;
constexpr std::uint32_t kWM_SETTINGCHANGE = 0x001A;
constexpr std::uint32_t kWM_ICONERASEBKGND = 0x0027;
constexpr std::uint32_t kWM_QUERYDRAGICON = 0x0037;
constexpr std::uint32_t kWM_DISPLAYCHANGE = 0x007E;
constexpr std::uint32_t kWM_SETICON = 0x0080;
constexpr std::uint32_t kWM_KEYDOWN = 0x0100;
constexpr std::uint32_t kWM_INITDIALOG = 0x0110;
constexpr std::uint32_t kWM_COMMAND = 0x0111;
constexpr std::uint32_t kWM_TIMER = 0x0113;
constexpr std::uint32_t kWM_DEVICECHANGE = 0x0219;
constexpr std::uint32_t kWM_USER = 0x0400;

// Posted by the tablet stack; the program reads either one as a gravity-rotate event.
constexpr std::uint32_t kWM_TABLET_ADDED = 0x02C8;
constexpr std::uint32_t kWM_TABLET_DELETED = 0x02C9;

// Virtual keys
constexpr WParam kVK_RETURN = 0x0D;
constexpr WParam kVK_ESCAPE = 0x1B;

// Dialog results and commands
constexpr int kIDOK = 1;
constexpr int kIDCANCEL = 2;

// Notifications
constexpr std::uint32_t kCBN_SELCHANGE = 1;
constexpr std::uint32_t kBN_CLICKED = 0;
// CheckDlgButton / IsDlgButtonChecked
constexpr std::uint32_t kBST_UNCHECKED = 0;
constexpr std::uint32_t kBST_CHECKED = 1;

// ShowWindow commands
constexpr int kSW_HIDE = 0;
constexpr int kSW_SHOWNORMAL = 1;

// WM_SETICON
constexpr WParam kICON_BIG = 1;

// GetSystemMetrics
constexpr int kSM_CXSCREEN = 0;
constexpr int kSM_CYSCREEN = 1;

// Menus
constexpr std::uint32_t kMF_BYCOMMAND = 0x0000;
constexpr std::uint32_t kMF_BYPOSITION = 0x0400;
constexpr std::uint32_t kMF_ENABLED = 0x0000;
constexpr std::uint32_t kMF_GRAYED = 0x0001;
constexpr std::uint32_t kMF_DISABLED = 0x0002;
constexpr std::uint32_t kMF_CHECKED = 0x0008;
constexpr std::uint32_t kMF_POPUP = 0x0010;
constexpr std::uint32_t kMF_SEPARATOR = 0x0800;
constexpr std::uint32_t kMF_DEFAULT = 0x1000;
constexpr std::uint32_t kMenuStateError = 0xFFFFFFFFu;  // GetMenuState on a missing item

// Message boxes
constexpr std::uint32_t kMB_OK = 0x0000;
constexpr std::uint32_t kMB_ICONERROR = 0x0010;
constexpr std::uint32_t kMB_ICONWARNING = 0x0030;
constexpr std::uint32_t kMB_ICONINFORMATION = 0x0040;

// Win32 error codes (LONG results of the registry functions)
constexpr Long kERROR_SUCCESS = 0;
constexpr Long kERROR_FILE_NOT_FOUND = 2;
constexpr Long kERROR_ACCESS_DENIED = 5;
constexpr Long kERROR_INVALID_HANDLE = 6;
constexpr Long kERROR_GEN_FAILURE = 31;
constexpr Long kERROR_INVALID_PARAMETER = 87;
constexpr Long kERROR_INSUFFICIENT_BUFFER = 122;
constexpr Long kERROR_ALREADY_EXISTS = 183;
constexpr Long kERROR_MORE_DATA = 234;
constexpr Long kERROR_NO_MORE_ITEMS = 259;

// COM status
constexpr HResult kS_OK = 0;
constexpr HResult kS_FALSE = 1;
constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005u);
constexpr HResult kE_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult kE_POINTER = static_cast<HResult>(0x80004003u);
constexpr HResult kE_INVALIDARG = static_cast<HResult>(0x80070057u);
constexpr HResult kE_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
constexpr HResult kRPC_E_CHANGED_MODE = static_cast<HResult>(0x80010106u);

// Registry value types
constexpr std::uint32_t kREG_NONE = 0;
constexpr std::uint32_t kREG_SZ = 1;
constexpr std::uint32_t kREG_EXPAND_SZ = 2;
constexpr std::uint32_t kREG_BINARY = 3;
constexpr std::uint32_t kREG_DWORD = 4;
constexpr std::uint32_t kREG_MULTI_SZ = 7;
constexpr std::uint32_t kREG_QWORD = 11;

// Registry access rights
constexpr std::uint32_t kKEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t kKEY_SET_VALUE = 0x0002;
constexpr std::uint32_t kKEY_READ = 0x20019;
constexpr std::uint32_t kKEY_WRITE = 0x20006;
constexpr std::uint32_t kKEY_ALL_ACCESS = 0xF003F;
constexpr std::uint32_t kKEY_WOW64_64KEY = 0x0100;
constexpr std::uint32_t kKEY_WOW64_32KEY = 0x0200;

constexpr std::uint32_t kMAX_PATH = 260;

// Display modes
constexpr std::uint32_t kDM_DISPLAYORIENTATION = 0x00000080;
constexpr std::uint32_t kDMDO_DEFAULT = 0;
constexpr std::uint32_t kDMDO_90 = 1;
constexpr std::uint32_t kDMDO_180 = 2;
constexpr std::uint32_t kDMDO_270 = 3;

// App visibility of a monitor
constexpr int kMAV_UNKNOWN = 0;
constexpr int kMAV_NO_APP_VISIBLE = 1;
constexpr int kMAV_APP_VISIBLE = 2;

// IAMVideoProcAmp properties and flags
constexpr std::int32_t kVideoProcAmp_Brightness = 0;
constexpr std::int32_t kVideoProcAmp_Contrast = 1;
constexpr std::int32_t kVideoProcAmp_Hue = 2;
constexpr std::int32_t kVideoProcAmp_Saturation = 3;
constexpr std::int32_t kVideoProcAmp_Sharpness = 4;
constexpr std::int32_t kVideoProcAmp_Gamma = 5;
constexpr std::int32_t kVideoProcAmp_WhiteBalance = 7;
constexpr std::int32_t kVideoProcAmp_BacklightCompensation = 8;
constexpr std::int32_t kKSPROPERTY_VIDEOPROCAMP_POWERLINE_FREQUENCY = 13;
constexpr std::int32_t kVideoProcAmp_Flags_Auto = 1;
constexpr std::int32_t kVideoProcAmp_Flags_Manual = 2;

// Combo boxes
constexpr int kCB_ERR = -1;

// COM class contexts
constexpr std::uint32_t kCLSCTX_INPROC_SERVER = 0x1;
constexpr std::uint32_t kCLSCTX_ALL = 0x17;

// Message box buttons and icons used by the program
constexpr std::uint32_t kMB_ICONEXCLAMATION = 0x0030;

// Class of the DirectShow video input devices
constexpr Guid kCLSID_VideoInputDeviceCategory = {
    0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

// Device installation and notification (SetupAPI, Configuration Manager, WM_DEVICECHANGE)
constexpr std::uint32_t kDIGCF_PRESENT = 0x00000002;
constexpr std::uint32_t kDIGCF_DEVICEINTERFACE = 0x00000010;
constexpr std::uint32_t kSPDRP_DEVICEDESC = 0x00000000;
constexpr std::uint32_t kSPDRP_HARDWAREID = 0x00000001;
constexpr std::uint32_t kSPDRP_ADDRESS = 0x0000001C;
constexpr std::uint32_t kCR_SUCCESS = 0;
constexpr std::uint32_t kMaxDeviceIdLength = 200;  // MAX_DEVICE_ID_LEN

// Imaging devices: {6BDD1FC6-810F-11D0-BEC7-08002BE2092F}
constexpr Guid kGUID_DEVCLASS_IMAGE = {
    0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};
// Video capture interfaces: {6994AD05-93EF-11D0-A3CC-00A0C9223196}
constexpr Guid kKSCATEGORY_VIDEO = {
    0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// WM_DEVICECHANGE
constexpr WParam kDBT_DEVICEARRIVAL = 0x8000;
constexpr WParam kDBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr std::uint32_t kDBT_DEVTYP_DEVICEINTERFACE = 5;

// Kernel streaming
constexpr std::uint32_t kKSPROPERTY_TYPE_GET = 0x00000001;
constexpr std::uint32_t kKSPROPERTY_TYPE_SET = 0x00000002;
constexpr std::uint32_t kKSPROPERTY_TYPE_TOPOLOGY = 0x10000000;

// KSNODETYPE_DEV_SPECIFIC
constexpr Guid kKSNODETYPE_DEV_SPECIFIC = {
    0x941C7AC0, 0xC559, 0x11D0, {0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A, 0xC1}};

// HRESULT_FROM_WIN32 of the answers the extension unit gives.
constexpr HResult kHRESULT_ERROR_NOT_READY = static_cast<HResult>(0x80070015u);
constexpr HResult kHRESULT_ERROR_MORE_DATA = static_cast<HResult>(0x800700EAu);
constexpr HResult kHRESULT_ERROR_SET_NOT_FOUND = static_cast<HResult>(0x80070492u);
constexpr HResult kHRESULT_ERROR_TIMEOUT = static_cast<HResult>(0x800705B4u);
constexpr HResult kHRESULT_ERROR_NOT_ENOUGH_QUOTA = static_cast<HResult>(0x80070718u);

}  // namespace platform

// Window life and the mouse messages a notification icon reports
namespace platform {
constexpr std::uint32_t kWM_DESTROY = 0x0002;
constexpr std::uint32_t kWM_NCDESTROY = 0x0082;
constexpr std::uint32_t kWM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t kWM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t kWM_LBUTTONUP = 0x0202;
constexpr std::uint32_t kWM_LBUTTONDBLCLK = 0x0203;
constexpr std::uint32_t kWM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t kWM_RBUTTONUP = 0x0205;

// TrackPopupMenu
constexpr std::uint32_t kTPM_LEFTALIGN = 0x0000;
constexpr std::uint32_t kTPM_RETURNCMD = 0x0100;
// GetMenuItemID for a submenu entry or a missing position: (UINT)-1
constexpr std::uint32_t kMenuItemIdNone = 0xFFFFFFFFu;

// Shell_NotifyIconA
constexpr std::uint32_t kNIM_ADD = 0x0000;
constexpr std::uint32_t kNIM_MODIFY = 0x0001;
constexpr std::uint32_t kNIM_DELETE = 0x0002;
constexpr std::uint32_t kNIF_MESSAGE = 0x0001;
constexpr std::uint32_t kNIF_ICON = 0x0002;
constexpr std::uint32_t kNIF_TIP = 0x0004;
constexpr std::uint32_t kNIF_INFO = 0x0010;
constexpr std::uint32_t kNIIF_NONE = 0;
constexpr std::uint32_t kNIIF_INFO = 1;
constexpr std::uint32_t kNIIF_WARNING = 2;
constexpr std::uint32_t kNIIF_ERROR = 3;
// cbSize of the record the program fills: NOTIFYICONDATAA of a 32-bit process with
// every member up to hBalloonIcon. The shell reads the members that size covers.
constexpr std::uint32_t kNOTIFYICONDATAA_SIZE = 508;

// OSVERSIONINFO dwPlatformId
constexpr std::uint32_t kVER_PLATFORM_WIN32s = 0;
constexpr std::uint32_t kVER_PLATFORM_WIN32_WINDOWS = 1;
constexpr std::uint32_t kVER_PLATFORM_WIN32_NT = 2;

// GetOpenFileNameA (OPENFILENAMEA.Flags) and CommDlgExtendedError
constexpr std::uint32_t kOFN_READONLY = 0x00000001;
constexpr std::uint32_t kOFN_EXPLORER = 0x00080000;
constexpr std::uint32_t kFNERR_BUFFERTOOSMALL = 0x3003;

// SHGetSpecialFolderPathA
constexpr int kCSIDL_APPDATA = 0x001A;  // the user's roaming application data
constexpr int kCSIDL_MYPICTURES = 0x0027;
constexpr int kCSIDL_LOCAL_APPDATA = 0x001C;

// CreateFileA
constexpr std::uint32_t kGENERIC_READ = 0x80000000u;
constexpr std::uint32_t kGENERIC_WRITE = 0x40000000u;
constexpr std::uint32_t kFILE_SHARE_READ = 0x00000001;
constexpr std::uint32_t kFILE_SHARE_WRITE = 0x00000002;
constexpr std::uint32_t kCREATE_ALWAYS = 2;
constexpr std::uint32_t kOPEN_EXISTING = 3;
constexpr std::uint32_t kFILE_ATTRIBUTE_NORMAL = 0x00000080;
// (HANDLE)-1, what CreateFileA answers when it fails
constexpr std::uintptr_t kINVALID_HANDLE_VALUE = ~std::uintptr_t{0};
// GetFileSize when it fails
constexpr std::uint32_t kINVALID_FILE_SIZE = 0xFFFFFFFFu;
// MoveFileExA
constexpr std::uint32_t kMOVEFILE_REPLACE_EXISTING = 0x00000001;
constexpr std::uint32_t kMOVEFILE_WRITE_THROUGH = 0x00000008;
// GetLastError codes of the file calls beside those above (kERROR_FILE_NOT_FOUND,
// kERROR_ACCESS_DENIED, kERROR_ALREADY_EXISTS)
constexpr Long kERROR_PATH_NOT_FOUND = 3;

// WinExec: results above 31 mean the program started
constexpr int kSW_SHOW = 5;
constexpr std::uint32_t kWinExecFirstSuccess = 32;
}  // namespace platform
