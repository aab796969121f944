#include "firmware/CFirmwareDevice.h"

#include <algorithm>
#include <cstring>

#include "common/LittleEndian.h"

namespace firmware {
namespace {

constexpr std::uint8_t kFlashEnable = 0x80;
constexpr std::uint8_t kStepFlashId = 13;

bool Failed(Status status) { return status < 0; }

}  // namespace

CXUTransport& CFirmwareDevice::transport() {
    if (!m_pTransport) {
        m_pTransport = std::make_unique<CXUTransport>(m_clock);
    }
    return *m_pTransport;
}

void CFirmwareDevice::setDevicePath(const char (&path)[kDevicePathSize]) {
    std::memcpy(m_szDevicePath, path, kDevicePathSize);
    m_szDevicePath[kDevicePathSize - 1] = '\0';
}

void CFirmwareDevice::release() {
    m_pFilter.reset();
    if (m_pTransport) {
        m_pTransport->release();
    }
    m_pTransport.reset();
}

Status CFirmwareDevice::ReadRegister(std::uint16_t address, std::uint8_t* value) {
    if (!m_pTransport) {
        return kStatusNothingDone;
    }
    std::uint8_t addressBytes[2];
    common::WriteLe16(addressBytes, address);
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
    std::uint8_t addressBytes[2];
    common::WriteLe16(addressBytes, address);
    m_pTransport->SetCur(kCtlRegisterAddress, 2, addressBytes);
    return m_pTransport->SetCur(kCtlRegisterData, 1, &value);
}

Status CFirmwareDevice::ProgramCommand(std::uint8_t command) {
    if (!m_pTransport) {
        return kStatusNothingDone;
    }
    const StepTable& table = StepTableOf(command);
    for (std::uint8_t step = 1; step <= kStepCount; ++step) {
        const std::uint8_t opcode = StepOpcode(table, step);
        m_pTransport->SetCur(kCtlStepIndex, 1, &step);
        m_pTransport->SetCur(kCtlStepOpcode, 1, &opcode);
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
    const std::uint8_t level = selectLevel();
    WriteRegister(kRegFlashEnable, kFlashEnable);
    WriteRegister(kRegFlashSelect, level);
    WriteRegister(kRegFlashTransmit, kSpiWriteEnable);
    const Status idle = WaitIdle();
    WriteRegister(kRegFlashSelect, static_cast<std::uint8_t>(2 - level));
    return idle;
}

Status CFirmwareDevice::WaitWriteDone() {
    const std::uint8_t level = selectLevel();
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
    const std::uint8_t level = selectLevel();
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
    if (m_pFamily != nullptr && m_pFamily->flashIdPath == FlashIdPath::Firmware) {
        std::uint8_t step = kStepFlashId;
        m_pTransport->SetCur(kCtlStepIndex, 1, &step);
        m_pTransport->SetCur(kCtlStepOpcode, 1, &opcode);
        m_pTransport->GetCur(kCtlFlashId, 3, id);
        return 1;
    }
    const std::uint8_t level = selectLevel();
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
    std::uint8_t bytes[4];
    common::WriteLe32(bytes, address);
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
    if (m_pFamily->writePath == WritePath::BlockWriteCounted) {
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
    const WritePath path = m_pFamily != nullptr ? m_pFamily->writePath : WritePath::None;
    if (path == WritePath::PageProgram) {
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
    if (path == WritePath::BlockWrite || path == WritePath::BlockWriteCounted) {
        return BlockWrite(address, count, data);
    }
    return kStatusNothingDone;  // no write path on this controller
}

}  // namespace firmware
