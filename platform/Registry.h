// The registry, shaped like the advapi32 calls the program makes. Results are Win32
// error codes; value sizes and types are reported as Windows reports them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace platform {

enum class Hive : std::uint32_t { ClassesRoot, CurrentUser, LocalMachine };

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // RegOpenKeyExA; samDesired may carry kKEY_WOW64_64KEY.
    virtual Long openKey(Hive hive, const std::string& subKey, std::uint32_t samDesired, RegKey& out) = 0;
    // RegCreateKeyExA: opens the key, creating it (and its parents) when missing.
    virtual Long createKey(Hive hive, const std::string& subKey, std::uint32_t samDesired, RegKey& out) = 0;
    virtual Long closeKey(RegKey key) = 0;
    // RegQueryValueExA: data may be null to ask only for type and size; on a short
    // buffer the result is kERROR_MORE_DATA and size holds what is needed.
    virtual Long queryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                            std::uint32_t* size) = 0;
    virtual Long setValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t size) = 0;
    virtual Long deleteValue(RegKey key, const char* name) = 0;
};

// Closes an opened key when it goes out of scope.
class RegKeyHolder {
public:
    explicit RegKeyHolder(IRegistry& registry) : m_registry(registry) {}
    ~RegKeyHolder() { reset(); }
    RegKeyHolder(const RegKeyHolder&) = delete;
    RegKeyHolder& operator=(const RegKeyHolder&) = delete;

    RegKey& out() {
        reset();
        return m_key;
    }
    RegKey get() const { return m_key; }
    bool valid() const { return m_key != 0; }
    void reset() {
        if (m_key != 0) {
            m_registry.closeKey(m_key);
            m_key = 0;
        }
    }

private:
    IRegistry& m_registry;
    RegKey m_key = 0;
};

}  // namespace platform
