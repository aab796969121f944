// Transfers to the controls of the camera's vendor extension unit, either through a
// kernel-streaming topology node or tunnelled through the driver's custom property 35.
// The transport owns its binding: the kernel-streaming control of the node path and
// the custom property interface of the tunnel.
#pragma once

#include <cstdint>
#include <memory>

#include "firmware/Status.h"
#include "platform/Clock.h"
#include "platform/Constants.h"
#include "platform/KernelStreaming.h"
#include "platform/VideoCatalog.h"

namespace firmware {

// The most extension-unit transfers one channel (one bring-up) makes, every nested
// poll included; after that every transfer fails at once without reaching the camera,
// so no camera can hold the program's only thread for long. A flash update reads the
// whole 64 KB at least three times (two agreeing reads before, one after; about 470
// transfers each: 16 sectors of a command load, a length, an address and a read), and
// a mend twice more. The costliest healthy bring-up is a register-level controller
// ('h', 'i', about 9 transfers a programmed byte) whose whole flash must be rewritten
// from the backup, as after a lost step-table write turned the sector erase into a
// block erase: about 600,000 transfers, some ten minutes of 1 ms transfers, once. The
// budget sits above that. A camera that will not take its writes is given up long
// before (a sector that does not take ends a restore round, and the flash polls are
// bounded); one that would need more leaves its backup on disk, and the next bring-up
// goes on from there. Healthy bring-ups with nothing to change take a few hundred
// transfers, an LED change a couple of thousand.
constexpr std::uint32_t kTransferBudget = 700000;

// The two property sets an extension unit may answer, in the order they are tried.
constexpr platform::Guid kExtensionUnitSet1 = {
    0x3E0B5F21, 0x7C44, 0x4D9E, {0xA1, 0xB7, 0x6F, 0x28, 0xC0, 0x9D, 0x3A, 0x54}};
constexpr platform::Guid kExtensionUnitSet2 = {
    0xC81F26A0, 0x4E5B, 0x4B73, {0x9D, 0x02, 0x8A, 0x6E, 0x17, 0xF3, 0xB2, 0xC9}};

constexpr std::uint32_t kTunnelProperty = 35;
constexpr std::uint32_t kTunnelDataCapacity = 4124;
constexpr std::uint32_t kTunnelReplySize = 4096;

// A node that stays not-ready this many repetitions is given up (about a second).
constexpr int kMaxNotReadyRepetitions = 50;
constexpr std::uint32_t kNotReadySleepMs = 20;

enum class TransportPath { None, Node, Tunnel };

// The three control requests, with the codes the tunnel's header carries.
enum class XuRequest : std::uint8_t { SetCur = 0x01, GetCur = 0x81, GetLen = 0x85 };

class CXUTransport {
public:
    explicit CXUTransport(platform::IClock& clock);

    // The one entry every control request goes through. `data` holds `length` bytes
    // to send (SetCur) or room for them (GetCur); GetLen puts the control's length in
    // `reportedLength` and ignores `length` and `data`.
    Status Transfer(XuRequest request, std::uint8_t selector, std::uint32_t length, std::uint8_t* data,
                    std::uint32_t* reportedLength = nullptr);

    Status GetCur(std::uint8_t selector, std::uint32_t length, std::uint8_t* buffer) {
        return Transfer(XuRequest::GetCur, selector, length, buffer);
    }
    Status SetCur(std::uint8_t selector, std::uint32_t length, const std::uint8_t* data) {
        return Transfer(XuRequest::SetCur, selector, length, const_cast<std::uint8_t*>(data));
    }
    Status GetLen(std::uint8_t selector, std::uint32_t* length);

    // Transfers sent so far, and whether the budget stopped one.
    std::uint32_t transfersUsed() const { return m_used; }
    bool budgetExhausted() const { return m_exhausted; }
    void setBudget(std::uint32_t budget) { m_budget = budget; }

    // The binding.
    TransportPath path() const { return m_path; }
    void usePath(TransportPath path) { m_path = path; }
    bool holdsCustom() const { return m_pCustom != nullptr; }
    void holdCustom(std::unique_ptr<platform::ICameraCustomProperty> custom) { m_pCustom = std::move(custom); }
    void dropCustom() { m_pCustom.reset(); }
    void holdKsControl(std::unique_ptr<platform::IKsControl> control) { m_pKsControl = std::move(control); }
    void dropKsControl() { m_pKsControl.reset(); }
    // Lets go of every interface of the binding.
    void release();

    // Finds the device-specific node that answers the probe and binds to it; on
    // failure drops the kernel-streaming control, so node transfers fail from then on.
    Status FindNode(platform::IKsTopologyInfo& topology);

private:
    Status NodeTransfer(XuRequest request, std::uint8_t selector, std::uint32_t length, std::uint8_t* data,
                        std::uint32_t* reportedLength);
    Status TunnelTransfer(XuRequest request, std::uint8_t selector, std::uint32_t length, std::uint8_t* data,
                          std::uint32_t* reportedLength);
    Status TunnelSet(XuRequest request, std::uint8_t selector, std::uint32_t length, const std::uint8_t* data);
    Status Probe();
    Status ProbeUntilReady();

    platform::IClock& m_clock;
    std::uint32_t m_budget = kTransferBudget;
    std::uint32_t m_used = 0;
    bool m_exhausted = false;
    TransportPath m_path = TransportPath::None;
    std::uint32_t m_nodeId = 0;
    std::unique_ptr<platform::IKsControl> m_pKsControl;
    std::unique_ptr<platform::ICameraCustomProperty> m_pCustom;
    // The kept KSP_NODE: its set is chosen by FindNode, the rest by each request.
    platform::KspNode m_request{};
};

}  // namespace firmware
