// Driver::SRAM: the first-fit block list of one bank, its headers and its check word.
#include "system/Driver/SRAM.h"

#include "stm32f4xx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

using Driver::SRAM;

namespace
{

class SRAMTest : public ::testing::Test
{
protected:
    SRAM& bank = SRAM::GetInstance(SRAM::Bank::Internal);

    uint8_t* At(uint32_t offset) const { return VELMORA_PHYS(uint8_t, bank.GetBase() + offset); }
    uint32_t TopOffset() const { return bank.GetTop() - bank.GetBase(); }
};

TEST_F(SRAMTest, BanksCoverTheMainAndTheExternalSram)
{
    SRAM& external = SRAM::GetInstance(SRAM::Bank::External);
    EXPECT_FALSE(bank.IsExternal());
    EXPECT_EQ(bank.GetBase() + bank.GetSize(), 0x20020000u);
    EXPECT_TRUE(external.IsExternal());
    EXPECT_EQ(external.GetBase(), 0x60000000u);
    EXPECT_EQ(external.GetSize(), 4096000u);
    EXPECT_EQ(&SRAM::GetInstance(SRAM::Bank::External), &external);

    // The external bank sits behind FSMC bank 1 region 1: SRAM, 16 bits, write enabled, enabled;
    // address set-up 1, hold 0, data set-up 2, turnaround 0, access mode A.
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[0]), 0x00001011u);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[1]), 0x00000201u);

    EXPECT_TRUE(bank.Contains(At(0)));
    EXPECT_FALSE(bank.Contains(At(bank.GetSize())));
    EXPECT_FALSE(external.Contains(At(0)));
}

TEST_F(SRAMTest, BlocksAreCarvedFromTopAndGivenBack)
{
    EXPECT_EQ(bank.Allocate(0), nullptr);

    void* block = bank.Allocate(100);
    EXPECT_EQ(block, At(20));
    EXPECT_EQ(TopOffset(), 120u);
    EXPECT_EQ(bank.GetAllocatedSize(block), 100u);
    uint32_t check;
    std::memcpy(&check, At(16), sizeof check);
    EXPECT_EQ(check, bank.GetBase() + 20);

    // One byte takes a 4-byte user area and its header; sizes round up to words.
    void* small = bank.Allocate(1);
    EXPECT_EQ(small, At(140));
    EXPECT_EQ(TopOffset(), 144u);
    void* odd = bank.Allocate(5);
    EXPECT_EQ(bank.GetAllocatedSize(odd), 8u);

    bank.Free(odd);
    bank.Free(small);
    bank.Free(block);
    EXPECT_EQ(TopOffset(), 0u);
    EXPECT_EQ(bank.Allocate(100), At(20));
}

TEST_F(SRAMTest, FirstFitSplitsOnlyWithEnoughSlack)
{
    uint8_t* a = static_cast<uint8_t*>(bank.Allocate(100));
    uint8_t* b = static_cast<uint8_t*>(bank.Allocate(200));
    uint8_t* c = static_cast<uint8_t*>(bank.Allocate(100));
    const uint32_t top = bank.GetTop();

    bank.Free(b);
    EXPECT_EQ(bank.GetTop(), top);
    // 40 of 200 leaves 160: split into a taken block and a free one of 140 behind it.
    EXPECT_EQ(bank.Allocate(40), b);
    EXPECT_EQ(bank.GetAllocatedSize(b), 40u);
    EXPECT_EQ(bank.Allocate(140), b + 60);
    EXPECT_EQ(bank.GetTop(), top);

    // 180 of 200 leaves 20, too little for a block: the whole block is taken.
    bank.Free(b);
    bank.Free(b + 60);
    EXPECT_EQ(bank.Allocate(180), b);
    EXPECT_EQ(bank.GetAllocatedSize(b), 200u);

    // Nothing free fits: the block goes on top.
    EXPECT_EQ(bank.Allocate(300), c + 120);
    EXPECT_EQ(bank.GetAllocatedSize(a), 100u);
    EXPECT_EQ(bank.GetAllocatedSize(c), 100u);
}

TEST_F(SRAMTest, FreeNeighboursCoalesce)
{
    uint8_t* a = static_cast<uint8_t*>(bank.Allocate(100));
    uint8_t* b = static_cast<uint8_t*>(bank.Allocate(200));
    uint8_t* c = static_cast<uint8_t*>(bank.Allocate(100));
    uint8_t* d = static_cast<uint8_t*>(bank.Allocate(100));

    // Freed after its successor: b is absorbed into a.
    bank.Free(b);
    bank.Free(a);
    EXPECT_EQ(bank.Allocate(320), a);
    EXPECT_EQ(bank.GetAllocatedSize(a), 320u);

    // Freed before its successor: b merges back into a.
    bank.Free(a);
    EXPECT_EQ(bank.Allocate(100), a);
    EXPECT_EQ(bank.Allocate(200), b);
    bank.Free(a);
    bank.Free(b);
    // And the merged block takes in c, freed between it and d.
    bank.Free(c);
    EXPECT_EQ(bank.Allocate(440), a);

    // Freeing the last block with a free predecessor gives both back to top.
    bank.Free(a);
    bank.Free(d);
    EXPECT_EQ(TopOffset(), 0u);
}

TEST_F(SRAMTest, FreeingTheLastBlockGivesItsFreePredecessorBackToo)
{
    uint8_t* a = static_cast<uint8_t*>(bank.Allocate(100));
    uint8_t* b = static_cast<uint8_t*>(bank.Allocate(100));
    uint8_t* c = static_cast<uint8_t*>(bank.Allocate(100));
    bank.Free(b);
    EXPECT_EQ(TopOffset(), 360u);
    // c's predecessor is free: both go back to top.
    bank.Free(c);
    EXPECT_EQ(TopOffset(), 120u);
    bank.Free(a);
    EXPECT_EQ(TopOffset(), 0u);
}

TEST_F(SRAMTest, ExhaustionReturnsNullAndLeavesTheBankAlone)
{
    void* block = bank.Allocate(bank.GetSize() - 60);
    ASSERT_NE(block, nullptr);
    const uint32_t top = bank.GetTop();
    EXPECT_EQ(bank.Allocate(100), nullptr);
    EXPECT_EQ(bank.GetTop(), top);
    EXPECT_NE(bank.Allocate(16), nullptr);
    EXPECT_EQ(bank.Allocate(4), nullptr);

    // Sizes whose rounding or header would wrap 32 bits are refused, not served short.
    bank.Free(block);
    EXPECT_EQ(bank.Allocate(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(bank.Allocate(0xFFFFFFF0u), nullptr);
    EXPECT_EQ(bank.Allocate(bank.GetSize()), nullptr);
}

TEST_F(SRAMTest, PointersThatAreNotLiveBlocksAreIgnored)
{
    uint8_t* a = static_cast<uint8_t*>(bank.Allocate(100));
    uint8_t* b = static_cast<uint8_t*>(bank.Allocate(100));
    const uint32_t top = bank.GetTop();
    int onTheStack = 0;

    for (const void* stray : {static_cast<const void*>(a + 4), static_cast<const void*>(a - 20),
                              static_cast<const void*>(a + 1), static_cast<const void*>(At(top - bank.GetBase())),
                              static_cast<const void*>(&onTheStack), static_cast<const void*>(At(0))})
    {
        bank.Free(stray);
        EXPECT_EQ(bank.GetAllocatedSize(stray), 0u);
    }
    EXPECT_EQ(bank.GetTop(), top);
    EXPECT_EQ(bank.GetAllocatedSize(a), 100u);
    EXPECT_EQ(bank.GetAllocatedSize(b), 100u);

    // A block of the other bank is not one of this bank's.
    void* external = SRAM::GetInstance(SRAM::Bank::External).Allocate(8);
    EXPECT_EQ(bank.GetAllocatedSize(external), 0u);
    EXPECT_EQ(SRAM::GetInstance(SRAM::Bank::External).GetAllocatedSize(external), 8u);
}

TEST_F(SRAMTest, FreeingABlockTwiceChangesNothing)
{
    uint8_t* a = static_cast<uint8_t*>(bank.Allocate(100));
    uint8_t* b = static_cast<uint8_t*>(bank.Allocate(100));
    uint8_t* c = static_cast<uint8_t*>(bank.Allocate(100));
    std::memset(c, 0x5A, 100);

    bank.Free(b);
    bank.Free(b);
    EXPECT_EQ(bank.GetAllocatedSize(b), 0u);
    // b is merged into a; its stale header must not merge a second time and swallow c.
    bank.Free(a);
    bank.Free(b);
    uint8_t* merged = static_cast<uint8_t*>(bank.Allocate(220));
    EXPECT_EQ(merged, a);
    EXPECT_EQ(bank.Allocate(200), c + 120);
    EXPECT_EQ(bank.GetAllocatedSize(c), 100u);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(c[i], 0x5A);
}

} // namespace
