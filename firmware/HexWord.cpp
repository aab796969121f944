#include "firmware/HexWord.h"

namespace firmware {

std::uint16_t ParseHexWord(const char* four) {
    if (four == nullptr) {
        return 0xFFFF;
    }
    std::uint32_t value = 0;
    std::uint32_t weight = 0x1000;
    for (int i = 0; i < 4; ++i, weight >>= 4) {
        const char c = four[i];
        std::uint32_t digit = 0;
        if (c == '\0' || c == ' ') {
            digit = 0;
        } else if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else if (c >= ':' && c <= '?') {
            digit = static_cast<std::uint32_t>(c - ':' + 10);
        } else {
            return 0xFFFF;
        }
        value += digit * weight;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace firmware
