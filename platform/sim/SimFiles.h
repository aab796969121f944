// The simulated machine's files and folders: which files exist, the handles open on
// them, and the Windows directory. Paths compare without regard to case, as NTFS
// paths do.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "platform/Files.h"

namespace sim {

class SimFiles final : public platform::IFiles {
public:
    std::uint32_t windowsDirectory(char* buffer, std::uint32_t size) override;
    platform::FileHandle createFile(const char* path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                                    std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
    bool closeHandle(platform::FileHandle handle) override;

    // Test driving.
    void setWindowsDirectory(const std::string& path) { m_windowsDirectory = path; }
    // The call fails (0) while set.
    void failWindowsDirectory(bool fail) { m_windowsDirectoryFails = fail; }
    void addFile(const std::string& path);
    void removeFile(const std::string& path);

    // Test observation.
    bool fileExists(const std::string& path) const;
    int openHandleCount() const { return static_cast<int>(m_handles.size()); }
    // How often createFile was called.
    std::uint64_t createCalls() const { return m_createCalls; }

private:
    static std::string key(const std::string& path);

    std::string m_windowsDirectory = "C:\\Windows";
    bool m_windowsDirectoryFails = false;
    std::set<std::string> m_files;
    std::map<platform::FileHandle, std::string> m_handles;
    platform::FileHandle m_nextHandle = 0x4000;
    std::uint64_t m_createCalls = 0;
};

}  // namespace sim
