// The small text parsers of the device identity, on whatever text a device or the
// registry may carry. The first byte picks the parser (modulo 3), the rest is its text:
//   0  firmware::ParseHexWord on every four-byte window, each in a buffer of exactly
//      four bytes (the parser reads four characters, NUL or not);
//   1  firmware::InstanceKey on the text up to its first NUL;
//   2  firmware::ReadHardwareIds through a device set of our own whose answers come
//      from the input (first a count of scripted answers, four bytes each, then the
//      hardware-id list itself), then firmware::ParseUsbHardwareId as the identity
//      check uses it.
// Each result is compared with a plain reading of the rule its header states.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "firmware/HexWord.h"
#include "firmware/UsbIdentity.h"
#include "platform/Constants.h"
#include "platform/DeviceSetup.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace platform;
using fuzz_support::Bytes;
using fuzz_support::Require;

namespace {

// Four characters, most significant first: digits, A-F/a-f and ':' to '?' give 0 to
// 15, NUL and space give 0, anything else makes the whole word 0xFFFF.
std::uint16_t HexWordAsStated(const char* four) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const unsigned char c = static_cast<unsigned char>(four[i]);
        std::uint32_t digit;
        if (c == '\0' || c == ' ') {
            digit = 0;
        } else if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= ':' && c <= '?') {
            digit = c - ':' + 10;
        } else {
            return 0xFFFF;
        }
        value = value * 16 + digit;
    }
    return static_cast<std::uint16_t>(value);
}

// The key as strtok has always cut it: '\', '\', '&', '&', the fourth token.
std::string InstanceKeyAsStated(const std::string& id) {
    std::vector<char> copy(id.begin(), id.end());
    copy.push_back('\0');
    const char* delimiters[4] = {"\\", "\\", "&", "&"};
    char* save = nullptr;
    const char* token = nullptr;
    for (int i = 0; i < 4; ++i) {
        token = strtok_r(i == 0 ? copy.data() : nullptr, delimiters[i], &save);
        if (token == nullptr) {
            return std::string();
        }
    }
    return token;
}

void FuzzHexWord(Bytes& input) {
    const std::vector<std::uint8_t> text = input.rest();
    for (std::size_t i = 0; i + 4 <= text.size(); ++i) {
        // Exactly four bytes on the heap: a fifth read is an overflow the sanitizer sees.
        std::vector<char> four(text.begin() + static_cast<std::ptrdiff_t>(i),
                               text.begin() + static_cast<std::ptrdiff_t>(i) + 4);
        const std::uint16_t parsed = firmware::ParseHexWord(four.data());
        Require(parsed == HexWordAsStated(four.data()), "ParseHexWord differs from its rule");
    }
    Require(firmware::ParseHexWord(nullptr) == 0xFFFF, "ParseHexWord(null)");
}

void FuzzInstanceKey(Bytes& input) {
    const std::vector<std::uint8_t> bytes = input.rest();
    const std::string text(bytes.begin(), bytes.end());
    // The program hands over C strings: the text ends at its first NUL.
    const std::string id = text.substr(0, text.find('\0'));
    const std::string key = firmware::InstanceKey(id.c_str());
    Require(key == InstanceKeyAsStated(id), "InstanceKey differs from the strtok reading", id);
    Require(key.find('&') == std::string::npos, "a key holding its delimiter", key);
}

// One device whose SPDRP_HARDWAREID answers are scripted: each call takes the next
// scripted answer (whether it succeeds, the error it leaves, the size it calls
// required), and once they run out the set answers as SetupAPI does. It keeps the
// promise every set keeps: nothing is written outside the buffer given.
class ScriptedDeviceSet final : public IDeviceInfoSet {
public:
    struct Answer {
        bool succeeds;
        Long error;
        std::uint32_t required;
    };
    ScriptedDeviceSet(std::vector<Answer> answers, std::vector<std::uint8_t> value)
        : m_answers(std::move(answers)), m_value(std::move(value)) {}

    bool enumDeviceInfo(std::uint32_t index) override {
        m_lastError = index == 0 ? 0 : kERROR_NO_MORE_ITEMS;
        return index == 0;
    }
    std::uint32_t getDeviceId(std::uint32_t, char* buffer, std::uint32_t size) override {
        if (buffer != nullptr && size > 0) {
            buffer[0] = '\0';
        }
        return kCR_SUCCESS;
    }
    bool getRegistryProperty(std::uint32_t index, std::uint32_t property, std::uint32_t* regType,
                             std::uint8_t* buffer, std::uint32_t size, std::uint32_t* requiredSize) override {
        Require(index == 0 && property == kSPDRP_HARDWAREID, "asked for another device or property");
        const auto valueSize = static_cast<std::uint32_t>(m_value.size());
        Answer answer{buffer != nullptr && size >= valueSize, kERROR_INSUFFICIENT_BUFFER, valueSize};
        if (m_next < m_answers.size()) {
            answer = m_answers[m_next];
        }
        ++m_next;
        m_written = 0;
        if (buffer != nullptr) {
            m_written = valueSize < size ? valueSize : size;
            if (m_written != 0) {
                std::memcpy(buffer, m_value.data(), m_written);
            }
        }
        if (regType != nullptr) {
            *regType = kREG_MULTI_SZ;
        }
        if (requiredSize != nullptr) {
            *requiredSize = answer.required;
        }
        m_lastError = answer.succeeds ? 0 : answer.error;
        return answer.succeeds;
    }
    Long lastError() const override { return m_lastError; }

    // What the last call put into the caller's buffer.
    std::uint32_t written() const { return m_written; }
    const std::vector<std::uint8_t>& value() const { return m_value; }

private:
    std::vector<Answer> m_answers;
    std::vector<std::uint8_t> m_value;
    std::size_t m_next = 0;
    std::uint32_t m_written = 0;
    Long m_lastError = 0;
};

void FuzzHardwareIds(Bytes& input) {
    static const Long kErrors[] = {kERROR_INSUFFICIENT_BUFFER, kERROR_INSUFFICIENT_BUFFER, 13 /* INVALID_DATA */,
                                   0, kERROR_INVALID_PARAMETER};
    std::vector<ScriptedDeviceSet::Answer> answers;
    const int count = input.u8() % 8;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t flags = input.u8();
        const std::uint8_t error = input.u8();
        const std::uint16_t required = input.u16();
        // Mostly sizes near a real list; bit 1 makes one far beyond any.
        const std::uint32_t size = (flags & 2) != 0 ? 0x10000u + required : required;
        answers.push_back({(flags & 1) != 0, kErrors[error % (sizeof kErrors / sizeof kErrors[0])], size});
    }
    ScriptedDeviceSet set(std::move(answers), input.rest());

    std::vector<std::uint8_t> buffer;
    const bool read = firmware::ReadHardwareIds(set, 0, buffer);
    if (read) {
        Require(buffer.size() >= firmware::kUsbHardwareIdLength + 1, "a read list shorter than the parser looks",
                std::to_string(buffer.size()));
        // A zeroed buffer holding what the set wrote, and nothing else.
        const std::uint32_t written = set.written();
        Require(written <= buffer.size(), "the set wrote beyond the buffer");
        Require(written == 0 || std::memcmp(buffer.data(), set.value().data(), written) == 0,
                "the list is not what the set wrote");
        for (std::size_t i = written; i < buffer.size(); ++i) {
            Require(buffer[i] == 0, "the buffer was not zeroed beyond the list");
        }
    }
    if (!read) {
        buffer.assign(set.value().begin(), set.value().end());
    }
    // As the identity check reads it: the first id, when it is long enough.
    const char* first = reinterpret_cast<const char*>(buffer.data());
    const firmware::UsbIdentity identity = firmware::ParseUsbHardwareId(buffer);
    if (buffer.size() > firmware::kUsbHardwareIdLength &&
        strnlen(first, buffer.size()) >= firmware::kUsbHardwareIdLength) {
        Require(identity.vid == HexWordAsStated(first + 8), "vid not read at characters 8 to 11");
        Require(identity.pid == HexWordAsStated(first + 17), "pid not read at characters 17 to 20");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    switch (input.u8() % 3) {
        case 0: FuzzHexWord(input); break;
        case 1: FuzzInstanceKey(input); break;
        default: FuzzHardwareIds(input); break;
    }
    return 0;
}
