#include "platform/sim/SimFiles.h"

#include <cctype>
#include <cstring>

namespace sim {

using platform::FileHandle;
using platform::kINVALID_HANDLE_VALUE;

std::string SimFiles::key(const std::string& path) {
    std::string upper = path;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::uint32_t SimFiles::windowsDirectory(char* buffer, std::uint32_t size) {
    if (m_windowsDirectoryFails) {
        return 0;
    }
    const auto length = static_cast<std::uint32_t>(m_windowsDirectory.size());
    if (buffer == nullptr || size <= length) {
        return length + 1;  // what the caller must provide, NUL included
    }
    std::memcpy(buffer, m_windowsDirectory.data(), length);
    buffer[length] = '\0';
    return length;
}

FileHandle SimFiles::createFile(const char* path, std::uint32_t desiredAccess, std::uint32_t, std::uint32_t creationDisposition,
                                std::uint32_t) {
    if (path == nullptr) {
        return kINVALID_HANDLE_VALUE;
    }
    ++m_createCalls;
    // The program only ever opens existing files to read them.
    if (creationDisposition != platform::kOPEN_EXISTING || (desiredAccess & ~platform::kGENERIC_READ) != 0 ||
        m_files.count(key(path)) == 0) {
        return kINVALID_HANDLE_VALUE;
    }
    const FileHandle handle = m_nextHandle;
    m_nextHandle += 4;
    m_handles[handle] = path;
    return handle;
}

bool SimFiles::closeHandle(FileHandle handle) { return m_handles.erase(handle) != 0; }

void SimFiles::addFile(const std::string& path) { m_files.insert(key(path)); }

void SimFiles::removeFile(const std::string& path) { m_files.erase(key(path)); }

bool SimFiles::fileExists(const std::string& path) const { return m_files.count(key(path)) != 0; }

}  // namespace sim
