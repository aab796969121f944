// The program module's resources as the simulated machine holds them: the main icon
// (128, as the resource script has it) and no strings, unless a test adds some.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/Resources.h"

namespace sim {

class SimResources final : public platform::IResources {
public:
    static constexpr platform::IconHandle kMainIcon = 0x5128;

    SimResources();

    int loadString(std::uint32_t id, char* buffer, int size) override;
    platform::IconHandle loadIcon(std::uint32_t id) override;

    void addString(std::uint32_t id, const std::string& text) { m_strings[id] = text; }
    void addIcon(std::uint32_t id, platform::IconHandle icon) { m_icons[id] = icon; }

private:
    std::map<std::uint32_t, std::string> m_strings;
    std::map<std::uint32_t, platform::IconHandle> m_icons;
};

}  // namespace sim
