#include "storage/SDIO.h"

#include "drivers/Driver/GPIO.h"
#include "system/Driver/DMA.h"
#include "system/Driver/NVIC.h"

#include "stm32f4xx_rcc.h"
#include "stm32f4xx_sdio.h"

#include <cstdio>
#include <cstring>

namespace SDIO
{

namespace
{

// Response CRC failed, response timeout, response received, command sent.
constexpr uint32_t commandDoneFlags = 0xC5;
constexpr uint32_t commandSuccessFlags = 0xC0;
constexpr uint32_t commandFailureFlags = 0x05;
constexpr uint32_t staticFlags = 0x5FF;
// Data CRC failed, data timeout, transmit underrun, receive overrun, start bit not on all lines.
constexpr uint32_t dataFailureFlags = SDIO_STA_DCRCFAIL | SDIO_STA_DTIMEOUT | SDIO_STA_TXUNDERR | SDIO_STA_RXOVERR |
                                      SDIO_STA_STBITERR;

constexpr float commandTimeoutMicroseconds = 100000.0f;
constexpr float transferTimeoutMilliseconds = 1000.0f;

constexpr uint8_t sendStatus = 13;

SDIO_TypeDef* Registers()
{
    return VELMORA_PHYS(SDIO_TypeDef, SDIO_BASE);
}

std::string Format(const char* format, unsigned a, unsigned long b, unsigned long c)
{
    char text[96];
    std::snprintf(text, sizeof text, format, a, static_cast<unsigned>(b), static_cast<unsigned>(c));
    return text;
}

void InitBus(uint8_t divider, uint32_t width)
{
    SDIO_InitTypeDef init;
    SDIO_StructInit(&init);
    init.SDIO_ClockDiv = divider;
    init.SDIO_ClockEdge = SDIO_ClockEdge_Rising;
    init.SDIO_ClockBypass = SDIO_ClockBypass_Disable;
    init.SDIO_ClockPowerSave = SDIO_ClockPowerSave_Disable;
    init.SDIO_BusWide = width;
    init.SDIO_HardwareFlowControl = SDIO_HardwareFlowControl_Disable;
    SDIO_Init(&init);
}

} // namespace

Exception::Exception(const std::string& message, uint32_t status) : std::runtime_error(message), m_status(status) {}

Exception::~Exception() = default;

void Response2::GetData(unsigned char* out) const
{
    std::memcpy(out, words, sizeof words);
}

Transceiver& Transceiver::GetInstance()
{
    static Transceiver transceiver;
    return transceiver;
}

Transceiver::Transceiver()
{
    Driver::GPIO& gpio = Driver::GPIO::GetInstance();
    using Port = Driver::GPIO::Port;
    constexpr Driver::GPIO::AltFunction sdioFunction = 12;
    // Data 0-3 on PC8..PC11, clock on PC12, command on PD2.
    for (Driver::GPIO::Pin pin = 8; pin <= 12; ++pin)
        gpio.AlternateFunction(Port::C, pin, sdioFunction, Driver::GPIO::OutputType::PushPull, Driver::GPIO::Pull::Up,
                               true, Driver::GPIO::Speed::High);
    gpio.AlternateFunction(Port::D, 2, sdioFunction, Driver::GPIO::OutputType::PushPull, Driver::GPIO::Pull::Up, true,
                           Driver::GPIO::Speed::High);
    RCC_APB2PeriphClockCmd(RCC_APB2Periph_SDIO, ENABLE);
    Driver::NVIC::GetInstance().EnableIRQ(SDIO_IRQn);
}

void Transceiver::SetBusForInitialization()
{
    // 48 MHz / (118 + 2) = 400 kHz, the identification clock.
    InitBus(118, SDIO_BusWide_1b);
}

void Transceiver::SetBusForDataTransfer()
{
    // 48 MHz / (0 + 2) = 24 MHz.
    InitBus(0, SDIO_BusWide_4b);
}

unsigned char Transceiver::SendCommand(unsigned char index, unsigned long argument, unsigned long response,
                                       bool checkIndex)
{
    SDIO_CmdInitTypeDef command;
    command.SDIO_Argument = static_cast<uint32_t>(argument);
    command.SDIO_CmdIndex = index;
    command.SDIO_Response = static_cast<uint32_t>(response);
    command.SDIO_Wait = SDIO_Wait_No;
    command.SDIO_CPSM = SDIO_CPSM_Enable;
    SDIO_SendCommand(&command);

    SDIO_TypeDef* registers = Registers();
    m_stopwatch.Restart();
    uint32_t status = registers->STA;
    while ((status & commandDoneFlags) == 0)
    {
        if (m_stopwatch.GetElapsedMicroseconds() > commandTimeoutMicroseconds)
        {
            SDIO_ClearFlag(staticFlags);
            throw std::runtime_error(Format("SDIO Error: Command Timeout, CMD%u %u, %u", index, argument, status));
        }
        status = registers->STA;
    }
    status = registers->STA;
    SDIO_ClearFlag(staticFlags);

    if ((status & commandSuccessFlags) != 0 && (status & commandFailureFlags) == 0)
    {
        const unsigned char received = SDIO_GetCommandResponse();
        if (checkIndex && received != index)
        {
            char text[64];
            std::snprintf(text, sizeof text, "SDIO Error: Command Mismatch: CMD%u CMD%u", index, received);
            throw std::runtime_error(text);
        }
        return received;
    }
    throw Exception(Format("SDIO Error: CMD%u %u, %u", index, argument, status), status);
}

void Transceiver::SendCommand(Command command, unsigned long argument)
{
    SendCommand(static_cast<unsigned char>(command), argument, SDIO_Response_No, true);
    SDIO_ClearFlag(staticFlags);
}

Response1 Transceiver::CheckedResponse1(unsigned char index)
{
    Response1 response;
    response.commandIndex = index;
    response.status = SDIO_GetResponse(SDIO_RESP1);
    if (response.HasError())
    {
        char text[48];
        std::snprintf(text, sizeof text, "SDIO R1 Error: %u", static_cast<unsigned>(response.GetError()));
        throw std::runtime_error(text);
    }
    return response;
}

Response1 Transceiver::SendCommand(Response1::Command command, unsigned long argument)
{
    return CheckedResponse1(SendCommand(static_cast<unsigned char>(command), argument, SDIO_Response_Short, true));
}

Response2 Transceiver::SendCommand(Response2::Command command, unsigned long argument)
{
    SendCommand(static_cast<unsigned char>(command), argument, SDIO_Response_Long, false);
    Response2 response;
    response.words[0] = SDIO_GetResponse(SDIO_RESP1);
    response.words[1] = SDIO_GetResponse(SDIO_RESP2);
    response.words[2] = SDIO_GetResponse(SDIO_RESP3);
    response.words[3] = SDIO_GetResponse(SDIO_RESP4);
    return response;
}

Response6 Transceiver::SendCommand(Response6::Command command, unsigned long argument)
{
    Response6 response;
    response.commandIndex = SendCommand(static_cast<unsigned char>(command), argument, SDIO_Response_Short, true);
    response.response = SDIO_GetResponse(SDIO_RESP1);
    response.newRca = static_cast<uint16_t>(response.response >> 16);
    return response;
}

Response7 Transceiver::SendCommand(Response7::Command command, unsigned long argument)
{
    Response7 response;
    response.commandIndex = SendCommand(static_cast<unsigned char>(command), argument, SDIO_Response_Short, true);
    response.response = SDIO_GetResponse(SDIO_RESP1);
    response.acceptedVoltage = static_cast<uint8_t>((response.response >> 8) & 0x0F);
    return response;
}

Response1 Transceiver::SendAppCommand(Response1::AppCommand command, unsigned short rca, unsigned long argument)
{
    SendCommand(Response1::Command::ApplicationCommand, static_cast<unsigned long>(rca) << 16);
    return CheckedResponse1(SendCommand(static_cast<unsigned char>(command), argument, SDIO_Response_Short, true));
}

Response3 Transceiver::SendAppCommand(Response3::AppCommand command, unsigned short rca, unsigned long argument)
{
    const unsigned char applicationCommand = static_cast<unsigned char>(Response1::Command::ApplicationCommand);
    CheckedResponse1(
        SendCommand(applicationCommand, static_cast<unsigned long>(rca) << 16, SDIO_Response_Short, true));
    try
    {
        SendCommand(static_cast<unsigned char>(command), argument, SDIO_Response_Short, true);
    }
    catch (const Exception& e)
    {
        // The OCR comes without a CRC (and without a command index): the controller's CRC
        // failure is expected; anything else is a real failure.
        if ((e.GetStatus() & SDIO_STA_CCRCFAIL) == 0)
            throw;
    }
    Response3 response;
    response.ocr = SDIO_GetResponse(SDIO_RESP1);
    return response;
}

unsigned Transceiver::ReadBlock(unsigned short rca, void* buffer, unsigned long address, BlockSize size)
{
    return Transfer(rca, buffer, address, size, false);
}

unsigned Transceiver::WriteBlock(unsigned short rca, const void* buffer, unsigned long address, BlockSize size)
{
    return Transfer(rca, const_cast<void*>(buffer), address, size, true);
}

unsigned Transceiver::Transfer(unsigned short rca, void* buffer, unsigned long address, BlockSize size, bool write)
{
    SDIO_TypeDef* registers = Registers();
    registers->DCTRL = 0; // stop whatever the data path was doing

    const unsigned bytes = static_cast<unsigned>(size);
    SendCommand(Response1::Command::SetBlockLength, bytes);
    uint32_t blockSizeCode;
    switch (bytes)
    {
    case 512:
        blockSizeCode = SDIO_DataBlockSize_512b;
        break;
    case 8:
        blockSizeCode = SDIO_DataBlockSize_8b;
        break;
    default:
        throw std::runtime_error("SDIO Error: Block size not supported");
    }

    SDIO_DataInitTypeDef data;
    data.SDIO_DataTimeOut = 0xFFFFFFFF;
    data.SDIO_DataLength = bytes;
    data.SDIO_DataBlockSize = blockSizeCode;
    data.SDIO_TransferDir = write ? SDIO_TransferDir_ToCard : SDIO_TransferDir_ToSDIO;
    data.SDIO_TransferMode = SDIO_TransferMode_Block;
    data.SDIO_DPSM = SDIO_DPSM_Enable;
    SDIO_DataConfig(&data);

    volatile bool done = false;
    volatile bool failed = false;
    std::string message;
    // A write hands the controller its DMA requests only once the card has accepted CMD24.
    SDIO_DMACmd(write ? DISABLE : ENABLE);

    using Driver::DMA;
    DMA& dma = DMA::GetInstance(DMA::Channel::Dma2, DMA::Stream::Stream3);
    dma.SetOnError([&failed, &message](const DMA&, const std::exception& e) {
        message = std::string("SDIO Error: ") + e.what();
        failed = true;
    });
    dma.SetOnTransferComplete([&done](const DMA&) { done = true; });
    dma.Disable();
    // Count 0: under peripheral flow control the controller ends the transfer.
    dma.Configure(DMA::RequestChannel::Request4, const_cast<void*>(static_cast<volatile void*>(&registers->FIFO)),
                  DMA::DataSize::Word, false, DMA::Burst::Increment4, buffer, 0, DMA::DataSize::Word, true,
                  DMA::Burst::Increment4, write ? DMA::Direction::MemoryToPeripheral : DMA::Direction::PeripheralToMemory,
                  DMA::Priority::VeryHigh, true, false, true);
    dma.Enable();

    const unsigned char command = static_cast<unsigned char>(write ? Response1::Command::WriteBlock
                                                                    : Response1::Command::ReadSingleBlock);
    SendCommand(static_cast<Response1::Command>(command), address);
    if (write)
        SDIO_DMACmd(ENABLE);

    auto abandon = [&dma]() {
        dma.SetOnError([](const DMA&, const std::exception&) {});
        dma.SetOnTransferComplete([](const DMA&) {});
    };
    m_stopwatch.Restart();
    while (!done)
    {
        if (failed)
        {
            abandon();
            throw std::runtime_error(message);
        }
        if (m_stopwatch.GetElapsedMilliseconds() > transferTimeoutMilliseconds)
        {
            abandon();
            throw std::runtime_error(write ? "SDIO Error: Write Timeout" : "SDIO Error: Read Timeout");
        }
    }

    // The DMA finishes when the last words pass the FIFO, before the block's CRC has been checked
    // (read) or the card has acknowledged it (write). Wait for that verdict, so that a damaged
    // block is never reported as read or written.
    const uint32_t verdictFlags = (write ? SDIO_STA_DBCKEND : SDIO_STA_DATAEND) | dataFailureFlags;
    uint32_t status = registers->STA;
    while ((status & verdictFlags) == 0)
    {
        if (m_stopwatch.GetElapsedMilliseconds() > transferTimeoutMilliseconds)
            throw std::runtime_error(write ? "SDIO Error: Write Timeout" : "SDIO Error: Read Timeout");
        status = registers->STA;
    }
    if (status & dataFailureFlags)
    {
        SDIO_ClearFlag(staticFlags);
        throw Exception(Format("SDIO Error: CMD%u %u, %u", command, address, status), status);
    }

    if (write)
    {
        m_stopwatch.Restart();
        const unsigned long statusArgument = static_cast<unsigned long>(rca) << 16;
        Response1 cardStatus = CheckedResponse1(SendCommand(sendStatus, statusArgument, SDIO_Response_Short, true));
        while (cardStatus.GetState() != 0x100)
        {
            if (m_stopwatch.GetElapsedMilliseconds() > transferTimeoutMilliseconds)
                throw std::runtime_error("SD Card Error: Timeout waiting for write to finish");
            cardStatus = CheckedResponse1(SendCommand(sendStatus, statusArgument, SDIO_Response_Short, true));
        }
    }
    return bytes;
}

void Transceiver::ProcessInterrupt()
{
    for (uint32_t source : {SDIO_IT_DATAEND, SDIO_IT_DCRCFAIL, SDIO_IT_DTIMEOUT, SDIO_IT_RXOVERR, SDIO_IT_TXUNDERR,
                            SDIO_IT_STBITERR})
    {
        if (SDIO_GetITStatus(source) != RESET)
            SDIO_ClearITPendingBit(source);
    }
}

} // namespace SDIO

extern "C" void SDIO_IRQHandler(void)
{
    SDIO::Transceiver::GetInstance().ProcessInterrupt();
}
