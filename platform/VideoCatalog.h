// DirectShow as the program uses it: the system device enumerator, the monikers of a
// device category, their property bags, and the capture filter bound from a moniker
// with the driver interfaces it may answer. Each object owns one COM reference and
// releases it when destroyed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/KernelStreaming.h"
#include "platform/Types.h"

namespace platform {

// The camera driver's custom property interface: a property id and a data block whose
// size follows from the id.
class ICameraCustomProperty {
public:
    virtual ~ICameraCustomProperty() = default;
    virtual HResult GetCustomProperty(std::uint32_t id, void* data) = 0;
    virtual HResult SetCustomProperty(std::uint32_t id, void* data) = 0;
};

// IAMVideoProcAmp: the picture settings of the capture filter.
class IVideoProcAmp {
public:
    virtual ~IVideoProcAmp() = default;
    virtual HResult GetRange(std::int32_t property, std::int32_t* min, std::int32_t* max, std::int32_t* step,
                             std::int32_t* defaultValue, std::int32_t* capsFlags) = 0;
    virtual HResult Set(std::int32_t property, std::int32_t value, std::int32_t flags) = 0;
};

// ISpecifyPropertyPages: the property pages the driver publishes for its filter.
class ISpecifyPropertyPages {
public:
    virtual ~ISpecifyPropertyPages() = default;
    // GetPages: the page class ids; the driver's page array is freed (CoTaskMemFree)
    // before this returns.
    virtual HResult GetPages(std::vector<Guid>& pages) = 0;
};

class ICaptureFilter {
public:
    virtual ~ICaptureFilter() = default;
    virtual HResult querySpecifyPropertyPages(std::unique_ptr<ISpecifyPropertyPages>& out) = 0;
    // OleCreatePropertyFrame with this filter as its one object: owner, position in the
    // owner's client area, caption, the page class ids, locale, no reserved arguments.
    // The caption is text of the thread's ANSI code page (CP_THREAD_ACP), handed over as
    // a BSTR; E_OUTOFMEMORY when it cannot be made. Modal: returns when the user has
    // closed the frame.
    virtual HResult oleCreatePropertyFrame(Hwnd owner, int x, int y, const std::string& caption,
                                           const std::vector<Guid>& pages, std::uint32_t locale) = 0;
    // QueryInterface for the custom property interface.
    virtual HResult queryCustomProperty(std::unique_ptr<ICameraCustomProperty>& out) = 0;
    virtual HResult queryKsControl(std::unique_ptr<IKsControl>& out) = 0;
    virtual HResult queryTopologyInfo(std::unique_ptr<IKsTopologyInfo>& out) = 0;
    virtual HResult queryProcAmp(std::unique_ptr<IVideoProcAmp>& out) = 0;
};

class IPropertyBag {
public:
    virtual ~IPropertyBag() = default;
    // Read as VT_BSTR and converted to the ANSI code page.
    virtual HResult readString(const char* name, std::string& value) = 0;
};

class IDeviceMoniker {
public:
    virtual ~IDeviceMoniker() = default;
    virtual HResult bindToStorage(std::unique_ptr<IPropertyBag>& out) = 0;
    virtual HResult bindToObject(std::unique_ptr<ICaptureFilter>& out) = 0;
    // One more reference to the same moniker.
    virtual std::unique_ptr<IDeviceMoniker> addRef() = 0;
};

class IMonikerEnum {
public:
    virtual ~IMonikerEnum() = default;
    virtual HResult reset() = 0;
    // Next(1): S_OK with a moniker, anything else at the end.
    virtual HResult next(std::unique_ptr<IDeviceMoniker>& out) = 0;
};

class IDeviceEnumerator {
public:
    virtual ~IDeviceEnumerator() = default;
    // CreateClassEnumerator: S_FALSE and no enumerator for an empty category.
    virtual HResult createClassEnumerator(const Guid& category, std::uint32_t flags,
                                          std::unique_ptr<IMonikerEnum>& out) = 0;
};

class IVideoCatalog {
public:
    virtual ~IVideoCatalog() = default;
    // CoCreateInstance(CLSID_SystemDeviceEnum, context, IID_ICreateDevEnum).
    virtual HResult createSystemDeviceEnum(std::uint32_t classContext, std::unique_ptr<IDeviceEnumerator>& out) = 0;
};

}  // namespace platform
