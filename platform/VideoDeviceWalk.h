// The one walk over the devices of the video input category: the device list, the
// integrated-camera lookup and the firmware channel's camera search all go through
// it, each with its own visitor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Constants.h"
#include "platform/VideoCatalog.h"

namespace platform {

// How the walk ended.
struct VideoWalkResult {
    // CoCreateInstance of the device enumerator, or CreateClassEnumerator after it:
    // S_OK when the category could be walked.
    HResult hr = kE_FAIL;
    // False when the device enumerator itself could not be had.
    bool haveEnumerator = false;
};

// Called with each device (its moniker) and its number in the category, from 0;
// returns false to stop the walk.
using VideoDeviceVisitor = std::function<bool(IDeviceMoniker& moniker, int number)>;

// A guard for enumerators that never end.
constexpr int kMaxVideoDevicesWalked = 100000;

inline VideoWalkResult WalkVideoInputDevices(IVideoCatalog& video, std::uint32_t classContext,
                                             const VideoDeviceVisitor& visit) {
    VideoWalkResult result;
    std::unique_ptr<IDeviceEnumerator> deviceEnum;
    result.hr = video.createSystemDeviceEnum(classContext, deviceEnum);
    if (result.hr < 0 || !deviceEnum) {
        if (result.hr >= 0) {
            result.hr = kE_FAIL;
        }
        return result;
    }
    result.haveEnumerator = true;
    std::unique_ptr<IMonikerEnum> monikers;
    result.hr = deviceEnum->createClassEnumerator(kCLSID_VideoInputDeviceCategory, 0, monikers);
    if (result.hr != kS_OK || !monikers) {
        if (result.hr == kS_OK) {
            result.hr = kE_FAIL;
        }
        return result;
    }
    deviceEnum.reset();
    monikers->reset();
    for (int number = 0; number < kMaxVideoDevicesWalked; ++number) {
        std::unique_ptr<IDeviceMoniker> moniker;
        if (monikers->next(moniker) != kS_OK || !moniker) {
            break;
        }
        if (!visit(*moniker, number)) {
            break;
        }
    }
    return result;
}

// A device's friendly name from its property bag.
struct FriendlyName {
    bool hasBag = false;      // the property bag could be bound
    HResult read = kE_FAIL;   // the result of reading "FriendlyName"
    std::string text;
};

inline FriendlyName ReadFriendlyName(IDeviceMoniker& moniker) {
    FriendlyName name;
    std::unique_ptr<IPropertyBag> bag;
    if (moniker.bindToStorage(bag) >= 0 && bag) {
        name.hasBag = true;
        name.read = bag->readString("FriendlyName", name.text);
    }
    return name;
}

}  // namespace platform
