// A camera as the program meets it from the outside: the driver's custom properties
// (rotation, picture defaults), its kernel-streaming topology with the vendor extension
// unit, and behind both the controller firmware and its serial flash. Every request it
// receives is written to its journal, so a test reads back what the camera saw.
// Portable C++ only: the virtual camera of the Wine tests wraps this same model.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/KernelStreaming.h"
#include "platform/Types.h"
#include "platform/sim/EmulatedController.h"

namespace sim {

// The two property sets an extension unit may be published under; a driver answers
// exactly one of them.
constexpr platform::Guid kExtensionUnitSetFirst = {
    0x3E0B5F21, 0x7C44, 0x4D9E, {0xA1, 0xB7, 0x6F, 0x28, 0xC0, 0x9D, 0x3A, 0x54}};
constexpr platform::Guid kExtensionUnitSetSecond = {
    0xC81F26A0, 0x4E5B, 0x4B73, {0x9D, 0x02, 0x8A, 0x6E, 0x17, 0xF3, 0xB2, 0xC9}};
// KSNODETYPE_VIDEO_PROCESSING: the ordinary node a camera lists before its extension unit.
constexpr platform::Guid kNodeTypeVideoProcessing = {
    0xDFF229E5, 0xF70F, 0x11D0, {0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
// The class id of the camera's one property page ("Camera"); the virtual camera of the
// Wine tests implements that page itself.
constexpr platform::Guid kPropertyPage = {
    0x5B1E7C42, 0x9A3D, 0x4F60, {0xB8, 0x21, 0x4C, 0xE7, 0x0A, 0x93, 0x6D, 0x15}};

// Driver answers beyond those the program names.
constexpr platform::HResult kHRESULT_ERROR_GEN_FAILURE = static_cast<platform::HResult>(0x8007001Fu);  // stall
constexpr platform::HResult kHRESULT_ERROR_INSUFFICIENT_BUFFER = static_cast<platform::HResult>(0x8007007Au);
constexpr platform::HResult kHRESULT_ERROR_NOT_FOUND = static_cast<platform::HResult>(0x80070490u);
constexpr platform::HResult kE_UNEXPECTED = static_cast<platform::HResult>(0x8000FFFFu);
constexpr platform::HResult kHRESULT_ERROR_DEVICE_NOT_CONNECTED = static_cast<platform::HResult>(0x8007048Fu);

enum class XuPath { Node, Tunnel };
enum class XuRequest { SetCur, GetCur, GetLen };

// One request the extension unit received. data: the bytes written (SET_CUR) or
// answered (GET_CUR); length: the control length answered (GET_LEN).
struct XuTransfer {
    XuPath path;
    XuRequest request;
    std::uint8_t selector;
    std::vector<std::uint8_t> data;
    std::uint32_t length;
    platform::HResult result;
    bool dropped = false;  // acknowledged, never carried out: no output is touched
};

// The faults real cameras and laptops produce, at the k-th extension-unit request
// (counted from 1 over the camera's life):
//   Fail    the request answers an error and does nothing;
//   Garble  a write reaches the unit with its bytes inverted, a read returns them
//           inverted, a length query answers one short;
//   Drop    the request is acknowledged and never carried out; a read leaves the
//           caller's buffer as it was;
//   Unplug  the camera leaves the bus: this and every later request fails until
//           replug(), after which it comes back powered up afresh, its flash kept;
//   Kill    the program is ended just before this request: the kill handler runs
//           (the test takes what the program left on disk and in the registry),
//           and nothing the program sends after it arrives, until reattach().
enum class XuFault { None, Fail, Garble, Drop, Unplug, Kill };

// One request on its way to the unit, as an interposer sees it: the bytes the program
// sends (SET_CUR) and the room it gave (SET_CUR, GET_CUR); `number` counts from 1 over
// the camera's life, as failTransfer does.
struct XuCall {
    XuPath path;
    XuRequest request;
    std::uint8_t selector;
    const std::uint8_t* data;  // SET_CUR: `length` bytes; otherwise null
    std::uint32_t length;
    std::uint32_t number;
};

// What an interposer makes of one request. Pass: the unit answers it as always. Fail:
// it answers `result` without reaching the controller. ReplaceData (GET_CUR only): the
// controller runs it, and a successful reply carries `data` instead of the
// controller's bytes, as far as `data` and the control reach. ReplaceLength (GET_LEN
// only): the controller's answer stands, but `length` is the length reported. An
// action that does not fit the request passes it. Drop: acknowledged and never
// carried out, as the Drop fault above.
struct XuInterposition {
    enum class Action { Pass, Fail, ReplaceData, ReplaceLength, Drop };
    Action action = Action::Pass;
    platform::HResult result = 0;
    std::vector<std::uint8_t> data;
    std::uint32_t length = 0;
};

using XuInterposer = std::function<XuInterposition(const XuCall&)>;

class EmulatedCamera {
public:
    // Custom property ids the driver answers.
    static constexpr std::uint32_t kPropDefault0 = 0;
    static constexpr std::uint32_t kPropDefault4 = 4;
    static constexpr std::uint32_t kPropDefault5 = 5;
    static constexpr std::uint32_t kPropDefault6 = 6;
    static constexpr std::uint32_t kPropRotation = 7;
    static constexpr std::uint32_t kPropExtensionUnit = 35;

    // The request block of the tunnel: a 4-byte header and room for the data; a reply
    // block of GET_CUR.
    static constexpr std::uint32_t kTunnelRequestBytes = 4 + 4124;
    static constexpr std::uint32_t kTunnelReplyBytes = 4096;
    static constexpr std::uint8_t kTunnelSetCur = 0x01;
    static constexpr std::uint8_t kTunnelGetCur = 0x81;
    static constexpr std::uint8_t kTunnelGetLen = 0x85;

    // How the driver publishes the extension unit.
    struct Driver {
        bool ksControl = true;    // the filter answers IKsControl
        bool topologyInfo = true; // the filter answers IKsTopologyInfo
        std::vector<platform::Guid> nodeTypes{kNodeTypeVideoProcessing, platform::kKSNODETYPE_DEV_SPECIFIC};
        // The node that is the extension unit; -1: the first device-specific node. Any
        // other node, device-specific or not, answers otherNodeAnswer.
        int extensionUnitNode = -1;
        bool secondPropertySet = false;  // the unit answers the second set, not the first
        platform::HResult otherNodeAnswer = platform::kHRESULT_ERROR_SET_NOT_FOUND;
        bool tunnel = true;            // custom property 35 reaches the unit
        unsigned notReadyAnswers = 0;  // the first k requests answer ERROR_NOT_READY
        bool neverReady = false;       // every request answers ERROR_NOT_READY
        bool specifiesPropertyPages = true;  // the filter answers ISpecifyPropertyPages
        std::vector<platform::Guid> propertyPages{kPropertyPage};  // what GetPages lists
    };

    Driver& driver() { return m_driver; }
    EmulatedController& controller() { return m_controller; }
    const EmulatedController& controller() const { return m_controller; }
    EmulatedFlash& flash() { return m_controller.flash(); }
    void loadFlash(const std::vector<std::uint8_t>& image) { m_controller.flash().load(image); }

    // The custom property interface.
    platform::HResult getCustomProperty(std::uint32_t id, void* data);
    platform::HResult setCustomProperty(std::uint32_t id, void* data);

    // IKsControl::KsProperty and IKsTopologyInfo of the capture filter.
    platform::HResult ksProperty(const platform::KspNode& property, std::uint32_t propertyLength, void* data,
                                 std::uint32_t dataLength, std::uint32_t* bytesReturned);
    platform::HResult numNodes(std::uint32_t* count) const;
    platform::HResult nodeType(std::uint32_t index, platform::Guid* type) const;

    // The video proc amp: each property has a range (min, max, step, default, caps);
    // a property without one refuses GetRange and Set.
    struct ProcAmpRange {
        std::int32_t min;
        std::int32_t max;
        std::int32_t step;
        std::int32_t defaultValue;
        std::int32_t caps;
    };
    platform::HResult procAmpGetRange(std::int32_t property, ProcAmpRange& range);
    platform::HResult procAmpSet(std::int32_t property, std::int32_t value, std::int32_t flags);
    void removeProcAmpRange(std::int32_t property) { m_procAmpRanges.erase(property); }
    bool answersProcAmp = true;
    // (property, value, flags) of every accepted Set, in order.
    const std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>>& procAmpSets() const {
        return m_procAmpSets;
    }

    // Faults: make a property answer with an error; make the k-th extension-unit
    // request (counted from 1 over the camera's life) answer `result` without reaching
    // the controller.
    void refuseProperty(std::uint32_t id, platform::HResult result) { m_refused[id] = result; }
    void failTransfer(std::uint32_t k, platform::HResult result = static_cast<platform::HResult>(0x80004005u)) {
        m_failures[k] = result;
    }
    // One fault of the kinds above at request k; `onKill` runs for Kill.
    void setFault(XuFault fault, std::uint32_t k, std::function<void()> onKill = {}) {
        m_fault = fault;
        m_faultAt = k;
        m_onKill = std::move(onKill);
    }
    // Off the bus after an unplug or a kill.
    bool offBus() const { return m_offBus; }
    // Back after an unplug: the controller starts afresh (registers, select line,
    // step table), the flash keeps its cells and forgets its write latch.
    void replug();
    // Back after a kill: the camera kept its power, so everything is as it was left.
    void reattach() { m_offBus = false; m_fault = XuFault::None; }

    // A hook between the program and the unit, consulted on every extension-unit
    // request after the numbered faults above; none by default, and an empty one
    // leaves every request as it would be without it.
    void setInterposer(XuInterposer interposer) { m_interposer = std::move(interposer); }

    // The value a 32-bit property holds now (0 when never set).
    std::uint32_t property(std::uint32_t id) const;
    // Every value written to one property, in order.
    std::vector<std::uint32_t> valuesSet(std::uint32_t id) const;

    // Extension-unit requests since the last clearJournal; their count over the
    // camera's life, each a control transfer of 1 ms on the bus.
    const std::vector<XuTransfer>& transfers() const { return m_transfers; }
    std::uint32_t transferCount() const { return m_transferCount; }
    std::uint64_t emulatedMilliseconds() const { return m_transferCount; }

    // Journal lines, e.g. "set 7 11", "xu set 2 ff 20", "xu get 3 -> 85",
    // "flash program d000 01"; the listener sees each line as it is written.
    const std::vector<std::string>& journal() const { return m_journal; }
    void clearJournal();
    void setJournalListener(std::function<void(const std::string&)> listener) { m_listener = std::move(listener); }

private:
    struct Pending {
        XuRequest request = XuRequest::SetCur;
        std::vector<std::uint8_t> reply;
        std::uint32_t length = 0;
        platform::HResult result = 0;
        bool dropped = false;
    };

    void record(const std::string& line);
    static bool is32BitProperty(std::uint32_t id);
    int extensionUnitNode() const;
    platform::HResult tunnelRequest(std::uint8_t* block);
    platform::HResult tunnelReply(std::uint8_t* block);
    // Runs one request on the unit unless a fault or the driver (refusal) answers first;
    // data holds `length` bytes (SET_CUR: in, GET_CUR: out). The record carries the
    // control's length for GET_LEN and GET_CUR; the caller journals it.
    XuTransfer run(XuPath path, XuRequest request, std::uint8_t selector, std::uint8_t* data, std::uint32_t length,
                   platform::HResult refusal = 0);
    void journalTransfer(const XuTransfer& transfer);

    Driver m_driver;
    EmulatedController m_controller;
    std::map<std::int32_t, ProcAmpRange> m_procAmpRanges{
        {0, {0, 255, 1, 128, 2}},  {1, {0, 100, 1, 50, 2}},     {2, {-180, 180, 1, 0, 2}},
        {3, {0, 100, 1, 64, 2}},   {4, {0, 7, 1, 3, 2}},        {5, {100, 300, 1, 100, 2}},
        {7, {2800, 6500, 10, 4600, 3}}, {8, {0, 2, 1, 1, 2}}, {13, {0, 2, 1, 1, 2}}};
    std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>> m_procAmpSets;
    std::map<std::uint32_t, std::uint32_t> m_values;
    std::map<std::uint32_t, platform::HResult> m_refused;
    std::map<std::uint32_t, platform::HResult> m_failures;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_sets;
    std::vector<std::string> m_journal;
    std::function<void(const std::string&)> m_listener;
    XuInterposer m_interposer;
    XuFault m_fault = XuFault::None;
    std::uint32_t m_faultAt = 0;
    std::function<void()> m_onKill;
    bool m_offBus = false;
    std::vector<XuTransfer> m_transfers;
    std::uint32_t m_transferCount = 0;
    unsigned m_notReadyGiven = 0;
    bool m_hasPending = false;
    Pending m_pending;
};

}  // namespace sim
