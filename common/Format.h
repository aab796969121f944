// printf-style formatting into a std::string, for trace lines with values.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

#if defined(__GNUC__)
#define COMPANION_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define COMPANION_PRINTF_FORMAT(fmt, args)
#endif

namespace common {

inline std::string Format(const char* format, ...) COMPANION_PRINTF_FORMAT(1, 2);

inline std::string Format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) {
        return std::string();
    }
    return std::string(buffer, static_cast<std::size_t>(length) < sizeof buffer ? static_cast<std::size_t>(length)
                                                                                 : sizeof buffer - 1);
}

}  // namespace common
