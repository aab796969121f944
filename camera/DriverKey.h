// The per-user driver settings key "SOFTWARE\Velnor VNUVCb": opened (and created)
// the first time a step of a bring-up needs it, closed with its holder.
#pragma once

#include "platform/Constants.h"
#include "platform/Registry.h"

namespace camera {

constexpr const char* kDriverKey = "SOFTWARE\\Velnor VNUVCb";

class DriverKey {
public:
    explicit DriverKey(platform::IRegistry& registry) : m_registry(registry), m_key(registry) {}

    // The opened key; 0 when it cannot be opened (a later call tries again).
    platform::RegKey OpenDriverKey() {
        if (!m_key.valid()) {
            platform::RegKey key = 0;
            if (m_registry.createKey(platform::Hive::CurrentUser, kDriverKey, platform::kKEY_ALL_ACCESS, key) ==
                platform::kERROR_SUCCESS) {
                m_key.out() = key;
            }
        }
        return m_key.get();
    }
    void CloseDriverKey() { m_key.reset(); }

private:
    platform::IRegistry& m_registry;
    platform::RegKeyHolder m_key;
};

}  // namespace camera
