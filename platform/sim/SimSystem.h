// Process and system facts of the simulated machine, plus COM and the instance counter.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/System.h"

namespace sim {

class SimSystem final : public platform::ISystem {
public:
    std::uint32_t moduleFileName(char* buffer, std::uint32_t size) override;
    std::uint32_t tempPath(char* buffer, std::uint32_t size) override;
    bool isWow64Process() override { return m_wow64; }
    bool enableWow64FsRedirection(bool enable) override;
    bool getVersion(platform::OsVersion& out) override;

    void setModulePath(const std::string& path) { m_modulePath = path; }
    void setTempPath(const std::string& path) { m_tempPath = path; }
    void setWow64(bool wow64) { m_wow64 = wow64; }
    void setVersion(std::uint32_t major, std::uint32_t minor) {
        m_version.major = major;
        m_version.minor = minor;
    }
    // dwPlatformId: kVER_PLATFORM_WIN32_NT unless a test says otherwise.
    void setPlatformId(std::uint32_t platformId) { m_version.platformId = platformId; }
    void failVersion(bool fail) { m_versionFails = fail; }

    bool redirectionEnabled() const { return m_redirectionEnabled; }
    // Every call of enableWow64FsRedirection, in order.
    const std::vector<bool>& redirectionCalls() const { return m_redirectionCalls; }

private:
    std::string m_modulePath = "C:\\Program Files\\Tiltmate\\Tiltmate.exe";
    std::string m_tempPath = "C:\\Users\\user\\AppData\\Local\\Temp\\";
    bool m_wow64 = false;
    bool m_redirectionEnabled = true;
    std::vector<bool> m_redirectionCalls;
    platform::OsVersion m_version{6, 1, 7601, 2};
    bool m_versionFails = false;
};

class SimCom final : public platform::ICom {
public:
    platform::HResult initialize() override {
        ++m_initializeCalls;
        ++m_depth;
        return m_depth == 1 ? 0 : 1;  // S_OK first, S_FALSE when already initialised
    }
    void uninitialize() override {
        ++m_uninitializeCalls;
        if (m_depth > 0) {
            --m_depth;
        }
    }
    int depth() const { return m_depth; }
    int initializeCalls() const { return m_initializeCalls; }
    int uninitializeCalls() const { return m_uninitializeCalls; }

private:
    int m_depth = 0;
    int m_initializeCalls = 0;
    int m_uninitializeCalls = 0;
};

// The named objects of one logon session ("Local\..."): the simulated processes of one
// session share one of these; another user's session has its own.
struct SimSession {
    std::set<std::string> namedObjects;
};

// Stands for the session-local named object of one executable: taken by the first
// process of the session that enters, and held until that process ends.
class SimInstanceCounter final : public platform::IInstanceCounter {
public:
    SimInstanceCounter(SimSession& session, std::string program)
        : m_session(session), m_name(std::move(program) + ".BackGrou") {}
    ~SimInstanceCounter() override {
        if (m_entered) {
            m_session.namedObjects.erase(m_name);
        }
    }
    SimInstanceCounter(const SimInstanceCounter&) = delete;
    SimInstanceCounter& operator=(const SimInstanceCounter&) = delete;

    bool tryEnter() override {
        if (m_entered || !m_session.namedObjects.insert(m_name).second) {
            return false;
        }
        m_entered = true;
        return true;
    }

private:
    SimSession& m_session;
    std::string m_name;
    bool m_entered = false;
};

}  // namespace sim
