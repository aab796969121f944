#include "platform/win32/Win32InstanceCounter.h"

namespace win32 {

namespace {

// Losing the race this many times in a row means other instances keep entering;
// one of them is running, so refusing is the right answer anyway.
constexpr int kMaxAttempts = 64;

}  // namespace

bool Win32InstanceCounter::tryEnter() {
    // Never decremented: the gate stays closed until the last process of the image
    // is gone and the shared section with it.
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        LONG seen = *m_counter;
        if (seen > 0) {
            return false;
        }
        if (InterlockedCompareExchange(m_counter, seen + 1, seen) == seen) {
            return true;
        }
    }
    return false;
}

}  // namespace win32
