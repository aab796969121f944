#include "platform/sim/SimDeviceIo.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/Constants.h"

using namespace platform;

namespace sim {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class SimDeviceHandle final : public IDeviceHandle {
public:
    explicit SimDeviceHandle(std::shared_ptr<SimEffectEndpoint> endpoint) : m_endpoint(std::move(endpoint)) {}
    ~SimDeviceHandle() override { m_endpoint->close(); }
    SimDeviceHandle(const SimDeviceHandle&) = delete;
    SimDeviceHandle& operator=(const SimDeviceHandle&) = delete;

    bool deviceIoControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                         std::uint32_t* bytesReturned) override {
        std::uint32_t returned = 0;
        const bool ok = m_endpoint->request(code, in, inSize, out, outSize, &returned, m_lastError);
        if (bytesReturned != nullptr) {
            *bytesReturned = returned;
        }
        return ok;
    }
    Long lastError() const override { return m_lastError; }

private:
    std::shared_ptr<SimEffectEndpoint> m_endpoint;
    Long m_lastError = 0;
};

}  // namespace

bool SimEffectEndpoint::open() {
    if (m_refuseOpen) {
        return false;
    }
    ++m_opens;
    ++m_openHandles;
    return true;
}

bool SimEffectEndpoint::request(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                                std::uint32_t outSize, std::uint32_t* returned, Long& error) {
    Request entry{code, inSize, outSize, 0, 0, false, false, 0};
    std::uint8_t block[kBlockSize] = {};
    if (in != nullptr && inSize >= kBlockSize) {
        std::memcpy(block, in, kBlockSize);
        std::memcpy(&entry.effect, block, 4);
        entry.state = block[4];
        entry.tailZero = std::all_of(block + 5, block + kBlockSize, [](std::uint8_t b) { return b == 0; });
    }
    const std::size_t number = m_journal.size() + 1;
    const bool injected = m_failAll || std::find(m_failAt.begin(), m_failAt.end(), number) != m_failAt.end();
    const bool wellFormed = in != nullptr && inSize == kBlockSize && entry.effect >= 1 && entry.effect <= 3;

    error = 0;
    if (injected) {
        error = kERROR_GEN_FAILURE;
    } else if (!wellFormed || (code != kSetEffect && code != kGetEffect)) {
        error = kERROR_INVALID_PARAMETER;
    } else if (code == kGetEffect && (out == nullptr || outSize < kBlockSize)) {
        error = kERROR_INSUFFICIENT_BUFFER;
    } else if (code == kSetEffect) {
        m_state[entry.effect] = block[4];
        entry.succeeded = true;
    } else {
        block[4] = m_oddState >= 0 ? static_cast<std::uint8_t>(m_oddState) : m_state[entry.effect];
        const std::uint32_t length = m_shortAnswer != 0 ? std::min(m_shortAnswer, kBlockSize) : kBlockSize;
        std::memcpy(out, block, length);
        entry.returned = length;
        entry.succeeded = true;
    }
    *returned = entry.returned;
    m_journal.push_back(entry);
    return entry.succeeded;
}

std::unique_ptr<IDeviceHandle> SimDeviceIo::createFile(const char* path, std::uint32_t access, std::uint32_t share,
                                                       std::uint32_t disposition, std::uint32_t flags) {
    const std::string name = path != nullptr ? path : "";
    auto found = m_endpoints.find(lower(name));
    const bool opened = found != m_endpoints.end() && disposition == kOPEN_EXISTING && found->second->open();
    m_opens.push_back(Open{name, access, share, disposition, flags, opened});
    if (!opened) {
        m_lastError = found == m_endpoints.end() ? kERROR_FILE_NOT_FOUND : kERROR_ACCESS_DENIED;
        return nullptr;
    }
    m_lastError = 0;
    return std::make_unique<SimDeviceHandle>(found->second);
}

SimEffectEndpoint& SimDeviceIo::addEffectEndpoint(const std::string& path) {
    auto& slot = m_endpoints[lower(path)];
    slot = std::make_shared<SimEffectEndpoint>();
    return *slot;
}

SimEffectEndpoint* SimDeviceIo::endpoint(const std::string& path) {
    auto found = m_endpoints.find(lower(path));
    return found != m_endpoints.end() ? found->second.get() : nullptr;
}

void SimDeviceIo::removeEndpoint(const std::string& path) { m_endpoints.erase(lower(path)); }

}  // namespace sim
