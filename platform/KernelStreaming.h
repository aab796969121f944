// Kernel streaming on a capture filter: the property call that reaches a node of the
// filter's topology, and the topology itself.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace platform {

// KSP_NODE: a property of a topology node, 32 bytes as the driver receives it.
struct KspNode {
    Guid Set;
    std::uint32_t Id;
    std::uint32_t Flags;
    std::uint32_t NodeId;
    std::uint32_t Reserved;
};
static_assert(sizeof(KspNode) == 32, "KSP_NODE is 32 bytes on the wire");

constexpr std::uint32_t kKSPROPERTY_TYPE_GET = 0x00000001;
constexpr std::uint32_t kKSPROPERTY_TYPE_SET = 0x00000002;
constexpr std::uint32_t kKSPROPERTY_TYPE_TOPOLOGY = 0x10000000;

// KSNODETYPE_DEV_SPECIFIC
constexpr Guid kKSNODETYPE_DEV_SPECIFIC = {
    0x941C7AC0, 0xC559, 0x11D0, {0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A, 0xC1}};

// HRESULT_FROM_WIN32 of the answers the extension unit gives.
constexpr HResult kHRESULT_ERROR_NOT_READY = static_cast<HResult>(0x80070015u);
constexpr HResult kHRESULT_ERROR_MORE_DATA = static_cast<HResult>(0x800700EAu);
constexpr HResult kHRESULT_ERROR_SET_NOT_FOUND = static_cast<HResult>(0x80070492u);

class IKsControl {
public:
    virtual ~IKsControl() = default;
    // IKsControl::KsProperty; bytesReturned may be null.
    virtual HResult KsProperty(const KspNode& property, std::uint32_t propertyLength, void* data,
                               std::uint32_t dataLength, std::uint32_t* bytesReturned) = 0;
};

class IKsTopologyInfo {
public:
    virtual ~IKsTopologyInfo() = default;
    virtual HResult get_NumNodes(std::uint32_t* count) = 0;
    virtual HResult get_NodeType(std::uint32_t index, Guid* nodeType) = 0;
};

}  // namespace platform
