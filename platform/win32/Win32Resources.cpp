#include "platform/win32/Win32Resources.h"

#include <windows.h>

namespace win32 {

int Win32Resources::loadString(std::uint32_t id, char* buffer, int size) {
    return LoadStringA(GetModuleHandleA(nullptr), id, buffer, size);
}

platform::IconHandle Win32Resources::loadIcon(std::uint32_t id) {
    // LR_SHARED: released with the module, as LoadIconW's icons are.
    return reinterpret_cast<platform::IconHandle>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                             IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

}  // namespace win32
