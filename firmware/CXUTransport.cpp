#include "firmware/CXUTransport.h"

#include <cstring>
#include <vector>

#include "platform/LittleEndian.h"

using namespace platform;

namespace firmware {
namespace {

constexpr std::uint8_t kProbeSelector = 11;
// The tunnel's block: a 16-bit length, the request code and the selector, then data.
constexpr std::uint32_t kTunnelHeader = 4;
constexpr std::uint32_t kKspNodeSize = sizeof(KspNode);
// More nodes than any camera has; a topology claiming more is not believed.
constexpr std::uint32_t kMaxNodes = 256;

void WriteHeader(std::uint8_t* block, std::uint32_t length, XuRequest request, std::uint8_t selector) {
    platform::WriteLe16(block, length);
    block[2] = static_cast<std::uint8_t>(request);
    block[3] = selector;
}

}  // namespace

CXUTransport::CXUTransport(IClock& clock) : m_clock(clock) {}

void CXUTransport::release() {
    m_pCustom.reset();
    m_pKsControl.reset();
}

Status CXUTransport::Transfer(XuRequest request, std::uint8_t selector, std::uint32_t length, std::uint8_t* data,
                              std::uint32_t* reportedLength) {
    if (m_path == TransportPath::None) {
        return kStatusNothingDone;
    }
    if (m_used >= m_budget) {
        m_exhausted = true;
        return kStatusBudgetExhausted;
    }
    ++m_used;
    switch (m_path) {
        case TransportPath::Node:
            return NodeTransfer(request, selector, length, data, reportedLength);
        case TransportPath::Tunnel:
            return TunnelTransfer(request, selector, length, data, reportedLength);
        case TransportPath::None:
            break;
    }
    return kStatusNothingDone;
}

Status CXUTransport::GetLen(std::uint8_t selector, std::uint32_t* length) {
    if (length == nullptr) {
        return kE_POINTER;
    }
    return Transfer(XuRequest::GetLen, selector, 0, nullptr, length);
}

Status CXUTransport::NodeTransfer(XuRequest request, std::uint8_t selector, std::uint32_t length, std::uint8_t* data,
                                  std::uint32_t* reportedLength) {
    if (!m_pKsControl) {
        return kE_POINTER;
    }
    m_request.Id = selector;
    m_request.Flags = (request == XuRequest::SetCur ? kKSPROPERTY_TYPE_SET : kKSPROPERTY_TYPE_GET) |
                      kKSPROPERTY_TYPE_TOPOLOGY;
    m_request.NodeId = m_nodeId;
    m_request.Reserved = 0;
    if (request != XuRequest::GetLen) {
        return m_pKsControl->KsProperty(m_request, kKspNodeSize, data, length, nullptr);
    }
    // A GET without room is answered with the size the control needs.
    std::uint32_t returned = 0;
    const Status status = m_pKsControl->KsProperty(m_request, kKspNodeSize, nullptr, 0, &returned);
    if (status == kHRESULT_ERROR_MORE_DATA) {
        *reportedLength = returned;
        return kStatusOk;
    }
    return status;
}

Status CXUTransport::TunnelSet(XuRequest request, std::uint8_t selector, std::uint32_t length,
                               const std::uint8_t* data) {
    std::vector<std::uint8_t> block(kTunnelHeader + kTunnelDataCapacity, 0);
    WriteHeader(block.data(), length, request, selector);
    if (data != nullptr) {
        std::memcpy(block.data() + kTunnelHeader, data, length);
    }
    return m_pCustom->SetCustomProperty(kTunnelProperty, block.data());
}

Status CXUTransport::TunnelTransfer(XuRequest request, std::uint8_t selector, std::uint32_t length,
                                    std::uint8_t* data, std::uint32_t* reportedLength) {
    if (!m_pCustom) {
        return kE_POINTER;
    }
    switch (request) {
        case XuRequest::SetCur:
            if (length > kTunnelDataCapacity || (data == nullptr && length != 0)) {
                return kStatusOutOfRange;
            }
            return TunnelSet(request, selector, length, data);
        case XuRequest::GetCur: {
            // The reply block is fixed; a longer read would not fit it.
            if (length > kTunnelReplySize || (data == nullptr && length != 0)) {
                return kStatusOutOfRange;
            }
            // The GET half answers whatever the driver holds: without its SET half
            // that is another request's answer.
            const Status asked = TunnelSet(request, selector, length, nullptr);
            if (Failed(asked)) {
                return asked;
            }
            // The driver may fill as much as its request block: the reply gets that room.
            std::vector<std::uint8_t> reply(kTunnelHeader + kTunnelDataCapacity, 0);
            const Status status = m_pCustom->GetCustomProperty(kTunnelProperty, reply.data());
            if (length != 0) {
                std::memcpy(data, reply.data(), length);
            }
            return status;
        }
        case XuRequest::GetLen: {
            const std::uint8_t zeroWord[4] = {0, 0, 0, 0};
            const Status asked = TunnelSet(request, selector, 2, zeroWord);
            if (Failed(asked)) {
                return asked;
            }
            std::vector<std::uint8_t> block(kTunnelHeader + kTunnelDataCapacity, 0);
            WriteHeader(block.data(), 2, request, selector);
            const Status status = m_pCustom->GetCustomProperty(kTunnelProperty, block.data());
            *reportedLength = platform::ReadLe16(block.data());
            return status;
        }
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
        if (Succeeded(status)) {
            return kStatusOk;
        }
    }
    m_pKsControl.reset();
    return kStatusNothingDone;
}

}  // namespace firmware
