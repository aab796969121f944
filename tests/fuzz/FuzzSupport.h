// What the fuzz targets share: a reader over the fuzzer's bytes, a check that stops
// the run where libFuzzer sees it, and a window port for subsystems tested alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/WindowPort.h"

namespace fuzz_support {

// A broken property is a finding: print what broke and abort, so libFuzzer saves the
// input and shows the stack. Unlike assert(), it holds in every build type.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = std::string()) {
    std::fprintf(stderr, "\n*** fuzz check failed: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void Require(bool holds, const char* what, const std::string& detail = std::string()) {
    if (!holds) {
        Fail(what, detail);
    }
}

// Reads the input front to back. Past the end every read gives 0 (or nothing), so a
// short input is still a whole, meaningful case: the rest takes the quiet default.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    std::size_t remaining() const { return m_pos < m_size ? m_size - m_pos : 0; }

    std::uint8_t u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::uint16_t u16() {
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | (u8() << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }
    // Up to `count` bytes, fewer when the input ends first.
    std::vector<std::uint8_t> take(std::size_t count) {
        const std::size_t n = count < remaining() ? count : remaining();
        std::vector<std::uint8_t> out(m_data + m_pos, m_data + m_pos + n);
        m_pos += n;
        return out;
    }
    std::vector<std::uint8_t> rest() { return take(remaining()); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The main window as a subsystem sees it, when there is no main window: posts and
// notices go nowhere, the trace is kept.
class TracePort final : public common::IWindowPort {
public:
    bool post(std::uint32_t, platform::WParam, platform::LParam) override { return true; }
    platform::LResult ShowNotice(const char*, const char*, std::uint32_t, int) override { return 0; }
    bool trayMenuAllowed() const override { return true; }
    void setTrayMenuAllowed(bool) override {}
    void WriteLog(const std::string& message, int) override { lines.push_back(message); }

    std::vector<std::string> lines;
};

}  // namespace fuzz_support
