#include "firmware/CXUTransport.h"

#include <cstring>
#include <vector>

#include "platform/Constants.h"

using namespace platform;

namespace firmware {
namespace {

constexpr std::uint8_t kSetCur = 0x01;
constexpr std::uint8_t kGetCur = 0x81;
constexpr std::uint8_t kGetLen = 0x85;
constexpr std::uint8_t kProbeSelector = 11;
constexpr std::uint32_t kTunnelHeader = 4;
constexpr std::uint32_t kKspNodeSize = sizeof(KspNode);
// More nodes than any camera has; a topology claiming more is not believed.
constexpr std::uint32_t kMaxNodes = 256;

void WriteHeader(std::uint8_t* block, std::uint32_t length, std::uint8_t code, std::uint8_t selector) {
    block[0] = static_cast<std::uint8_t>(length & 0xFF);
    block[1] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
    block[2] = code;
    block[3] = selector;
}

}  // namespace

CXUTransport::CXUTransport(IClock& clock) : m_clock(clock) {}

Status CXUTransport::TunnelSet(std::uint8_t code, std::uint8_t selector, std::uint32_t length,
                               const std::uint8_t* data) {
    std::vector<std::uint8_t> block(kTunnelHeader + kTunnelDataCapacity, 0);
    WriteHeader(block.data(), length, code, selector);
    if (data != nullptr) {
        std::memcpy(block.data() + kTunnelHeader, data, length);
    }
    return m_pCustom->SetCustomProperty(kTunnelProperty, block.data());
}

void CXUTransport::PrepareNodeRequest(std::uint8_t selector, std::uint32_t direction) {
    m_request.Id = selector;
    m_request.Flags = direction | kKSPROPERTY_TYPE_TOPOLOGY;
    m_request.NodeId = m_nodeId;
    m_request.Reserved = 0;
}

Status CXUTransport::GetCur(std::uint8_t selector, std::uint32_t length, std::uint8_t* buffer) {
    switch (m_path) {
        case TransportPath::Node:
            if (!m_pKsControl) {
                return kE_POINTER;
            }
            PrepareNodeRequest(selector, kKSPROPERTY_TYPE_GET);
            return m_pKsControl->KsProperty(m_request, kKspNodeSize, buffer, length, nullptr);
        case TransportPath::Tunnel: {
            if (m_pCustom == nullptr) {
                return kE_POINTER;
            }
            // The reply block is fixed; a longer read would not fit it.
            if (length > kTunnelReplySize || (buffer == nullptr && length != 0)) {
                return kStatusOutOfRange;
            }
            TunnelSet(kGetCur, selector, length, nullptr);
            std::vector<std::uint8_t> reply(kTunnelReplySize, 0);
            const Status status = m_pCustom->GetCustomProperty(kTunnelProperty, reply.data());
            if (length != 0) {
                std::memcpy(buffer, reply.data(), length);
            }
            return status;
        }
        case TransportPath::None:
            break;
    }
    return kStatusNothingDone;
}

Status CXUTransport::SetCur(std::uint8_t selector, std::uint32_t length, const std::uint8_t* data) {
    switch (m_path) {
        case TransportPath::Node:
            if (!m_pKsControl) {
                return kE_POINTER;
            }
            PrepareNodeRequest(selector, kKSPROPERTY_TYPE_SET);
            return m_pKsControl->KsProperty(m_request, kKspNodeSize, const_cast<std::uint8_t*>(data), length,
                                            nullptr);
        case TransportPath::Tunnel:
            if (m_pCustom == nullptr) {
                return kE_POINTER;
            }
            if (length > kTunnelDataCapacity || (data == nullptr && length != 0)) {
                return kStatusOutOfRange;
            }
            return TunnelSet(kSetCur, selector, length, data);
        case TransportPath::None:
            break;
    }
    return kStatusNothingDone;
}

Status CXUTransport::GetLen(std::uint8_t selector, std::uint32_t* length) {
    if (length == nullptr) {
        return kE_POINTER;
    }
    switch (m_path) {
        case TransportPath::Node: {
            if (!m_pKsControl) {
                return kE_POINTER;
            }
            PrepareNodeRequest(selector, kKSPROPERTY_TYPE_GET);
            std::uint32_t returned = 0;
            const Status status = m_pKsControl->KsProperty(m_request, kKspNodeSize, nullptr, 0, &returned);
            if (status == kHRESULT_ERROR_MORE_DATA) {
                *length = returned;
                return 0;
            }
            return status;
        }
        case TransportPath::Tunnel: {
            if (m_pCustom == nullptr) {
                return kE_POINTER;
            }
            const std::uint8_t zeroWord[4] = {0, 0, 0, 0};
            TunnelSet(kGetLen, selector, 2, zeroWord);
            std::vector<std::uint8_t> block(kTunnelHeader + kTunnelDataCapacity, 0);
            WriteHeader(block.data(), 2, kGetLen, selector);
            const Status status = m_pCustom->GetCustomProperty(kTunnelProperty, block.data());
            *length = static_cast<std::uint32_t>(block[0]) | (static_cast<std::uint32_t>(block[1]) << 8);
            return status;
        }
        case TransportPath::None:
            break;
    }
    return kStatusNothingDone;
}

Status CXUTransport::Probe() {
    std::uint8_t scratch = 0;
    return GetCur(kProbeSelector, 1, &scratch);
}

Status CXUTransport::ProbeUntilReady() {
    Status status = Probe();
    for (int repetition = 0; status == kHRESULT_ERROR_NOT_READY && repetition < kMaxNotReadyRepetitions;
         ++repetition) {
        status = Probe();
        m_clock.sleep(kNotReadySleepMs);
    }
    return status;
}

Status CXUTransport::FindNode(IKsTopologyInfo& topology) {
    std::uint32_t count = 0;
    const Status numNodes = topology.get_NumNodes(&count);
    if (numNodes < 0) {
        return numNodes;
    }
    m_path = TransportPath::Node;
    for (std::uint32_t index = 0; index < count && index < kMaxNodes; ++index) {
        Guid type{};
        if (topology.get_NodeType(index, &type) < 0 || type != kKSNODETYPE_DEV_SPECIFIC) {
            continue;
        }
        m_nodeId = index;
        m_request.Set = kExtensionUnitSet1;
        Status status = ProbeUntilReady();
        if (status == kHRESULT_ERROR_SET_NOT_FOUND) {
            m_request.Set = kExtensionUnitSet2;
            status = ProbeUntilReady();
        }
        if (status == 0) {
            return 0;
        }
    }
    m_pKsControl.reset();
    return 1;
}

}  // namespace firmware
