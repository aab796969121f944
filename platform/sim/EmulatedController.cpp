#include "platform/sim/EmulatedController.h"

#include <algorithm>

#include "platform/LittleEndian.h"

namespace sim {
namespace {

constexpr std::uint8_t kSpiEnabled = 0x80;
constexpr std::uint8_t kJedecIdOpcode = 0x9F;
constexpr std::uint8_t kFastReadOpcode = 0x0B;

// Step numbers of the table whose opcodes the flash engine uses.
constexpr std::size_t kStepRead = 1;
constexpr std::size_t kStepReadStatus = 3;
constexpr std::size_t kStepWriteEnable = 4;
constexpr std::size_t kStepSectorErase = 6;
constexpr std::size_t kStepPageProgram = 9;
constexpr std::size_t kStepIdentify = 13;

// The firmware gives up on a flash that never reports ready instead of hanging the
// USB request; the host then sees the transfer stall.
constexpr int kWritePollLimit = 1000;

// What the firmware holds at power-up: the common table, identification by JEDEC id.
constexpr std::array<std::uint8_t, EmulatedController::kSteps> kPowerUpSteps = {
    0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01, 0x9F};

std::uint16_t le16(const std::uint8_t* data) { return platform::ReadLe16(data); }

}  // namespace

EmulatedController::EmulatedController() : m_steps(kPowerUpSteps) {
    m_registers[kRegSpiSelect] = static_cast<std::uint8_t>(2 - selectLevel());
}

void EmulatedController::powerUp() {
    m_flash.powerUp();
    m_registerAddress = 0;
    std::fill(m_registers.begin(), m_registers.end(), 0);
    m_registers[kRegSpiSelect] = static_cast<std::uint8_t>(2 - selectLevel());
    m_busyLeft = 0;
    m_received = 0xFF;
    m_command = SpiCommand{};
    m_steps = kPowerUpSteps;
    m_stepIndex = 0;
    m_programMode = 0;
    m_eraseAddress = 0;
    m_flashAddress = 0;
}

void EmulatedController::setId(std::uint8_t id) {
    m_id = id;
    // The select line idles inactive for the family's polarity.
    m_flash.deselect();
    m_registers[kRegSpiSelect] = static_cast<std::uint8_t>(2 - selectLevel());
}

std::uint8_t EmulatedController::selectLevel() const {
    const std::uint8_t family = m_id & 0xF0;
    return family == 0x60 || family == 0x90 ? 2 : 0;
}

bool EmulatedController::controlLength(std::uint8_t selector, std::uint32_t& length) {
    switch (selector) {
    case kRegisterAddress: length = 2; return true;
    case kRegisterData:
    case kStepIndex:
    case kStepOpcode:
    case kProbe:
    case kProgramMode: length = 1; return true;
    case kSectorErase:
    case kFlashAddress: length = 4; return true;
    case kFlashData: length = kFlashDataLength; return true;
    case kWriteBlock: length = kWriteBlockLength; return true;
    case kFlashId: length = 3; return true;
    default: return false;
    }
}

bool EmulatedController::setCur(std::uint8_t selector, const std::uint8_t* data) {
    switch (selector) {
    case kRegisterAddress:
        m_registerAddress = le16(data);
        return true;
    case kRegisterData:
        writeRegister(m_registerAddress, data[0]);
        return true;
    case kStepIndex:
        if (data[0] < 1 || data[0] > kSteps) {
            return false;
        }
        m_stepIndex = data[0];
        return true;
    case kStepOpcode:
        if (m_stepIndex == 0) {
            return false;
        }
        m_steps[m_stepIndex - 1] = data[0];
        return true;
    case kSectorErase:
        m_eraseAddress = le16(data);
        eraseSector(m_eraseAddress);
        return waitWriteDone();
    case kFlashAddress:
        m_flashAddress = le16(data);
        return true;
    case kProgramMode:
        m_programMode = data[0];
        return true;
    case kWriteBlock:
        writeBlock(data);
        return waitWriteDone();
    default:
        return false;  // read-only or unknown
    }
}

bool EmulatedController::getCur(std::uint8_t selector, std::uint8_t* data) {
    switch (selector) {
    case kRegisterAddress:
        platform::WriteLe16(data, m_registerAddress);
        return true;
    case kRegisterData:
        data[0] = readRegister(m_registerAddress);
        return true;
    case kStepIndex:
        data[0] = m_stepIndex;
        return true;
    case kStepOpcode:
        data[0] = step(m_stepIndex);
        return true;
    case kProbe:
        data[0] = 0;
        return true;
    case kFlashAddress:
        platform::WriteLe32(data, m_flashAddress);
        return true;
    case kFlashData:
        readFlash(data);
        return true;
    case kProgramMode:
        data[0] = m_programMode;
        return true;
    case kFlashId:
        readId(data);
        return true;
    default:
        return false;  // write-only or unknown
    }
}

// --- registers and the serial-flash interface ---------------------------------------

std::uint8_t EmulatedController::registerValue(std::uint16_t address) const {
    switch (address) {
    case kRegId: return m_id;
    case kRegVariant: return m_variant;
    case kRegSpiBusy: return m_staysBusy || m_busyLeft > 0 ? 1 : 0;
    case kRegSpiReceive: return m_received;
    case kRegSpiReceiveClock: return 0;
    default: return m_registers[address];
    }
}

std::uint8_t EmulatedController::readRegister(std::uint16_t address) {
    const bool enabled = (m_registers[kRegSpiEnable] & kSpiEnabled) != 0;
    const bool selected = m_registers[kRegSpiSelect] == selectLevel();
    if (address == kRegSpiBusy) {
        const std::uint8_t busy = registerValue(address);
        if (m_busyLeft > 0) {
            --m_busyLeft;
        }
        return busy;
    }
    if (address == kRegSpiReceiveClock) {
        // Clocks one byte in; it waits in 0x2024. Reading this register itself gives
        // nothing useful, as on the part.
        m_received = 0xFF;
        if (enabled) {
            if (selected) {
                m_received = m_flash.transfer(0xFF);
                m_command.received.push_back(m_received);
            }
            shiftedByte();
        }
        return 0;
    }
    return registerValue(address);
}

void EmulatedController::writeRegister(std::uint16_t address, std::uint8_t value) {
    m_registerWrites.emplace_back(address, value);
    const bool enabled = (m_registers[kRegSpiEnable] & kSpiEnabled) != 0;
    const bool wasSelected = m_registers[kRegSpiSelect] == selectLevel();
    switch (address) {
    case kRegId:
    case kRegVariant:
    case kRegSpiBusy:
    case kRegSpiReceiveClock:
    case kRegSpiReceive:
        return;  // read-only
    case kRegSpiTransmit:
        m_registers[address] = value;
        if (!enabled) {
            m_events.push_back("spi " + hexNumber(value, 2) + " (interface off)");
            return;
        }
        shiftedByte();
        if (!wasSelected) {
            m_events.push_back("spi " + hexNumber(value, 2) + " (not selected)");
            return;
        }
        m_flash.transfer(value);
        m_command.sent.push_back(value);
        return;
    case kRegSpiSelect: {
        m_registers[address] = value;
        const bool selected = value == selectLevel();
        if (!wasSelected && selected) {
            spiSelect();
        } else if (wasSelected && !selected) {
            spiDeselect();
        }
        return;
    }
    default:
        m_registers[address] = value;
        return;
    }
}

void EmulatedController::spiSelect() {
    m_flash.select();
    m_command = SpiCommand{};
}

void EmulatedController::spiDeselect() {
    m_flash.deselect();
    std::string line = "spi " + hexBytes(m_command.sent);
    if (!m_command.received.empty()) {
        line += " <- " + hexBytes(m_command.received);
    }
    m_events.push_back(line);
    m_spiCommands.push_back(m_command);
    m_command = SpiCommand{};
    collectFlashEvents();
}

// --- the flash engine ----------------------------------------------------------------

std::vector<std::uint8_t> EmulatedController::runCommand(const std::vector<std::uint8_t>& sent, std::size_t receive) {
    SpiCommand command;
    command.firmware = true;
    command.sent = sent;
    m_flash.select();
    for (std::uint8_t byte : sent) {
        m_flash.transfer(byte);
    }
    for (std::size_t i = 0; i < receive; ++i) {
        command.received.push_back(m_flash.transfer(0xFF));
    }
    m_flash.deselect();
    std::string line = "fw spi " + hexBytes(sent, 16);
    if (receive > 0) {
        line += " <- " + hexBytes(command.received, 16);
    }
    m_events.push_back(line);
    m_spiCommands.push_back(command);
    collectFlashEvents();
    return std::move(command.received);
}

bool EmulatedController::waitWriteDone() {
    for (int poll = 0; poll < kWritePollLimit; ++poll) {
        const std::vector<std::uint8_t> status = runCommand({step(kStepReadStatus)}, 1);
        if ((status[0] & EmulatedFlash::kStatusBusy) == 0) {
            return true;
        }
    }
    m_events.push_back("fw flash never ready");
    return false;
}

std::vector<std::uint8_t> EmulatedController::addressed(std::uint8_t opcode, std::uint16_t address) const {
    return {opcode, 0x00, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF)};
}

void EmulatedController::eraseSector(std::uint16_t address) {
    runCommand({step(kStepWriteEnable)}, 0);
    runCommand(addressed(step(kStepSectorErase), address), 0);
}

void EmulatedController::writeBlock(const std::uint8_t* block) {
    // Family 0xB0 firmware reads a count first; the others program the block whole,
    // where the host's FF padding leaves the cells as they are.
    const bool counted = (m_id & 0xF0) == 0xB0;
    const std::uint8_t* payload = counted ? block + 1 : block;
    const std::size_t count = counted ? std::min<std::size_t>(block[0], kWriteBlockLength - 1) : kWriteBlockLength;
    std::vector<std::uint8_t> sent = addressed(step(kStepPageProgram), m_flashAddress);
    sent.insert(sent.end(), payload, payload + count);
    runCommand({step(kStepWriteEnable)}, 0);
    runCommand(sent, 0);
}

void EmulatedController::readFlash(std::uint8_t* data) {
    const std::uint8_t opcode = step(kStepRead);
    std::vector<std::uint8_t> sent = addressed(opcode, m_flashAddress);
    if (opcode == kFastReadOpcode) {
        sent.push_back(0x00);
    }
    const std::vector<std::uint8_t> received = runCommand(sent, kFlashDataLength);
    std::copy(received.begin(), received.end(), data);
}

void EmulatedController::readId(std::uint8_t* data) {
    const std::uint8_t opcode = step(kStepIdentify);
    std::vector<std::uint8_t> sent{opcode};
    if (opcode != kJedecIdOpcode) {
        sent.insert(sent.end(), {0x00, 0x00, 0x00});  // 0x90 and 0xAB want an address first
    }
    const std::vector<std::uint8_t> received = runCommand(sent, 3);
    std::copy(received.begin(), received.end(), data);
}

void EmulatedController::collectFlashEvents() {
    for (std::string& event : m_flash.takeEvents()) {
        m_events.push_back(std::move(event));
    }
}

std::vector<std::string> EmulatedController::takeEvents() {
    std::vector<std::string> events;
    events.swap(m_events);
    return events;
}

void EmulatedController::clearRecords() {
    m_registerWrites.clear();
    m_spiCommands.clear();
    m_events.clear();
}

}  // namespace sim
