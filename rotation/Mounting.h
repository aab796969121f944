// How the camera is mounted, by the mounting code of the OEM record (bits 0-7 of
// devInfo): which rotation index each display orientation becomes, and the value a
// newly recorded camera gets first.
#pragma once

#include <cstdint>

namespace rotation {

struct Mounting {
    std::uint32_t code;        // mounting code; the last row stands for every other code
    int remap[4];              // rotation index for display orientation 0, 1, 2, 3
    std::uint32_t mountValue;  // first rotation of a newly recorded camera
    const char* mountTrace;    // what the mounting probe reports
};

// The row of a mounting code.
const Mounting& MountingOf(std::uint32_t mountingCode);

// The rotation index for a display orientation: 0-3 are looked up in the mounting's
// row, 4 and more lose 4, negatives stay as they are.
int RemapRotation(std::uint32_t mountingCode, int orientation);

}  // namespace rotation
