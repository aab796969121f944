// The opened camera and the firmware protocol spoken over its extension unit:
// controller registers, flash command tables, sector operations and the register-level
// serial-flash steps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "firmware/ControllerFamily.h"
#include "firmware/CXUTransport.h"
#include "firmware/FlashType.h"
#include "platform/VideoCatalog.h"

namespace firmware {

constexpr std::size_t kDevicePathSize = 256;
constexpr std::uint32_t kSectorSize = 4096;

// Controller registers.
constexpr std::uint16_t kRegControllerId = 0x20FF;
constexpr std::uint16_t kRegControllerVariant = 0x20D0;
constexpr std::uint16_t kRegFlashEnable = 0x2020;
constexpr std::uint16_t kRegFlashBusy = 0x2021;
constexpr std::uint16_t kRegFlashTransmit = 0x2022;
constexpr std::uint16_t kRegFlashReceive = 0x2023;
constexpr std::uint16_t kRegFlashReceiveData = 0x2024;
constexpr std::uint16_t kRegFlashSelect = 0x2025;

// Extension-unit controls.
constexpr std::uint8_t kCtlRegisterAddress = 2;
constexpr std::uint8_t kCtlRegisterData = 3;
constexpr std::uint8_t kCtlStepIndex = 7;
constexpr std::uint8_t kCtlStepOpcode = 8;
constexpr std::uint8_t kCtlSectorErase = 13;
constexpr std::uint8_t kCtlFlashAddress = 14;
constexpr std::uint8_t kCtlFlashData = 15;
constexpr std::uint8_t kCtlProgramMode = 16;
constexpr std::uint8_t kCtlWriteBlock = 22;
constexpr std::uint8_t kCtlFlashId = 23;


// Bounds on the polls of the serial-flash interface: a controller that never comes
// back must not hold the program's only thread. A byte shifts in microseconds and a
// page program takes a few milliseconds, while every poll is a USB transfer of about
// a millisecond (a write-done round is about twenty): a hundred of each is far more
// than a healthy part needs, and a part that stays busy is given up within a second
// or two instead of spending the whole transfer budget.
constexpr int kMaxIdlePolls = 100;
constexpr int kMaxWriteDoneRounds = 100;
// Attempts at ending a flash command whose deselect was not applied.
constexpr int kDeselectAttempts = 2;

struct PageProgramRequest {
    std::uint8_t address[3];
    std::uint8_t data[kMaxPageProgramBytes];
    std::uint16_t count;
};

// One command to the serial flash through the controller's interface registers:
// `out` is shifted out (opcode, address, dummy or data bytes), then `inCount` answer
// bytes are clocked into `in`.
struct SpiCommand {
    const std::uint8_t* out = nullptr;
    std::size_t outCount = 0;
    std::uint8_t* in = nullptr;
    std::size_t inCount = 0;
    // The interface is waited for after every byte, but for two places where the
    // controller's sequences go on at once: a JEDEC id read clocks its answer in
    // straight after the opcode, and a status read deselects straight after its byte.
    bool waitAfterLastOut = true;
    bool waitAfterLastIn = true;
};

class CFirmwareDevice {
public:
    explicit CFirmwareDevice(platform::IClock& clock) : m_clock(clock) {}

    Status ReadRegister(std::uint16_t address, std::uint8_t* value);
    Status WriteRegister(std::uint16_t address, std::uint8_t value);
    // A write read back through the data control: kStatusNotApplied when the register
    // does not hold the value afterwards (the write was acknowledged and lost, or went
    // to another register).
    Status WriteRegisterVerified(std::uint16_t address, std::uint8_t value);
    // Ends whatever flash command is still selected (a program that was ended in the
    // middle of one leaves the select line asserted) and waits until the part is ready;
    // register-level controllers only.
    Status EndStrayCommand();
    // Loads a command's step table; fails at the first transfer that fails.
    Status ProgramCommand(std::uint8_t command);
    // The three id bytes the flash answers to an identification opcode.
    Status ReadFlashId(std::uint8_t id[3], std::uint8_t opcode);

    // Register-level serial-flash steps. A step that fails after selecting the flash
    // deselects it before it returns.
    Status WaitIdle();
    Status WriteDisable();
    Status WriteEnable();
    Status WaitWriteDone();
    Status PageProgram(const PageProgramRequest& request);
    // Select, the command's bytes each way, deselect (see SpiCommand).
    Status Spi(const SpiCommand& command);

    // `bufferSize` is the room in `buffer`; the camera's reported length must fit it.
    Status Upload_Sector(std::uint8_t* buffer, std::uint32_t bufferSize, int sector, std::uint8_t command,
                         std::uint32_t* bytesRead = nullptr);
    Status EraseSector(std::uint16_t address, std::uint8_t command);
    Status Download_Sector(std::uint16_t address, std::uint32_t count, const std::uint8_t* data);

    // The identified controller; null until Open identified one.
    const ControllerFamily* family() const { return m_pFamily; }
    void identify(const ControllerFamily* family) { m_pFamily = family; }
    char chip() const { return m_pFamily != nullptr ? m_pFamily->chip : kNoChip; }
    std::uint8_t selectLevel() const { return m_pFamily != nullptr ? m_pFamily->selectLevel : 0; }
    // The most bytes one Download_Sector writes for the opened controller; 0 without a write path.
    std::uint32_t MaxDownloadBytes() const { return m_pFamily != nullptr ? m_pFamily->maxDownload : 0; }

    // The camera the channel opened: its transport, capture filter and device path.
    bool hasTransport() const { return m_pTransport != nullptr; }
    CXUTransport& transport();
    const CXUTransport& transport() const { return *m_pTransport; }
    void holdFilter(std::unique_ptr<platform::ICaptureFilter> filter) { m_pFilter = std::move(filter); }
    platform::ICaptureFilter* filter() const { return m_pFilter.get(); }
    void dropFilter() { m_pFilter.reset(); }
    const char* devicePath() const { return m_szDevicePath; }
    void setDevicePath(const char (&path)[kDevicePathSize]);
    // The transfer budget of the opened camera: what it has spent, and whether it ran out.
    std::uint32_t transfersUsed() const { return m_pTransport ? m_pTransport->transfersUsed() : 0; }
    bool budgetExhausted() const { return m_pTransport && m_pTransport->budgetExhausted(); }
    // Lets go of the camera: filter and the transport's binding.
    void release();
    // Back to no camera at all: released, the transport gone, nothing identified.
    void forget();

private:
    // The one controller-register request: the address to control 2, then the data
    // byte through control 3 (`value` sent by a SetCur, filled by a GetCur).
    Status RegisterRequest(XuRequest request, std::uint16_t address, std::uint8_t* value);
    Status Select();
    Status Deselect();
    // Ends a broken flash command and passes its failure on.
    Status Abandon(Status failure);
    Status BlockWrite(std::uint16_t address, std::uint32_t count, const std::uint8_t* data);
    Status SetFlashAddress(std::uint8_t control, std::uint16_t address);

    platform::IClock& m_clock;
    std::unique_ptr<CXUTransport> m_pTransport;
    std::unique_ptr<platform::ICaptureFilter> m_pFilter;
    char m_szDevicePath[kDevicePathSize] = {};
    const ControllerFamily* m_pFamily = nullptr;
};

}  // namespace firmware
