// The one COM pointer of the Win32 layer: it holds exactly one reference and
// releases it when destroyed, so no wrapper pairs AddRef and Release by hand.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <memory>

namespace win32 {

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns.
    explicit ComPtr(Interface* object) : m_object(object) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            m_object = other.m_object;
            other.m_object = nullptr;
        }
        return *this;
    }

    Interface* operator->() const { return m_object; }
    Interface* get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // A second reference to the same object.
    ComPtr copy() const {
        if (m_object != nullptr) {
            m_object->AddRef();
        }
        return ComPtr(m_object);
    }
    void reset() {
        if (m_object != nullptr) {
            m_object->Release();
            m_object = nullptr;
        }
    }

private:
    Interface* m_object = nullptr;
};

// A BSTR the caller allocated, freed with SysFreeString.
class BstrHolder {
public:
    explicit BstrHolder(BSTR text) : m_text(text) {}
    ~BstrHolder() { SysFreeString(m_text); }
    BstrHolder(const BstrHolder&) = delete;
    BstrHolder& operator=(const BstrHolder&) = delete;
    BSTR get() const { return m_text; }

private:
    BSTR m_text;
};

// Memory a COM call handed over, freed with CoTaskMemFree.
template <typename T>
class CoTaskMemHolder {
public:
    explicit CoTaskMemHolder(T* memory) : m_memory(memory) {}
    ~CoTaskMemHolder() { CoTaskMemFree(m_memory); }
    CoTaskMemHolder(const CoTaskMemHolder&) = delete;
    CoTaskMemHolder& operator=(const CoTaskMemHolder&) = delete;
    T* get() const { return m_memory; }

private:
    T* m_memory;
};

// QueryInterface for `iid` on `object`; on success `out` gets a Wrapper built from
// the new reference.
template <typename ComInterface, typename Wrapper, typename Seam>
HRESULT QueryWrapped(IUnknown* object, REFIID iid, std::unique_ptr<Seam>& out) {
    out.reset();
    void* result = nullptr;
    const HRESULT hr = object->QueryInterface(iid, &result);
    if (SUCCEEDED(hr) && result != nullptr) {
        out = std::make_unique<Wrapper>(ComPtr<ComInterface>(static_cast<ComInterface*>(result)));
    }
    return hr;
}

}  // namespace win32
