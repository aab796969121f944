// One video capture device of the list that a rotation pass or a mounting probe builds.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/VideoCatalog.h"

namespace camera {

constexpr std::uint32_t kVideoCommandFirst = 33000;
constexpr std::uint32_t kVideoCommandLast = 33500;
constexpr std::size_t kDeviceNameSize = 260;

struct VideoDeviceEntry {
    std::unique_ptr<platform::IDeviceMoniker> moniker;
    std::unique_ptr<platform::ICaptureFilter> filter;
    std::uint32_t commandId = 0;
    std::int32_t selected = 0;
    char name[kDeviceNameSize] = {};
    std::unique_ptr<platform::ICameraCustomProperty> pCmp;
};

}  // namespace camera
