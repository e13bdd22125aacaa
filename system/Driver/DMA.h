#pragma once

#include "system/Driver/NVIC.h"
#include "system/Stopwatch.h"

#include <cstdint>
#include <exception>
#include <functional>

namespace Driver
{

// One stream of a DMA controller: configuration, enable and disable with timeouts, and dispatch
// of its interrupt to a transfer-complete and an error callback. Three streams exist: DMA2
// streams 0, 3 and 6 (stream 3 carries the SD card's block transfers).
class DMA
{
public:
    enum class Channel : uint8_t
    {
        Dma1 = 0,
        Dma2 = 1,
    };

    enum class Stream : uint8_t
    {
        Stream0 = 0,
        Stream1,
        Stream2,
        Stream3,
        Stream4,
        Stream5,
        Stream6,
        Stream7,
    };

    // The peripheral request that drives the stream (CHSEL).
    enum class RequestChannel : uint8_t
    {
        Request0 = 0,
        Request1,
        Request2,
        Request3,
        Request4,
        Request5,
        Request6,
        Request7,
    };

    // Bytes per item; any other value is taken as a byte.
    enum class DataSize : uint8_t
    {
        Byte = 1,
        HalfWord = 2,
        Word = 4,
    };

    // Beats per burst; any other value is taken as single transfers.
    enum class Burst : uint8_t
    {
        Single = 1,
        Increment4 = 4,
        Increment8 = 8,
        Increment16 = 16,
    };

    enum class Direction : uint8_t
    {
        PeripheralToMemory = 0,
        MemoryToPeripheral = 1,
        MemoryToMemory = 2,
    };

    enum class Priority : uint8_t
    {
        Low = 0,
        Medium = 1,
        High = 2,
        VeryHigh = 3,
    };

    using TransferCompleteCallback = std::function<void(const DMA&)>;
    using ErrorCallback = std::function<void(const DMA&, const std::exception&)>;

    // One of the three streams; any other throws std::runtime_error
    // "DMA<channel>_<stream> has not been instantiated".
    static DMA& GetInstance(Channel channel, Stream stream);

    // The interrupt of a stream; throws std::runtime_error "Could not get DMA IRQ" for a channel or
    // stream that does not exist.
    static NVIC::IRQ GetIRQ(Channel channel, Stream stream);

    // Callbacks run in interrupt context and must not throw.
    void SetOnTransferComplete(TransferCompleteCallback callback);
    void SetOnError(ErrorCallback callback);

    // Programs the stream and enables its interrupt in the NVIC. The stream must be disabled.
    // The FIFO, when used, is filled up to its threshold "full". In FIFO mode the memory side
    // uses the requested size and burst only as far as the buffer's alignment allows (a burst
    // must not cross a 1 KB boundary and an item must be aligned to its size); otherwise it
    // falls back to bytes and single transfers, so buffers of any alignment work.
    void Configure(RequestChannel request, void* peripheralAddress, DataSize peripheralSize,
                   bool peripheralIncrement, Burst peripheralBurst, void* memoryAddress, unsigned count,
                   DataSize memorySize, bool memoryIncrement, Burst memoryBurst, Direction direction,
                   Priority priority, bool fifoMode, bool circular, bool peripheralFlowControl);

    // Starts the stream and enables its transfer-complete and error interrupts; throws
    // std::runtime_error "DMA Error: Enable Timeout" if the stream does not report enabled
    // within 10 ms.
    void Enable();
    // Disables the interrupts and stops the stream; throws std::runtime_error
    // "DMA Error: Disable Timeout" if it does not report disabled within 10 ms.
    void Disable();

    // Reports transfer complete first, then the errors (FIFO, direct mode, transfer) together as
    // one "DMA Error: <flag codes>" exception; a half-transfer is cleared and never reported.
    void ProcessInterrupt();

    Channel GetChannel() const { return m_channel; }
    Stream GetStream() const { return m_stream; }

    DMA(const DMA&) = delete;
    DMA& operator=(const DMA&) = delete;

private:
    DMA(Channel channel, Stream stream);

    Channel m_channel;
    Stream m_stream;
    TransferCompleteCallback m_onTransferComplete;
    ErrorCallback m_onError;
    Velmora::Stopwatch m_stopwatch;
};

} // namespace Driver

extern "C"
{
void DMA1_Stream0_IRQHandler(void);
void DMA1_Stream1_IRQHandler(void);
void DMA1_Stream2_IRQHandler(void);
void DMA1_Stream3_IRQHandler(void);
void DMA1_Stream4_IRQHandler(void);
void DMA1_Stream5_IRQHandler(void);
void DMA1_Stream6_IRQHandler(void);
void DMA1_Stream7_IRQHandler(void);
void DMA2_Stream0_IRQHandler(void);
void DMA2_Stream1_IRQHandler(void);
void DMA2_Stream2_IRQHandler(void);
void DMA2_Stream3_IRQHandler(void);
void DMA2_Stream4_IRQHandler(void);
void DMA2_Stream5_IRQHandler(void);
void DMA2_Stream6_IRQHandler(void);
void DMA2_Stream7_IRQHandler(void);
}
