// Facts about the running system and process: version, paths, WOW64, COM on the thread.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace platform {

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;
};

class ISystem {
public:
    virtual ~ISystem() = default;
    // GetModuleFileNameA for the process's own module: characters copied (without the NUL).
    virtual std::uint32_t moduleFileName(char* buffer, std::uint32_t size) = 0;
    // GetTempPathA: the temporary directory with its trailing backslash; characters copied.
    virtual std::uint32_t tempPath(char* buffer, std::uint32_t size) = 0;
    // IsWow64Process for this process through the entry looked up at start;
    // false when the system has no such entry or the call fails.
    virtual bool isWow64Process() = 0;
    // Wow64EnableWow64FsRedirection for the calling thread.
    virtual bool enableWow64FsRedirection(bool enable) = 0;
    // GetVersionExA; false when it fails.
    virtual bool getVersion(OsVersion& out) = 0;
};

// COM on the program's thread (single-threaded apartment).
class ICom {
public:
    virtual ~ICom() = default;
    virtual HResult initialize() = 0;
    virtual void uninitialize() = 0;
};

// The one-instance-per-executable gate: a counter shared by every process of one
// executable image.
class IInstanceCounter {
public:
    virtual ~IInstanceCounter() = default;
    // Lets the caller pass when no earlier instance has passed, and counts it,
    // in one atomic step.
    virtual bool tryEnter() = 0;
};

}  // namespace platform
