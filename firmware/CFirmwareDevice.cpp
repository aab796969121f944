#include "firmware/CFirmwareDevice.h"

#include <algorithm>
#include <cstring>

#include "platform/LittleEndian.h"

namespace firmware {
namespace {

constexpr std::uint8_t kFlashEnable = 0x80;
constexpr std::uint8_t kStepFlashId = 13;

// Every transfer's answer counts: anything but 0 is a transfer that may not have
// done what was asked.
bool Failed(Status status) { return status != 0; }

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
    platform::WriteLe16(addressBytes, address);
    // Reading some registers has effects (0x2023 clocks a byte in): never read one
    // whose address did not arrive.
    const Status addressed = m_pTransport->SetCur(kCtlRegisterAddress, 2, addressBytes);
    if (Failed(addressed)) {
        return addressed;
    }
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
    platform::WriteLe16(addressBytes, address);
    // A value whose address did not arrive would land in the register addressed last.
    const Status addressed = m_pTransport->SetCur(kCtlRegisterAddress, 2, addressBytes);
    if (Failed(addressed)) {
        return addressed;
    }
    return m_pTransport->SetCur(kCtlRegisterData, 1, &value);
}

Status CFirmwareDevice::WriteRegisterVerified(std::uint16_t address, std::uint8_t value) {
    const Status written = WriteRegister(address, value);
    if (Failed(written)) {
        return written;
    }
    auto readBack = static_cast<std::uint8_t>(~value);
    const Status read = ReadRegister(address, &readBack);
    if (Failed(read)) {
        return read;
    }
    return readBack == value ? 0 : kStatusNotApplied;
}

Status CFirmwareDevice::EndStrayCommand() {
    if (!m_pTransport || m_pFamily == nullptr || m_pFamily->flashIdPath != FlashIdPath::Registers) {
        return 0;
    }
    // Ending it may start a program or an erase in the part: it listens to nothing but
    // its status until that is done.
    const Status ended = Deselect();
    return Failed(ended) ? ended : WaitWriteDone();
}

Status CFirmwareDevice::ProgramCommand(std::uint8_t command) {
    if (!m_pTransport) {
        return kStatusNothingDone;
    }
    // A step that did not arrive would shift every later opcode into the wrong slot
    // (a block erase where the sector erase belongs): stop at the first failure, and
    // let the caller stop before using the table.
    const StepTable& table = StepTableOf(command);
    for (std::uint8_t step = 1; step <= kStepCount; ++step) {
        const std::uint8_t opcode = StepOpcode(table, step);
        Status status = m_pTransport->SetCur(kCtlStepIndex, 1, &step);
        if (!Failed(status)) {
            status = m_pTransport->SetCur(kCtlStepOpcode, 1, &opcode);
        }
        if (Failed(status)) {
            return status;
        }
    }
    const Status mode = m_pTransport->SetCur(kCtlProgramMode, 1, &table.programMode);
    if (Failed(mode)) {
        return mode;
    }
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

// The select and the interface-enable registers decide where the bytes written to the
// transmit register go: each write to them is read back. A select that did not arrive
// fails the command; a deselect that did not arrive is tried again, or the next
// command's bytes would continue this one.
Status CFirmwareDevice::Select() { return WriteRegisterVerified(kRegFlashSelect, selectLevel()); }

Status CFirmwareDevice::Deselect() {
    Status status = kStatusNotApplied;
    for (int attempt = 0; attempt < kDeselectAttempts && Failed(status); ++attempt) {
        status = WriteRegisterVerified(kRegFlashSelect, static_cast<std::uint8_t>(2 - selectLevel()));
    }
    return status;
}

Status CFirmwareDevice::Abandon(Status failure) {
    // Whatever the flash received of the broken command must end here, or the next
    // command's bytes would continue it. Best effort: the failure stands either way.
    Deselect();
    return failure;
}

Status CFirmwareDevice::WriteDisable() {
    Status status = WriteRegisterVerified(kRegFlashEnable, kFlashEnable);
    if (!Failed(status)) {
        status = WriteRegister(kRegFlashTransmit, kSpiWriteDisable);
    }
    if (!Failed(status)) {
        status = WaitIdle();
    }
    return status;
}

Status CFirmwareDevice::WriteEnable() {
    Status status = WriteRegisterVerified(kRegFlashEnable, kFlashEnable);
    if (Failed(status)) {
        return status;
    }
    status = Select();
    if (!Failed(status)) {
        status = WriteRegister(kRegFlashTransmit, kSpiWriteEnable);
    }
    if (!Failed(status)) {
        status = WaitIdle();
    }
    if (Failed(status)) {
        return Abandon(status);
    }
    return Deselect();
}

Status CFirmwareDevice::WaitWriteDone() {
    const Status enabled = WriteRegisterVerified(kRegFlashEnable, kFlashEnable);
    if (Failed(enabled)) {
        return enabled;
    }
    for (int round = 0; round < kMaxWriteDoneRounds; ++round) {
        Status status = Select();
        if (!Failed(status)) {
            status = WriteRegister(kRegFlashTransmit, kSpiReadStatus);
        }
        if (!Failed(status)) {
            status = WaitIdle();
        }
        std::uint8_t scratch = 0;
        if (!Failed(status)) {
            status = ReadRegister(kRegFlashReceive, &scratch);
        }
        if (!Failed(status)) {
            status = WaitIdle();
        }
        std::uint8_t flashStatus = 0xFF;
        if (!Failed(status)) {
            status = ReadRegister(kRegFlashReceiveData, &flashStatus);
        }
        if (Failed(status)) {
            return Abandon(status);
        }
        status = Deselect();
        if (Failed(status)) {
            return status;
        }
        if ((flashStatus & 0x01) == 0) {
            return 0;
        }
    }
    return kStatusTimeout;
}

int CFirmwareDevice::PageProgram(const PageProgramRequest& request) {
    if (Failed(WriteRegisterVerified(kRegFlashEnable, kFlashEnable)) || Failed(WriteEnable())) {
        return 0;
    }
    // From the select on, a failure ends the command at once: no byte after it is sent.
    if (Failed(Select())) {
        Abandon(kStatusNothingDone);
        return 0;
    }
    auto shift = [this](std::uint8_t byte) {
        return !Failed(WriteRegister(kRegFlashTransmit, byte)) && !Failed(WaitIdle());
    };
    bool sent = shift(kSpiPageProgram);
    for (std::size_t i = 0; sent && i < sizeof request.address; ++i) {
        sent = shift(request.address[i]);
    }
    const std::uint16_t count = std::min<std::uint16_t>(request.count, kMaxPageProgramBytes);
    for (std::uint16_t i = 0; sent && i < count; ++i) {
        sent = shift(request.data[i]);
    }
    if (!sent) {
        Abandon(kStatusNothingDone);
        return 0;
    }
    if (Failed(Deselect())) {
        return 0;
    }
    // A flash that never finishes its write has not written it.
    if (Failed(WaitWriteDone()) || Failed(WriteDisable())) {
        return 0;
    }
    if (Failed(WriteRegisterVerified(kRegFlashEnable, 0))) {
        return 0;
    }
    return 1;
}

int CFirmwareDevice::ReadFlashId(std::uint8_t id[3], std::uint8_t opcode) {
    if (m_pFamily != nullptr && m_pFamily->flashIdPath == FlashIdPath::Firmware) {
        std::uint8_t step = kStepFlashId;
        if (Failed(m_pTransport->SetCur(kCtlStepIndex, 1, &step)) ||
            Failed(m_pTransport->SetCur(kCtlStepOpcode, 1, &opcode)) ||
            Failed(m_pTransport->GetCur(kCtlFlashId, 3, id))) {
            return 0;
        }
        return 1;
    }
    if (Failed(WriteDisable()) || Failed(Select())) {
        Abandon(kStatusNothingDone);
        return 0;
    }
    bool ok = !Failed(WriteRegister(kRegFlashTransmit, opcode));
    if (ok && opcode != kSpiReadJedecId) {
        for (int dummy = 0; ok && dummy < 3; ++dummy) {
            ok = !Failed(WaitIdle()) && !Failed(WriteRegister(kRegFlashTransmit, 0x00));
        }
        ok = ok && !Failed(WaitIdle());
    }
    for (int i = 0; ok && i < 3; ++i) {
        std::uint8_t scratch = 0;
        ok = !Failed(ReadRegister(kRegFlashReceive, &scratch)) && !Failed(WaitIdle()) &&
             !Failed(ReadRegister(kRegFlashReceiveData, &id[i])) && !Failed(WaitIdle());
    }
    if (!ok) {
        Abandon(kStatusNothingDone);
        return 0;
    }
    return Failed(Deselect()) ? 0 : 1;
}

Status CFirmwareDevice::SetFlashAddress(std::uint8_t control, std::uint16_t address) {
    std::uint8_t bytes[4];
    platform::WriteLe32(bytes, address);
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
    const Status loaded = ProgramCommand(command);
    if (Failed(loaded)) {
        return loaded;
    }
    std::uint32_t length = 0;
    const Status lengthStatus = m_pTransport->GetLen(kCtlFlashData, &length);
    if (lengthStatus != 0) {
        return lengthStatus;
    }
    // The camera states the length; it must still fit the caller's buffer.
    if (length > bufferSize) {
        return kStatusOutOfRange;
    }
    // Without its address the read would come from wherever the last one pointed.
    const Status addressed = SetFlashAddress(kCtlFlashAddress, address);
    if (Failed(addressed)) {
        return addressed;
    }
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
    // An erase with a half-loaded table could run another opcode: only a fully
    // loaded command is used.
    const Status loaded = ProgramCommand(command);
    if (Failed(loaded)) {
        return loaded;
    }
    return SetFlashAddress(kCtlSectorErase, address);
}

Status CFirmwareDevice::BlockWrite(std::uint16_t address, std::uint32_t count, const std::uint8_t* data) {
    const Status addressed = SetFlashAddress(kCtlFlashAddress, address);
    if (Failed(addressed)) {
        return addressed;
    }
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
