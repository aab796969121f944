// The SMBIOS table as the registry hands it to rotation::PolicyInputs::smbios_info.
//
// First byte, bit 0 clear: the simulated registry holds SMBiosData with a fuzzed type
// (the next four bytes) and the rest of the input as its contents, of any size.
// Bit 0 set: a registry of our own (ShiftingRegistry) whose value changes between the
// size query and the read: each query takes its answer (result, size, type, bytes) from
// the input, so the second can report another size, other data or an error. An answer
// is 1 byte (result; bit 7: a 32-bit size follows, else 16 bits), the size, 4 bytes of
// type, a 16-bit count and that many bytes of data.
// Bit 1 set: smbios_info is given no record buffer.
//
// Checked: every key opened is closed, once; the answer is 0 exactly when a record was
// filled, and a filled record is one the table holds (type of the marker's structure,
// bytes 4 and 5 being 2 and 5); nothing is written when nothing was found.
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/Constants.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimSystem.h"
#include "common/OemRecord.h"
#include "rotation/PolicyInputs.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace platform;
using fuzz_support::Bytes;
using fuzz_support::Require;

namespace {

constexpr const char* kSmbiosKey = "SYSTEM\\CurrentControlSet\\Services\\mssmbios\\Data";
constexpr char kOemMarker[] = "_QX_OEM_";
constexpr std::size_t kMarkerOffsetInStructure = 5;

// A registry whose one value is never the same twice: every queryValue takes its
// answer from the input. It keeps the one promise any registry keeps: nothing is
// written outside the buffer the caller gave. Everything else it may answer is fair.
class ShiftingRegistry final : public IRegistry {
public:
    explicit ShiftingRegistry(Bytes& input) : m_input(input) {}

    Long openKey(Hive, const std::string&, std::uint32_t, RegKey& out) override {
        out = m_next++;
        m_open.insert(out);
        return kERROR_SUCCESS;
    }
    Long createKey(Hive hive, const std::string& subKey, std::uint32_t samDesired, RegKey& out) override {
        return openKey(hive, subKey, samDesired, out);
    }
    Long closeKey(RegKey key) override {
        Require(m_open.erase(key) == 1, "closed a key that is not open");
        return kERROR_SUCCESS;
    }
    Long queryValue(RegKey key, const char*, std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override {
        Require(m_open.count(key) == 1, "queried a key that is not open");
        static const Long kResults[] = {kERROR_SUCCESS,        kERROR_SUCCESS,           kERROR_SUCCESS,
                                        kERROR_MORE_DATA,      kERROR_FILE_NOT_FOUND,    kERROR_ACCESS_DENIED,
                                        kERROR_INVALID_PARAMETER, kERROR_SUCCESS};
        // Sizes are mostly near real tables; bit 7 asks for a 32-bit one (up to the
        // sizes the program refuses), which costs the program a large allocation.
        const std::uint8_t code = m_input.u8();
        const Long result = kResults[code % (sizeof kResults / sizeof kResults[0])];
        const std::uint32_t reported = (code & 0x80) != 0 ? m_input.u32() : m_input.u16();
        const std::uint32_t valueType = m_input.u32();
        const std::vector<std::uint8_t> bytes = m_input.take(m_input.u16());
        const std::uint32_t room = size != nullptr ? *size : 0;
        const std::size_t copied = bytes.size() < room ? bytes.size() : room;
        if (data != nullptr && copied != 0) {
            std::memcpy(data, bytes.data(), copied);
        }
        if (type != nullptr) {
            *type = valueType;
        }
        if (size != nullptr) {
            *size = reported;
        }
        return result;
    }
    Long setValue(RegKey, const char*, std::uint32_t, const std::uint8_t*, std::uint32_t) override {
        return kERROR_ACCESS_DENIED;
    }
    Long deleteValue(RegKey, const char*) override { return kERROR_ACCESS_DENIED; }

    std::size_t openKeys() const { return m_open.size(); }

private:
    Bytes& m_input;
    std::set<RegKey> m_open;
    RegKey m_next = 0x80001000u;
};

bool Filled(const common::OemRecord& record) { return record.byte4 == 2 && record.byte5 == 5; }
bool Zero(const common::OemRecord& record) {
    static const common::OemRecord kZero{};
    return std::memcmp(&record, &kZero, sizeof record) == 0;
}

// The answer against the records; `table`, when known, is the whole value the program read.
void CheckAnswer(int answer, const common::OemRecord* records, const std::vector<std::uint8_t>* table) {
    Require(answer == 0 || answer == 1, "smbios_info answered neither 0 nor 1", std::to_string(answer));
    if (records == nullptr) {
        return;
    }
    if (answer == 1) {
        for (int i = 0; i < common::kOemRecordCount; ++i) {
            Require(Zero(records[i]), "a record was written though none was found");
        }
        return;
    }
    Require(Filled(records[0]), "answered 0 without a record");
    for (int i = 0; i < common::kOemRecordCount; ++i) {
        Require(Filled(records[i]) || Zero(records[i]), "a record half written");
    }
    if (table == nullptr) {
        return;
    }
    const std::string text(table->begin(), table->end());
    const std::size_t marker = text.find(kOemMarker, 0, sizeof kOemMarker - 1);
    Require(marker != std::string::npos && marker >= kMarkerOffsetInStructure, "a record without a marker");
    for (int i = 0; i < common::kOemRecordCount; ++i) {
        if (Filled(records[i])) {
            Require(records[i].type == (*table)[marker - kMarkerOffsetInStructure],
                    "a record of another type than the marker's structure");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    const std::uint8_t mode = input.u8();
    const bool shifting = (mode & 1) != 0;
    const bool noBuffer = (mode & 2) != 0;

    sim::SimSystem system;
    fuzz_support::TracePort port;
    common::OemRecord records[common::kOemRecordCount] = {};
    common::OemRecord* buffer = noBuffer ? nullptr : records;

    if (!shifting) {
        sim::SimRegistry registry;
        const std::uint32_t type = input.u32();
        const std::vector<std::uint8_t> table = input.rest();
        registry.put(Hive::LocalMachine, kSmbiosKey, "SMBiosData", type, table);
        rotation::PolicyInputs policy(registry, system, port);
        const int answer = policy.smbios_info(buffer);
        Require(registry.openHandleCount() == 0, "a registry key left open");
        CheckAnswer(answer, buffer, &table);
        return 0;
    }

    ShiftingRegistry registry(input);
    rotation::PolicyInputs policy(registry, system, port);
    const int answer = policy.smbios_info(buffer);
    Require(registry.openKeys() == 0, "a registry key left open");
    CheckAnswer(answer, buffer, nullptr);
    return 0;
}
