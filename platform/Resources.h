// String and icon resources of the program's own module.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace platform {

class IResources {
public:
    virtual ~IResources() = default;
    // LoadStringA: at most size-1 characters and a NUL; the characters copied, 0 when
    // the module holds no such string (the buffer may then be left as it was).
    virtual int loadString(std::uint32_t id, char* buffer, int size) = 0;
    // LoadImageW of an icon resource at the small-icon size of the display's scale
    // (SM_CXSMICON: 16, 20, 24 or 32 pixels), the size the notification area shows,
    // shared like LoadIconW's; 0 when the module holds no such icon.
    virtual IconHandle loadIcon(std::uint32_t id) = 0;
};

}  // namespace platform
