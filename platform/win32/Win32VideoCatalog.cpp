#include "platform/win32/Win32VideoCatalog.h"

#define NO_DSHOW_STRSAFE
#include <windows.h>
#include <dshow.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>

#include <vector>

#include "platform/win32/CameraCustomPropertyCom.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/KsCom.h"
#include "platform/win32/Win32Guid.h"

namespace win32 {

namespace {

std::wstring toWide(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, buffer.data(), length);
    return std::wstring(buffer.data());
}

std::string toAnsi(const wchar_t* text) {
    if (text == nullptr) {
        return std::string();
    }
    int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, buffer.data(), length, nullptr, nullptr);
    return std::string(buffer.data());
}

class Win32CameraCustomProperty final : public platform::ICameraCustomProperty {
public:
    explicit Win32CameraCustomProperty(ComPtr<ICameraCustomPropertyCom> object) : m_object(std::move(object)) {}

    platform::HResult GetCustomProperty(std::uint32_t id, void* data) override {
        return m_object->GetCustomProperty(id, data);
    }
    platform::HResult SetCustomProperty(std::uint32_t id, void* data) override {
        return m_object->SetCustomProperty(id, data);
    }

private:
    ComPtr<ICameraCustomPropertyCom> m_object;
};

class Win32KsControl final : public platform::IKsControl {
public:
    explicit Win32KsControl(ComPtr<IKsControlCom> object) : m_object(std::move(object)) {}

    platform::HResult KsProperty(const platform::KspNode& property, std::uint32_t propertyLength, void* data,
                                 std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        // KSP_NODE has the same 32-byte layout on both sides; the driver only reads it.
        platform::KspNode request = property;
        ULONG returned = 0;
        const HRESULT hr = m_object->KsProperty(&request, propertyLength, data, dataLength, &returned);
        if (bytesReturned != nullptr) {
            *bytesReturned = returned;
        }
        return hr;
    }

private:
    ComPtr<IKsControlCom> m_object;
};

class Win32KsTopologyInfo final : public platform::IKsTopologyInfo {
public:
    explicit Win32KsTopologyInfo(ComPtr<IKsTopologyInfoCom> object) : m_object(std::move(object)) {}

    platform::HResult get_NumNodes(std::uint32_t* count) override {
        DWORD value = 0;
        const HRESULT hr = m_object->get_NumNodes(&value);
        if (count != nullptr) {
            *count = value;
        }
        return hr;
    }
    platform::HResult get_NodeType(std::uint32_t index, platform::Guid* nodeType) override {
        GUID value{};
        const HRESULT hr = m_object->get_NodeType(index, &value);
        if (nodeType != nullptr) {
            *nodeType = fromGuid(value);
        }
        return hr;
    }

private:
    ComPtr<IKsTopologyInfoCom> m_object;
};

class Win32VideoProcAmp final : public platform::IVideoProcAmp {
public:
    explicit Win32VideoProcAmp(ComPtr<IAMVideoProcAmp> object) : m_object(std::move(object)) {}

    platform::HResult GetRange(std::int32_t property, std::int32_t* min, std::int32_t* max, std::int32_t* step,
                               std::int32_t* defaultValue, std::int32_t* capsFlags) override {
        // LONG is long on Windows: same width as ours, different type.
        LONG values[5] = {0, 0, 0, 0, 0};
        const HRESULT hr =
            m_object->GetRange(property, &values[0], &values[1], &values[2], &values[3], &values[4]);
        std::int32_t* outputs[5] = {min, max, step, defaultValue, capsFlags};
        for (int i = 0; i < 5; ++i) {
            if (outputs[i] != nullptr) {
                *outputs[i] = values[i];
            }
        }
        return hr;
    }
    platform::HResult Set(std::int32_t property, std::int32_t value, std::int32_t flags) override {
        return m_object->Set(property, value, flags);
    }

private:
    ComPtr<IAMVideoProcAmp> m_object;
};

class Win32SpecifyPropertyPages final : public platform::ISpecifyPropertyPages {
public:
    explicit Win32SpecifyPropertyPages(ComPtr<::ISpecifyPropertyPages> object) : m_object(std::move(object)) {}

    platform::HResult GetPages(std::vector<platform::Guid>& pages) override {
        pages.clear();
        CAUUID array{0, nullptr};
        const HRESULT hr = m_object->GetPages(&array);
        CoTaskMemHolder<GUID> elements(array.pElems);
        if (SUCCEEDED(hr) && array.pElems != nullptr) {
            for (ULONG i = 0; i < array.cElems; ++i) {
                pages.push_back(fromGuid(array.pElems[i]));
            }
        }
        return hr;
    }

private:
    ComPtr<::ISpecifyPropertyPages> m_object;
};

// The caption as OleCreatePropertyFrame takes it: the ANSI text of the thread's code
// page, sized, allocated and filled; null when it cannot be made.
BSTR ThreadAnsiToBstr(const std::string& text) {
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length < 0 || (length == 0 && !text.empty())) {
        return nullptr;
    }
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (result != nullptr && length > 0) {
        MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), result, length);
    }
    return result;
}

class Win32CaptureFilter final : public platform::ICaptureFilter {
public:
    explicit Win32CaptureFilter(ComPtr<IBaseFilter> object) : m_object(std::move(object)) {}

    platform::HResult querySpecifyPropertyPages(std::unique_ptr<platform::ISpecifyPropertyPages>& out) override {
        return QueryWrapped<::ISpecifyPropertyPages, Win32SpecifyPropertyPages>(m_object.get(), IID_ISpecifyPropertyPages,
                                                                              out);
    }
    platform::HResult oleCreatePropertyFrame(platform::Hwnd owner, int x, int y, const std::string& caption,
                                             const std::vector<platform::Guid>& pages,
                                             std::uint32_t locale) override {
        BstrHolder title(ThreadAnsiToBstr(caption));
        if (title.get() == nullptr) {
            return E_OUTOFMEMORY;
        }
        std::vector<CLSID> classIds;
        classIds.reserve(pages.size());
        for (const platform::Guid& page : pages) {
            classIds.push_back(toGuid(page));
        }
        IUnknown* objects[1] = {m_object.get()};
        return OleCreatePropertyFrame(reinterpret_cast<HWND>(owner), static_cast<UINT>(x), static_cast<UINT>(y),
                                      title.get(), 1, objects, static_cast<ULONG>(classIds.size()),
                                      classIds.empty() ? nullptr : classIds.data(), locale, 0, nullptr);
    }

    platform::HResult queryCustomProperty(std::unique_ptr<platform::ICameraCustomProperty>& out) override {
        return QueryWrapped<ICameraCustomPropertyCom, Win32CameraCustomProperty>(m_object.get(), kIID_CameraCustomProperty, out);
    }
    platform::HResult queryKsControl(std::unique_ptr<platform::IKsControl>& out) override {
        return QueryWrapped<IKsControlCom, Win32KsControl>(m_object.get(), kIID_IKsControl, out);
    }
    platform::HResult queryTopologyInfo(std::unique_ptr<platform::IKsTopologyInfo>& out) override {
        return QueryWrapped<IKsTopologyInfoCom, Win32KsTopologyInfo>(m_object.get(), kIID_IKsTopologyInfo, out);
    }
    platform::HResult queryProcAmp(std::unique_ptr<platform::IVideoProcAmp>& out) override {
        return QueryWrapped<IAMVideoProcAmp, Win32VideoProcAmp>(m_object.get(), IID_IAMVideoProcAmp, out);
    }

private:
    ComPtr<IBaseFilter> m_object;
};

class Win32PropertyBag final : public platform::IPropertyBag {
public:
    explicit Win32PropertyBag(ComPtr<::IPropertyBag> object) : m_object(std::move(object)) {}

    platform::HResult readString(const char* name, std::string& value) override {
        std::wstring wideName = toWide(name);
        VARIANT variant;
        VariantInit(&variant);
        variant.vt = VT_BSTR;
        HRESULT hr = m_object->Read(wideName.c_str(), &variant, nullptr);
        if (SUCCEEDED(hr)) {
            if (variant.vt == VT_BSTR) {
                value = toAnsi(variant.bstrVal);
            } else {
                hr = E_FAIL;
            }
        }
        VariantClear(&variant);
        return hr;
    }

private:
    ComPtr<::IPropertyBag> m_object;
};

class Win32DeviceMoniker final : public platform::IDeviceMoniker {
public:
    explicit Win32DeviceMoniker(ComPtr<IMoniker> object) : m_object(std::move(object)) {}

    platform::HResult bindToStorage(std::unique_ptr<platform::IPropertyBag>& out) override {
        out.reset();
        void* object = nullptr;
        HRESULT hr = m_object->BindToStorage(nullptr, nullptr, IID_IPropertyBag, &object);
        if (SUCCEEDED(hr) && object != nullptr) {
            out = std::make_unique<Win32PropertyBag>(ComPtr<::IPropertyBag>(static_cast<::IPropertyBag*>(object)));
        }
        return hr;
    }

    platform::HResult bindToObject(std::unique_ptr<platform::ICaptureFilter>& out) override {
        out.reset();
        void* object = nullptr;
        HRESULT hr = m_object->BindToObject(nullptr, nullptr, IID_IBaseFilter, &object);
        if (SUCCEEDED(hr) && object != nullptr) {
            out = std::make_unique<Win32CaptureFilter>(ComPtr<IBaseFilter>(static_cast<IBaseFilter*>(object)));
        }
        return hr;
    }

    std::unique_ptr<platform::IDeviceMoniker> addRef() override {
        return std::make_unique<Win32DeviceMoniker>(m_object.copy());
    }

private:
    ComPtr<IMoniker> m_object;
};

class Win32MonikerEnum final : public platform::IMonikerEnum {
public:
    explicit Win32MonikerEnum(ComPtr<IEnumMoniker> object) : m_object(std::move(object)) {}

    platform::HResult reset() override { return m_object->Reset(); }

    platform::HResult next(std::unique_ptr<platform::IDeviceMoniker>& out) override {
        out.reset();
        IMoniker* moniker = nullptr;
        HRESULT hr = m_object->Next(1, &moniker, nullptr);
        // Whatever came back is ours to release, even alongside an odd status.
        if (moniker != nullptr) {
            out = std::make_unique<Win32DeviceMoniker>(ComPtr<IMoniker>(moniker));
        }
        return hr;
    }

private:
    ComPtr<IEnumMoniker> m_object;
};

class Win32DeviceEnumerator final : public platform::IDeviceEnumerator {
public:
    explicit Win32DeviceEnumerator(ComPtr<ICreateDevEnum> object) : m_object(std::move(object)) {}

    platform::HResult createClassEnumerator(const platform::Guid& category, std::uint32_t flags,
                                            std::unique_ptr<platform::IMonikerEnum>& out) override {
        out.reset();
        GUID categoryId = toGuid(category);
        IEnumMoniker* monikers = nullptr;
        // An empty category answers S_FALSE and no enumerator: out stays empty.
        HRESULT hr = m_object->CreateClassEnumerator(categoryId, &monikers, flags);
        if (monikers != nullptr) {
            out = std::make_unique<Win32MonikerEnum>(ComPtr<IEnumMoniker>(monikers));
        }
        return hr;
    }

private:
    ComPtr<ICreateDevEnum> m_object;
};

}  // namespace

platform::HResult Win32VideoCatalog::createSystemDeviceEnum(std::uint32_t classContext,
                                                            std::unique_ptr<platform::IDeviceEnumerator>& out) {
    out.reset();
    void* object = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, classContext, IID_ICreateDevEnum, &object);
    if (SUCCEEDED(hr) && object != nullptr) {
        out = std::make_unique<Win32DeviceEnumerator>(ComPtr<ICreateDevEnum>(static_cast<ICreateDevEnum*>(object)));
    }
    return hr;
}

}  // namespace win32
