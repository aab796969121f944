// The seam carries GUIDs as plain values; COM wants its own struct. Same layout,
// different types, so the copy is field by field.
#pragma once

#include <windows.h>

#include <cstring>

#include "platform/Types.h"

namespace win32 {

inline GUID toGuid(const platform::Guid& guid) {
    GUID out{};
    out.Data1 = guid.data1;
    out.Data2 = guid.data2;
    out.Data3 = guid.data3;
    std::memcpy(out.Data4, guid.data4, sizeof(out.Data4));
    return out;
}

inline platform::Guid fromGuid(const GUID& guid) {
    platform::Guid out{};
    out.data1 = static_cast<std::uint32_t>(guid.Data1);
    out.data2 = guid.Data2;
    out.data3 = guid.Data3;
    std::memcpy(out.data4, guid.Data4, sizeof(out.data4));
    return out;
}

}  // namespace win32
