// The heap as the firmware sees it: bank policy, realloc, the C library's wrapped entry points and
// allocation from interrupt handlers.
#include "system/Driver/SRAM.h"
#include "system/HeapMemory.h"

#include "sim/World.h"

#include "misc.h"
#include "stm32f4xx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

struct _reent;
extern "C"
{
void* __wrap__malloc_r(struct _reent*, size_t size);
void __wrap__free_r(struct _reent*, void* pointer);
void* __wrap__realloc_r(struct _reent*, void* pointer, size_t size);
void* __wrap__calloc_r(struct _reent*, size_t count, size_t size);
}

namespace
{

using Driver::SRAM;
using Velmora::HeapMemory;

class HeapMemoryTest : public ::testing::Test
{
protected:
    HeapMemory& heap = HeapMemory::GetInstance();
    SRAM& internal = SRAM::GetInstance(SRAM::Bank::Internal);
    SRAM& external = SRAM::GetInstance(SRAM::Bank::External);
};

TEST_F(HeapMemoryTest, InternalBankFirstThenTheExternalOne)
{
    EXPECT_EQ(heap.Allocate(0), nullptr);
    void* first = heap.Allocate(100);
    EXPECT_EQ(first, VELMORA_PHYS(uint8_t, internal.GetBase() + 20));

    // Fill the internal bank but for 30 bytes: what does not fit there comes from the external.
    void* filler = heap.Allocate(internal.GetSize() - 124 - 20 - 30);
    ASSERT_TRUE(internal.Contains(filler));
    void* spill = heap.Allocate(64);
    EXPECT_EQ(spill, VELMORA_PHYS(uint8_t, 0x60000000 + 20));
    EXPECT_EQ(external.GetAllocatedSize(spill), 64u);
    EXPECT_EQ(internal.GetAllocatedSize(spill), 0u);
    // A small one still fits internally.
    EXPECT_TRUE(internal.Contains(heap.Allocate(8)));

    // Frees go to the bank that holds the block; foreign pointers are ignored.
    heap.Deallocate(spill);
    EXPECT_EQ(external.GetTop(), external.GetBase());
    int onTheStack = 0;
    heap.Deallocate(&onTheStack);
    heap.Deallocate(nullptr);
    EXPECT_EQ(internal.GetAllocatedSize(first), 100u);

    // Exhaustion of both banks is null, and leaves both as they were.
    const uint32_t top = external.GetTop();
    EXPECT_EQ(heap.Allocate(external.GetSize()), nullptr);
    EXPECT_EQ(external.GetTop(), top);
}

TEST_F(HeapMemoryTest, ReAllocateMovesTheContentAndKeepsTheOldBlockOnFailure)
{
    // Null allocates.
    uint8_t* block = static_cast<uint8_t*>(heap.ReAllocate(nullptr, 16));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 16; ++i)
        block[i] = static_cast<uint8_t>(i + 1);
    uint8_t* neighbour = static_cast<uint8_t*>(heap.Allocate(8));

    // Growing: a new block behind the neighbour holds the content; the old one is free again.
    uint8_t* grown = static_cast<uint8_t*>(heap.ReAllocate(block, 400));
    ASSERT_NE(grown, nullptr);
    EXPECT_GT(grown, neighbour);
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(grown[i], i + 1);
    EXPECT_EQ(internal.GetAllocatedSize(block), 0u);

    // Shrinking copies as much as fits; the first fit is the block freed above, kept whole.
    uint8_t* shrunk = static_cast<uint8_t*>(heap.ReAllocate(grown, 8));
    EXPECT_EQ(shrunk, block);
    EXPECT_EQ(internal.GetAllocatedSize(grown), 0u);
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(shrunk[i], i + 1);

    // Size 0 and a request that cannot be served both give null and keep the old block.
    EXPECT_EQ(heap.ReAllocate(shrunk, 0), nullptr);
    EXPECT_EQ(heap.ReAllocate(shrunk, 8000000), nullptr);
    EXPECT_EQ(internal.GetAllocatedSize(shrunk), 16u);
    EXPECT_EQ(shrunk[7], 8);

    // A block moving to the external bank keeps its content too.
    void* filler = heap.Allocate(internal.GetSize() - internal.GetTop() + internal.GetBase() - 20);
    ASSERT_NE(filler, nullptr);
    uint8_t* moved = static_cast<uint8_t*>(heap.ReAllocate(shrunk, 1000));
    ASSERT_TRUE(external.Contains(moved));
    EXPECT_EQ(moved[0], 1);
    EXPECT_EQ(moved[7], 8);
}

TEST_F(HeapMemoryTest, WrappedEntryPointsReachTheHeap)
{
    char* text = static_cast<char*>(__wrap__malloc_r(nullptr, 6));
    ASSERT_TRUE(internal.Contains(text));
    std::memcpy(text, "hello", 6);
    text = static_cast<char*>(__wrap__realloc_r(nullptr, text, 64));
    EXPECT_STREQ(text, "hello");

    // calloc zero-fills what it hands out, even where an earlier block left its bytes.
    std::memset(text, 0xEE, 64);
    __wrap__free_r(nullptr, text);
    uint32_t* words = static_cast<uint32_t*>(__wrap__calloc_r(nullptr, 16, 4));
    ASSERT_LT(static_cast<void*>(words), static_cast<void*>(text + 64));
    ASSERT_GT(static_cast<void*>(words + 16), static_cast<void*>(text));
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(words[i], 0u);
    __wrap__free_r(nullptr, words);

    // A count times size that overflows is refused instead of allocated short.
    const uint32_t top = internal.GetTop();
    const size_t half = (static_cast<size_t>(-1) >> 1) + 2;
    EXPECT_EQ(__wrap__calloc_r(nullptr, half, 2), nullptr);
    EXPECT_EQ(__wrap__calloc_r(nullptr, 0x10000, 0x10001), nullptr);
    EXPECT_EQ(__wrap__malloc_r(nullptr, static_cast<size_t>(0x100000000ull + 16)), nullptr);
    EXPECT_EQ(internal.GetTop(), top);
    EXPECT_EQ(__wrap__calloc_r(nullptr, 0, 4), nullptr);
}

// TIM7's interrupt allocates and frees while thread mode does the same.
std::vector<uint8_t*> m_interruptBlocks;
unsigned m_interruptRuns = 0;

void AllocatingHandler()
{
    HeapMemory& heap = HeapMemory::GetInstance();
    ++m_interruptRuns;
    uint8_t* block = static_cast<uint8_t*>(heap.Allocate(24 + (m_interruptRuns % 5) * 8));
    if (block != nullptr)
    {
        std::memset(block, 0xA5, 24);
        m_interruptBlocks.push_back(block);
    }
    if (m_interruptBlocks.size() > 4)
    {
        heap.Deallocate(m_interruptBlocks.front());
        m_interruptBlocks.erase(m_interruptBlocks.begin());
    }
}

TEST_F(HeapMemoryTest, InterruptsAllocateWhileThreadModeAllocates)
{
    Sim::World& world = Sim::World::Get();
    world.SetHandler(TIM7_IRQn, AllocatingHandler);
    NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
    NVIC_InitTypeDef irq{TIM7_IRQn, 11, 0, ENABLE};
    NVIC_Init(&irq);
    world.board().EnableEventLog(true);

    std::vector<uint8_t*> blocks;
    for (unsigned round = 0; round < 200; ++round)
    {
        // The interrupt becomes pending in the middle of the thread's work.
        world.ScheduleIn(Sim::World::Microseconds(1), [] { NVIC_SetPendingIRQ(TIM7_IRQn); });
        uint8_t* block = static_cast<uint8_t*>(HeapMemory::GetInstance().Allocate(16 + (round % 7) * 4));
        ASSERT_NE(block, nullptr);
        std::memset(block, static_cast<int>(round & 0x7F), 16);
        blocks.push_back(block);
        world.RunFor(Sim::World::Microseconds(2));
        if (blocks.size() > 6)
        {
            HeapMemory::GetInstance().Deallocate(blocks.front());
            blocks.erase(blocks.begin());
        }
        for (uint8_t* live : blocks)
            ASSERT_EQ(live[15], live[0]);
        for (uint8_t* live : m_interruptBlocks)
            ASSERT_EQ(live[23], 0xA5);
    }
    EXPECT_GE(m_interruptRuns, 200u);

    // Each heap operation of the handler ran as a supervisor call nested in TIM7.
    bool nested = false;
    const std::vector<std::string>& log = world.board().EventLog();
    for (size_t i = 1; i < log.size(); ++i)
        if (log[i].find("enter SVC_Handler") != std::string::npos &&
            log[i - 1].find("enter TIM7_IRQHandler") != std::string::npos)
            nested = true;
    EXPECT_TRUE(nested);

    // No two live blocks overlap.
    std::vector<uint8_t*> all = blocks;
    all.insert(all.end(), m_interruptBlocks.begin(), m_interruptBlocks.end());
    for (uint8_t* x : all)
        for (uint8_t* y : all)
        {
            if (x < y)
            {
                ASSERT_GE(static_cast<size_t>(y - x), internal.GetAllocatedSize(x) + SRAM::headerSize);
            }
        }
}

} // namespace
