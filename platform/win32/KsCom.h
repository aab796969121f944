// The kernel-streaming COM interfaces a capture filter may answer. Declared here
// because the MinGW headers do not carry vidcap.h; the layout follows the SDK.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace win32 {

// {28F54685-06FD-11D2-B27A-00A0C9223196}
constexpr GUID kIID_IKsControl = {0x28F54685, 0x06FD, 0x11D2, {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
// {720D4AC0-7533-11D0-A5D6-28DB04C10000}
constexpr GUID kIID_IKsTopologyInfo = {0x720D4AC0, 0x7533, 0x11D0, {0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}};

struct IKsControlCom : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE KsProperty(void* property, ULONG propertyLength, void* propertyData,
                                                 ULONG dataLength, ULONG* bytesReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE KsMethod(void* method, ULONG methodLength, void* methodData, ULONG dataLength,
                                               ULONG* bytesReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE KsEvent(void* event, ULONG eventLength, void* eventData, ULONG dataLength,
                                              ULONG* bytesReturned) = 0;
};

struct IKsTopologyInfoCom : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Category(DWORD index, GUID* category) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD index, void* connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NodeName(DWORD nodeId, WCHAR* name, DWORD bufferSize, DWORD* nameLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NodeType(DWORD nodeId, GUID* nodeType) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD nodeId, REFIID iid, void** object) = 0;
};

}  // namespace win32
