#include "rotation/Mounting.h"

namespace rotation {
namespace {

constexpr const char* kHalfTurn = "Front side, 180 or Back side, 180";
constexpr const char* kUpright = "Front side, 0 or Back side 0";

constexpr Mounting kMountings[] = {
    // code  orientation 0  1  2  3   first value  probe trace
    {2, {2, 1, 0, 3}, 2, kHalfTurn},  // front side, half turn
    {4, {0, 1, 2, 3}, 0, kUpright},   // the display's own sense
    {6, {2, 3, 0, 1}, 2, kHalfTurn},  // back side, half turn
};
constexpr Mounting kOtherMounting = {0, {0, 3, 2, 1}, 0, kUpright};  // every other code

}  // namespace

const Mounting& MountingOf(std::uint32_t mountingCode) {
    for (const Mounting& row : kMountings) {
        if (row.code == mountingCode) {
            return row;
        }
    }
    return kOtherMounting;
}

int RemapRotation(std::uint32_t mountingCode, int orientation) {
    if (orientation >= 0 && orientation <= 3) {
        return MountingOf(mountingCode).remap[orientation];
    }
    return orientation >= 4 ? orientation - 4 : orientation;
}

}  // namespace rotation
