#include "platform/sim/EmulatedFlash.h"

#include <algorithm>

namespace sim {
namespace {

// Standard SPI NOR opcodes the part understands.
constexpr std::uint8_t kWriteStatus = 0x01;
constexpr std::uint8_t kPageProgram = 0x02;
constexpr std::uint8_t kRead = 0x03;
constexpr std::uint8_t kWriteDisable = 0x04;
constexpr std::uint8_t kReadStatus = 0x05;
constexpr std::uint8_t kWriteEnable = 0x06;
constexpr std::uint8_t kFastRead = 0x0B;
constexpr std::uint8_t kBlockErase32K = 0x52;
constexpr std::uint8_t kChipErase = 0x60;
constexpr std::uint8_t kChipEraseAlt = 0xC7;
constexpr std::uint8_t kBlockErase64K = 0xD8;
constexpr std::uint8_t kReadManufacturerDevice = 0x90;
constexpr std::uint8_t kReadJedecId = 0x9F;
constexpr std::uint8_t kReadSignature = 0xAB;

constexpr std::uint8_t kErased = 0xFF;
constexpr std::uint8_t kFloating = 0xFF;  // nobody drives the data-out line

using Id = std::array<std::uint8_t, 3>;

// Each flash type answers so that the program's identification (0x90 first, then 0xAB
// and 0x9F only after an all-FF or all-00 answer) lands on its code. Parts with a
// 0xD7 sector erase are the ones whose command table carries D7.
const FlashChip kChips[] = {
    {"MX 512K", 0x79, Id{0xC2, 0x05, 0xC2}, Id{0x05, 0x05, 0x05}, Id{0xC2, 0x20, 0x10}, 0x20},
    {"SST 512K", 0x7A, Id{0xBF, 0x48, 0xBF}, Id{0x48, 0x48, 0x48}, Id{0xBF, 0x48, 0xBF}, 0x20},
    {"PMC 512K", 0x7B, Id{0x9D, 0x05, 0x7F}, Id{0x05, 0x05, 0x05}, Id{0x9D, 0x7B, 0x7F}, 0xD7},
    {"PMC 512K rev 2", 0x7C, Id{0x9D, 0x02, 0x7F}, Id{0x02, 0x02, 0x02}, Id{0x9D, 0x7C, 0x7F}, 0xD7},
    {"PMC signature only", 0x7D, Id{0xFF, 0xFF, 0xFF}, Id{0x9D, 0x7B, 0x7F}, Id{0xFF, 0xFF, 0xFF}, 0xD7},
    {"Atmel 512K", 0x7E, Id{0xFF, 0xFF, 0xFF}, Id{0xFF, 0xFF, 0xFF}, Id{0x1F, 0x65, 0x00}, 0x20},
    {"EON 512K", 0x7F, Id{0x1C, 0x05, 0x1C}, Id{0x05, 0x05, 0x05}, Id{0x1C, 0x30, 0x10}, 0x20},
    {"42/C2 512K", 0x80, Id{0x42, 0x05, 0xC2}, Id{0x05, 0x05, 0x05}, Id{0x42, 0x20, 0x10}, 0x20},
    {"MX JEDEC 2210", 0x81, Id{0xFF, 0xFF, 0xFF}, Id{0x10, 0x10, 0x10}, Id{0xC2, 0x22, 0x10}, 0x20},
    {"MX JEDEC 2211", 0x82, Id{0x00, 0x00, 0x00}, Id{0x00, 0x00, 0x00}, Id{0xC2, 0x22, 0x11}, 0x20},
    {"GigaDevice 512K", 0x83, Id{0xC8, 0x05, 0xC8}, Id{0x05, 0x05, 0x05}, Id{0xC8, 0x40, 0x10}, 0x20},
    {"A1 512K", 0x84, Id{0xA1, 0x05, 0xA1}, Id{0x05, 0x05, 0x05}, Id{0xA1, 0x31, 0x10}, 0x20},
};
const FlashChip kUnknownChip = {"unknown", 0x78, Id{0x12, 0x34, 0x56}, Id{0x12, 0x12, 0x12}, Id{0x12, 0x34, 0x56}, 0x20};
const FlashChip kBlankChip = {"blank", 0x78, Id{0xFF, 0xFF, 0xFF}, Id{0xFF, 0xFF, 0xFF}, Id{0xFF, 0xFF, 0xFF}, 0x20};

bool carriesAddress(std::uint8_t opcode, std::uint8_t sectorErase) {
    return opcode == kPageProgram || opcode == kRead || opcode == kFastRead || opcode == sectorErase ||
           opcode == kBlockErase32K || opcode == kBlockErase64K;
}

}  // namespace

std::string hexNumber(std::uint32_t value, int width) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(out.size()) < width) {
        out.insert(out.begin(), '0');
    }
    return out;
}

std::string hexBytes(const std::uint8_t* bytes, std::size_t count, std::size_t shown) {
    const std::size_t printed = count <= shown ? count : std::min<std::size_t>(16, shown);
    std::string out;
    for (std::size_t i = 0; i < printed; ++i) {
        if (i != 0) {
            out += ' ';
        }
        out += hexNumber(bytes[i], 2);
    }
    if (printed < count) {
        out += " ... (" + std::to_string(count) + " bytes)";
    }
    return out;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes, std::size_t shown) {
    return hexBytes(bytes.data(), bytes.size(), shown);
}

const FlashChip& EmulatedFlash::chip(std::uint8_t code) {
    for (const FlashChip& chip : kChips) {
        if (chip.code == code) {
            return chip;
        }
    }
    return kUnknownChip;
}

const FlashChip& EmulatedFlash::unknownChip() { return kUnknownChip; }
const FlashChip& EmulatedFlash::blankChip() { return kBlankChip; }

EmulatedFlash::EmulatedFlash() : m_chip(chip(0x79)), m_data(kSize, kErased) {}

void EmulatedFlash::powerUp() {
    m_selected = false;
    m_writeEnabled = false;
    m_busyLeft = 0;
    m_count = 0;
    m_ignored = false;
    m_pageBytes = 0;
}

void EmulatedFlash::load(const std::vector<std::uint8_t>& image) {
    std::fill(m_data.begin(), m_data.end(), kErased);
    std::copy_n(image.begin(), std::min(image.size(), kSize), m_data.begin());
}

std::uint8_t EmulatedFlash::status() const {
    std::uint8_t status = m_writeEnabled ? kStatusWriteEnabled : 0;
    if (m_statusStaysBusy || m_busyLeft > 0) {
        status |= kStatusBusy;
    }
    return status;
}

std::vector<std::string> EmulatedFlash::takeEvents() {
    std::vector<std::string> events;
    events.swap(m_events);
    return events;
}

void EmulatedFlash::select() {
    if (m_selected) {
        deselect();
    }
    m_selected = true;
    m_count = 0;
    m_address = 0;
    m_ignored = false;
    m_pageBytes = 0;
    m_page.fill(kErased);
    m_pageTouched.fill(false);
}

std::uint8_t EmulatedFlash::transfer(std::uint8_t out) {
    if (!m_selected) {
        return kFloating;
    }
    const std::size_t index = m_count++;
    if (index == 0) {
        m_opcode = out;
        // A part busy with a program or erase listens only to the status read.
        m_ignored = (status() & kStatusBusy) != 0 && out != kReadStatus;
        return kFloating;
    }
    if (m_ignored) {
        return kFloating;
    }
    if (carriesAddress(m_opcode, m_chip.sectorEraseOpcode) && index <= 3) {
        m_address = (m_address << 8) | out;
        return kFloating;
    }
    switch (m_opcode) {
    case kReadStatus: {
        const std::uint8_t answer = status();
        if (m_busyLeft > 0) {
            --m_busyLeft;
        }
        return answer;
    }
    case kRead:
    case kFastRead: {
        if (m_opcode == kFastRead && index == 4) {
            return kFloating;  // the dummy byte
        }
        const std::uint8_t answer = m_data[address()];
        ++m_address;
        return answer;
    }
    case kPageProgram: {
        // The page buffer wraps: bytes past the page's end land at its start.
        const std::size_t offset = (address() + m_pageBytes) % kPageSize;
        m_page[offset] = out;
        m_pageTouched[offset] = true;
        ++m_pageBytes;
        return kFloating;
    }
    case kReadManufacturerDevice:
        return index <= 3 ? kFloating : idByte(m_chip.manufacturerDeviceId, index - 4);
    case kReadSignature:
        return index <= 3 ? kFloating : idByte(m_chip.electronicSignature, index - 4);
    case kReadJedecId:
        return idByte(m_chip.jedecId, index - 1);
    default:
        return kFloating;
    }
}

void EmulatedFlash::deselect() {
    if (!m_selected) {
        return;
    }
    m_selected = false;
    if (m_count == 0) {
        return;
    }
    if (m_ignored) {
        m_events.push_back("flash busy: " + hexNumber(m_opcode, 2) + " ignored");
        return;
    }
    complete();
}

void EmulatedFlash::complete() {
    const bool addressed = m_count >= 4;
    const auto refuse = [this](const std::string& what) {
        m_events.push_back("flash " + what + " refused: write not enabled");
    };
    if (m_opcode == kWriteEnable) {
        m_writeEnabled = true;
    } else if (m_opcode == kWriteDisable) {
        m_writeEnabled = false;
    } else if (m_opcode == kWriteStatus) {
        m_writeEnabled = false;  // block protection is not modelled
    } else if (m_opcode == kPageProgram && addressed && m_pageBytes > 0) {
        if (!m_writeEnabled) {
            refuse("program " + hexNumber(address(), 4));
            return;
        }
        commitProgram();
    } else if (addressed && (m_opcode == m_chip.sectorEraseOpcode || m_opcode == kBlockErase32K ||
                             m_opcode == kBlockErase64K)) {
        const std::size_t size = m_opcode == kBlockErase64K   ? 0x10000
                                 : m_opcode == kBlockErase32K ? 0x8000
                                                              : kSectorSize;
        const std::uint32_t start = address() & ~static_cast<std::uint32_t>(size - 1);
        if (!m_writeEnabled) {
            refuse("erase " + hexNumber(start, 4));
            return;
        }
        erase(start, size);
    } else if (m_opcode == kChipErase || m_opcode == kChipEraseAlt) {
        if (!m_writeEnabled) {
            refuse("erase 0000");
            return;
        }
        erase(0, kSize);
    }
}

void EmulatedFlash::commitProgram() {
    const std::uint32_t pageStart = address() & ~static_cast<std::uint32_t>(kPageSize - 1);
    for (std::size_t offset = 0; offset < kPageSize; ++offset) {
        if (m_pageTouched[offset]) {
            m_data[pageStart + offset] &= m_page[offset];  // NOR: programming only clears bits
        }
    }
    std::vector<std::uint8_t> sent;
    const std::size_t kept = std::min(m_pageBytes, kPageSize);
    for (std::size_t i = m_pageBytes - kept; i < m_pageBytes; ++i) {
        sent.push_back(m_page[(address() + i) % kPageSize]);
    }
    m_events.push_back("flash program " + hexNumber(address(), 4) + " " + hexBytes(sent));
    m_writeEnabled = false;
    startBusy();
}

void EmulatedFlash::erase(std::uint32_t start, std::size_t size) {
    std::fill_n(m_data.begin() + start, size, kErased);
    m_events.push_back("flash erase " + hexNumber(start, 4) + "-" +
                       hexNumber(static_cast<std::uint32_t>(start + size - 1), 4));
    m_writeEnabled = false;
    startBusy();
}

}  // namespace sim
