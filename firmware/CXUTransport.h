// Transfers to the controls of the camera's vendor extension unit, either through a
// kernel-streaming topology node or tunnelled through the driver's custom property 35.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Clock.h"
#include "platform/KernelStreaming.h"
#include "platform/VideoCatalog.h"

namespace firmware {

using Status = platform::HResult;

// Codes of the channel itself, beside the driver's HRESULTs.
constexpr Status kStatusNothingDone = 1;
constexpr Status kStatusOutOfRange = 160;
// A controller that never came back within our bounds.
constexpr Status kStatusTimeout = static_cast<Status>(0x800705B4u);  // HRESULT_FROM_WIN32(ERROR_TIMEOUT)

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

class CXUTransport {
public:
    explicit CXUTransport(platform::IClock& clock);

    Status GetCur(std::uint8_t selector, std::uint32_t length, std::uint8_t* buffer);
    Status SetCur(std::uint8_t selector, std::uint32_t length, const std::uint8_t* data);
    Status GetLen(std::uint8_t selector, std::uint32_t* length);

    // Finds the device-specific node that answers the probe and binds to it; on
    // failure drops the kernel-streaming control, so node transfers fail from then on.
    Status FindNode(platform::IKsTopologyInfo& topology);

    TransportPath m_path = TransportPath::None;
    char m_chip = 'd';
    std::uint32_t m_nodeId = 0;
    std::unique_ptr<platform::IKsControl> m_pKsControl;
    platform::ICameraCustomProperty* m_pCustom = nullptr;  // owned by the device
    platform::KspNode m_request{};

private:
    // The kept KSP_NODE, aimed at one control of the bound node.
    void PrepareNodeRequest(std::uint8_t selector, std::uint32_t direction);
    Status Probe();
    Status ProbeUntilReady();
    Status TunnelSet(std::uint8_t code, std::uint8_t selector, std::uint32_t length, const std::uint8_t* data);

    platform::IClock& m_clock;
};

}  // namespace firmware
