// The camera's serial NOR flash as its SPI pins see it: 64 KB behind a chip select,
// a status register with a busy bit and a write-enable latch, and the identification
// answers of one flash type. Bits are only ever cleared by programming and set again
// by erasing, the way NOR cells behave, so a program that forgets the erase leaves the
// same marks in this model as on a real camera.
// Portable C++ only: the virtual camera of the Wine tests is built from this file too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// One flash type: its answers to the three identification opcodes and the opcode it
// takes for a 4 KB sector erase.
struct FlashChip {
    const char* name;
    std::uint8_t code;  // the flash-type code the program derives from the answers
    std::array<std::uint8_t, 3> manufacturerDeviceId;  // 0x90
    std::array<std::uint8_t, 3> electronicSignature;   // 0xAB
    std::array<std::uint8_t, 3> jedecId;               // 0x9F
    std::uint8_t sectorEraseOpcode;
};

class EmulatedFlash {
public:
    static constexpr std::size_t kSize = 0x10000;
    static constexpr std::size_t kSectorSize = 0x1000;
    static constexpr std::size_t kPageSize = 0x100;

    // Status register bits.
    static constexpr std::uint8_t kStatusBusy = 0x01;
    static constexpr std::uint8_t kStatusWriteEnabled = 0x02;

    // The flash whose identification yields code (0x79 to 0x84); any other code gives
    // the unknown chip.
    static const FlashChip& chip(std::uint8_t code);
    // Answers 12 34 56 to 0x90 and nothing the program knows to the others.
    static const FlashChip& unknownChip();
    // A flash that does not answer at all: every id byte reads FF.
    static const FlashChip& blankChip();

    EmulatedFlash();

    void setChip(const FlashChip& chip) { m_chip = chip; }
    // Power lost and back: a command in flight never completes, the write latch and
    // the busy state are gone, the cells stay as they are.
    void powerUp();
    const FlashChip& currentChip() const { return m_chip; }

    // Contents, for tests to read and preload. load() takes an image of up to 64 KB;
    // what it does not cover reads as erased.
    std::vector<std::uint8_t>& data() { return m_data; }
    const std::vector<std::uint8_t>& data() const { return m_data; }
    void load(const std::vector<std::uint8_t>& image);

    // After each program or erase, the busy bit stays up for this many status reads.
    void setBusyStatusReads(unsigned reads) { m_busyStatusReads = reads; }
    // Fault: the busy bit never clears, so the flash never finishes a write.
    void setStatusStaysBusy(bool stays) { m_statusStaysBusy = stays; }

    // The pins: chip select low, one byte each way per transfer, chip select high. The
    // command in flight completes at deselect, as on real parts.
    void select();
    std::uint8_t transfer(std::uint8_t out);
    void deselect();
    bool selected() const { return m_selected; }

    std::uint8_t status() const;
    bool writeEnabled() const { return m_writeEnabled; }

    // Lines about what the cells went through ("flash program d000 01",
    // "flash erase d000"), taken by the controller for its journal.
    std::vector<std::string> takeEvents();

private:
    std::uint32_t address() const { return m_address & (kSize - 1); }
    std::uint8_t idByte(const std::array<std::uint8_t, 3>& answer, std::size_t index) const {
        return answer[index % answer.size()];
    }
    void complete();
    void commitProgram();
    void erase(std::uint32_t start, std::size_t size);
    void startBusy() { m_busyLeft = m_busyStatusReads; }

    FlashChip m_chip;
    std::vector<std::uint8_t> m_data;
    bool m_selected = false;
    bool m_writeEnabled = false;
    unsigned m_busyLeft = 0;
    unsigned m_busyStatusReads = 1;
    bool m_statusStaysBusy = false;

    // The command being clocked in while selected.
    std::uint8_t m_opcode = 0;
    std::size_t m_count = 0;  // bytes transferred since select, opcode included
    std::uint32_t m_address = 0;
    bool m_ignored = false;  // arrived while busy: the part does not listen
    std::array<std::uint8_t, kPageSize> m_page{};
    std::array<bool, kPageSize> m_pageTouched{};
    std::size_t m_pageBytes = 0;

    std::vector<std::string> m_events;
};

// "01 ff 20" for bytes; longer runs are cut after `shown` bytes with their total count.
std::string hexBytes(const std::uint8_t* bytes, std::size_t count, std::size_t shown = 64);
std::string hexBytes(const std::vector<std::uint8_t>& bytes, std::size_t shown = 64);
std::string hexNumber(std::uint32_t value, int width = 0);

}  // namespace sim
