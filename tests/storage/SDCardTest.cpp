#include "storage/Disk.h"
#include "storage/Driver/SDCard.h"
#include "storage/SDIO.h"

#include "CardImage.h"
#include "sim/World.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

class SDCardTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }
    static Sim::World& World() { return Sim::World::Get(); }
};

// Block buffers live in static storage: the DMA does not reach the stack.
alignas(4) unsigned char m_block[512];

} // namespace

TEST_F(SDCardTest, CardInTheSocketAtPowerOnIsBroughtUp)
{
    const std::string image = CardImage::Make("sdsc.img", 64ull << 20, 16);
    ASSERT_TRUE(World().InsertCard(image));
    Driver::SDCard& card = Driver::SDCard::GetInstance();
    EXPECT_EQ(3u, card.GetPowerState());
    EXPECT_EQ(Driver::SDCard::StandardCapacityV2, card.GetCardType());
    EXPECT_EQ(0, disk_status(0));
    EXPECT_EQ(RES_OK, disk_read(0, m_block, 0, 1));
    EXPECT_EQ(0x55, m_block[510]);
    EXPECT_EQ(0xAA, m_block[511]);
}
