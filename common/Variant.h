// What sets the two programs apart: the firmware channel of Viewmate accepts one
// more controller family and variant, and knows one more serial flash.
#pragma once

namespace common {

struct Variant {
    const char* programName;
    bool acceptsFamilyE0;
    bool knowsVariantL;
    bool knowsFlashA1;
};

constexpr Variant kTiltmate{"Tiltmate", false, false, false};
constexpr Variant kViewmate{"Viewmate", true, true, true};

}  // namespace common
