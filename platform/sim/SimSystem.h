// Process and system facts of the simulated machine, plus COM and the instance counter.
#pragma once

#include <cstdint>
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

// Stands for the counter in the executable's shared section: hand the same integer to
// the counters of two simulated processes of one executable.
class SimInstanceCounter final : public platform::IInstanceCounter {
public:
    explicit SimInstanceCounter(std::int32_t& shared) : m_shared(shared) {}
    bool tryEnter() override {
        if (m_shared > 0) {
            return false;
        }
        ++m_shared;
        return true;
    }

private:
    std::int32_t& m_shared;
};

}  // namespace sim
