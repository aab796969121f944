#include "platform/win32/Win32DeviceIo.h"

#include <windows.h>

namespace win32 {
namespace {

// The handle CreateFileA gave, closed with its holder.
class Win32DeviceHandle final : public platform::IDeviceHandle {
public:
    explicit Win32DeviceHandle(HANDLE handle) : m_handle(handle) {}
    ~Win32DeviceHandle() override { CloseHandle(m_handle); }
    Win32DeviceHandle(const Win32DeviceHandle&) = delete;
    Win32DeviceHandle& operator=(const Win32DeviceHandle&) = delete;

    bool deviceIoControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                         std::uint32_t* bytesReturned) override {
        DWORD returned = 0;
        SetLastError(0);
        const BOOL ok = DeviceIoControl(m_handle, code, const_cast<void*>(in), inSize, out, outSize, &returned,
                                        nullptr);
        m_lastError = static_cast<platform::Long>(GetLastError());
        if (bytesReturned != nullptr) {
            // Never more than the caller's buffer, whatever the driver claims.
            *bytesReturned = returned < outSize ? returned : outSize;
        }
        return ok != FALSE;
    }

    platform::Long lastError() const override { return m_lastError; }

private:
    HANDLE m_handle;
    platform::Long m_lastError = 0;
};

}  // namespace

std::unique_ptr<platform::IDeviceHandle> Win32DeviceIo::createFile(const char* path, std::uint32_t access,
                                                                   std::uint32_t share, std::uint32_t disposition,
                                                                   std::uint32_t flags) {
    SetLastError(0);
    HANDLE handle = CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
    m_lastError = static_cast<platform::Long>(GetLastError());
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<Win32DeviceHandle>(handle);
}

}  // namespace win32
