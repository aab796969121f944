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
    // LoadIconW by resource id; 0 when the module holds no such icon.
    virtual IconHandle loadIcon(std::uint32_t id) = 0;
};

}  // namespace platform
