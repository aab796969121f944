// The camera's controller firmware behind the vendor extension unit: numbered controls
// that reach its registers, its serial-flash interface and a small flash engine that
// runs the opcodes of a loaded step table against the flash. The driver hands each
// request over with the control's exact length; a request the firmware cannot take
// answers false, which the USB side sees as a stalled control transfer.
// Portable C++ only: the virtual camera of the Wine tests is built from this file too.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/EmulatedFlash.h"

namespace sim {

class EmulatedController {
public:
    // Control selectors of the extension unit.
    static constexpr std::uint8_t kRegisterAddress = 2;
    static constexpr std::uint8_t kRegisterData = 3;
    static constexpr std::uint8_t kStepIndex = 7;
    static constexpr std::uint8_t kStepOpcode = 8;
    static constexpr std::uint8_t kProbe = 11;
    static constexpr std::uint8_t kSectorErase = 13;
    static constexpr std::uint8_t kFlashAddress = 14;
    static constexpr std::uint8_t kFlashData = 15;
    static constexpr std::uint8_t kProgramMode = 16;
    static constexpr std::uint8_t kWriteBlock = 22;
    static constexpr std::uint8_t kFlashId = 23;

    // Registers.
    static constexpr std::uint16_t kRegSpiEnable = 0x2020;
    static constexpr std::uint16_t kRegSpiBusy = 0x2021;
    static constexpr std::uint16_t kRegSpiTransmit = 0x2022;
    static constexpr std::uint16_t kRegSpiReceiveClock = 0x2023;
    static constexpr std::uint16_t kRegSpiReceive = 0x2024;
    static constexpr std::uint16_t kRegSpiSelect = 0x2025;
    static constexpr std::uint16_t kRegVariant = 0x20D0;
    static constexpr std::uint16_t kRegId = 0x20FF;
    static constexpr std::uint16_t kRegLed = 0x250D;
    static constexpr std::uint16_t kRegLedAlt = 0x250F;

    static constexpr std::size_t kSteps = 13;
    static constexpr std::size_t kFlashDataLength = 4096;
    static constexpr std::size_t kWriteBlockLength = 64;

    // The bytes of one command between select and deselect: what went out to the flash
    // and what was clocked back. `firmware` marks commands the flash engine ran itself.
    struct SpiCommand {
        bool firmware = false;
        std::vector<std::uint8_t> sent;
        std::vector<std::uint8_t> received;
    };

    EmulatedController();
    // Power comes back after the camera was unplugged: every register, the select line
    // and the step table start afresh; the flash keeps its cells.
    void powerUp();

    // Configuration.
    void setId(std::uint8_t id);
    std::uint8_t id() const { return m_id; }
    void setVariant(std::uint8_t variant) { m_variant = variant; }
    // 2 for the families whose select line is active high (0x60, 0x90), 0 for the rest.
    std::uint8_t selectLevel() const;
    // After each byte shifted, 0x2021 reads nonzero this many times.
    void setBusyReads(unsigned reads) { m_busyReads = reads; }
    // Fault: 0x2021 never reads idle again.
    void setStaysBusy(bool stays) { m_staysBusy = stays; }
    EmulatedFlash& flash() { return m_flash; }
    const EmulatedFlash& flash() const { return m_flash; }

    // The extension unit. controlLength is false for a selector the unit lacks; data
    // always holds exactly the control's length.
    static bool controlLength(std::uint8_t selector, std::uint32_t& length);
    bool setCur(std::uint8_t selector, const std::uint8_t* data);
    bool getCur(std::uint8_t selector, std::uint8_t* data);

    // What a test reads back. registerValue has no side effect (no byte is clocked,
    // busy does not count down).
    std::uint8_t registerValue(std::uint16_t address) const;
    const std::vector<std::pair<std::uint16_t, std::uint8_t>>& registerWrites() const { return m_registerWrites; }
    const std::vector<SpiCommand>& spiCommands() const { return m_spiCommands; }
    // Step 1 to 13 of the loaded table; the program mode.
    std::uint8_t step(std::size_t index) const { return index >= 1 && index <= kSteps ? m_steps[index - 1] : 0; }
    std::uint8_t programMode() const { return m_programMode; }
    void clearRecords();

    // Journal lines of the flash side since the last call ("spi 06", "flash erase ...").
    std::vector<std::string> takeEvents();

private:
    std::uint8_t readRegister(std::uint16_t address);
    void writeRegister(std::uint16_t address, std::uint8_t value);
    void shiftedByte() { m_busyLeft = m_busyReads; }
    void spiSelect();
    void spiDeselect();

    // The flash engine: one whole command with select and deselect.
    std::vector<std::uint8_t> runCommand(const std::vector<std::uint8_t>& sent, std::size_t receive);
    bool waitWriteDone();
    std::vector<std::uint8_t> addressed(std::uint8_t opcode, std::uint16_t address) const;
    void eraseSector(std::uint16_t address);
    void writeBlock(const std::uint8_t* block);
    void readFlash(std::uint8_t* data);
    void readId(std::uint8_t* data);
    void collectFlashEvents();

    std::uint8_t m_id = 0x85;
    std::uint8_t m_variant = 0x00;
    unsigned m_busyReads = 1;
    bool m_staysBusy = false;
    EmulatedFlash m_flash;

    std::uint16_t m_registerAddress = 0;
    std::vector<std::uint8_t> m_registers = std::vector<std::uint8_t>(0x10000, 0);
    unsigned m_busyLeft = 0;
    std::uint8_t m_received = 0xFF;
    SpiCommand m_command;  // the register-level command in flight

    std::array<std::uint8_t, kSteps> m_steps{};
    std::uint8_t m_stepIndex = 0;
    std::uint8_t m_programMode = 0;
    std::uint16_t m_eraseAddress = 0;
    std::uint16_t m_flashAddress = 0;

    std::vector<std::pair<std::uint16_t, std::uint8_t>> m_registerWrites;
    std::vector<SpiCommand> m_spiCommands;
    std::vector<std::string> m_events;
};

}  // namespace sim
