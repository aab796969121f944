// The registry of the simulated machine: one tree per hive, answering with the codes,
// types and sizes advapi32 gives, including the 32-bit view a WOW64 process sees.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace sim {

class SimRegistry final : public platform::IRegistry {
public:
    SimRegistry();
    ~SimRegistry() override;
    SimRegistry(const SimRegistry&) = delete;
    SimRegistry& operator=(const SimRegistry&) = delete;

    platform::Long openKey(platform::Hive hive, const std::string& subKey, std::uint32_t samDesired,
                           platform::RegKey& out) override;
    platform::Long createKey(platform::Hive hive, const std::string& subKey, std::uint32_t samDesired,
                             platform::RegKey& out) override;
    platform::Long closeKey(platform::RegKey key) override;
    platform::Long queryValue(platform::RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size) override;
    platform::Long setValue(platform::RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                            std::uint32_t size) override;
    platform::Long deleteValue(platform::RegKey key, const char* name) override;

    // Makes the process a 32-bit program on 64-bit Windows: HKLM\SOFTWARE opened
    // without kKEY_WOW64_64KEY then lands in HKLM\SOFTWARE\WOW6432Node.
    void setWow64(bool wow64) { m_wow64 = wow64; }
    bool wow64() const { return m_wow64; }

    // Test hooks. They work on the tree directly: no handles, no redirection.
    // Replaces every key and value with a copy of another registry's (a machine whose
    // program was ended hands its registry to the next program).
    void copyTreeFrom(const SimRegistry& other);
    void put(platform::Hive hive, const std::string& path, const std::string& name, std::uint32_t type,
             std::vector<std::uint8_t> bytes);
    void putDword(platform::Hive hive, const std::string& path, const std::string& name, std::uint32_t value);
    void putString(platform::Hive hive, const std::string& path, const std::string& name,
                   const std::string& value);  // stored with its terminating NUL, as REG_SZ
    bool get(platform::Hive hive, const std::string& path, const std::string& name, std::uint32_t& type,
             std::vector<std::uint8_t>& bytes) const;
    bool keyExists(platform::Hive hive, const std::string& path) const;
    void removeKey(platform::Hive hive, const std::string& path);  // with everything below it
    int openHandleCount() const { return static_cast<int>(m_handles.size()); }
    // The next openKey or createKey fails with this code (kERROR_SUCCESS cancels).
    void failNextOpen(platform::Long error) { m_failNextOpen = error; }

private:
    struct Key;
    struct Handle {
        std::weak_ptr<Key> key;  // expires when a test removes the key
        std::uint32_t access = 0;
    };

    platform::Long open(platform::Hive hive, const std::string& subKey, std::uint32_t samDesired, bool create,
                        platform::RegKey& out);
    std::shared_ptr<Key> findKey(platform::Hive hive, const std::vector<std::string>& path) const;
    std::shared_ptr<Key> makeKey(platform::Hive hive, const std::vector<std::string>& path);
    platform::Long resolve(platform::RegKey key, std::shared_ptr<Key>& node, std::uint32_t& access) const;

    std::shared_ptr<Key> m_roots[3];
    std::map<platform::RegKey, Handle> m_handles;
    platform::RegKey m_nextHandle = 0x80000100u;
    platform::Long m_failNextOpen = 0;
    bool m_wow64 = false;
};

}  // namespace sim
