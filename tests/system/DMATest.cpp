#include "system/Driver/DMA.h"

#include "sim/Console.h"
#include "sim/World.h"
#include "sim/models/Dma.h"

#include "stm32f4xx.h"
#include "stm32f4xx_dma.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using Driver::DMA;

std::string MessageOf(const std::function<void()>& action)
{
    try
    {
        action();
    }
    catch (const std::runtime_error& error)
    {
        return error.what();
    }
    return "(nothing thrown)";
}

class DMATest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }

    static Sim::World& World() { return Sim::World::Get(); }
    static Sim::Dma& Dma2() { return World().board().dma(2); }
    static DMA_Stream_TypeDef* Registers(unsigned stream)
    {
        const DMA_Stream_TypeDef* streams[8] = {DMA2_Stream0, DMA2_Stream1, DMA2_Stream2, DMA2_Stream3,
                                                DMA2_Stream4, DMA2_Stream5, DMA2_Stream6, DMA2_Stream7};
        return const_cast<DMA_Stream_TypeDef*>(streams[stream]);
    }

    // A stream that waits for requests of a peripheral that never asks: it stays enabled.
    static DMA& IdleStream(unsigned stream)
    {
        static uint32_t source;
        alignas(16) static uint32_t buffer[16];
        DMA& dma = DMA::GetInstance(DMA::Channel::Dma2, static_cast<DMA::Stream>(stream));
        dma.Configure(DMA::RequestChannel::Request4, &source, DMA::DataSize::Word, false, DMA::Burst::Single, buffer,
                      16, DMA::DataSize::Word, true, DMA::Burst::Single, DMA::Direction::PeripheralToMemory,
                      DMA::Priority::High, true, false, false);
        dma.Enable();
        return dma;
    }

    struct Recorder
    {
        std::vector<std::string> events;
    };
    static Recorder& Record()
    {
        static Recorder recorder;
        return recorder;
    }
    static void Listen(DMA& dma)
    {
        dma.SetOnTransferComplete([](const DMA&) { Record().events.push_back("complete"); });
        dma.SetOnError([](const DMA&, const std::exception& error) { Record().events.push_back(error.what()); });
    }
};

TEST_F(DMATest, OnlyThreeStreamsExistAndAskingForAnotherNamesIt)
{
    EXPECT_EQ("DMA0_5 has not been instantiated",
              MessageOf([] { DMA::GetInstance(DMA::Channel::Dma1, DMA::Stream::Stream5); }));
    EXPECT_EQ("DMA1_1 has not been instantiated",
              MessageOf([] { DMA::GetInstance(DMA::Channel::Dma2, DMA::Stream::Stream1); }));

    DMA& stream3 = DMA::GetInstance(DMA::Channel::Dma2, DMA::Stream::Stream3);
    EXPECT_EQ(&stream3, &DMA::GetInstance(DMA::Channel::Dma2, DMA::Stream::Stream3));
    EXPECT_EQ(DMA::Stream::Stream3, stream3.GetStream());
    EXPECT_NE(&stream3, &DMA::GetInstance(DMA::Channel::Dma2, DMA::Stream::Stream0));
    EXPECT_NE(&stream3, &DMA::GetInstance(DMA::Channel::Dma2, DMA::Stream::Stream6));
    EXPECT_NE(0u, RCC->AHB1ENR & RCC_AHB1ENR_DMA2EN);
}

TEST_F(DMATest, EveryStreamHasItsOwnInterrupt)
{
    const int dma1[8] = {11, 12, 13, 14, 15, 16, 17, 47};
    const int dma2[8] = {56, 57, 58, 59, 60, 68, 69, 70};
    for (unsigned s = 0; s < 8; ++s)
    {
        EXPECT_EQ(dma1[s], DMA::GetIRQ(DMA::Channel::Dma1, static_cast<DMA::Stream>(s)));
        EXPECT_EQ(dma2[s], DMA::GetIRQ(DMA::Channel::Dma2, static_cast<DMA::Stream>(s)));
    }
    EXPECT_EQ("Could not get DMA IRQ",
              MessageOf([] { DMA::GetIRQ(static_cast<DMA::Channel>(2), DMA::Stream::Stream0); }));
    EXPECT_EQ("Could not get DMA IRQ",
              MessageOf([] { DMA::GetIRQ(DMA::Channel::Dma2, static_cast<DMA::Stream>(8)); }));
}

TEST_F(DMATest, ConfiguresTheCardTransferAndEnablesItsInterrupt)
{
    alignas(16) static uint32_t buffer[128];
    DMA& dma = DMA::GetInstance(DMA::Channel::Dma2, DMA::Stream::Stream3);
    dma.Disable();
    dma.Configure(DMA::RequestChannel::Request4, const_cast<uint32_t*>(reinterpret_cast<volatile uint32_t*>(&SDIO->FIFO)),
                  DMA::DataSize::Word, false, DMA::Burst::Increment4, buffer, 0, DMA::DataSize::Word, true,
                  DMA::Burst::Increment4, DMA::Direction::PeripheralToMemory, DMA::Priority::VeryHigh, true, false,
                  true);

    DMA_Stream_TypeDef* registers = Registers(3);
    EXPECT_EQ(DMA_Channel_4 | DMA_MemoryBurst_INC4 | DMA_PeripheralBurst_INC4 | DMA_Priority_VeryHigh |
                  DMA_MemoryDataSize_Word | DMA_PeripheralDataSize_Word | DMA_MemoryInc_Enable | DMA_FlowCtrl_Peripheral,
              static_cast<uint32_t>(registers->CR));
    EXPECT_EQ(DMA_SxFCR_DMDIS | DMA_FIFOThreshold_Full, registers->FCR & (DMA_SxFCR_DMDIS | DMA_SxFCR_FTH));
    EXPECT_EQ(0x40012C80u, static_cast<uint32_t>(registers->PAR));
    EXPECT_EQ(VELMORA_BUS_ADDRESS(buffer), static_cast<uint32_t>(registers->M0AR));
    EXPECT_TRUE(World().board().core().IsEnabled(DMA2_Stream3_IRQn));
    EXPECT_EQ(7u, NVIC_GetPriority(DMA2_Stream3_IRQn));

    // A buffer that is not word aligned is written byte by byte, one beat at a time.
    dma.Configure(DMA::RequestChannel::Request4, const_cast<uint32_t*>(reinterpret_cast<volatile uint32_t*>(&SDIO->FIFO)),
                  DMA::DataSize::Word, false, DMA::Burst::Increment4, reinterpret_cast<uint8_t*>(buffer) + 1, 0,
                  DMA::DataSize::Word, true, DMA::Burst::Increment4, DMA::Direction::MemoryToPeripheral,
                  DMA::Priority::VeryHigh, true, false, true);
    EXPECT_EQ(DMA_MemoryDataSize_Byte | DMA_MemoryBurst_Single,
              registers->CR & (DMA_SxCR_MSIZE | DMA_SxCR_MBURST));
    EXPECT_EQ(DMA_DIR_MemoryToPeripheral, registers->CR & DMA_SxCR_DIR);

    // Word aligned but not on a burst: words, single beats (a burst would cross a 1 KB boundary).
    dma.Configure(DMA::RequestChannel::Request4, const_cast<uint32_t*>(reinterpret_cast<volatile uint32_t*>(&SDIO->FIFO)),
                  DMA::DataSize::Word, false, DMA::Burst::Increment4, buffer + 1, 0, DMA::DataSize::Word, true,
                  DMA::Burst::Increment4, DMA::Direction::PeripheralToMemory, DMA::Priority::VeryHigh, true, false,
                  true);
    EXPECT_EQ(DMA_MemoryDataSize_Word | DMA_MemoryBurst_Single, registers->CR & (DMA_SxCR_MSIZE | DMA_SxCR_MBURST));
}

TEST_F(DMATest, OtherStreamsGetTheirPriorities)
{
    IdleStream(0);
    EXPECT_TRUE(World().board().core().IsEnabled(DMA2_Stream0_IRQn));
    EXPECT_EQ(9u, NVIC_GetPriority(DMA2_Stream0_IRQn));
    IdleStream(6);
    EXPECT_TRUE(World().board().core().IsEnabled(DMA2_Stream6_IRQn));
    EXPECT_EQ(7u, NVIC_GetPriority(DMA2_Stream6_IRQn));
}

TEST_F(DMATest, MemoryToMemoryTransferCompletesThroughItsInterrupt)
{
    static uint8_t source[256];
    static uint8_t destination[256];
    for (unsigned i = 0; i < sizeof source; ++i)
        source[i] = static_cast<uint8_t>(i * 7 + 3);

    DMA& dma = DMA::GetInstance(DMA::Channel::Dma2, DMA::Stream::Stream0);
    Listen(dma);
    dma.Configure(DMA::RequestChannel::Request0, source, DMA::DataSize::Word, true, DMA::Burst::Single, destination,
                  sizeof source / 4, DMA::DataSize::Word, true, DMA::Burst::Increment4, DMA::Direction::MemoryToMemory,
                  DMA::Priority::High, true, false, false);
    const Sim::Tick start = World().Now();
    dma.Enable();
    EXPECT_NE(0u, Registers(0)->CR & DMA_SxCR_EN);
    EXPECT_EQ(DMA_SxCR_TCIE | DMA_SxCR_TEIE | DMA_SxCR_DMEIE,
              Registers(0)->CR & (DMA_SxCR_TCIE | DMA_SxCR_TEIE | DMA_SxCR_DMEIE | DMA_SxCR_HTIE));
    EXPECT_NE(0u, Registers(0)->FCR & DMA_SxFCR_FEIE);

    EXPECT_TRUE(World().RunUntil([] { return !Record().events.empty(); }, Sim::World::Milliseconds(1)));
    EXPECT_GT(World().Now(), start);
    EXPECT_EQ(std::vector<std::string>{"complete"}, Record().events);
    EXPECT_EQ(0, std::memcmp(source, destination, sizeof source));
    EXPECT_EQ(0u, Registers(0)->NDTR);
    EXPECT_EQ(0u, Registers(0)->CR & DMA_SxCR_EN);
    EXPECT_EQ(0u, DMA2->LISR & 0x3Du) << "the interrupt cleared the stream's flags";
}

TEST_F(DMATest, TransferCompleteIsReportedBeforeTheErrors)
{
    DMA& dma = IdleStream(3);
    Listen(dma);
    Dma2().InjectFlags(3, 0x20 | 0x01); // transfer complete and FIFO error
    World().RunFor(Sim::World::Microseconds(1));
    EXPECT_EQ((std::vector<std::string>{"complete", "DMA Error: 2420113408"}), Record().events);
    EXPECT_EQ(0u, DMA2->LISR);

    Record().events.clear();
    Dma2().InjectFlags(3, 0x01 | 0x04 | 0x08); // every error at once: one report
    World().RunFor(Sim::World::Microseconds(1));
    EXPECT_EQ((std::vector<std::string>{"DMA Error: 2470457344"}), Record().events);
}

TEST_F(DMATest, ThrowingCallbacksReachTheUnhandledExceptionHandlerAndEveryFlagIsServed)
{
    DMA& dma = IdleStream(6);
    dma.SetOnTransferComplete([](const DMA&) { throw std::runtime_error("complete failed"); });
    dma.SetOnError([](const DMA&, const std::exception&) { throw std::logic_error("error failed"); });
    Sim::Console::Clear();
    Dma2().InjectFlags(6, 0x20 | 0x08); // transfer complete and transfer error
    World().RunFor(Sim::World::Microseconds(1));
    EXPECT_NE(std::string::npos, Sim::Console::Text().find("Unhandled Exception: complete failed\r\n"));
    EXPECT_NE(std::string::npos, Sim::Console::Text().find("Unhandled Exception: error failed\r\n"));
    EXPECT_EQ(0u, DMA2->HISR) << "a throwing callback left flags set";
}

TEST_F(DMATest, HalfTransferAloneIsClearedAndNotReported)
{
    DMA& dma = IdleStream(0);
    Listen(dma);
    Dma2().InjectFlags(0, 0x10);
    World().RunFor(Sim::World::Microseconds(1));
    EXPECT_NE(0u, DMA2->LISR & DMA_LISR_HTIF0) << "no interrupt without HTIE";
    dma.ProcessInterrupt();
    EXPECT_TRUE(Record().events.empty());
    EXPECT_EQ(0u, DMA2->LISR & DMA_LISR_HTIF0);
}

TEST_F(DMATest, ErrorsWithoutCallbackAreClearedAndDropped)
{
    DMA& dma = IdleStream(6);
    dma.SetOnError(nullptr);
    Dma2().InjectFlags(6, 0x08);
    World().RunFor(Sim::World::Microseconds(1));
    EXPECT_EQ(0u, DMA2->HISR);
}

TEST_F(DMATest, DisableStopsTheStreamWithItsInterruptsOff)
{
    DMA& dma = IdleStream(3);
    Listen(dma);
    dma.Disable();
    EXPECT_EQ(0u, Registers(3)->CR & (DMA_SxCR_EN | DMA_SxCR_TCIE | DMA_SxCR_TEIE | DMA_SxCR_DMEIE));
    EXPECT_EQ(0u, Registers(3)->FCR & DMA_SxFCR_FEIE);
    World().RunFor(Sim::World::Microseconds(10));
    EXPECT_TRUE(Record().events.empty()) << "ending the transfer by disabling it is not reported";

    // Enable clears what the stopped transfer left behind, so the stream starts again.
    dma.Enable();
    EXPECT_NE(0u, Registers(3)->CR & DMA_SxCR_EN);
}

TEST_F(DMATest, EnableTimesOutWhenTheStreamDoesNotStart)
{
    alignas(32) static uint16_t buffer[64];
    static uint16_t source;
    DMA& dma = DMA::GetInstance(DMA::Channel::Dma2, DMA::Stream::Stream6);
    // Sixteen half-words do not fit the FIFO: the stream refuses to start.
    dma.Configure(DMA::RequestChannel::Request0, &source, DMA::DataSize::HalfWord, false, DMA::Burst::Single, buffer,
                  64, DMA::DataSize::HalfWord, true, DMA::Burst::Increment16, DMA::Direction::PeripheralToMemory,
                  DMA::Priority::Low, true, false, false);
    World().CaptureDiagnostics();
    const Sim::Tick start = World().Now();
    EXPECT_EQ("DMA Error: Enable Timeout", MessageOf([&] { dma.Enable(); }));
    EXPECT_GE(World().Now() - start, Sim::World::Milliseconds(10));
    EXPECT_LT(World().Now() - start, Sim::World::Milliseconds(11));
}

TEST_F(DMATest, OnlyStreamsThatExistHaveHandlers)
{
    EXPECT_EQ("DMA0_0 has not been instantiated", MessageOf([] { DMA1_Stream0_IRQHandler(); }));
    EXPECT_EQ("DMA1_7 has not been instantiated", MessageOf([] { DMA2_Stream7_IRQHandler(); }));
    DMA& dma = IdleStream(0);
    Listen(dma);
    Dma2().InjectFlags(0, 0x20);
    DMA2_Stream0_IRQHandler();
    EXPECT_EQ(std::vector<std::string>{"complete"}, Record().events);
}

} // namespace
