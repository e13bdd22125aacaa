// The DMA controller model against the reference manual, driven through its registers as the
// peripheral library drives it.
#include "sim/Memory.h"
#include "sim/World.h"
#include "sim/models/Dma.h"

#include "stm32f4xx.h"
#include "stm32f4xx_dma.h"
#include "stm32f4xx_rcc.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace
{

// A peripheral with a data register and a request line towards DMA2 stream 3, channel 4, as the
// SD host controller has: it asks for a burst while it holds four words to give or has room for
// four words, and marks its last request when it gives its final words.
class FakeFifo : public Sim::Peripheral
{
public:
    static constexpr uint32_t base = 0x40007C00; // reserved on this chip

    explicit FakeFifo(Sim::Board& board) : Peripheral(board, "FIFO", base, 0x400, Sim::BusKind::Apb2)
    {
        Define("DR", 0x00, 0).Rw(0xFFFFFFFF).OnRead(&FakeFifo::ReadData).OnWrite(&FakeFifo::WriteData);
    }

    void Give(const std::vector<uint32_t>& words)
    {
        m_out.assign(words.begin(), words.end());
        UpdateRequest();
    }
    void Take(unsigned words)
    {
        m_room = words;
        UpdateRequest();
    }

    std::vector<uint32_t> received;

private:
    uint32_t ReadData(Sim::Register&)
    {
        uint32_t value = 0;
        if (!m_out.empty())
        {
            value = m_out.front();
            m_out.pop_front();
        }
        UpdateRequest();
        return value;
    }
    void WriteData(Sim::Register& reg, uint32_t, uint32_t, uint32_t)
    {
        received.push_back(reg.value);
        if (m_room > 0)
            --m_room;
        UpdateRequest();
    }
    void UpdateRequest()
    {
        const bool giving = m_out.size() >= 4;
        board().dma(2).SetRequest(3, 4, giving || m_room > 0, giving && m_out.size() == 4);
    }

    std::deque<uint32_t> m_out;
    unsigned m_room = 0;
};

class DmaModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SystemInit();
        RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_DMA1 | RCC_AHB1Periph_DMA2, ENABLE);
        World().CaptureDiagnostics();
    }

    static Sim::World& World() { return Sim::World::Get(); }
    static Sim::Dma& Model() { return World().board().dma(2); }

    static void MemoryToMemory(DMA_Stream_TypeDef* stream, const void* source, void* destination, uint32_t items,
                               uint32_t size = DMA_PeripheralDataSize_Word | DMA_MemoryDataSize_Word)
    {
        DMA_DeInit(stream);
        DMA_InitTypeDef init;
        DMA_StructInit(&init);
        init.DMA_DIR = DMA_DIR_MemoryToMemory;
        init.DMA_PeripheralBaseAddr = VELMORA_BUS_ADDRESS(source);
        init.DMA_Memory0BaseAddr = VELMORA_BUS_ADDRESS(destination);
        init.DMA_BufferSize = items;
        init.DMA_PeripheralInc = DMA_PeripheralInc_Enable;
        init.DMA_MemoryInc = DMA_MemoryInc_Enable;
        init.DMA_PeripheralDataSize = size & DMA_SxCR_PSIZE;
        init.DMA_MemoryDataSize = size & DMA_SxCR_MSIZE;
        init.DMA_FIFOMode = DMA_FIFOMode_Enable;
        init.DMA_FIFOThreshold = DMA_FIFOThreshold_Full;
        DMA_Init(stream, &init);
    }

    // Stream 3 on request channel 4 between the fake peripheral FIFO and a word buffer, the way
    // the card transfers use it; tests add direction, count, mode and FIFO settings.
    static DMA_InitTypeDef FifoTransfer(const void* buffer)
    {
        DMA_DeInit(DMA2_Stream3);
        DMA_InitTypeDef init;
        DMA_StructInit(&init);
        init.DMA_Channel = DMA_Channel_4;
        init.DMA_PeripheralBaseAddr = FakeFifo::base;
        init.DMA_Memory0BaseAddr = VELMORA_BUS_ADDRESS(buffer);
        init.DMA_MemoryInc = DMA_MemoryInc_Enable;
        init.DMA_PeripheralDataSize = DMA_PeripheralDataSize_Word;
        init.DMA_MemoryDataSize = DMA_MemoryDataSize_Word;
        return init;
    }

    static bool WaitDisabled(DMA_Stream_TypeDef* stream)
    {
        return World().RunUntil([stream] { return (stream->CR & DMA_SxCR_EN) == 0; }, Sim::World::Milliseconds(1));
    }

    static bool Mentions(const std::vector<std::string>& diagnostics, const char* text)
    {
        for (const std::string& line : diagnostics)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
};

TEST_F(DmaModelTest, FlagsAreReadOnlyAndClearedByWritingOne)
{
    Model().InjectFlags(0, 0x3D);
    Model().InjectFlags(5, 0x3D);
    EXPECT_EQ(0x3Du, DMA2->LISR);
    EXPECT_EQ(0x3Du << 6, DMA2->HISR);

    DMA2->LISR = 0;
    EXPECT_EQ(0x3Du, DMA2->LISR) << "writes to the status register change nothing";
    DMA2->LIFCR = DMA_LISR_TCIF0;
    EXPECT_EQ(0x1Du, DMA2->LISR);
    EXPECT_EQ(0u, DMA2->LIFCR) << "the clear register reads 0";
    DMA2->HIFCR = 0x3Du << 6;
    EXPECT_EQ(0u, DMA2->HISR);
}

TEST_F(DmaModelTest, MemoryToMemoryCopiesInVirtualTimeWithHalfAndCompleteFlags)
{
    static uint32_t source[64];
    static uint32_t destination[64];
    for (uint32_t i = 0; i < 64; ++i)
        source[i] = 0x01010101u * i;
    MemoryToMemory(DMA2_Stream0, source, destination, 64);
    const Sim::Tick start = World().Now();
    DMA_Cmd(DMA2_Stream0, ENABLE);
    EXPECT_NE(0u, DMA2_Stream0->CR & DMA_SxCR_EN);

    ASSERT_TRUE(WaitDisabled(DMA2_Stream0));
    EXPECT_GT(World().Now() - start, Sim::World::Microseconds(1));
    EXPECT_EQ(0, std::memcmp(source, destination, sizeof source));
    EXPECT_EQ(DMA_LISR_TCIF0 | DMA_LISR_HTIF0, DMA2->LISR);
    EXPECT_EQ(0u, DMA2_Stream0->NDTR);
    EXPECT_EQ(4u << 3, DMA2_Stream0->FCR & DMA_SxFCR_FS) << "FIFO empty";
}

TEST_F(DmaModelTest, AddressRegistersAlsoTakeWholeHostPointers)
{
    static uint32_t source[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    static uint32_t destination[8];
    MemoryToMemory(DMA2_Stream0, source, destination, 8);
    DMA2_Stream0->PAR = reinterpret_cast<uintptr_t>(source);
    DMA2_Stream0->M0AR = reinterpret_cast<uintptr_t>(destination);
    DMA_Cmd(DMA2_Stream0, ENABLE);
    ASSERT_TRUE(WaitDisabled(DMA2_Stream0));
    EXPECT_EQ(0, std::memcmp(source, destination, sizeof source));
}

TEST_F(DmaModelTest, EnableIsRefusedWhileAFlagIsSet)
{
    static uint32_t source[1024], destination[1024];
    MemoryToMemory(DMA2_Stream1, source, destination, 1024);
    Model().InjectFlags(1, 0x20);
    DMA_Cmd(DMA2_Stream1, ENABLE);
    EXPECT_EQ(0u, DMA2_Stream1->CR & DMA_SxCR_EN);
    EXPECT_EQ(DMA_LISR_TCIF1, DMA2->LISR);
    DMA2->LIFCR = DMA_LISR_TCIF1;
    EXPECT_EQ(0u, DMA2->LISR);
    DMA_Cmd(DMA2_Stream1, ENABLE);
    EXPECT_NE(0u, DMA2_Stream1->CR & DMA_SxCR_EN);
}

TEST_F(DmaModelTest, ConfigurationIsLockedWhileTheStreamRuns)
{
    static uint32_t source[1024], destination[1024];
    MemoryToMemory(DMA2_Stream2, source, destination, 1024);
    DMA_Cmd(DMA2_Stream2, ENABLE);
    const uint32_t control = DMA2_Stream2->CR;
    DMA2_Stream2->NDTR = 5;
    DMA2_Stream2->M0AR = 0x20000000;
    DMA2_Stream2->CR = control | DMA_SxCR_PL | DMA_SxCR_TCIE;
    EXPECT_NE(5u, DMA2_Stream2->NDTR);
    EXPECT_EQ(VELMORA_BUS_ADDRESS(destination), DMA2_Stream2->M0AR);
    EXPECT_EQ(control | DMA_SxCR_TCIE, DMA2_Stream2->CR) << "only the interrupt enables change";
}

TEST_F(DmaModelTest, DisablingWaitsForTheBurstInFlightAndEndsTheTransfer)
{
    static uint32_t source[1024], destination[1024];
    for (uint32_t i = 0; i < 1024; ++i)
        source[i] = i + 1;
    MemoryToMemory(DMA2_Stream0, source, destination, 1024);
    DMA_Cmd(DMA2_Stream0, ENABLE);
    World().RunFor(Sim::World::Microseconds(2));
    DMA_Cmd(DMA2_Stream0, DISABLE);
    EXPECT_EQ(ENABLE, DMA_GetCmdStatus(DMA2_Stream0)) << "EN reads 1 until the burst is done";
    ASSERT_TRUE(WaitDisabled(DMA2_Stream0));
    const uint32_t left = DMA2_Stream0->NDTR;
    EXPECT_GT(left, 0u);
    EXPECT_LT(left, 1024u);
    EXPECT_NE(0u, DMA2->LISR & DMA_LISR_TCIF0);
    // What was read has been written out: the copied part is whole.
    const uint32_t copied = 1024 - left;
    EXPECT_EQ(0, std::memcmp(source, destination, copied * 4));
    EXPECT_EQ(0u, destination[copied]);
}

TEST_F(DmaModelTest, PeripheralFlowControlEndsAtTheLastRequest)
{
    FakeFifo fifo(World().board());
    alignas(16) static uint32_t buffer[32];
    DMA_InitTypeDef init = FifoTransfer(buffer);
    init.DMA_FIFOMode = DMA_FIFOMode_Enable;
    init.DMA_FIFOThreshold = DMA_FIFOThreshold_Full;
    init.DMA_MemoryBurst = DMA_MemoryBurst_INC4;
    init.DMA_PeripheralBurst = DMA_PeripheralBurst_INC4;
    DMA_Init(DMA2_Stream3, &init);
    DMA_FlowControllerConfig(DMA2_Stream3, DMA_FlowCtrl_Peripheral);
    DMA_Cmd(DMA2_Stream3, ENABLE);
    World().RunFor(Sim::World::Microseconds(10));
    EXPECT_NE(0u, DMA2_Stream3->CR & DMA_SxCR_EN) << "waiting for the peripheral";

    std::vector<uint32_t> words;
    for (uint32_t i = 0; i < 16; ++i)
        words.push_back(0xA0000000u + i);
    fifo.Give(words);
    ASSERT_TRUE(WaitDisabled(DMA2_Stream3));
    EXPECT_EQ(0, std::memcmp(words.data(), buffer, 16 * 4));
    EXPECT_EQ(0u, buffer[16]);
    EXPECT_EQ(0xFFFFu - 16, DMA2_Stream3->NDTR);
    EXPECT_EQ(DMA_LISR_TCIF3, DMA2->LISR);
}

TEST_F(DmaModelTest, MemoryToPeripheralServesEachRequest)
{
    FakeFifo fifo(World().board());
    static uint32_t buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    DMA_InitTypeDef init = FifoTransfer(buffer);
    init.DMA_DIR = DMA_DIR_MemoryToPeripheral;
    init.DMA_BufferSize = 8;
    DMA_Init(DMA2_Stream3, &init); // direct mode: one item per request
    DMA_Cmd(DMA2_Stream3, ENABLE);
    fifo.Take(3);
    World().RunFor(Sim::World::Microseconds(10));
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3}), fifo.received);
    EXPECT_EQ(5u, DMA2_Stream3->NDTR);
    fifo.Take(100);
    ASSERT_TRUE(WaitDisabled(DMA2_Stream3));
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8}), fifo.received);
    EXPECT_EQ(DMA_LISR_TCIF3 | DMA_LISR_HTIF3, DMA2->LISR);
}

TEST_F(DmaModelTest, CircularModeStartsOverAndKeepsRunning)
{
    FakeFifo fifo(World().board());
    static uint32_t buffer[4] = {1, 2, 3, 4};
    DMA_InitTypeDef init = FifoTransfer(buffer);
    init.DMA_DIR = DMA_DIR_MemoryToPeripheral;
    init.DMA_BufferSize = 4;
    init.DMA_Mode = DMA_Mode_Circular;
    DMA_Init(DMA2_Stream3, &init);
    DMA_Cmd(DMA2_Stream3, ENABLE);
    fifo.Take(10);
    World().RunFor(Sim::World::Microseconds(20));
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 4, 1, 2, 3, 4, 1, 2}), fifo.received);
    EXPECT_NE(0u, DMA2_Stream3->CR & DMA_SxCR_EN);
    EXPECT_EQ(2u, DMA2_Stream3->NDTR);
    EXPECT_EQ(DMA_LISR_TCIF3 | DMA_LISR_HTIF3, DMA2->LISR);
}

TEST_F(DmaModelTest, StackBuffersAreCoreCoupledRamWhichTheDmaCannotReach)
{
    uint32_t onStack[4] = {1, 2, 3, 4};
    static uint32_t destination[4];
    MemoryToMemory(DMA2_Stream0, onStack, destination, 4);
    DMA_Cmd(DMA2_Stream0, ENABLE);
    ASSERT_TRUE(WaitDisabled(DMA2_Stream0));
    EXPECT_EQ(DMA_LISR_TEIF0, DMA2->LISR & (DMA_LISR_TEIF0 | DMA_LISR_TCIF0));
    EXPECT_EQ(0u, destination[0]);
    EXPECT_TRUE(Mentions(World().TakeDiagnostics(), "cannot reach"));
}

TEST_F(DmaModelTest, Dma1CannotCopyMemoryToMemory)
{
    static uint32_t source[4], destination[4];
    MemoryToMemory(DMA1_Stream0, source, destination, 4);
    DMA_Cmd(DMA1_Stream0, ENABLE);
    EXPECT_EQ(0u, DMA1_Stream0->CR & DMA_SxCR_EN);
    EXPECT_EQ(DMA_LISR_TEIF0, DMA1->LISR);
}

TEST_F(DmaModelTest, BurstThatDoesNotFitTheFifoThresholdIsAFifoError)
{
    static uint16_t source[64], destination[64];
    MemoryToMemory(DMA2_Stream0, source, destination, 64, DMA_PeripheralDataSize_HalfWord | DMA_MemoryDataSize_HalfWord);
    DMA2_Stream0->CR = DMA2_Stream0->CR | DMA_MemoryBurst_INC16; // 32 bytes, the FIFO holds 16
    DMA_Cmd(DMA2_Stream0, ENABLE);
    EXPECT_EQ(0u, DMA2_Stream0->CR & DMA_SxCR_EN);
    EXPECT_EQ(DMA_LISR_FEIF0, DMA2->LISR);
}

TEST_F(DmaModelTest, InterruptLineFollowsFlagsAndTheirEnables)
{
    static int taken = 0;
    World().SetHandler(DMA2_Stream0_IRQn, [] {
        ++taken;
        DMA2->LIFCR = DMA2->LISR & 0x3Du;
    });
    NVIC_EnableIRQ(DMA2_Stream0_IRQn);
    Model().InjectFlags(0, 0x20);
    World().RunFor(Sim::World::Microseconds(1));
    EXPECT_EQ(0, taken) << "TCIE is off";
    DMA_ITConfig(DMA2_Stream0, DMA_IT_TC, ENABLE);
    World().RunFor(Sim::World::Microseconds(1));
    EXPECT_EQ(1, taken);
    Model().InjectFlags(0, 0x01);
    World().RunFor(Sim::World::Microseconds(1));
    EXPECT_EQ(1, taken) << "FEIE is off";
    DMA_ITConfig(DMA2_Stream0, DMA_IT_FE, ENABLE);
    World().RunFor(Sim::World::Microseconds(1));
    EXPECT_EQ(2, taken);
}

} // namespace
