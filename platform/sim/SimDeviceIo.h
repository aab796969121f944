// Device paths of the simulated machine that can be opened as files, and the emulated
// audio-effect endpoint behind them: a state byte per effect, a journal of every
// request, and faults a test sets.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceIo.h"

namespace sim {

class SimEffectEndpoint {
public:
    // The endpoint's control codes and its 12-byte block: effect id (4 bytes, 1..3),
    // state byte, seven zero bytes.
    static constexpr std::uint32_t kSetEffect = 0x220004;
    static constexpr std::uint32_t kGetEffect = 0x220008;
    static constexpr std::uint32_t kBlockSize = 12;

    struct Request {
        std::uint32_t code;
        std::uint32_t inLength;
        std::uint32_t outLength;
        std::uint32_t effect;    // bytes 0..3 of the input (0 for a short input)
        std::uint32_t state;     // byte 4 of the input (0 for a short input)
        bool tailZero;           // bytes 5..11 of the input all zero
        bool succeeded;
        std::uint32_t returned;  // bytes written to the output
    };

    // The state byte of effect 1 (AEC), 2 (NS) or 3 (BF).
    std::uint8_t state(std::uint32_t effect) const { return effect >= 1 && effect <= 3 ? m_state[effect] : 0; }
    void setState(std::uint32_t effect, std::uint8_t value) {
        if (effect >= 1 && effect <= 3) {
            m_state[effect] = value;
        }
    }

    // Faults.
    void failRequest(std::size_t k) { m_failAt.push_back(k); }  // the k-th request (1-based) fails
    void failEveryRequest(bool fail) { m_failAll = fail; }
    void refuseOpen(bool refuse) { m_refuseOpen = refuse; }
    void answerShort(std::uint32_t bytes) { m_shortAnswer = bytes; }  // a query writes only this many bytes
    void answerState(int value) { m_oddState = value; }               // a query answers this byte (-1 off)

    const std::vector<Request>& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }
    int opens() const { return m_opens; }
    int openHandles() const { return m_openHandles; }

    // The handle's side.
    bool open();
    void close() { --m_openHandles; }
    bool request(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                 std::uint32_t* returned, platform::Long& error);

private:
    std::uint8_t m_state[4] = {};
    std::vector<std::size_t> m_failAt;
    bool m_failAll = false;
    bool m_refuseOpen = false;
    std::uint32_t m_shortAnswer = 0;
    int m_oddState = -1;
    std::vector<Request> m_journal;
    int m_opens = 0;
    int m_openHandles = 0;
};

class SimDeviceIo final : public platform::IDeviceIo {
public:
    std::unique_ptr<platform::IDeviceHandle> createFile(const char* path, std::uint32_t access, std::uint32_t share,
                                                        std::uint32_t disposition, std::uint32_t flags) override;
    platform::Long lastError() const override { return m_lastError; }

    // An endpoint at `path` (object names match without regard to case).
    SimEffectEndpoint& addEffectEndpoint(const std::string& path);
    SimEffectEndpoint* endpoint(const std::string& path);
    void removeEndpoint(const std::string& path);

    struct Open {
        std::string path;
        std::uint32_t access;
        std::uint32_t share;
        std::uint32_t disposition;
        std::uint32_t flags;
        bool succeeded;
    };
    const std::vector<Open>& opens() const { return m_opens; }

private:
    std::map<std::string, std::shared_ptr<SimEffectEndpoint>> m_endpoints;  // by lower-case path
    std::vector<Open> m_opens;
    platform::Long m_lastError = 0;
};

}  // namespace sim
