// Where diagnostic trace lines go. The programs discard them; tests capture them.
#pragma once

#include <string>

namespace platform {

class ITraceSink {
public:
    virtual ~ITraceSink() = default;
    virtual void write(const std::string& message, int flag) = 0;
};

class NullTraceSink final : public ITraceSink {
public:
    void write(const std::string&, int) override {}
};

}  // namespace platform
