// Device I/O: a device path opened as a file, and control requests sent to it, shaped
// like CreateFileA and a synchronous DeviceIoControl.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Types.h"

namespace platform {

// An open device handle; closed (CloseHandle) when its holder lets it go.
class IDeviceHandle {
public:
    virtual ~IDeviceHandle() = default;
    // DeviceIoControl without an overlapped structure. bytesReturned receives what the
    // device says it wrote into `out` (never more than outSize).
    virtual bool deviceIoControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                                 std::uint32_t outSize, std::uint32_t* bytesReturned) = 0;
    // GetLastError after the last request on this handle.
    virtual Long lastError() const = 0;
};

class IDeviceIo {
public:
    virtual ~IDeviceIo() = default;
    // CreateFileA(path, access, share, no security attributes, disposition, flags, no
    // template); empty where CreateFileA answers INVALID_HANDLE_VALUE.
    virtual std::unique_ptr<IDeviceHandle> createFile(const char* path, std::uint32_t access, std::uint32_t share,
                                                      std::uint32_t disposition, std::uint32_t flags) = 0;
    // GetLastError after the last createFile.
    virtual Long lastError() const = 0;
};

}  // namespace platform
