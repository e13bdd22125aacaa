#include "system/Driver/DMA.h"

#include "system/Driver/NVIC.h"
#include "system/System.h"

#include "stm32f4xx.h"
#include "stm32f4xx_dma.h"
#include "stm32f4xx_rcc.h"

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

namespace Driver
{

namespace
{

constexpr uint32_t transferComplete[8] = {DMA_IT_TCIF0, DMA_IT_TCIF1, DMA_IT_TCIF2, DMA_IT_TCIF3,
                                          DMA_IT_TCIF4, DMA_IT_TCIF5, DMA_IT_TCIF6, DMA_IT_TCIF7};
constexpr uint32_t halfTransfer[8] = {DMA_IT_HTIF0, DMA_IT_HTIF1, DMA_IT_HTIF2, DMA_IT_HTIF3,
                                      DMA_IT_HTIF4, DMA_IT_HTIF5, DMA_IT_HTIF6, DMA_IT_HTIF7};
constexpr uint32_t halfTransferFlag[8] = {DMA_FLAG_HTIF0, DMA_FLAG_HTIF1, DMA_FLAG_HTIF2, DMA_FLAG_HTIF3,
                                          DMA_FLAG_HTIF4, DMA_FLAG_HTIF5, DMA_FLAG_HTIF6, DMA_FLAG_HTIF7};
constexpr uint32_t directModeError[8] = {DMA_IT_DMEIF0, DMA_IT_DMEIF1, DMA_IT_DMEIF2, DMA_IT_DMEIF3,
                                         DMA_IT_DMEIF4, DMA_IT_DMEIF5, DMA_IT_DMEIF6, DMA_IT_DMEIF7};
constexpr uint32_t fifoError[8] = {DMA_IT_FEIF0, DMA_IT_FEIF1, DMA_IT_FEIF2, DMA_IT_FEIF3,
                                   DMA_IT_FEIF4, DMA_IT_FEIF5, DMA_IT_FEIF6, DMA_IT_FEIF7};
constexpr uint32_t transferError[8] = {DMA_IT_TEIF0, DMA_IT_TEIF1, DMA_IT_TEIF2, DMA_IT_TEIF3,
                                       DMA_IT_TEIF4, DMA_IT_TEIF5, DMA_IT_TEIF6, DMA_IT_TEIF7};

// Transfer complete, transfer error, direct-mode error and FIFO error; half transfers are not
// used.
constexpr uint32_t usedInterrupts = DMA_IT_TC | DMA_IT_TE | DMA_IT_DME | DMA_IT_FE;

constexpr float commandTimeoutMilliseconds = 10.0f;

// The callbacks run in the stream's interrupt: an exception escaping them would end the firmware,
// so it goes to the unhandled-exception handler and the remaining flags are still served.
template <typename Callback>
void RunGuarded(Callback&& callback)
{
    try
    {
        callback();
    }
    catch (const std::exception& exception)
    {
        Velmora::System::GetInstance().GetOnUnhandledException()(exception);
    }
}

DMA_Stream_TypeDef* StreamRegisters(DMA::Channel channel, DMA::Stream stream)
{
    // The controllers are 0x400 apart; each stream block is 0x18 bytes after the four flag
    // registers.
    const uintptr_t controller = reinterpret_cast<uintptr_t>(DMA1) + 0x400u * static_cast<uint32_t>(channel);
    return reinterpret_cast<DMA_Stream_TypeDef*>(controller + 0x10u + 0x18u * static_cast<uint32_t>(stream));
}

uint32_t RequestCode(DMA::RequestChannel request)
{
    return static_cast<uint32_t>(request) << 25;
}

uint32_t PeripheralSizeCode(DMA::DataSize size)
{
    switch (size)
    {
    case DMA::DataSize::HalfWord:
        return DMA_PeripheralDataSize_HalfWord;
    case DMA::DataSize::Word:
        return DMA_PeripheralDataSize_Word;
    default:
        return DMA_PeripheralDataSize_Byte;
    }
}

uint32_t MemorySizeCode(DMA::DataSize size)
{
    switch (size)
    {
    case DMA::DataSize::HalfWord:
        return DMA_MemoryDataSize_HalfWord;
    case DMA::DataSize::Word:
        return DMA_MemoryDataSize_Word;
    default:
        return DMA_MemoryDataSize_Byte;
    }
}

uint32_t PeripheralBurstCode(DMA::Burst burst)
{
    switch (burst)
    {
    case DMA::Burst::Increment4:
        return DMA_PeripheralBurst_INC4;
    case DMA::Burst::Increment8:
        return DMA_PeripheralBurst_INC8;
    case DMA::Burst::Increment16:
        return DMA_PeripheralBurst_INC16;
    default:
        return DMA_PeripheralBurst_Single;
    }
}

uint32_t MemoryBurstCode(DMA::Burst burst)
{
    switch (burst)
    {
    case DMA::Burst::Increment4:
        return DMA_MemoryBurst_INC4;
    case DMA::Burst::Increment8:
        return DMA_MemoryBurst_INC8;
    case DMA::Burst::Increment16:
        return DMA_MemoryBurst_INC16;
    default:
        return DMA_MemoryBurst_Single;
    }
}

uint32_t SizeInBytes(DMA::DataSize size)
{
    switch (size)
    {
    case DMA::DataSize::HalfWord:
        return 2;
    case DMA::DataSize::Word:
        return 4;
    default:
        return 1;
    }
}

uint32_t BeatsPerBurst(DMA::Burst burst)
{
    switch (burst)
    {
    case DMA::Burst::Increment4:
        return 4;
    case DMA::Burst::Increment8:
        return 8;
    case DMA::Burst::Increment16:
        return 16;
    default:
        return 1;
    }
}

// A burst must not cross a 1 KB boundary and each item must be aligned to its size. Consecutive
// bursts from an address aligned to the burst length never cross one.
void FitMemoryAccessToAlignment(uint32_t address, DMA::DataSize& size, DMA::Burst& burst)
{
    if (address % SizeInBytes(size) != 0)
    {
        size = DMA::DataSize::Byte;
        burst = DMA::Burst::Single;
    }
    if (address % (SizeInBytes(size) * BeatsPerBurst(burst)) != 0)
        burst = DMA::Burst::Single;
}

}

NVIC::IRQ DMA::GetIRQ(Channel channel, Stream stream)
{
    const auto number = static_cast<unsigned>(stream);
    if (channel == DMA::Channel::Dma1 && number <= 6)
        return static_cast<IRQn_Type>(11 + number);
    if (channel == DMA::Channel::Dma1 && number == 7)
        return static_cast<IRQn_Type>(47);
    if (channel == DMA::Channel::Dma2 && number <= 4)
        return static_cast<IRQn_Type>(56 + number);
    if (channel == DMA::Channel::Dma2 && number <= 7)
        return static_cast<IRQn_Type>(68 + number - 5);
    throw std::runtime_error("Could not get DMA IRQ");
}

DMA::DMA(Channel channel, Stream stream)
    : m_channel(channel), m_stream(stream), m_onTransferComplete([](const DMA&) {}),
      m_onError([](const DMA&, const std::exception&) {})
{
    RCC_AHB1PeriphClockCmd(channel == Channel::Dma1 ? RCC_AHB1Periph_DMA1 : RCC_AHB1Periph_DMA2, ENABLE);
}

DMA& DMA::GetInstance(Channel channel, Stream stream)
{
    static DMA streams[] = {
        {Channel::Dma2, Stream::Stream0},
        {Channel::Dma2, Stream::Stream3},
        {Channel::Dma2, Stream::Stream6},
    };
    for (DMA& candidate : streams)
    {
        if (candidate.m_channel == channel && candidate.m_stream == stream)
            return candidate;
    }
    throw std::runtime_error("DMA" + std::to_string(static_cast<unsigned>(channel)) + "_" +
                             std::to_string(static_cast<unsigned>(stream)) + " has not been instantiated");
}

void DMA::SetOnTransferComplete(TransferCompleteCallback callback)
{
    m_onTransferComplete = std::move(callback);
}

void DMA::SetOnError(ErrorCallback callback)
{
    m_onError = std::move(callback);
}

void DMA::Configure(RequestChannel request, void* peripheralAddress, DataSize peripheralSize,
                    bool peripheralIncrement, Burst peripheralBurst, void* memoryAddress, unsigned count,
                    DataSize memorySize, bool memoryIncrement, Burst memoryBurst, Direction direction,
                    Priority priority, bool fifoMode, bool circular, bool peripheralFlowControl)
{
    DMA_Stream_TypeDef* registers = StreamRegisters(m_channel, m_stream);
    DMA_DeInit(registers);

    const uint32_t memoryBusAddress = VELMORA_BUS_ADDRESS(memoryAddress);
    // Without the FIFO the memory side always moves items of the peripheral's size.
    if (fifoMode)
        FitMemoryAccessToAlignment(memoryBusAddress, memorySize, memoryBurst);

    DMA_InitTypeDef init;
    DMA_StructInit(&init);
    init.DMA_Channel = RequestCode(request);
    init.DMA_PeripheralBaseAddr = VELMORA_BUS_ADDRESS(peripheralAddress);
    init.DMA_Memory0BaseAddr = memoryBusAddress;
    init.DMA_DIR = static_cast<uint32_t>(direction) * 0x40u;
    init.DMA_BufferSize = count;
    init.DMA_PeripheralInc = peripheralIncrement ? DMA_PeripheralInc_Enable : DMA_PeripheralInc_Disable;
    init.DMA_MemoryInc = memoryIncrement ? DMA_MemoryInc_Enable : DMA_MemoryInc_Disable;
    init.DMA_PeripheralDataSize = PeripheralSizeCode(peripheralSize);
    init.DMA_MemoryDataSize = MemorySizeCode(memorySize);
    init.DMA_Mode = circular ? DMA_Mode_Circular : DMA_Mode_Normal;
    init.DMA_Priority = static_cast<uint32_t>(priority) << 16;
    init.DMA_FIFOMode = fifoMode ? DMA_FIFOMode_Enable : DMA_FIFOMode_Disable;
    init.DMA_FIFOThreshold = DMA_FIFOThreshold_Full;
    init.DMA_MemoryBurst = MemoryBurstCode(memoryBurst);
    init.DMA_PeripheralBurst = PeripheralBurstCode(peripheralBurst);
    DMA_Init(registers, &init);

    DMA_FlowControllerConfig(registers, peripheralFlowControl ? DMA_FlowCtrl_Peripheral : DMA_FlowCtrl_Memory);

    NVIC::GetInstance().EnableIRQ(GetIRQ(m_channel, m_stream));
}

void DMA::Enable()
{
    DMA_Stream_TypeDef* registers = StreamRegisters(m_channel, m_stream);
    const unsigned stream = static_cast<unsigned>(m_stream);

    // The stream refuses to start while any of its flags is still set.
    DMA_ClearITPendingBit(registers, transferComplete[stream]);
    DMA_ClearITPendingBit(registers, halfTransfer[stream]);
    DMA_ClearITPendingBit(registers, directModeError[stream]);
    DMA_ClearITPendingBit(registers, fifoError[stream]);
    DMA_ClearITPendingBit(registers, transferError[stream]);

    DMA_Cmd(registers, ENABLE);
    m_stopwatch.Restart();
    while (DMA_GetCmdStatus(registers) != ENABLE)
    {
        if (m_stopwatch.GetElapsedMilliseconds() > commandTimeoutMilliseconds)
            throw std::runtime_error("DMA Error: Enable Timeout");
    }
    DMA_ITConfig(registers, usedInterrupts, ENABLE);
}

void DMA::Disable()
{
    DMA_Stream_TypeDef* registers = StreamRegisters(m_channel, m_stream);

    DMA_ITConfig(registers, usedInterrupts, DISABLE);
    DMA_Cmd(registers, DISABLE);
    // The stream finishes its current beat before it reports disabled.
    m_stopwatch.Restart();
    while (DMA_GetCmdStatus(registers) != DISABLE)
    {
        if (m_stopwatch.GetElapsedMilliseconds() > commandTimeoutMilliseconds)
            throw std::runtime_error("DMA Error: Disable Timeout");
    }
}

void DMA::ProcessInterrupt()
{
    DMA_Stream_TypeDef* registers = StreamRegisters(m_channel, m_stream);
    const unsigned stream = static_cast<unsigned>(m_stream);

    if (DMA_GetITStatus(registers, transferComplete[stream]) != RESET)
    {
        DMA_ClearITPendingBit(registers, transferComplete[stream]);
        if (m_onTransferComplete)
            RunGuarded([this] { m_onTransferComplete(*this); });
    }

    // Its interrupt is never enabled, so the flag is checked as such.
    if (DMA_GetFlagStatus(registers, halfTransferFlag[stream]) != RESET)
        DMA_ClearFlag(registers, halfTransferFlag[stream]);

    uint32_t errors = 0;
    for (uint32_t code : {fifoError[stream], directModeError[stream], transferError[stream]})
    {
        if (DMA_GetITStatus(registers, code) != RESET)
        {
            DMA_ClearITPendingBit(registers, code);
            errors |= code;
        }
    }
    if (errors != 0 && m_onError)
    {
        char message[32];
        std::snprintf(message, sizeof message, "DMA Error: %lu", static_cast<unsigned long>(errors));
        RunGuarded([this, &message] { m_onError(*this, std::runtime_error(message)); });
    }

    __DSB();
}

} // namespace Driver

namespace
{

void DispatchStreamInterrupt(Driver::DMA::Channel channel, Driver::DMA::Stream stream)
{
    Driver::DMA::GetInstance(channel, stream).ProcessInterrupt();
}

using Channel = Driver::DMA::Channel;
using Stream = Driver::DMA::Stream;

} // namespace

extern "C"
{
void DMA1_Stream0_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma1, Stream::Stream0);
}
void DMA1_Stream1_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma1, Stream::Stream1);
}
void DMA1_Stream2_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma1, Stream::Stream2);
}
void DMA1_Stream3_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma1, Stream::Stream3);
}
void DMA1_Stream4_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma1, Stream::Stream4);
}
void DMA1_Stream5_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma1, Stream::Stream5);
}
void DMA1_Stream6_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma1, Stream::Stream6);
}
void DMA1_Stream7_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma1, Stream::Stream7);
}
void DMA2_Stream0_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma2, Stream::Stream0);
}
void DMA2_Stream1_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma2, Stream::Stream1);
}
void DMA2_Stream2_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma2, Stream::Stream2);
}
void DMA2_Stream3_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma2, Stream::Stream3);
}
void DMA2_Stream4_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma2, Stream::Stream4);
}
void DMA2_Stream5_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma2, Stream::Stream5);
}
void DMA2_Stream6_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma2, Stream::Stream6);
}
void DMA2_Stream7_IRQHandler(void)
{
    DispatchStreamInterrupt(Channel::Dma2, Stream::Stream7);
}
}
