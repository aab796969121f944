// Private-profile files of the simulated machine: an in-memory file store read and
// written with the rules kernel32 applies to .ini files, so configuration code sees
// the same answers here as on Windows (and under Wine, which we check against).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Profile.h"

namespace sim {

class SimProfile final : public platform::IProfile {
public:
    std::uint32_t getString(const char* section, const char* key, const char* defaultValue, char* buffer,
                            std::uint32_t size, const char* fileName) override;
    std::uint32_t getInt(const char* section, const char* key, int defaultValue,
                         const char* fileName) override;
    bool writeString(const char* section, const char* key, const char* value, const char* fileName) override;

    // Test hooks. Paths are Windows paths ("C:\\Prog\\bkg.ini") compared without regard
    // to case; '/' and '\\' are the same separator.
    void setFile(const std::string& path, const std::string& bytes);
    bool hasFile(const std::string& path) const;
    std::string file(const std::string& path) const;  // empty when missing
    void removeFile(const std::string& path);
    // Writes to files in this folder (or below it) fail from now on.
    void protectFolder(const std::string& folder);

private:
    const std::string* find(const char* fileName) const;

    std::map<std::string, std::string> m_files;  // normalised path -> contents
    std::vector<std::string> m_protected;         // normalised folders, each ending in '\\'
};

}  // namespace sim
