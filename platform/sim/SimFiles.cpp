#include "platform/sim/SimFiles.h"

#include <algorithm>
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

std::string SimFiles::parentOf(const std::string& keyPath) {
    const std::size_t slash = keyPath.find_last_of('\\');
    return slash == std::string::npos ? std::string() : keyPath.substr(0, slash);
}

// A drive root ("C:") always exists; other folders exist once made, or when a test
// put a file into them.
bool SimFiles::parentExists(const std::string& keyPath) const {
    const std::string parent = parentOf(keyPath);
    if (parent.size() <= 2) {
        return true;
    }
    if (m_folders.count(parent) != 0) {
        return true;
    }
    const std::string prefix = parent + "\\";
    return std::any_of(m_files.begin(), m_files.end(),
                       [&](const auto& file) { return file.first.compare(0, prefix.size(), prefix) == 0; });
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

FileHandle SimFiles::createFile(const char* path, std::uint32_t desiredAccess, std::uint32_t,
                                std::uint32_t creationDisposition, std::uint32_t) {
    if (path == nullptr) {
        return kINVALID_HANDLE_VALUE;
    }
    ++m_createCalls;
    const std::string name = key(path);
    const bool writes = (desiredAccess & platform::kGENERIC_WRITE) != 0;
    if (creationDisposition == platform::kOPEN_EXISTING) {
        if (m_files.count(name) == 0) {
            return kINVALID_HANDLE_VALUE;
        }
    } else if (creationDisposition == platform::kCREATE_ALWAYS && writes) {
        if (!parentExists(name) ||
            (!m_protected.empty() && name.compare(0, m_protected.size() + 1, m_protected + "\\") == 0)) {
            return kINVALID_HANDLE_VALUE;
        }
        File& file = m_files[name];
        file.path = path;
        file.data.clear();
    } else {
        return kINVALID_HANDLE_VALUE;  // nothing the program asks for
    }
    const FileHandle handle = m_nextHandle;
    m_nextHandle += 4;
    m_handles[handle] = Open{name, desiredAccess, 0};
    return handle;
}

bool SimFiles::closeHandle(FileHandle handle) { return m_handles.erase(handle) != 0; }

bool SimFiles::readFile(FileHandle handle, void* buffer, std::uint32_t size, std::uint32_t* done) {
    *done = 0;
    auto open = m_handles.find(handle);
    if (open == m_handles.end() || (open->second.access & platform::kGENERIC_READ) == 0) {
        return false;
    }
    auto file = m_files.find(open->second.key);
    if (file == m_files.end()) {
        return false;
    }
    const std::vector<std::uint8_t>& data = file->second.data;
    const std::size_t from = std::min(open->second.position, data.size());
    const std::size_t count = std::min<std::size_t>(size, data.size() - from);
    if (count != 0) {
        std::memcpy(buffer, data.data() + from, count);
    }
    open->second.position = from + count;
    *done = static_cast<std::uint32_t>(count);
    return true;
}

bool SimFiles::writeFile(FileHandle handle, const void* data, std::uint32_t size, std::uint32_t* done) {
    *done = 0;
    auto open = m_handles.find(handle);
    if (open == m_handles.end() || (open->second.access & platform::kGENERIC_WRITE) == 0) {
        return false;
    }
    auto file = m_files.find(open->second.key);
    if (file == m_files.end()) {
        return false;
    }
    std::vector<std::uint8_t>& bytes = file->second.data;
    const std::size_t at = open->second.position;
    if (bytes.size() < at + size) {
        bytes.resize(at + size);
    }
    if (size != 0) {
        std::memcpy(bytes.data() + at, data, size);
    }
    open->second.position = at + size;
    *done = size;
    return true;
}

bool SimFiles::flushFileBuffers(FileHandle handle) {
    auto open = m_handles.find(handle);
    if (open == m_handles.end() || (open->second.access & platform::kGENERIC_WRITE) == 0) {
        return false;
    }
    ++m_flushes;
    return true;
}

std::uint32_t SimFiles::getFileSize(FileHandle handle) {
    auto open = m_handles.find(handle);
    if (open == m_handles.end()) {
        return platform::kINVALID_FILE_SIZE;
    }
    auto file = m_files.find(open->second.key);
    return file == m_files.end() ? platform::kINVALID_FILE_SIZE
                                 : static_cast<std::uint32_t>(file->second.data.size());
}

std::uint32_t SimFiles::moveFileEx(const char* existing, const char* replacement, std::uint32_t flags) {
    if (existing == nullptr || replacement == nullptr) {
        return platform::kERROR_FILE_NOT_FOUND;
    }
    const std::string from = key(existing);
    const std::string to = key(replacement);
    auto file = m_files.find(from);
    if (file == m_files.end()) {
        return platform::kERROR_FILE_NOT_FOUND;
    }
    if (m_files.count(to) != 0 && from != to && (flags & platform::kMOVEFILE_REPLACE_EXISTING) == 0) {
        return platform::kERROR_ALREADY_EXISTS;
    }
    if (!parentExists(to)) {
        return platform::kERROR_PATH_NOT_FOUND;
    }
    File moved = std::move(file->second);
    m_files.erase(file);
    moved.path = replacement;
    m_files[to] = std::move(moved);
    return 0;
}

std::uint32_t SimFiles::deleteFile(const char* path) {
    if (path == nullptr || m_files.erase(key(path)) == 0) {
        return platform::kERROR_FILE_NOT_FOUND;
    }
    return 0;
}

void SimFiles::addFile(const std::string& path, const std::vector<std::uint8_t>& contents) {
    m_files[key(path)] = File{path, contents};
}

void SimFiles::removeFile(const std::string& path) { m_files.erase(key(path)); }

void SimFiles::addFolder(const std::string& path) {
    for (std::string folder = key(path); folder.size() > 2; folder = parentOf(folder)) {
        m_folders.insert(folder);
    }
}

bool SimFiles::fileExists(const std::string& path) const { return m_files.count(key(path)) != 0; }

std::vector<std::uint8_t> SimFiles::contents(const std::string& path) const {
    auto file = m_files.find(key(path));
    return file == m_files.end() ? std::vector<std::uint8_t>{} : file->second.data;
}

std::vector<std::string> SimFiles::filesUnder(const std::string& folder) const {
    const std::string prefix = key(folder) + "\\";
    std::vector<std::string> out;
    for (const auto& file : m_files) {
        if (file.first.compare(0, prefix.size(), prefix) == 0) {
            out.push_back(file.second.path);
        }
    }
    return out;
}

}  // namespace sim
