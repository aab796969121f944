#include "firmware/CFirmwareDevice.h"

#include <algorithm>
#include <cstring>

namespace firmware {
namespace {

// Serial-flash opcodes of the step tables, steps 1 to 12, and the program mode.
struct StepTable {
    std::uint8_t opcodes[12];
    std::uint8_t programMode;
};

constexpr StepTable kStepTableKind0 = {{0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01}, 0x00};
constexpr StepTable kStepTableKind1 = {{0x03, 0xFF, 0x05, 0x06, 0x04, 0x20, 0x52, 0x60, 0x02, 0xAF, 0x50, 0x01}, 0x01};
constexpr StepTable kStepTableKind2 = {{0x03, 0x0B, 0x05, 0x06, 0x04, 0xD7, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01}, 0x00};
constexpr StepTable kStepTableKind6 = {{0x03, 0x0B, 0x05, 0x06, 0x04, 0x20, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01}, 0x02};

const StepTable& TableOfKind(int kind) {
    switch (kind) {
        case 1:
            return kStepTableKind1;
        case 2:
            return kStepTableKind2;
        case 6:
            return kStepTableKind6;
        default:
            return kStepTableKind0;  // kinds 0, 3, 4, 5 and commands without a kind
    }
}

// SPI flash opcodes of the register-level steps.
constexpr std::uint8_t kSpiWriteEnable = 0x06;
constexpr std::uint8_t kSpiWriteDisable = 0x04;
constexpr std::uint8_t kSpiReadStatus = 0x05;
constexpr std::uint8_t kSpiPageProgram = 0x02;
constexpr std::uint8_t kSpiReadJedecId = 0x9F;
constexpr std::uint8_t kFlashEnable = 0x80;
constexpr std::uint8_t kStepFlashId = 13;

bool Failed(Status status) { return status < 0; }

}  // namespace

int CommandKind(std::uint8_t command) {
    if (command <= 6) {
        return command;
    }
    switch (command) {
        case 0x79:
        case 0x83:
        case 0x84:
            return 0;
        case 0x7A:
            return 1;
        case 0x7B:
        case 0x7C:
        case 0x7D:
            return 2;
        case 0x7F:
            return 3;
        case 0x80:
            return 4;
        case 0x7E:
            return 5;
        case 0x81:
        case 0x82:
            return 6;
        default:
            return -1;
    }
}

bool IsValidCommand(std::uint8_t command) { return command <= 6 || (command >= 0x79 && command <= 0x84); }

Status CFirmwareDevice::ReadRegister(std::uint16_t address, std::uint8_t* value) {
    if (!m_pTransport) {
        return kStatusNothingDone;
    }
    const std::uint8_t addressBytes[2] = {static_cast<std::uint8_t>(address & 0xFF),
                                          static_cast<std::uint8_t>(address >> 8)};
    m_pTransport->SetCur(kCtlRegisterAddress, 2, addressBytes);
    std::uint8_t data[1] = {0};
    const Status status = m_pTransport->GetCur(kCtlRegisterData, 1, data);
    if (value != nullptr) {
        *value = data[0];
    }
    return status;
}

Status CFirmwareDevice::WriteRegister(std::uint16_t address, std::uint8_t value) {
    if (!m_pTransport) {
        return kStatusNothingDone;
    }
    const std::uint8_t addressBytes[2] = {static_cast<std::uint8_t>(address & 0xFF),
                                          static_cast<std::uint8_t>(address >> 8)};
    m_pTransport->SetCur(kCtlRegisterAddress, 2, addressBytes);
    return m_pTransport->SetCur(kCtlRegisterData, 1, &value);
}

Status CFirmwareDevice::ProgramCommand(std::uint8_t command) {
    if (!m_pTransport) {
        return kStatusNothingDone;
    }
    const StepTable& table = TableOfKind(CommandKind(command));
    for (std::uint8_t step = 1; step <= 12; ++step) {
        m_pTransport->SetCur(kCtlStepIndex, 1, &step);
        m_pTransport->SetCur(kCtlStepOpcode, 1, &table.opcodes[step - 1]);
    }
    m_pTransport->SetCur(kCtlProgramMode, 1, &table.programMode);
    std::uint32_t length = 0;
    return m_pTransport->GetLen(kCtlFlashData, &length);
}

Status CFirmwareDevice::WaitIdle() {
    for (int poll = 0; poll < kMaxIdlePolls; ++poll) {
        std::uint8_t busy = 1;
        const Status status = ReadRegister(kRegFlashBusy, &busy);
        if (Failed(status)) {
            return status;
        }
        if (busy == 0) {
            return 0;
        }
    }
    return kStatusTimeout;
}

Status CFirmwareDevice::WriteDisable() {
    WriteRegister(kRegFlashEnable, kFlashEnable);
    WriteRegister(kRegFlashTransmit, kSpiWriteDisable);
    return WaitIdle();
}

Status CFirmwareDevice::WriteEnable() {
    const std::uint8_t level = m_selectLevel;
    WriteRegister(kRegFlashEnable, kFlashEnable);
    WriteRegister(kRegFlashSelect, level);
    WriteRegister(kRegFlashTransmit, kSpiWriteEnable);
    const Status idle = WaitIdle();
    WriteRegister(kRegFlashSelect, static_cast<std::uint8_t>(2 - level));
    return idle;
}

Status CFirmwareDevice::WaitWriteDone() {
    const std::uint8_t level = m_selectLevel;
    WriteRegister(kRegFlashEnable, kFlashEnable);
    for (int round = 0; round < kMaxWriteDoneRounds; ++round) {
        WriteRegister(kRegFlashSelect, level);
        WriteRegister(kRegFlashTransmit, kSpiReadStatus);
        Status status = WaitIdle();
        std::uint8_t scratch = 0;
        ReadRegister(kRegFlashReceive, &scratch);
        if (!Failed(status)) {
            status = WaitIdle();
        }
        std::uint8_t flashStatus = 0xFF;
        const Status read = ReadRegister(kRegFlashReceiveData, &flashStatus);
        WriteRegister(kRegFlashSelect, static_cast<std::uint8_t>(2 - level));
        if (Failed(status)) {
            return status;
        }
        if (Failed(read)) {
            return read;
        }
        if ((flashStatus & 0x01) == 0) {
            return 0;
        }
    }
    return kStatusTimeout;
}

int CFirmwareDevice::PageProgram(const PageProgramRequest& request) {
    const std::uint8_t level = m_selectLevel;
    if (Failed(WriteRegister(kRegFlashEnable, kFlashEnable))) {
        return 0;
    }
    WriteEnable();
    if (Failed(WriteRegister(kRegFlashSelect, level)) || Failed(WriteRegister(kRegFlashTransmit, kSpiPageProgram)) ||
        Failed(WaitIdle())) {
        return 0;
    }
    for (std::uint8_t byte : request.address) {
        if (Failed(WriteRegister(kRegFlashTransmit, byte)) || Failed(WaitIdle())) {
            return 0;
        }
    }
    const std::uint16_t count = std::min<std::uint16_t>(request.count, kMaxPageProgramBytes);
    for (std::uint16_t i = 0; i < count; ++i) {
        if (Failed(WriteRegister(kRegFlashTransmit, request.data[i])) || Failed(WaitIdle())) {
            return 0;
        }
    }
    if (Failed(WriteRegister(kRegFlashSelect, static_cast<std::uint8_t>(2 - level)))) {
        return 0;
    }
    // A flash that never finishes its write has not written it.
    if (Failed(WaitWriteDone())) {
        return 0;
    }
    WriteDisable();
    if (Failed(WriteRegister(kRegFlashEnable, 0))) {
        return 0;
    }
    return 1;
}

int CFirmwareDevice::ReadFlashId(std::uint8_t id[3], std::uint8_t opcode) {
    const char letter = chip();
    if (letter == 'j' || letter == 'k') {
        std::uint8_t step = kStepFlashId;
        m_pTransport->SetCur(kCtlStepIndex, 1, &step);
        m_pTransport->SetCur(kCtlStepOpcode, 1, &opcode);
        m_pTransport->GetCur(kCtlFlashId, 3, id);
        return 1;
    }
    const std::uint8_t level = m_selectLevel;
    WriteDisable();
    WriteRegister(kRegFlashSelect, level);
    WriteRegister(kRegFlashTransmit, opcode);
    if (opcode != kSpiReadJedecId) {
        for (int dummy = 0; dummy < 3; ++dummy) {
            WaitIdle();
            WriteRegister(kRegFlashTransmit, 0x00);
        }
        WaitIdle();
    }
    for (int i = 0; i < 3; ++i) {
        std::uint8_t scratch = 0;
        ReadRegister(kRegFlashReceive, &scratch);
        WaitIdle();
        ReadRegister(kRegFlashReceiveData, &id[i]);
        WaitIdle();
    }
    WriteRegister(kRegFlashSelect, static_cast<std::uint8_t>(2 - level));
    return 1;
}

Status CFirmwareDevice::SetFlashAddress(std::uint8_t control, std::uint16_t address) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(address >> 8),
                                   0, 0};
    return m_pTransport->SetCur(control, 4, bytes);
}

Status CFirmwareDevice::Upload_Sector(std::uint8_t* buffer, std::uint32_t bufferSize, int sector, std::uint8_t command,
                                      std::uint32_t* bytesRead) {
    if (bytesRead != nullptr) {
        *bytesRead = 0;
    }
    if (!IsValidCommand(command)) {
        return kStatusOutOfRange;
    }
    const auto address = static_cast<std::uint16_t>((static_cast<std::uint32_t>(sector) * kSectorSize) & 0xFFFF);
    if (buffer == nullptr || !m_pTransport) {
        return kStatusNothingDone;
    }
    ProgramCommand(command);
    std::uint32_t length = 0;
    const Status lengthStatus = m_pTransport->GetLen(kCtlFlashData, &length);
    if (lengthStatus != 0) {
        return lengthStatus;
    }
    // The camera states the length; it must still fit the caller's buffer.
    if (length > bufferSize) {
        return kStatusOutOfRange;
    }
    SetFlashAddress(kCtlFlashAddress, address);
    const Status status = m_pTransport->GetCur(kCtlFlashData, length, buffer);
    if (bytesRead != nullptr && status == 0) {
        *bytesRead = length;
    }
    return status;
}

Status CFirmwareDevice::EraseSector(std::uint16_t address, std::uint8_t command) {
    if (!m_pTransport) {
        return kStatusNothingDone;
    }
    ProgramCommand(command);
    return SetFlashAddress(kCtlSectorErase, address);
}

Status CFirmwareDevice::BlockWrite(std::uint16_t address, std::uint32_t count, const std::uint8_t* data) {
    SetFlashAddress(kCtlFlashAddress, address);
    std::uint8_t block[kWriteBlockSize];
    std::memset(block, 0xFF, sizeof block);
    if (chip() == 'j') {
        const std::uint32_t n = std::min<std::uint32_t>(count, kWriteBlockSize - 1);
        block[0] = static_cast<std::uint8_t>(n);
        if (n != 0) {
            std::memcpy(block + 1, data, n);
        }
    } else {
        const std::uint32_t n = std::min<std::uint32_t>(count, kWriteBlockSize);
        if (n != 0) {
            std::memcpy(block, data, n);
        }
    }
    return m_pTransport->SetCur(kCtlWriteBlock, kWriteBlockSize, block);
}

Status CFirmwareDevice::Download_Sector(std::uint16_t address, std::uint32_t count, const std::uint8_t* data) {
    if (!m_pTransport || (data == nullptr && count != 0)) {
        return kStatusNothingDone;
    }
    switch (chip()) {
        case 'h':
        case 'i': {
            PageProgramRequest request{};
            request.address[0] = 0x00;
            request.address[1] = static_cast<std::uint8_t>(address >> 8);
            request.address[2] = static_cast<std::uint8_t>(address & 0xFF);
            request.count = static_cast<std::uint16_t>(std::min<std::uint32_t>(count, kMaxPageProgramBytes));
            if (request.count != 0) {
                std::memcpy(request.data, data, request.count);
            }
            return PageProgram(request) == 1 ? 0 : 1;
        }
        case 'j':
        case 'k':
            return BlockWrite(address, count, data);
        default:
            return kStatusNothingDone;  // no write path on this controller
    }
}

std::uint32_t CFirmwareDevice::MaxDownloadBytes() const {
    switch (chip()) {
        case 'h':
        case 'i':
            return kMaxPageProgramBytes;
        case 'j':
            return kWriteBlockSize - 1;
        case 'k':
            return kWriteBlockSize;
        default:
            return 0;
    }
}

}  // namespace firmware
