#include "platform/sim/SimShell.h"

#include <cstring>

#include "platform/Constants.h"

namespace sim {

namespace {

// A filter list ends in two NULs; one that never does is read no further than this.
constexpr std::size_t kFilterLimit = 4096;

std::string readFilter(const char* filter) {
    std::string shown;
    if (filter == nullptr) {
        return shown;
    }
    for (std::size_t i = 0; i < kFilterLimit; ++i) {
        if (filter[i] == '\0') {
            shown += '|';
            if (filter[i + 1] == '\0') {
                shown += '|';
                break;
            }
        } else {
            shown += filter[i];
        }
    }
    return shown;
}

}  // namespace

bool SimShell::getOpenFileName(platform::OpenFileName& ofn) {
    OpenFileRequest request{ofn.owner, readFilter(ofn.filter), {}, ofn.fileSize, ofn.flags};
    if (ofn.file != nullptr && ofn.fileSize > 0) {
        request.initialFile.assign(ofn.file, strnlen(ofn.file, ofn.fileSize));
    }
    m_requests.push_back(request);

    std::optional<std::string> answer;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    m_extendedError = 0;
    if (!answer) {
        return false;
    }
    if (ofn.file == nullptr || answer->size() + 1 > ofn.fileSize) {
        m_extendedError = platform::kFNERR_BUFFERTOOSMALL;
        return false;
    }
    std::memcpy(ofn.file, answer->c_str(), answer->size() + 1);
    return true;
}

bool SimShell::getSpecialFolderPath(platform::Hwnd, char* path, int csidl, bool create) {
    if (create) {
        m_created.push_back(csidl);
    }
    auto it = m_folders.find(csidl);
    if (path == nullptr || it == m_folders.end() || it->second.size() >= platform::kMAX_PATH) {
        return false;
    }
    std::memcpy(path, it->second.c_str(), it->second.size() + 1);
    if (create) {
        m_files.addFolder(it->second);
    }
    return true;
}

std::int32_t SimShell::createDirectory(platform::Hwnd, const char* path) {
    if (path == nullptr || *path == '\0') {
        return platform::kERROR_INVALID_PARAMETER;
    }
    if (m_createError != platform::kERROR_SUCCESS) {
        return m_createError;
    }
    for (const std::string& made : m_directories) {
        if (made == path) {
            return platform::kERROR_ALREADY_EXISTS;
        }
    }
    m_directories.emplace_back(path);
    m_files.addFolder(path);
    return platform::kERROR_SUCCESS;
}

std::uint32_t SimShell::winExec(const char* commandLine, int showCommand) {
    m_execs.push_back(Exec{commandLine != nullptr ? commandLine : "", showCommand});
    if (m_execResult >= platform::kWinExecFirstSuccess && !m_mark.empty()) {
        m_files.addFile(m_mark);
    }
    return m_execResult;
}

}  // namespace sim
