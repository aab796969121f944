#include "audio/AudioInterfaceList.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <string>

#include "camera/DeviceItems.h"
#include "common/Messages.h"
#include "platform/Constants.h"
#include "resources/resource.h"

using namespace platform;

namespace audio {
namespace {

// Ids 34000-34500: the list holds at most this many entries, ever.
constexpr std::size_t kMaxAudioEntries = common::kAudioCommandLast - common::kAudioCommandFirst + 1;
// The largest interface detail worth reading: its path must fit an entry's 260 bytes.
constexpr std::uint32_t kMaxDetailSize = kDeviceInterfaceDetailPathOffset + kAudioTextSize;

int CompareNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const int ca = std::tolower(static_cast<unsigned char>(*a));
        const int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) {
            return ca - cb;
        }
    }
}

bool ContainsNoCase(const char* text, const char* part) {
    const std::size_t length = std::strlen(part);
    for (const char* at = text; *at != '\0'; ++at) {
        std::size_t n = 0;
        while (n < length && at[n] != '\0' &&
               std::tolower(static_cast<unsigned char>(at[n])) == std::tolower(static_cast<unsigned char>(part[n]))) {
            ++n;
        }
        if (n == length) {
            return true;
        }
    }
    return length == 0;
}

// A text property of the device into a 260-byte output, cut to 259 characters whatever
// the device stored; empty when it cannot be read.
void ReadTextProperty(IDeviceInfoSet& set, const DeviceInfoData& device, std::uint32_t property, char* out) {
    std::memset(out, 0, kAudioTextSize);
    std::uint32_t type = 0;
    std::uint32_t required = 0;
    if (!set.getDeviceRegistryProperty(device, property, &type, reinterpret_cast<std::uint8_t*>(out),
                                       kAudioTextSize, &required)) {
        std::memset(out, 0, kAudioTextSize);
    }
    out[kAudioTextSize - 1] = '\0';
}

// At most 259 characters of `text`, and the NUL after them.
void CopyText(char* out, const char* text) {
    const std::size_t length = strnlen(text, kAudioTextSize - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
}

}  // namespace

std::unique_ptr<IDeviceHandle> OpenEffectChannel(IDeviceIo& deviceIo, const char* path) {
    char channel[kAudioTextSize + 4] = {};
    CopyText(channel, path);
    std::strcat(channel, kEffectChannelSuffix);
    return deviceIo.createFile(channel, kGENERIC_READ | kGENERIC_WRITE, kFILE_SHARE_READ | kFILE_SHARE_WRITE,
                               kOPEN_EXISTING, 0);
}

bool AudioInterfaceList::ReadInterfacePath(IDeviceInfoSet& set, const DeviceInterfaceData& data,
                                           char (&path)[kAudioTextSize], DeviceInfoData* device) {
    std::uint32_t required = 0;
    set.getDeviceInterfaceDetail(data, nullptr, 0, &required, nullptr);
    // The size comes from outside: one that cannot hold a path, or one beyond what an
    // entry can keep, passes the interface over.
    if (required <= kDeviceInterfaceDetailPathOffset || required > kMaxDetailSize) {
        m_port.WriteLog("interface detail size refused", 0);
        return false;
    }
    // The detail record starts with a DWORD.
    alignas(4) std::uint8_t detail[kMaxDetailSize] = {};
    const std::uint32_t size = required;
    if (device != nullptr) {
        *device = DeviceInfoData{};
    }
    if (!set.getDeviceInterfaceDetail(data, detail, size, &required, device)) {
        return false;
    }
    const char* text = reinterpret_cast<const char*>(detail) + kDeviceInterfaceDetailPathOffset;
    const std::size_t room = size - kDeviceInterfaceDetailPathOffset;
    // A path that does not end inside the record is not read.
    const void* end = std::memchr(text, '\0', room);
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : 0;
    if (length == 0 || length >= kAudioTextSize) {
        return false;
    }
    std::memset(path, 0, kAudioTextSize);
    std::memcpy(path, text, length);
    return true;
}

std::unique_ptr<IDeviceHandle> AudioInterfaceList::OpenAudioInterface(IDeviceInfoSet& set,
                                                                      const DeviceInterfaceData& data, char* path,
                                                                      char* description, char* hardwareId) {
    char interfacePath[kAudioTextSize] = {};
    DeviceInfoData device;
    if (!ReadInterfacePath(set, data, interfacePath, &device)) {
        return nullptr;
    }
    char ids[kAudioTextSize] = {};
    if (description != nullptr) {
        ReadTextProperty(set, device, kSPDRP_DEVICEDESC, description);
    }
    ReadTextProperty(set, device, kSPDRP_HARDWAREID, ids);
    if (hardwareId != nullptr) {
        std::memcpy(hardwareId, ids, kAudioTextSize);
    }
    if (path != nullptr) {
        CopyText(path, interfacePath);
    }
    if (!ContainsNoCase(ids, m_settings.AudioSyname) && !ContainsNoCase(interfacePath, m_settings.AudioSyname)) {
        return nullptr;
    }
    return OpenEffectChannel(m_deviceIo, interfacePath);
}

void AudioInterfaceList::FindAudioInterface(const Guid& interfaceClass, const char* path, char* description) {
    std::memset(description, 0, kAudioTextSize);
    WalkInterfaces(interfaceClass, path, description);
}

void AudioInterfaceList::PostPresentInterfaces() { WalkInterfaces(kAudioInterfaceClass, nullptr, nullptr); }

void AudioInterfaceList::WalkInterfaces(const Guid& interfaceClass, const char* wanted, char* description) {
    std::unique_ptr<IDeviceInfoSet> set =
        m_deviceSetup.getClassDevs(interfaceClass, kDIGCF_PRESENT | kDIGCF_DEVICEINTERFACE);
    if (!set) {
        return;
    }
    for (std::uint32_t index = 0; index < kMaxAudioInterfaceMembers; ++index) {
        DeviceInterfaceData data;
        if (!set->enumDeviceInterfaces(interfaceClass, index, data)) {
            if (set->lastError() == kERROR_NO_MORE_ITEMS) {
                break;
            }
            continue;
        }
        char memberPath[kAudioTextSize] = {};
        if (wanted == nullptr) {
            if (ReadInterfacePath(*set, data, memberPath, nullptr)) {
                PostUpdate(true, memberPath);
            }
            continue;
        }
        char memberDescription[kAudioTextSize] = {};
        char memberHardwareId[kAudioTextSize] = {};
        // Opened to prove it can be, and closed again at once.
        if (OpenAudioInterface(*set, data, memberPath, memberDescription, memberHardwareId) &&
            CompareNoCase(memberPath, wanted) == 0) {
            CopyText(description, memberDescription);
            return;
        }
    }
}

bool AudioInterfaceList::OnDeviceChange(WParam event, LParam data) {
    const auto* notice = InterfaceNotice(event, data);
    if (notice == nullptr || std::memcmp(&notice->dbcc_classguid, &kAudioInterfaceClass, sizeof(Guid)) != 0) {
        return false;
    }
    // The name ends inside the record and fits an entry, or the notice is passed over.
    const std::size_t nameOffset = offsetof(DevBroadcastDeviceInterface, dbcc_name);
    const std::size_t room = std::min<std::size_t>(notice->dbcc_size - nameOffset, kAudioTextSize);
    if (room == 0 || notice->dbcc_name[0] == '\0' || std::memchr(notice->dbcc_name, '\0', room) == nullptr) {
        m_port.WriteLog("audio interface notice without a usable name", 0);
        return true;
    }
    PostUpdate(event == kDBT_DEVICEARRIVAL, notice->dbcc_name);
    return true;
}

void AudioInterfaceList::PostUpdate(bool arrival, const char* path) {
    const LParam token = m_tokens.Issue(arrival, path);
    if (token == 0) {
        m_port.WriteLog("too many audio interface notices pending", 0);
        return;
    }
    if (!m_port.post(common::kMsgAudioListUpdate, arrival ? 1 : 0, token)) {
        m_tokens.Withdraw(token);
    }
}

LResult AudioInterfaceList::OnAudioListUpdate(WParam wParam, LParam lParam) {
    char path[AudioListTokens::kPathSize];
    if (!m_tokens.Consume(lParam, wParam != 0, path)) {
        return 0;
    }
    return wParam != 0 ? OnArrival(path) : OnRemoval(path);
}

std::uint32_t AudioInterfaceList::MenuPosition() const {
    // Below the video items and the separator, after every entry ever added.
    return static_cast<std::uint32_t>(m_videoDevices.count() + m_nAudioAdded + 1);
}

AudioInterfaceEntry* AudioInterfaceList::FindByPath(const char* path) {
    m_pAudioIterator = nullptr;
    for (const auto& entry : m_AudioDevices) {
        if (CompareNoCase(entry->path, path) == 0) {
            m_pAudioIterator = entry.get();
            break;
        }
    }
    return m_pAudioIterator;
}

void AudioInterfaceList::Show(AudioInterfaceEntry& entry) {
    m_menus.insertMenu(m_hDeviceMenu, MenuPosition(), kMF_BYPOSITION, entry.commandId, entry.description);
    m_window.comboAddString(IDC_AUDIO_DEVICE, entry.description);
    if (m_nAudioPresent++ == 0) {
        Select(entry);
    } else {
        // One that comes back while another is chosen is not chosen itself, whatever
        // flag it kept from its removal.
        entry.selected = 0;
    }
}

LResult AudioInterfaceList::OnArrival(const char* path) {
    if (AudioInterfaceEntry* known = FindByPath(path)) {
        // Back under its own command and description, below the others. One that is
        // present already (the start-up listing and a notice can both report it) stays.
        if (known->removed == 1) {
            known->removed = 0;
            Show(*known);
        }
        return 1;
    }

    char description[kAudioTextSize] = {};
    FindAudioInterface(kAudioInterfaceClass, path, description);
    if (description[0] == '\0') {
        m_port.post(common::kMsgDeviceError, 1, 0);
        return 0;
    }
    if (m_AudioDevices.size() >= kMaxAudioEntries) {
        m_port.WriteLog("audio interface list full", 0);
        return 0;
    }

    auto entry = std::make_unique<AudioInterfaceEntry>();
    CopyText(entry->path, path);
    CopyText(entry->description, description);
    if (m_nAudioAdded != 0) {
        camera::AppendNumberSuffix(entry->description, m_nAudioAdded + 1);
    }
    entry->commandId = common::kAudioCommandFirst + static_cast<std::uint32_t>(m_nAudioAdded);
    Show(*entry);
    m_AudioDevices.push_back(std::move(entry));
    ++m_nAudioAdded;
    return 1;
}

LResult AudioInterfaceList::OnRemoval(const char* path) {
    AudioInterfaceEntry* entry = FindByPath(path);
    if (entry == nullptr) {
        return 1;
    }
    if (entry->removed == 0) {
        const bool chosen = entry->selected == 1;
        const int index = chosen ? m_window.comboSelectString(IDC_AUDIO_DEVICE, -1, entry->description)
                                 : m_window.comboFindString(IDC_AUDIO_DEVICE, -1, entry->description);
        if (index != kCB_ERR) {
            m_window.comboDeleteString(IDC_AUDIO_DEVICE, index);
        }
        m_menus.deleteMenu(m_hDeviceMenu, entry->commandId, kMF_BYCOMMAND);
        entry->removed = 1;
        --m_nAudioPresent;
        // The removed entry keeps its selected flag; the first entry of the list that is
        // present takes the check mark (a removed one has no item to carry it).
        if (chosen && m_nAudioPresent > 0) {
            for (const auto& other : m_AudioDevices) {
                if (other->removed == 0) {
                    Select(*other);
                    break;
                }
            }
        } else if (chosen) {
            m_window.comboResetContent(IDC_AUDIO_DEVICE);
        }
    }
    if (m_nAudioPresent == 0) {
        m_port.post(common::kMsgGrayOut, 0, 0);
    }
    return 1;
}

void AudioInterfaceList::Select(AudioInterfaceEntry& entry) {
    camera::MarkChosenDevice(m_menus, m_hDeviceMenu, m_window, IDC_AUDIO_DEVICE, entry.commandId, entry.description);
    entry.selected = 1;
    m_pAudioIterator = &entry;
}

void AudioInterfaceList::ClearChoice(bool all) {
    for (const auto& entry : m_AudioDevices) {
        if (entry->selected == 1 && entry->removed == 0) {
            entry->selected = 0;
            m_menus.checkMenuItem(m_hDeviceMenu, entry->commandId, kMF_BYCOMMAND);
            if (!all) {
                return;
            }
        }
    }
}

void AudioInterfaceList::OnAudioDeviceMenu(std::uint32_t id) {
    ClearChoice(true);
    for (const auto& entry : m_AudioDevices) {
        if (entry->commandId == id) {
            Select(*entry);
            break;
        }
    }
}

void AudioInterfaceList::OnAudioDeviceBox() {
    const std::string text = m_window.comboGetText(IDC_AUDIO_DEVICE, m_window.comboGetCurSel(IDC_AUDIO_DEVICE));
    ClearChoice(false);
    for (const auto& entry : m_AudioDevices) {
        if (text == entry->description) {
            Select(*entry);
            break;
        }
    }
}

AudioInterfaceEntry* AudioInterfaceList::FindSelectedAudioInterface() {
    m_pAudioIterator = nullptr;
    if (m_nAudioPresent == 0) {
        return nullptr;
    }
    for (const auto& entry : m_AudioDevices) {
        if (entry->selected == 1 && entry->removed == 0) {
            m_pAudioIterator = entry.get();
            return m_pAudioIterator;
        }
    }
    for (const auto& entry : m_AudioDevices) {
        if (entry->removed == 0) {
            Select(*entry);
            return m_pAudioIterator;
        }
    }
    return nullptr;
}

}  // namespace audio
