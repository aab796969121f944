#include "platform/sim/EmulatedCamera.h"

#include <algorithm>
#include <cstring>

#include "platform/LittleEndian.h"
#include "platform/Constants.h"

using platform::HResult;

namespace sim {
namespace {

constexpr std::uint32_t kGetTopology = platform::kKSPROPERTY_TYPE_GET | platform::kKSPROPERTY_TYPE_TOPOLOGY;
constexpr std::uint32_t kSetTopology = platform::kKSPROPERTY_TYPE_SET | platform::kKSPROPERTY_TYPE_TOPOLOGY;
constexpr std::uint32_t kTunnelDataRoom = EmulatedCamera::kTunnelRequestBytes - 4;

std::string failed(HResult result) { return "failed " + hexNumber(static_cast<std::uint32_t>(result), 8); }

const char* requestName(XuRequest request) {
    switch (request) {
    case XuRequest::SetCur: return "set";
    case XuRequest::GetCur: return "get";
    case XuRequest::GetLen: return "len";
    }
    return "?";
}

}  // namespace

bool EmulatedCamera::is32BitProperty(std::uint32_t id) {
    return id == kPropDefault0 || id == kPropDefault4 || id == kPropDefault5 || id == kPropDefault6 ||
           id == kPropRotation;
}

void EmulatedCamera::record(const std::string& line) {
    m_journal.push_back(line);
    if (m_listener) {
        m_listener(line);
    }
}

void EmulatedCamera::replug() {
    m_controller.powerUp();
    m_offBus = false;
    m_fault = XuFault::None;
    m_hasPending = false;
    record("camera replugged");
}

void EmulatedCamera::clearJournal() {
    m_journal.clear();
    m_transfers.clear();
    m_controller.clearRecords();
}

// --- custom properties ---------------------------------------------------------------

HResult EmulatedCamera::getCustomProperty(std::uint32_t id, void* data) {
    auto refused = m_refused.find(id);
    if (refused != m_refused.end()) {
        record("get " + std::to_string(id) + " refused");
        return refused->second;
    }
    if (data == nullptr) {
        return platform::kE_POINTER;
    }
    if (id == kPropExtensionUnit && m_driver.tunnel) {
        return tunnelReply(static_cast<std::uint8_t*>(data));
    }
    if (!is32BitProperty(id)) {
        record("get " + std::to_string(id) + " unknown");
        return platform::kE_INVALIDARG;
    }
    const std::uint32_t value = property(id);
    std::memcpy(data, &value, sizeof value);
    record("get " + std::to_string(id) + " " + std::to_string(value));
    return platform::kS_OK;
}

HResult EmulatedCamera::setCustomProperty(std::uint32_t id, void* data) {
    auto refused = m_refused.find(id);
    if (refused != m_refused.end()) {
        record("set " + std::to_string(id) + " refused");
        return refused->second;
    }
    if (data == nullptr) {
        return platform::kE_POINTER;
    }
    if (id == kPropExtensionUnit && m_driver.tunnel) {
        return tunnelRequest(static_cast<std::uint8_t*>(data));
    }
    if (!is32BitProperty(id)) {
        record("set " + std::to_string(id) + " unknown");
        return platform::kE_INVALIDARG;
    }
    std::uint32_t value = 0;
    std::memcpy(&value, data, sizeof value);
    m_values[id] = value;
    m_sets.emplace_back(id, value);
    record("set " + std::to_string(id) + " " + std::to_string(value));
    return platform::kS_OK;
}

std::uint32_t EmulatedCamera::property(std::uint32_t id) const {
    auto it = m_values.find(id);
    return it == m_values.end() ? 0 : it->second;
}

std::vector<std::uint32_t> EmulatedCamera::valuesSet(std::uint32_t id) const {
    std::vector<std::uint32_t> out;
    for (const auto& [property, value] : m_sets) {
        if (property == id) {
            out.push_back(value);
        }
    }
    return out;
}

// --- the tunnel ----------------------------------------------------------------------
// The driver carries a UVC request in a property block: the set sends it to the unit,
// and the get that follows fetches what the unit answered.

HResult EmulatedCamera::tunnelRequest(std::uint8_t* block) {
    const std::uint32_t length = platform::ReadLe16(block);
    const std::uint8_t code = block[2];
    const std::uint8_t selector = block[3];
    m_hasPending = false;
    if ((code == kTunnelSetCur && length > kTunnelDataRoom) || (code == kTunnelGetCur && length > kTunnelReplyBytes) ||
        (code != kTunnelSetCur && code != kTunnelGetCur && code != kTunnelGetLen)) {
        record("xu tunnel " + hexBytes(block, 4) + " refused");
        return platform::kE_INVALIDARG;
    }
    Pending pending;
    XuTransfer transfer{};
    if (code == kTunnelSetCur) {
        pending.request = XuRequest::SetCur;
        transfer = run(XuPath::Tunnel, XuRequest::SetCur, selector, block + 4, length);
    } else if (code == kTunnelGetCur) {
        pending.request = XuRequest::GetCur;
        pending.reply.assign(length, 0);
        transfer = run(XuPath::Tunnel, XuRequest::GetCur, selector, pending.reply.data(), length);
    } else {
        pending.request = XuRequest::GetLen;
        transfer = run(XuPath::Tunnel, XuRequest::GetLen, selector, nullptr, 0);
        pending.length = transfer.length;
    }
    pending.result = transfer.result;
    pending.dropped = transfer.dropped;
    journalTransfer(transfer);
    m_pending = std::move(pending);
    m_hasPending = true;
    return transfer.result;
}

HResult EmulatedCamera::tunnelReply(std::uint8_t* block) {
    if (!m_hasPending) {
        record("xu tunnel reply without a request");
        return kE_UNEXPECTED;
    }
    if (m_pending.result < 0) {
        return m_pending.result;
    }
    if (m_pending.dropped) {
        return m_pending.result;  // the reply block is left as the caller gave it
    }
    if (m_pending.request == XuRequest::GetCur) {
        std::memcpy(block, m_pending.reply.data(), m_pending.reply.size());
    } else if (m_pending.request == XuRequest::GetLen) {
        platform::WriteLe16(block, m_pending.length);
    }
    return m_pending.result;
}

// --- kernel streaming ----------------------------------------------------------------

HResult EmulatedCamera::numNodes(std::uint32_t* count) const {
    if (count == nullptr) {
        return platform::kE_POINTER;
    }
    *count = static_cast<std::uint32_t>(m_driver.nodeTypes.size());
    return platform::kS_OK;
}

HResult EmulatedCamera::nodeType(std::uint32_t index, platform::Guid* type) const {
    if (type == nullptr) {
        return platform::kE_POINTER;
    }
    if (index >= m_driver.nodeTypes.size()) {
        return platform::kE_INVALIDARG;
    }
    *type = m_driver.nodeTypes[index];
    return platform::kS_OK;
}

int EmulatedCamera::extensionUnitNode() const {
    if (m_driver.extensionUnitNode >= 0) {
        return m_driver.extensionUnitNode;
    }
    for (std::size_t i = 0; i < m_driver.nodeTypes.size(); ++i) {
        if (m_driver.nodeTypes[i] == platform::kKSNODETYPE_DEV_SPECIFIC) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

HResult EmulatedCamera::ksProperty(const platform::KspNode& property, std::uint32_t propertyLength, void* data,
                                   std::uint32_t dataLength, std::uint32_t* bytesReturned) {
    const bool get = property.Flags == kGetTopology;
    const std::string what = "ks node " + std::to_string(property.NodeId) + " " + (get ? "get " : "set ") +
                             std::to_string(property.Id) + " -> ";
    if (propertyLength < sizeof(platform::KspNode) || (!get && property.Flags != kSetTopology) ||
        property.NodeId >= m_driver.nodeTypes.size()) {
        record(what + failed(platform::kE_INVALIDARG));
        return platform::kE_INVALIDARG;
    }
    if (static_cast<int>(property.NodeId) != extensionUnitNode()) {
        record(what + failed(m_driver.otherNodeAnswer));
        return m_driver.otherNodeAnswer;
    }
    const platform::Guid& published = m_driver.secondPropertySet ? kExtensionUnitSetSecond : kExtensionUnitSetFirst;
    const HResult refusal = property.Set == published ? platform::kS_OK : platform::kHRESULT_ERROR_SET_NOT_FOUND;
    if (property.Id > 0xFF) {
        record(what + failed(kHRESULT_ERROR_NOT_FOUND));
        return kHRESULT_ERROR_NOT_FOUND;
    }
    const auto selector = static_cast<std::uint8_t>(property.Id);
    auto* bytes = static_cast<std::uint8_t*>(data);

    XuTransfer transfer{};
    if (get && dataLength == 0) {
        // The length query: the driver answers "more data" with the control's size.
        transfer = run(XuPath::Node, XuRequest::GetLen, selector, nullptr, 0, refusal);
        if (transfer.result == platform::kS_OK) {
            transfer.result = platform::kHRESULT_ERROR_MORE_DATA;
            if (bytesReturned != nullptr && !transfer.dropped) {
                *bytesReturned = transfer.length;
            }
        }
    } else if (bytes == nullptr) {
        record(what + failed(platform::kE_POINTER));
        return platform::kE_POINTER;
    } else {
        transfer = run(XuPath::Node, get ? XuRequest::GetCur : XuRequest::SetCur, selector, bytes, dataLength, refusal);
        if (bytesReturned != nullptr && !transfer.dropped) {
            *bytesReturned = get && (transfer.result == platform::kS_OK ||
                                     transfer.result == kHRESULT_ERROR_INSUFFICIENT_BUFFER)
                                 ? transfer.length
                                 : 0;
        }
    }
    journalTransfer(transfer);
    return transfer.result;
}

// --- the unit ------------------------------------------------------------------------

XuTransfer EmulatedCamera::run(XuPath path, XuRequest request, std::uint8_t selector, std::uint8_t* data,
                               std::uint32_t length, HResult refusal) {
    XuTransfer transfer{path, request, selector, {}, 0, platform::kS_OK};
    const std::uint32_t number = ++m_transferCount;
    std::uint32_t controlLength = 0;
    const bool known = EmulatedController::controlLength(selector, controlLength);

    // The faults of the whole camera come first: a camera off the bus answers nothing.
    XuFault fault = XuFault::None;
    if (m_fault != XuFault::None && number == m_faultAt) {
        fault = m_fault;
        if (fault == XuFault::Unplug || fault == XuFault::Kill) {
            m_offBus = true;
            if (fault == XuFault::Kill && m_onKill) {
                m_onKill();
            }
        }
    }
    if (m_offBus) {
        transfer.result = kHRESULT_ERROR_DEVICE_NOT_CONNECTED;
        return transfer;
    }
    if (fault == XuFault::Fail) {
        transfer.result = platform::kE_FAIL;
        return transfer;
    }
    auto drop = [&] {
        transfer.dropped = true;
        if (request == XuRequest::SetCur && data != nullptr) {
            transfer.data.assign(data, data + length);
        }
        transfer.length = request == XuRequest::SetCur ? length : controlLength;
        return transfer;
    };
    if (fault == XuFault::Drop) {
        return drop();
    }
    std::vector<std::uint8_t> garbled;
    if (fault == XuFault::Garble && request == XuRequest::SetCur && data != nullptr) {
        garbled.assign(data, data + length);
        for (std::uint8_t& byte : garbled) {
            byte = static_cast<std::uint8_t>(~byte);
        }
        data = garbled.data();
    }

    XuInterposition interposed;
    auto failure = m_failures.find(number);
    if (failure == m_failures.end() && m_interposer) {
        const XuCall call{path, request, selector, request == XuRequest::SetCur ? data : nullptr, length, number};
        interposed = m_interposer(call);
    }
    if (failure == m_failures.end() && interposed.action == XuInterposition::Action::Drop) {
        return drop();
    }
    if (failure != m_failures.end()) {
        transfer.result = failure->second;
    } else if (interposed.action == XuInterposition::Action::Fail) {
        transfer.result = interposed.result;
    } else if (m_driver.neverReady || m_notReadyGiven < m_driver.notReadyAnswers) {
        if (!m_driver.neverReady) {
            ++m_notReadyGiven;
        }
        transfer.result = platform::kHRESULT_ERROR_NOT_READY;
    } else if (refusal != platform::kS_OK) {
        transfer.result = refusal;
    } else if (!known) {
        transfer.result = kHRESULT_ERROR_NOT_FOUND;
    } else if (request == XuRequest::GetLen) {
        transfer.length = interposed.action == XuInterposition::Action::ReplaceLength ? interposed.length
                                                                                       : controlLength;
        if (fault == XuFault::Garble && transfer.length > 0) {
            --transfer.length;
        }
    } else if (request == XuRequest::GetCur) {
        transfer.length = controlLength;
        if (length < controlLength) {
            transfer.result = kHRESULT_ERROR_INSUFFICIENT_BUFFER;
        } else if (!m_controller.getCur(selector, data)) {
            transfer.result = kHRESULT_ERROR_GEN_FAILURE;
        } else {
            if (interposed.action == XuInterposition::Action::ReplaceData) {
                // What went wrong on the way back: the controller did read, but
                // other bytes arrive.
                std::copy_n(interposed.data.begin(),
                            std::min<std::size_t>(interposed.data.size(), controlLength), data);
            }
            if (fault == XuFault::Garble) {
                for (std::uint32_t i = 0; i < controlLength; ++i) {
                    data[i] = static_cast<std::uint8_t>(~data[i]);
                }
            }
            transfer.data.assign(data, data + controlLength);
        }
    } else {
        transfer.data.assign(data, data + length);
        transfer.length = length;
        if (length != controlLength) {
            transfer.result = platform::kE_INVALIDARG;
        } else if (!m_controller.setCur(selector, data)) {
            transfer.result = kHRESULT_ERROR_GEN_FAILURE;
        }
    }
    return transfer;
}

void EmulatedCamera::journalTransfer(const XuTransfer& transfer) {
    const bool answered = transfer.result == platform::kS_OK ||
                          (transfer.request == XuRequest::GetLen &&
                           transfer.result == platform::kHRESULT_ERROR_MORE_DATA);
    std::string line = std::string("xu ") + requestName(transfer.request) + " " + std::to_string(transfer.selector);
    if (transfer.dropped) {
        record(line + " dropped");
        m_transfers.push_back(transfer);
        return;
    }
    if (transfer.request == XuRequest::SetCur && !transfer.data.empty()) {
        line += " " + hexBytes(transfer.data);
    }
    if (!answered) {
        line += " -> " + failed(transfer.result);
    } else if (transfer.request == XuRequest::GetCur) {
        line += " -> " + hexBytes(transfer.data);
    } else if (transfer.request == XuRequest::GetLen) {
        line += " -> " + std::to_string(transfer.length);
    }
    // What the unit did to the flash comes after the request that caused it.
    record(line);
    m_transfers.push_back(transfer);
    for (const std::string& event : m_controller.takeEvents()) {
        record(event);
    }
}

}  // namespace sim

namespace sim {

platform::HResult EmulatedCamera::procAmpGetRange(std::int32_t property, ProcAmpRange& range) {
    auto it = m_procAmpRanges.find(property);
    if (it == m_procAmpRanges.end()) {
        record("procamp range " + std::to_string(property) + " refused");
        return static_cast<platform::HResult>(0x80070490u);  // E_PROP_ID_UNSUPPORTED
    }
    range = it->second;
    return platform::kS_OK;
}

platform::HResult EmulatedCamera::procAmpSet(std::int32_t property, std::int32_t value, std::int32_t flags) {
    auto it = m_procAmpRanges.find(property);
    if (it == m_procAmpRanges.end() || value < it->second.min || value > it->second.max) {
        // Automatic white balance is set with a value the range need not hold.
        if (!(it != m_procAmpRanges.end() && (flags & 1) != 0)) {
            record("procamp " + std::to_string(property) + " " + std::to_string(value) + " " +
                   std::to_string(flags) + " refused");
            return it == m_procAmpRanges.end() ? static_cast<platform::HResult>(0x80070490u) : platform::kE_INVALIDARG;
        }
    }
    m_procAmpSets.emplace_back(property, value, flags);
    record("procamp " + std::to_string(property) + " " + std::to_string(value) + " " + std::to_string(flags));
    return platform::kS_OK;
}

}  // namespace sim
