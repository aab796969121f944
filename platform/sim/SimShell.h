// The simulated shell: an open-file dialog the test scripts (confirm with a path, or
// cancel), the special folders, and WinExec with a result the test chooses.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Shell.h"
#include "platform/sim/SimFiles.h"

namespace sim {

class SimShell final : public platform::IShell {
public:
    explicit SimShell(SimFiles& files) : m_files(files) {}

    bool getOpenFileName(platform::OpenFileName& ofn) override;
    std::uint32_t commDlgExtendedError() override { return m_extendedError; }
    bool getSpecialFolderPath(platform::Hwnd owner, char* path, int csidl, bool create) override;
    // Every folder exists once asked for, unless the test refuses it.
    std::int32_t createDirectory(platform::Hwnd owner, const char* path) override;
    std::uint32_t winExec(const char* commandLine, int showCommand) override;

    // What the open-file dialog saw.
    struct OpenFileRequest {
        platform::Hwnd owner;
        std::string filter;  // the NUL separators shown as '|'
        std::string initialFile;
        std::uint32_t fileSize;
        std::uint32_t flags;
    };
    struct Exec {
        std::string commandLine;
        int showCommand;
    };

    // Test driving. Each dialog takes the next scripted answer; with none left, the
    // user cancels.
    void confirmOpenFile(const std::string& path) { m_answers.emplace_back(path); }
    void cancelOpenFile() { m_answers.emplace_back(std::nullopt); }
    void setSpecialFolder(int csidl, const std::string& path) { m_folders[csidl] = path; }
    void failSpecialFolder(int csidl) { m_folders.erase(csidl); }
    // createDirectory answers this error from now on (kERROR_SUCCESS: folders are made).
    void failCreateDirectory(std::int32_t error) { m_createError = error; }
    void setWinExecResult(std::uint32_t result) { m_execResult = result; }
    // A program that starts leaves this file behind, as a viewer that writes a mark.
    void setStartedMark(const std::string& path) { m_mark = path; }

    // Test observation.
    const std::vector<OpenFileRequest>& openFileRequests() const { return m_requests; }
    const std::vector<Exec>& execs() const { return m_execs; }
    // The folders asked for with `create` set, in order.
    const std::vector<int>& foldersCreated() const { return m_created; }
    // The folders createDirectory made, in order.
    const std::vector<std::string>& directoriesMade() const { return m_directories; }

private:
    SimFiles& m_files;
    std::deque<std::optional<std::string>> m_answers;
    std::vector<OpenFileRequest> m_requests;
    std::uint32_t m_extendedError = 0;
    std::map<int, std::string> m_folders{{platform::kCSIDL_APPDATA, "C:\\Users\\user\\AppData\\Roaming"},
                                         {platform::kCSIDL_MYPICTURES, "C:\\Users\\user\\Pictures"},
                                         {platform::kCSIDL_LOCAL_APPDATA, "C:\\Users\\user\\AppData\\Local"}};
    std::vector<int> m_created;
    std::vector<std::string> m_directories;
    std::int32_t m_createError = 0;
    std::uint32_t m_execResult = 33;
    std::string m_mark;
    std::vector<Exec> m_execs;
};

}  // namespace sim
