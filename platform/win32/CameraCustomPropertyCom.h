// The camera driver's custom property interface as COM sees it. The program asks the
// bound capture filter for it; the virtual camera of the Wine tests implements it, so
// both sides take the vtable from this one declaration.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace win32 {

// {5A1C0E37-8B2D-4F6A-9C13-2E7D40B8F915}
inline constexpr GUID kIID_CameraCustomProperty = {
    0x5A1C0E37, 0x8B2D, 0x4F6A, {0x9C, 0x13, 0x2E, 0x7D, 0x40, 0xB8, 0xF9, 0x15}};

struct ICameraCustomPropertyCom : public IUnknown {
    // Occupies the driver's first slot; we never call it, but the two methods we do
    // call sit behind it.
    virtual HRESULT STDMETHODCALLTYPE Reserved() = 0;
    // The size of the block at data follows from the property id.
    virtual HRESULT STDMETHODCALLTYPE GetCustomProperty(ULONG id, void* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCustomProperty(ULONG id, void* data) = 0;
};

}  // namespace win32
