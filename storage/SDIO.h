#pragma once

#include "system/Stopwatch.h"

#include "stm32f4xx.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// The device header's register block macro would take this namespace's name. The command layer
// reaches the controller's registers as VELMORA_PHYS(SDIO_TypeDef, SDIO_BASE).
#undef SDIO

// The SD command layer: commands and their typed responses, single-block transfers over DMA.
namespace SDIO
{

// A failed command: the message names the command, its argument and the controller's status
// word, which GetStatus() returns (bit 0: response CRC failed, bit 2: no response).
class Exception : public std::runtime_error
{
public:
    Exception(const std::string& message, uint32_t status);
    virtual ~Exception();

    uint32_t GetStatus() const { return m_status; }

private:
    uint32_t m_status;
};

// Commands without a response.
enum class Command : uint8_t
{
    GoIdleState = 0,
};

// R1: the card status.
struct Response1
{
    enum class Command : uint8_t
    {
        SelectCard = 7,
        SetBlockLength = 16,
        ReadSingleBlock = 17,
        WriteBlock = 24,
        ApplicationCommand = 55,
    };
    enum class AppCommand : uint8_t
    {
        SetBusWidth = 6,
    };

    // Card status bits 31-26, 24-19, 16, 15, 7 and 3.
    static constexpr uint32_t errorMask = 0xFDF98088;
    // Card locked (25), ECC disabled (14), ready for data (8), application command expected (5).
    static constexpr uint32_t stateMask = 0x02004120;

    uint8_t commandIndex = 0;
    uint32_t status = 0;

    bool HasError() const { return (status & errorMask) != 0; }
    uint32_t GetError() const { return status & errorMask; }
    uint32_t GetState() const { return status & stateMask; }
};

// R2: the CID or the CSD register, as the controller's response registers 1 to 4 hold it.
struct Response2
{
    enum class Command : uint8_t
    {
        AllSendCid = 2,
        SendCsd = 9,
    };

    uint32_t words[4] = {};

    // The 16 bytes of the four words, in that order, as they lie in memory.
    void GetData(unsigned char* out) const;
};

// R3: the operating conditions register.
struct Response3
{
    enum class AppCommand : uint8_t
    {
        SendOperatingCondition = 41,
    };

    uint32_t ocr = 0;

    bool IsInitialized() const { return (ocr & 0x80000000u) != 0; }
    bool IsHighCapacity() const { return (ocr & 0x40000000u) != 0; }
};

// R6: the relative card address the card published.
struct Response6
{
    enum class Command : uint8_t
    {
        SendRelativeAddress = 3,
    };

    uint8_t commandIndex = 0;
    uint16_t newRca = 0;
    uint32_t response = 0;

    uint16_t GetNewRCA() const { return newRca; }
};

// R7: the interface condition the card accepted.
struct Response7
{
    enum class Command : uint8_t
    {
        SendInterfaceCondition = 8,
    };

    uint8_t commandIndex = 0;
    uint8_t acceptedVoltage = 0;
    uint32_t response = 0;
};

// Block length in bytes.
enum class BlockSize : uint16_t
{
    Bytes8 = 8,
    Bytes512 = 512,
};

// The SD host controller as the card layer uses it. Commands and transfers busy-wait in the
// caller's context; transfers complete through DMA2 stream 3.
class Transceiver
{
public:
    static Transceiver& GetInstance();

    // 400 kHz, 1-bit bus, for the identification phase.
    void SetBusForInitialization();
    // 24 MHz, 4-bit bus.
    void SetBusForDataTransfer();

    // Sends one command; `response` is 0 (none), 0x40 (short) or 0xC0 (long). Returns the index
    // of the command the response belongs to. Throws SDIO::Exception for a failed response and
    // std::runtime_error for a timeout or (with checkIndex) a response to another command.
    unsigned char SendCommand(unsigned char index, unsigned long argument, unsigned long response, bool checkIndex);
    void SendCommand(Command command, unsigned long argument);
    Response1 SendCommand(Response1::Command command, unsigned long argument);
    Response2 SendCommand(Response2::Command command, unsigned long argument);
    Response6 SendCommand(Response6::Command command, unsigned long argument);
    Response7 SendCommand(Response7::Command command, unsigned long argument);
    Response1 SendAppCommand(Response1::AppCommand command, unsigned short rca, unsigned long argument);
    Response3 SendAppCommand(Response3::AppCommand command, unsigned short rca, unsigned long argument);

    // One block between the card and `buffer` (not on the stack: the DMA does not reach it).
    // `address` goes to the card unchanged: bytes for standard capacity, blocks for high
    // capacity. Both return the block size.
    unsigned ReadBlock(unsigned short rca, void* buffer, unsigned long address, BlockSize size);
    unsigned WriteBlock(unsigned short rca, const void* buffer, unsigned long address, BlockSize size);

    // Clears the data path's pending interrupt sources.
    void ProcessInterrupt();

    Transceiver(const Transceiver&) = delete;
    Transceiver& operator=(const Transceiver&) = delete;

private:
    Transceiver();

    Response1 CheckedResponse1(unsigned char index);
    unsigned Transfer(unsigned short rca, void* buffer, unsigned long address, BlockSize size, bool write);

    Velmora::Stopwatch m_stopwatch;
};

} // namespace SDIO

extern "C" void SDIO_IRQHandler(void);
