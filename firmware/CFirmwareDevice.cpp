#include "firmware/CFirmwareDevice.h"

#include <algorithm>
#include <cstring>

#include "platform/LittleEndian.h"

namespace firmware {
namespace {

constexpr std::uint8_t kFlashEnable = 0x80;
constexpr std::uint8_t kStepFlashId = 13;
// The page program's opcode and three address bytes, ahead of its data.
constexpr std::size_t kPageProgramHeader = 4;

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

void CFirmwareDevice::forget() {
    release();
    m_pFamily = nullptr;
    std::memset(m_szDevicePath, 0, sizeof m_szDevicePath);
}

Status CFirmwareDevice::RegisterRequest(XuRequest request, std::uint16_t address, std::uint8_t* value) {
    if (!m_pTransport) {
        return kStatusNothingDone;
    }
    std::uint8_t addressBytes[2];
    platform::WriteLe16(addressBytes, address);
    // Reading some registers has effects (0x2023 clocks a byte in), and a value whose
    // address did not arrive would land in the register addressed last: nothing goes
    // to the data control unless the address arrived.
    const Status addressed = m_pTransport->SetCur(kCtlRegisterAddress, 2, addressBytes);
    if (Failed(addressed)) {
        return addressed;
    }
    // A read that comes back empty-handed reads 0, whatever the caller held before.
    std::uint8_t data = request == XuRequest::SetCur ? *value : 0;
    const Status status = m_pTransport->Transfer(request, kCtlRegisterData, 1, &data);
    if (request == XuRequest::GetCur && value != nullptr) {
        *value = data;
    }
    return status;
}

Status CFirmwareDevice::ReadRegister(std::uint16_t address, std::uint8_t* value) {
    return RegisterRequest(XuRequest::GetCur, address, value);
}

Status CFirmwareDevice::WriteRegister(std::uint16_t address, std::uint8_t value) {
    return RegisterRequest(XuRequest::SetCur, address, &value);
}

Status CFirmwareDevice::WriteRegisterVerified(std::uint16_t address, std::uint8_t value) {
    auto readBack = static_cast<std::uint8_t>(~value);
    return InTurn([&] { return WriteRegister(address, value); }, [&] { return ReadRegister(address, &readBack); },
                  [&] { return readBack == value ? kStatusOk : kStatusNotApplied; });
}

Status CFirmwareDevice::EndStrayCommand() {
    if (!m_pTransport || m_pFamily == nullptr || m_pFamily->flashIdPath != FlashIdPath::Registers) {
        return kStatusOk;
    }
    // Ending it may start a program or an erase in the part: it listens to nothing but
    // its status until that is done.
    return InTurn([this] { return Deselect(); }, [this] { return WaitWriteDone(); });
}

Status CFirmwareDevice::ProgramCommand(std::uint8_t command) {
    if (!m_pTransport) {
        return kStatusNothingDone;
    }
    // A step that did not arrive would shift every later opcode into the wrong slot
    // (a block erase where the sector erase belongs): stop at the first failure, and
    // let the caller stop before using the table.
    const StepTable& table = StepTableOf(command);
    CXUTransport& xu = *m_pTransport;
    Status status = kStatusOk;
    for (std::uint8_t step = 1; step <= kStepCount && Succeeded(status); ++step) {
        const std::uint8_t opcode = StepOpcode(table, step);
        status = InTurn([&] { return xu.SetCur(kCtlStepIndex, 1, &step); },
                        [&] { return xu.SetCur(kCtlStepOpcode, 1, &opcode); });
    }
    if (Failed(status)) {
        return status;
    }
    std::uint32_t length = 0;
    return InTurn([&] { return xu.SetCur(kCtlProgramMode, 1, &table.programMode); },
                  [&] { return xu.GetLen(kCtlFlashData, &length); });
}

Status CFirmwareDevice::WaitIdle() {
    for (int poll = 0; poll < kMaxIdlePolls; ++poll) {
        std::uint8_t busy = 1;
        const Status status = ReadRegister(kRegFlashBusy, &busy);
        if (Failed(status) || busy == 0) {
            return status;
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

Status CFirmwareDevice::Spi(const SpiCommand& command) {
    // From the select on, a failure ends the command at once: no byte after it is
    // sent, and the flash is deselected.
    Status status = Select();
    for (std::size_t i = 0; i < command.outCount && Succeeded(status); ++i) {
        const bool wait = i + 1 < command.outCount || command.waitAfterLastOut;
        status = InTurn([&] { return WriteRegister(kRegFlashTransmit, command.out[i]); },
                        [&] { return wait ? WaitIdle() : kStatusOk; });
    }
    for (std::size_t i = 0; i < command.inCount && Succeeded(status); ++i) {
        // Reading the receive register clocks a byte in; its data register holds it
        // once the interface is idle.
        const bool wait = i + 1 < command.inCount || command.waitAfterLastIn;
        std::uint8_t scratch = 0;
        status = InTurn([&] { return ReadRegister(kRegFlashReceive, &scratch); }, [this] { return WaitIdle(); },
                        [&] { return ReadRegister(kRegFlashReceiveData, &command.in[i]); },
                        [&] { return wait ? WaitIdle() : kStatusOk; });
    }
    return Failed(status) ? Abandon(status) : Deselect();
}

Status CFirmwareDevice::WriteDisable() {
    return InTurn([this] { return WriteRegisterVerified(kRegFlashEnable, kFlashEnable); },
                  [this] { return WriteRegister(kRegFlashTransmit, kSpiWriteDisable); }, [this] { return WaitIdle(); });
}

Status CFirmwareDevice::WriteEnable() {
    SpiCommand command;
    command.out = &kSpiWriteEnable;
    command.outCount = 1;
    return InTurn([this] { return WriteRegisterVerified(kRegFlashEnable, kFlashEnable); },
                  [&] { return Spi(command); });
}

Status CFirmwareDevice::WaitWriteDone() {
    const Status enabled = WriteRegisterVerified(kRegFlashEnable, kFlashEnable);
    if (Failed(enabled)) {
        return enabled;
    }
    std::uint8_t flashStatus = 0xFF;
    SpiCommand readStatus;
    readStatus.out = &kSpiReadStatus;
    readStatus.outCount = 1;
    readStatus.in = &flashStatus;
    readStatus.inCount = 1;
    readStatus.waitAfterLastIn = false;
    for (int round = 0; round < kMaxWriteDoneRounds; ++round) {
        const Status status = Spi(readStatus);
        if (Failed(status) || (flashStatus & 0x01) == 0) {
            return status;
        }
    }
    return kStatusTimeout;
}

Status CFirmwareDevice::PageProgram(const PageProgramRequest& request) {
    std::uint8_t bytes[kPageProgramHeader + kMaxPageProgramBytes] = {kSpiPageProgram};
    std::memcpy(bytes + 1, request.address, sizeof request.address);
    const std::uint16_t count = std::min<std::uint16_t>(request.count, kMaxPageProgramBytes);
    std::memcpy(bytes + kPageProgramHeader, request.data, count);
    SpiCommand program;
    program.out = bytes;
    program.outCount = kPageProgramHeader + count;
    // A flash that never finishes its write has not written it.
    return InTurn([this] { return WriteRegisterVerified(kRegFlashEnable, kFlashEnable); },
                  [this] { return WriteEnable(); }, [&] { return Spi(program); }, [this] { return WaitWriteDone(); },
                  [this] { return WriteDisable(); }, [this] { return WriteRegisterVerified(kRegFlashEnable, 0); });
}

Status CFirmwareDevice::ReadFlashId(std::uint8_t id[3], std::uint8_t opcode) {
    if (m_pFamily != nullptr && m_pFamily->flashIdPath == FlashIdPath::Firmware) {
        const std::uint8_t step = kStepFlashId;
        CXUTransport& xu = *m_pTransport;
        return InTurn([&] { return xu.SetCur(kCtlStepIndex, 1, &step); },
                      [&] { return xu.SetCur(kCtlStepOpcode, 1, &opcode); },
                      [&] { return xu.GetCur(kCtlFlashId, 3, id); });
    }
    const Status disabled = WriteDisable();
    if (Failed(disabled)) {
        return Abandon(disabled);
    }
    // The JEDEC id answers at once; the older identifications want three dummy bytes.
    const std::uint8_t out[4] = {opcode, 0x00, 0x00, 0x00};
    SpiCommand identify;
    identify.out = out;
    identify.outCount = opcode == kSpiReadJedecId ? 1 : 4;
    identify.waitAfterLastOut = opcode != kSpiReadJedecId;
    identify.in = id;
    identify.inCount = 3;
    return Spi(identify);
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
    std::uint32_t length = 0;
    const Status status = InTurn(
        [&] { return ProgramCommand(command); }, [&] { return m_pTransport->GetLen(kCtlFlashData, &length); },
        // The camera states the length; it must still fit the caller's buffer.
        [&] { return length > bufferSize ? kStatusOutOfRange : kStatusOk; },
        // Without its address the read would come from wherever the last one pointed.
        [&] { return SetFlashAddress(kCtlFlashAddress, address); },
        [&] { return m_pTransport->GetCur(kCtlFlashData, length, buffer); });
    if (bytesRead != nullptr && Succeeded(status)) {
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
    return InTurn([&] { return ProgramCommand(command); }, [&] { return SetFlashAddress(kCtlSectorErase, address); });
}

Status CFirmwareDevice::BlockWrite(std::uint16_t address, std::uint32_t count, const std::uint8_t* data) {
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
    return InTurn([&] { return SetFlashAddress(kCtlFlashAddress, address); },
                  [&] { return m_pTransport->SetCur(kCtlWriteBlock, kWriteBlockSize, block); });
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
        // The register-level write tells any failure as 1, whatever step it was.
        return Failed(PageProgram(request)) ? kStatusNothingDone : kStatusOk;
    }
    if (path == WritePath::BlockWrite || path == WritePath::BlockWriteCounted) {
        return BlockWrite(address, count, data);
    }
    return kStatusNothingDone;  // no write path on this controller
}

}  // namespace firmware
