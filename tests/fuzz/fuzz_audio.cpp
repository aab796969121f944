// The program's audio side as the outside reaches it: the camera microphone's
// interfaces coming and going in SetupAPI, the device notices about them (any bytes,
// any size, any class), WM_USER+103 from another program, the user's choices in the
// "Device Option" submenu and combo box 1003, the Audio Setting command, and the
// effect endpoint behind "<path>\AF" with its faults. The program runs its whole main
// window on the simulated machine; the input is a short script of such operations.
//
// Input:
//   byte 0  bits 0-1: how many of the first operations run before the window is
//           created (interfaces present at start); bit 2: no tray icon (notices as
//           message boxes)
//   then    operations, one after the other (see Decode), at most kMaxOperations;
//           the input ending inside one leaves the rest of it at 0.
//
// After every operation, and inside the audio dialog after every action, the list is
// checked: the present count is the number of entries not removed, at most one present
// entry is chosen, the submenu below its separator and combo box 1003 hold exactly the
// present entries, no device set is left open and no token is left pending. A foreign
// WM_USER+103 must return 0 and change nothing; while the dialog is open exactly its
// channel is open and the tray menu is refused; once it has closed no channel is open
// and the tray menu is allowed again. Every request an endpoint saw is a 12-byte block
// for effect 1 to 3, three queries per dialog and one change per click.
// FUZZ_AUDIO_TRACE=1 prints each operation and the list before it, for reading a
// finding back.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "audio/AudioInterfaceEntry.h"
#include "audio/AudioListTokens.h"
#include "common/Messages.h"
#include "platform/Constants.h"
#include "platform/DeviceSetup.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/unit/AudioTestSupport.h"

using namespace platform;
using fuzz_support::Bytes;
using fuzz_support::Fail;
using fuzz_support::Require;

namespace {

constexpr std::size_t kMaxOperations = 48;
constexpr std::size_t kMaxNested = 8;          // actions inside one opening of the dialog
constexpr std::size_t kMaxInterfaces = 24;
constexpr std::size_t kMaxText = 300;          // raw paths, descriptions, hardware ids, names
constexpr std::size_t kRecordCeiling = 1024;   // see BuildRecord
constexpr std::size_t kMaxEntries = 501;       // command ids 34000-34500

// GUID_DEVINTERFACE_USB_DEVICE, and variations of it: a class that is nobody's here.
constexpr Guid kOtherClass = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
constexpr WParam kOtherEvents[] = {0x8001 /* DBT_DEVICEQUERYREMOVE */, 0x0007 /* DBT_DEVNODES_CHANGED */,
                                   0x8003 /* DBT_DEVICEREMOVEPENDING */, 0x8006 /* DBT_CUSTOMEVENT */};

enum Kind : std::uint8_t {
    kAddInterface,
    kSetPresent,
    kNotice,
    kRawNotice,
    kForeignUpdate,
    kAudioSetting,
    kMenuChoice,
    kComboChoice,
    kEndpointFault,
    kClick,
    kClose,
    kConfirm,
    kKindCount
};

// One decoded operation. Which fields mean what depends on the kind (see Decode).
struct Op {
    Kind kind = kAddInterface;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    std::uint8_t c = 0;
    std::uint32_t u = 0;
    std::uint32_t v = 0;
    std::uint32_t w = 0;
    std::vector<std::uint8_t> text1;
    std::vector<std::uint8_t> text2;
    std::vector<std::uint8_t> text3;
    std::vector<Op> nested;
};

std::vector<std::uint8_t> Text(Bytes& input) { return input.take(input.u16() % (kMaxText + 1)); }

// The operations and their bytes:
//   AddInterface   path kind (0 canned with a byte of its own, 1 the same upper case, 2
//                  raw bytes, 3 canned with a long instance), its byte or bytes; a
//                  description kind (0 "Camera Mic", 1 raw, 2 raw with a NUL, 3 none)
//                  and its bytes; a hardware id kind (0 the camera's, 1 another, 2 raw)
//                  and its bytes; faults (bit 0 enumeration fails, 1 detail fails, 2
//                  not present, 3 claimed detail size u32, 4 claimed size u8, 5 no
//                  effect endpoint, 6 it refuses to open)
//   SetPresent     interface, present
//   Notice         event (0 arrival, 1 removal, 2 another, 3 raw u16), class (0-1
//                  audio, 2 another, 3 the video capture class), name (0 an interface's
//                  path, 1 it in other case, 2 raw, 3 a prefix of a path), its bytes;
//                  record tweak (bit 0 no NUL, bit 1 a tail, bits 2-3 dbch_size: as
//                  built, smaller by u8, larger by u8, any u32)
//   RawNotice      event, record bytes
//   ForeignUpdate  how (bit 0 posted), wParam u32, lParam kind and its bytes
//   AudioSetting   by tray command or button; nested actions while the dialog is open
//   MenuChoice     u16 -> 34000 + n (mostly the first few)
//   ComboChoice    item index (0xFF: none), then CBN_SELCHANGE
//   EndpointFault  interface, fault kind, argument
//   Click          box (1008, 1009, 1010, or another id)
//   Close/Confirm  the caption's close button, the confirm key
Op Decode(Bytes& input, bool nested) {
    Op op;
    op.kind = static_cast<Kind>(input.u8() % kKindCount);
    switch (op.kind) {
        case kAddInterface:
            op.a = input.u8();
            if ((op.a & 3) == 2) {
                op.text1 = Text(input);
            } else {
                op.u = input.u16();
            }
            op.b = input.u8();
            if ((op.b & 3) == 1 || (op.b & 3) == 2) {
                op.text2 = Text(input);
            }
            op.c = input.u8();
            if ((op.c & 3) == 2) {
                op.text3 = Text(input);
            }
            op.v = input.u8();
            if ((op.v & 0x08) != 0) {
                op.w = input.u32();
            } else if ((op.v & 0x10) != 0) {
                op.w = input.u8();
            }
            break;
        case kSetPresent:
            op.a = input.u8();
            op.b = input.u8();
            break;
        case kNotice:
            op.a = input.u8();  // event
            op.b = input.u8();  // class
            op.c = input.u8();  // name
            if ((op.c & 3) == 2) {
                op.text1 = Text(input);
            } else {
                op.u = input.u16();
            }
            op.v = input.u8();  // tweak
            op.text2 = input.take((op.v & 2) != 0 ? input.u8() : 0);
            op.text3 = input.take((op.v & 0x0C) == 0x0C ? 4 : ((op.v & 0x0C) != 0 ? 1 : 0));
            break;
        case kRawNotice:
            op.a = input.u8();
            op.u = input.u16();
            op.text1 = Text(input);
            break;
        case kForeignUpdate:
            op.a = input.u8();
            op.u = input.u32();
            op.b = input.u8();
            op.v = input.u32();
            op.c = input.u8();
            break;
        case kAudioSetting:
            op.a = input.u8();
            if (!nested) {
                const std::size_t count = input.u8() % (kMaxNested + 1);
                for (std::size_t i = 0; i < count && !input.empty(); ++i) {
                    op.nested.push_back(Decode(input, true));
                }
            }
            break;
        case kMenuChoice:
            op.u = input.u16();
            break;
        case kComboChoice:
            op.a = input.u8();
            break;
        case kEndpointFault:
            op.a = input.u8();
            op.b = input.u8();
            op.c = input.u8();
            break;
        case kClick:
            op.a = input.u8();
            break;
        case kClose:
        case kConfirm:
        case kKindCount:
            break;
    }
    return op;
}

std::string AsString(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Lower(std::string text) {
    for (char& ch : text) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    return text;
}

std::string FlipCase(std::string text) {
    for (char& ch : text) {
        const auto uc = static_cast<unsigned char>(ch);
        ch = static_cast<char>(std::islower(uc) ? std::toupper(uc) : std::tolower(uc));
    }
    return text;
}

std::string Hex2(std::uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (int shift = 12; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(value >> shift) & 0xF]);
    }
    return out;
}

// The inverse of an odd number modulo 2^32 (Newton's iteration).
std::uint32_t InverseOdd(std::uint32_t odd) {
    std::uint32_t inverse = odd;
    for (int i = 0; i < 5; ++i) {
        inverse *= 2u - odd * inverse;
    }
    return inverse;
}

// Everything of the audio side a stray message could change.
struct Snapshot {
    std::vector<std::tuple<std::uint32_t, int, std::string, std::string, int, int, int, int>> entries;
    int present = 0;
    int added = 0;
    std::vector<std::tuple<std::uint32_t, std::string, std::uint32_t>> menuItems;
    std::vector<std::string> comboItems;
    int comboSelection = 0;
    std::size_t notices = 0;
    std::size_t queued = 0;
    std::size_t outstanding = 0;
    std::size_t opens = 0;

    // What differs from `other`, by name; empty when nothing does.
    std::string Differences(const Snapshot& other) const {
        std::string out;
        const auto note = [&out](bool same, const char* name) {
            if (!same) {
                out += out.empty() ? name : std::string(", ") + name;
            }
        };
        note(entries == other.entries, "entries");
        note(present == other.present && added == other.added, "counts");
        note(menuItems == other.menuItems, "menu items");
        note(comboItems == other.comboItems && comboSelection == other.comboSelection, "combo box");
        note(notices == other.notices, "notices");
        note(queued == other.queued, "queue");
        note(outstanding == other.outstanding, "tokens");
        note(opens == other.opens, "channel opens");
        return out;
    }
};

class Session {
public:
    explicit Session(bool trayIcon) : m_rig(trayIcon ? "[Tray]\r\nShowIcon=1\r\n" : "[Tray]\r\nShowIcon=0\r\n") {
        // The list's tokens come from the clock at construction: the same sequence here
        // tells a token the program may have issued from one it cannot have.
        audio::AudioListTokens probe(m_rig.machine.clock.tickCount());
        m_firstToken = static_cast<std::uint32_t>(probe.Issue(true, ""));
        m_tokenStep = static_cast<std::uint32_t>(probe.Issue(true, "")) - m_firstToken;
        m_stepInverse = InverseOdd(m_tokenStep);
        // A dialog that never closes is a finding, not a week of virtual time.
        m_rig.machine.window.setHorizon(60 * 1000);
    }

    void start() {
        m_rig.start();
        m_started = true;
        CheckAll("start");
    }
    bool started() const { return m_started; }

    void Run(const Op& op) {
        Trace("", op);
        Execute(op, false);
        if (m_started) {
            m_rig.machine.window.runFor(0);
            CheckAll("operation");
        }
    }

    void Finish() {
        if (!m_started) {
            return;
        }
        CheckAll("end");
        Require(m_rig.machine.deviceSetup.openSets() == 0, "a device set left open");
    }

private:
    sim::SimMachine& machine() { return m_rig.machine; }
    const audio::AudioInterfaceList& list() const { return m_rig.dialog->audioInterfaces(); }

    // With FUZZ_AUDIO_TRACE set, for reading a finding back: each operation, and the
    // list after the one before it.
    void Trace(const char* prefix, const Op& op) {
        if (!m_trace) {
            return;
        }
        static const char* const kNames[] = {"add interface", "set present", "notice",  "raw notice",
                                             "foreign update", "audio setting", "menu choice", "combo choice",
                                             "endpoint fault", "click",         "close",       "confirm"};
        if (m_started) {
            for (const auto& entry : list().entries()) {
                std::fprintf(stderr, "    entry %u selected=%d removed=%d \"%s\" \"%s\"\n", entry->commandId,
                             entry->selected, entry->removed, entry->description, entry->path);
            }
        }
        std::fprintf(stderr, "%s%s a=%u b=%u c=%u u=0x%x v=0x%x w=0x%x texts=%zu/%zu/%zu\n", prefix,
                     kNames[op.kind], op.a, op.b, op.c, op.u, op.v, op.w, op.text1.size(), op.text2.size(),
                     op.text3.size());
    }

    // ---- operations ----

    void Execute(const Op& op, bool nested) {
        switch (op.kind) {
            case kAddInterface: AddInterface(op); break;
            case kSetPresent:
                if (!m_paths.empty()) {
                    if (sim::SimDeviceInterface* member = FindMember(op.a % m_paths.size())) {
                        member->present = (op.b & 1) != 0;
                    }
                }
                break;
            case kNotice: Notice(op); break;
            case kRawNotice: RawNotice(op); break;
            case kForeignUpdate: ForeignUpdate(op, nested); break;
            case kAudioSetting: AudioSetting(op, nested); break;
            case kMenuChoice: {
                const std::uint32_t n = (op.u & 0x8000) != 0 ? (op.u & 0x7FFF) % kMaxEntries : op.u % 8;
                Command(common::kAudioCommandFirst + n, 0, nested);
                break;
            }
            case kComboChoice:
                if (m_started) {
                    machine().window.userSelectsComboItem(IDC_AUDIO_DEVICE, op.a == 0xFF ? -1 : op.a % 8);
                    Command(IDC_AUDIO_DEVICE, kCBN_SELCHANGE, nested);
                }
                break;
            case kEndpointFault: EndpointFault(op); break;
            case kClick: {
                static constexpr int kBoxes[] = {IDC_AUDIO_AEC, IDC_AUDIO_NS, IDC_AUDIO_BF, IDC_AUDIO_DEVICE};
                const int id = kBoxes[op.a % 4];
                if (machine().dialogs.click(id) && id != IDC_AUDIO_DEVICE) {
                    ++m_clicks;
                }
                break;
            }
            case kClose: machine().dialogs.close(); break;
            case kConfirm: machine().dialogs.pressEnter(); break;
            case kKindCount: break;
        }
    }

    sim::SimDeviceInterface* FindMember(std::size_t index) {
        std::vector<sim::SimDeviceInterface>& members = machine().deviceSetup.interfaces();
        return index < members.size() ? &members[index] : nullptr;
    }

    void AddInterface(const Op& op) {
        if (m_paths.size() >= kMaxInterfaces) {
            return;
        }
        std::string path;
        switch (op.a & 3) {
            case 0: path = testing_support::AudioPath("7&" + Hex2(op.u & 0xFFFF) + "&0&0002"); break;
            case 1: path = FlipCase(testing_support::AudioPath("7&" + Hex2(op.u & 0xFFFF) + "&0&0002")); break;
            case 2: path = AsString(op.text1); break;
            default: path = testing_support::AudioPath(std::string(200 + (op.u & 0xFF) % 101, 'z')); break;
        }
        std::string description = "Camera Mic";
        std::string hardwareId = testing_support::kAudioHardwareId;
        if ((op.c & 3) == 1) {
            hardwareId = "USB\\VID_1111&PID_2222&MI_02";
        }
        machine().deviceSetup.addInterface(audio::kAudioInterfaceClass, path, description, hardwareId);
        sim::SimDeviceInterface& member = machine().deviceSetup.interfaces().back();
        switch (op.b & 3) {
            case 1: member.description = op.text2; break;
            case 2:
                member.description = op.text2;
                member.description.push_back(0);
                break;
            case 3: member.description.clear(); break;
            default: break;
        }
        if ((op.c & 3) == 2) {
            member.hardwareIds = op.text3;
        }
        member.enumFails = (op.v & 0x01) != 0;
        member.detailFails = (op.v & 0x02) != 0;
        member.present = (op.v & 0x04) == 0;
        member.claimedDetailSize = op.w;
        m_paths.push_back(path);
        if ((op.v & 0x20) == 0) {
            const std::string channel = path + audio::kEffectChannelSuffix;
            sim::SimEffectEndpoint* endpoint = machine().deviceIo.endpoint(channel);
            if (endpoint == nullptr) {
                // One endpoint per channel name: a second interface of that name (in
                // other letter case, say) shares it.
                endpoint = &machine().deviceIo.addEffectEndpoint(channel);
                m_endpoints.push_back(endpoint);
            }
            endpoint->refuseOpen((op.v & 0x40) != 0);
            m_endpointOf.push_back(endpoint);
        } else {
            m_endpointOf.push_back(nullptr);
        }
    }

    std::string NoticeName(const Op& op) {
        if ((op.c & 3) == 2 || m_paths.empty()) {
            return AsString(op.text1);
        }
        const std::string& path = m_paths[(op.u & 0xFF) % m_paths.size()];
        switch (op.c & 3) {
            case 1: return FlipCase(path);
            case 3: return path.substr(0, (op.u >> 8) % (path.size() + 1));
            default: return path;
        }
    }

    static WParam Event(std::uint8_t selector, std::uint32_t raw) {
        switch (selector & 3) {
            case 0: return kDBT_DEVICEARRIVAL;
            case 1: return kDBT_DEVICEREMOVECOMPLETE;
            case 2: return kOtherEvents[(selector >> 2) % 4];
            default: return raw & 0xFFFF;
        }
    }

    // What the system hands over is at least the header and never shorter than its
    // dbch_size says; a size beyond 1 KiB comes with 1 KiB, more than any name an
    // entry can keep.
    static void Cover(std::vector<std::uint8_t>& record, std::uint8_t fill) {
        if (record.size() < sizeof(DevBroadcastHeader)) {
            record.resize(sizeof(DevBroadcastHeader), 0);
        }
        std::uint32_t size = 0;
        std::memcpy(&size, record.data(), sizeof size);
        const std::size_t covered = std::min<std::size_t>(size, kRecordCeiling);
        if (record.size() < covered) {
            record.resize(covered, fill);
        }
    }

    void Notice(const Op& op) {
        Guid interfaceClass = audio::kAudioInterfaceClass;
        switch (op.b & 3) {
            case 2:
                interfaceClass = kOtherClass;
                interfaceClass.data1 ^= static_cast<std::uint32_t>(op.b >> 2) + 1;
                break;
            case 3: interfaceClass = kKSCATEGORY_VIDEO; break;
            default: break;
        }
        std::vector<std::uint8_t> record = sim::InterfaceBroadcast(interfaceClass, NoticeName(op));
        if ((op.v & 1) != 0) {
            record.back() = 'x';
        }
        record.insert(record.end(), op.text2.begin(), op.text2.end());
        std::uint32_t size = static_cast<std::uint32_t>(record.size());
        switch ((op.v >> 2) & 3) {
            case 1: size -= std::min<std::uint32_t>(size, op.text3.empty() ? 0 : op.text3[0]); break;
            case 2: size += op.text3.empty() ? 0 : op.text3[0]; break;
            case 3: {
                std::uint32_t raw = 0;
                for (std::size_t i = 0; i < op.text3.size() && i < 4; ++i) {
                    raw |= static_cast<std::uint32_t>(op.text3[i]) << (8 * i);
                }
                size = raw;
                break;
            }
            default: break;
        }
        std::memcpy(record.data(), &size, sizeof size);
        Cover(record, static_cast<std::uint8_t>('a' + (op.v >> 4)));
        SendDeviceChange(Event(op.a, op.u), record);
    }

    void RawNotice(const Op& op) {
        std::vector<std::uint8_t> record = op.text1;
        Cover(record, 0);
        SendDeviceChange(Event(op.a, op.u), record);
    }

    void SendDeviceChange(WParam event, std::vector<std::uint8_t>& record) {
        if (!m_started) {
            return;
        }
        // Exactly the record's bytes on the heap: a read past them is the sanitizer's.
        std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[record.size()]);
        std::memcpy(copy.get(), record.data(), record.size());
        machine().window.sendMessage(kWM_DEVICECHANGE, event, reinterpret_cast<LParam>(copy.get()));
    }

    // The lParam of a foreign WM_USER+103: raw numbers, tokens of the program's own
    // sequence (spent, or not issued yet), or a pointer to a path, as an in-process
    // sender of a string object would pass it.
    LParam ForeignParameter(const Op& op, const std::string& text) const {
        switch (op.b % 6) {
            case 0: return static_cast<LParam>(static_cast<std::int32_t>(op.v));
            case 1:
                return static_cast<LParam>((static_cast<std::uint64_t>(op.u) << 32) | op.v);
            case 2: return (op.c & 1) != 0 ? -static_cast<LParam>(op.v & 0xFF) : static_cast<LParam>(op.v & 0xFF);
            case 3:
                return static_cast<LParam>(static_cast<std::uintptr_t>(
                    static_cast<std::uint32_t>(m_firstToken + (op.v & 0xFF) * m_tokenStep)));
            case 4: return reinterpret_cast<LParam>(&text);
            default: return reinterpret_cast<LParam>(text.c_str());
        }
    }

    // Could the program have issued this lParam as a token that is still pending? Only
    // values of its sequence, early in it, qualify.
    bool MaybePending(LParam lParam) const {
        const auto raw = static_cast<std::uint64_t>(static_cast<std::uintptr_t>(lParam));
        if ((raw >> 32) != 0) {
            return false;
        }
        const std::uint32_t index = (static_cast<std::uint32_t>(raw) - m_firstToken) * m_stepInverse;
        return index < 1000000u;
    }

    void ForeignUpdate(const Op& op, bool nested) {
        if (!m_started) {
            return;
        }
        const std::string text = m_paths.empty() ? std::string("\\\\?\\x") : m_paths[op.c % m_paths.size()];
        const LParam lParam = ForeignParameter(op, text);
        const WParam wParam = (op.a & 2) != 0 ? static_cast<WParam>(op.u) : static_cast<WParam>(op.u & 1);
        // A token can be pending only while its message waits in the queue.
        const bool foreign = list().tokens().outstanding() == 0 || !MaybePending(lParam);
        if ((op.a & 1) != 0) {
            if (nested || !foreign) {
                // Handled later, by the loop that runs now.
                machine().window.postMessage(common::kMsgAudioListUpdate, wParam, lParam);
                return;
            }
            const Snapshot before = Take();
            machine().window.postMessage(common::kMsgAudioListUpdate, wParam, lParam);
            machine().window.runFor(0);
            const std::string changed = Take().Differences(before);
            Require(changed.empty(), "a posted foreign WM_USER+103 changed the audio side", changed);
            return;
        }
        const Snapshot before = Take();
        const LResult result = machine().window.sendMessage(common::kMsgAudioListUpdate, wParam, lParam);
        if (foreign) {
            Require(result == 0, "a foreign WM_USER+103 did not return 0", std::to_string(result));
            const std::string changed = Take().Differences(before);
            Require(changed.empty(), "a foreign WM_USER+103 changed the audio side", changed);
        }
    }

    void Command(std::uint32_t id, std::uint32_t code, bool nested) {
        if (!m_started) {
            return;
        }
        const WParam wParam = (static_cast<WParam>(code) << 16) | id;
        if (nested) {
            machine().window.postMessage(kWM_COMMAND, wParam, 0);
        } else {
            machine().window.sendMessage(kWM_COMMAND, wParam, 0);
        }
    }

    void AudioSetting(const Op& op, bool nested) {
        if (!m_started) {
            return;
        }
        const bool button = (op.a & 1) != 0;
        const std::uint32_t id = button ? IDC_AUDIO_SETTING : ID_TRAY_AUDIO_SETTING;
        const std::uint32_t code = button ? kBN_CLICKED : 0;
        if (nested) {
            // A second request while the dialog is open, from the loop it runs.
            Command(id, code, true);
            return;
        }
        // The actions run from the dialog's own loop, one virtual millisecond apart, and
        // only while this opening's box is open; the last one closes it in any case.
        const std::uint64_t generation = ++m_generation;
        const std::size_t runsBefore = machine().dialogs.runs().size();
        std::uint64_t at = machine().clock.now();
        for (const Op& action : op.nested) {
            machine().window.at(++at, [this, generation, action] {
                if (m_generation != generation || !machine().dialogs.isOpen()) {
                    return;
                }
                Trace("  in the dialog: ", action);
                Execute(action, true);
                CheckWhileOpen();
            });
        }
        machine().window.at(++at, [this, generation] {
            if (m_generation == generation && machine().dialogs.isOpen()) {
                machine().dialogs.close();
            }
        });
        m_inCommand = true;
        Command(id, code, false);
        m_inCommand = false;
        ++m_generation;  // whatever did not run is dropped
        const auto& runs = machine().dialogs.runs();
        if (runs.size() > runsBefore) {
            Require(runs.size() == runsBefore + 1, "more than one dialog for one command");
            Require(!runs.back().abandoned, "the audio dialog's loop ended before the dialog");
        }
        Require(!m_rig.dialog->audioSetting().dialogOpen(), "the dialog is still marked open");
        Require(!machine().dialogs.isOpen(), "the dialog box is still open");
        Require(m_rig.dialog->port().trayMenuAllowed(), "the tray menu is still refused after the dialog");
        Require(OpenChannels() == 0, "an effect channel left open after the dialog", std::to_string(OpenChannels()));
    }

    void EndpointFault(const Op& op) {
        if (m_endpointOf.empty()) {
            return;
        }
        sim::SimEffectEndpoint* endpoint = m_endpointOf[op.a % m_endpointOf.size()];
        if (endpoint == nullptr) {
            return;
        }
        switch (op.b % 7) {
            case 0: endpoint->failRequest(op.c % 16 + 1); break;
            case 1: endpoint->failEveryRequest((op.c & 1) != 0); break;
            case 2: endpoint->refuseOpen((op.c & 1) != 0); break;
            case 3: endpoint->answerShort(op.c % 13); break;
            case 4: endpoint->answerState(op.c == 0xFF ? -1 : op.c); break;
            default: endpoint->setState(op.b % 3 + 1, op.c); break;
        }
    }

    // ---- checks ----

    int OpenChannels() const {
        int open = 0;
        for (const sim::SimEffectEndpoint* endpoint : m_endpoints) {
            open += endpoint->openHandles();
        }
        return open;
    }

    Snapshot Take() {
        Snapshot shot;
        for (const auto& entry : list().entries()) {
            shot.entries.emplace_back(entry->commandId, entry->selected, std::string(entry->path),
                                      std::string(entry->description), entry->AEC, entry->NS, entry->BF,
                                      entry->removed);
        }
        shot.present = list().presentCount();
        shot.added = list().addedCount();
        for (const auto& item : AudioItems()) {
            shot.menuItems.emplace_back(item.id, item.text, item.state);
        }
        const auto* combo = machine().window.control(IDC_AUDIO_DEVICE);
        shot.comboItems = combo->items;
        shot.comboSelection = combo->selection;
        shot.notices = machine().notifyArea.balloons().size() + machine().window.messageBoxes().size();
        shot.queued = machine().window.queueLength();
        shot.outstanding = list().tokens().outstanding();
        shot.opens = machine().deviceIo.opens().size();
        return shot;
    }

    // The items of "Device Option" below its separator.
    std::vector<sim::SimMenus::Item> AudioItems() {
        std::vector<sim::SimMenus::Item> out;
        const auto* items = machine().menus.items(m_rig.dialog->videoDevices().deviceMenu());
        Require(items != nullptr, "the Device Option submenu is gone");
        bool below = false;
        for (const auto& item : *items) {
            if (item.separator) {
                below = true;
            } else if (below) {
                out.push_back(item);
            }
        }
        return out;
    }

    void CheckList(const char* where) {
        const auto& entries = list().entries();
        Require(entries.size() <= kMaxEntries, "more than 501 audio entries", std::to_string(entries.size()));
        Require(list().addedCount() == static_cast<int>(entries.size()), "the added count is not the entry count");
        int present = 0;
        int chosen = 0;
        std::vector<std::pair<std::uint32_t, std::string>> expectedItems;
        std::vector<std::string> expectedCombo;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const audio::AudioInterfaceEntry& entry = *entries[i];
            Require(entry.commandId == common::kAudioCommandFirst + i, "an entry's command id is not its position");
            Require(entry.removed == 0 || entry.removed == 1, "a removed flag other than 0 or 1");
            Require(entry.selected == 0 || entry.selected == 1, "a selected flag other than 0 or 1");
            for (std::int32_t state : {entry.AEC, entry.NS, entry.BF}) {
                Require(state == 0 || state == 1, "an effect state other than 0 or 1");
            }
            Require(std::memchr(entry.path, '\0', sizeof entry.path) != nullptr, "an entry's path without a NUL");
            Require(std::memchr(entry.description, '\0', sizeof entry.description) != nullptr,
                    "an entry's description without a NUL");
            Require(entry.description[0] != '\0', "an entry without a description");
            if (entry.removed == 0) {
                ++present;
                chosen += entry.selected;
                expectedItems.emplace_back(entry.commandId, entry.description);
                expectedCombo.push_back(Lower(entry.description));
            }
        }
        const std::string at = std::string(" (") + where + ")";
        Require(list().presentCount() >= 0, "a negative present count", std::to_string(list().presentCount()) + at);
        Require(list().presentCount() == present, "the present count is not the entries not removed",
                std::to_string(list().presentCount()) + " != " + std::to_string(present) + at);
        Require(chosen <= 1, "more than one present entry is chosen", std::to_string(chosen) + at);

        std::vector<std::pair<std::uint32_t, std::string>> items;
        int checked = 0;
        for (const auto& item : AudioItems()) {
            items.emplace_back(item.id, item.text);
            checked += (item.state & kMF_CHECKED) != 0 ? 1 : 0;
        }
        std::sort(items.begin(), items.end());
        std::sort(expectedItems.begin(), expectedItems.end());
        Require(items == expectedItems, "the Device Option items are not the present entries",
                std::to_string(items.size()) + " items, " + std::to_string(expectedItems.size()) + " present" + at);
        Require(checked <= 1, "more than one audio item checked", std::to_string(checked) + at);

        // The box finds and deletes its items without regard to letter case, as
        // Windows' does; two descriptions that differ only in case are one to it.
        std::vector<std::string> combo;
        for (const std::string& text : machine().window.control(IDC_AUDIO_DEVICE)->items) {
            combo.push_back(Lower(text));
        }
        std::sort(combo.begin(), combo.end());
        std::sort(expectedCombo.begin(), expectedCombo.end());
        Require(combo == expectedCombo, "combo box 1003 does not hold the present entries' descriptions",
                std::to_string(combo.size()) + " items, " + std::to_string(expectedCombo.size()) + " present" + at);
    }

    void CheckRequests() {
        std::size_t gets = 0;
        std::size_t sets = 0;
        for (const sim::SimEffectEndpoint* endpoint : m_endpoints) {
            for (const auto& request : endpoint->journal()) {
                Require(request.inLength == sim::SimEffectEndpoint::kBlockSize, "a request block not of 12 bytes",
                        std::to_string(request.inLength));
                Require(request.effect >= 1 && request.effect <= 3, "a request for effect other than 1 to 3",
                        std::to_string(request.effect));
                Require(request.tailZero, "a request block with bytes 5 to 11 not zero");
                if (request.code == sim::SimEffectEndpoint::kGetEffect) {
                    Require(request.outLength == sim::SimEffectEndpoint::kBlockSize && request.state == 0,
                            "a state query not as the protocol has it");
                    ++gets;
                } else {
                    Require(request.code == sim::SimEffectEndpoint::kSetEffect, "an unknown control code",
                            std::to_string(request.code));
                    Require(request.outLength == 0 && request.state <= 1, "a change not as the protocol has it");
                    ++sets;
                }
            }
        }
        const std::size_t runs = machine().dialogs.runs().size();
        Require(gets == 3 * runs, "not three queries per dialog",
                std::to_string(gets) + " queries, " + std::to_string(runs) + " dialogs");
        Require(sets == m_clicks, "not one change per click",
                std::to_string(sets) + " changes, " + std::to_string(m_clicks) + " clicks");
    }

    void CheckAll(const char* where) {
        CheckList(where);
        CheckRequests();
        Require(machine().deviceSetup.openSets() == 0, "a device set left open");
        if (!m_inCommand) {
            Require(list().tokens().outstanding() == 0, "audio list tokens left pending after the queue ran",
                    std::to_string(list().tokens().outstanding()));
            Require(OpenChannels() == 0, "an effect channel open with no dialog", std::to_string(OpenChannels()));
            Require(m_rig.dialog->port().trayMenuAllowed(), "the tray menu refused with no dialog open");
        }
    }

    void CheckWhileOpen() {
        CheckList("dialog open");
        Require(OpenChannels() == 1, "not exactly the dialog's channel open while it runs",
                std::to_string(OpenChannels()));
        Require(!m_rig.dialog->port().trayMenuAllowed(), "the tray menu allowed while the dialog is open");
        Require(m_rig.dialog->audioSetting().dialogOpen(), "the dialog runs but is not marked open");
    }

    testing_support::AudioRig m_rig;
    const bool m_trace = std::getenv("FUZZ_AUDIO_TRACE") != nullptr;
    bool m_started = false;
    bool m_inCommand = false;
    std::uint64_t m_generation = 0;
    std::size_t m_clicks = 0;
    std::vector<std::string> m_paths;                        // each added interface's
    std::vector<sim::SimEffectEndpoint*> m_endpointOf;       // by interface, or null
    std::vector<sim::SimEffectEndpoint*> m_endpoints;        // each once
    std::uint32_t m_firstToken = 0;
    std::uint32_t m_tokenStep = 1;
    std::uint32_t m_stepInverse = 1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    const std::uint8_t setup = input.u8();
    const std::size_t beforeStart = setup & 3;
    Session session((setup & 4) == 0);
    for (std::size_t n = 0; n < kMaxOperations && !input.empty(); ++n) {
        if (n == beforeStart) {
            session.start();
        }
        session.Run(Decode(input, false));
    }
    if (!session.started()) {
        session.start();
    }
    session.Finish();
    return 0;
}
