// The simulated machine's files and folders: which files exist and what they hold,
// the handles open on them, the folders, and the Windows directory. Paths compare
// without regard to case, as NTFS paths do.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace sim {

class SimFiles final : public platform::IFiles {
public:
    std::uint32_t windowsDirectory(char* buffer, std::uint32_t size) override;
    platform::FileHandle createFile(const char* path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                                    std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
    bool closeHandle(platform::FileHandle handle) override;
    bool readFile(platform::FileHandle handle, void* buffer, std::uint32_t size, std::uint32_t* done) override;
    bool writeFile(platform::FileHandle handle, const void* data, std::uint32_t size, std::uint32_t* done) override;
    bool flushFileBuffers(platform::FileHandle handle) override;
    std::uint32_t getFileSize(platform::FileHandle handle) override;
    std::uint32_t moveFileEx(const char* existing, const char* replacement, std::uint32_t flags) override;
    std::uint32_t deleteFile(const char* path) override;

    // Test driving.
    void setWindowsDirectory(const std::string& path) { m_windowsDirectory = path; }
    // The call fails (0) while set.
    void failWindowsDirectory(bool fail) { m_windowsDirectoryFails = fail; }
    void addFile(const std::string& path, const std::vector<std::uint8_t>& contents = {});
    void removeFile(const std::string& path);
    // A folder that exists, with every folder above it.
    void addFolder(const std::string& path);
    // Opening a file under this folder for writing fails with access denied, as in a
    // folder the user may not write (empty: none).
    void protectFolder(const std::string& folder) { m_protected = key(folder); }

    // Test observation.
    bool fileExists(const std::string& path) const;
    // The contents of a file; empty when there is none.
    std::vector<std::uint8_t> contents(const std::string& path) const;
    // The files directly or deeper under a folder, by their path as created.
    std::vector<std::string> filesUnder(const std::string& folder) const;
    bool folderExists(const std::string& path) const { return m_folders.count(key(path)) != 0; }
    int openHandleCount() const { return static_cast<int>(m_handles.size()); }
    // How often createFile was called.
    std::uint64_t createCalls() const { return m_createCalls; }
    // How often a written file was flushed.
    std::uint64_t flushes() const { return m_flushes; }

private:
    struct File {
        std::string path;  // as created
        std::vector<std::uint8_t> data;
    };
    struct Open {
        std::string key;
        std::uint32_t access;
        std::size_t position;
    };
    static std::string key(const std::string& path);
    static std::string parentOf(const std::string& keyPath);
    bool parentExists(const std::string& keyPath) const;

    std::string m_windowsDirectory = "C:\\Windows";
    bool m_windowsDirectoryFails = false;
    std::map<std::string, File> m_files;
    std::set<std::string> m_folders;
    std::string m_protected;
    std::map<platform::FileHandle, Open> m_handles;
    platform::FileHandle m_nextHandle = 0x4000;
    std::uint64_t m_createCalls = 0;
    std::uint64_t m_flushes = 0;
};

}  // namespace sim
