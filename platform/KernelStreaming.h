// Kernel streaming on a capture filter: the property call that reaches a node of the
// filter's topology, and the topology itself.
#pragma once

#include <cstdint>

#include "platform/Constants.h"
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
