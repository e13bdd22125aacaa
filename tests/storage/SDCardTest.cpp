// The card driver and the disk functions on the virtual board: detection, power-up of each kind
// of card, addressing, removal and failures.
#include "storage/Disk.h"
#include "storage/Driver/SDCard.h"
#include "storage/SDCard.h"
#include "storage/SDIO.h"

#include "CardImage.h"
#include "sim/World.h"
#include "sim/models/Sdio.h"
#include "stm32f4xx_sdio.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

using Sim::SdCard;
using Sim::World;

class SDCardTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }
    static World& W() { return World::Get(); }

    static std::string Raw(const std::string& name, size_t bytes)
    {
        const std::string path = CardImage::Folder() + "/" + name;
        CardImage::WriteFile(path, CardImage::Pattern(bytes, 5));
        return path;
    }

    // Records what the driver reports, in order.
    static std::vector<std::string>& Events()
    {
        static std::vector<std::string> events;
        return events;
    }
    static Driver::SDCard& Listened()
    {
        Driver::SDCard& card = Driver::SDCard::GetInstance();
        card.SetOnInserted([] { Events().push_back("inserted"); });
        card.SetOnRemoved([] { Events().push_back("removed"); });
        card.SetOnError([](const std::exception& e) { Events().push_back(std::string("error: ") + e.what()); });
        return card;
    }

    // Card-detect edges are handled in the EXTI interrupt, power-up included.
    static void Settle() { W().RunFor(World::Milliseconds(600)); }
};

// Block buffers live in static storage: the DMA does not reach the stack.
alignas(4) unsigned char m_block[1024];

} // namespace

TEST_F(SDCardTest, HighCapacityCardAtPowerOnIsAddressedByBlockNumber)
{
    ASSERT_TRUE(W().InsertCard(Raw("sdhc.img", 4 << 20), SdCard::Kind::HighCapacity));
    Velmora::SDCard::GetInstance();
    Driver::SDCard& card = Driver::SDCard::GetInstance();
    EXPECT_EQ(3u, card.GetPowerState());
    EXPECT_EQ(Driver::SDCard::HighCapacity, card.GetCardType());
    EXPECT_EQ(4u, W().Card().BusWidth());
    EXPECT_EQ(24000000u, W().board().sdio().BusClockHz());
    EXPECT_EQ(0x5A, card.GetCID()[3]); // manufacturer: the top byte of the first word

    W().Card().ClearCommands();
    EXPECT_EQ(RES_OK, disk_read(0, m_block, 5, 2));
    const std::string pattern = CardImage::Pattern(4 << 20, 5);
    EXPECT_EQ(pattern.substr(5 * 512, 1024), std::string(reinterpret_cast<char*>(m_block), 1024));
    std::vector<uint32_t> addresses;
    for (const auto& command : W().Card().Commands())
        if (command.first == 17)
            addresses.push_back(command.second);
    EXPECT_EQ((std::vector<uint32_t>{5, 6}), addresses);
}

TEST_F(SDCardTest, StandardCapacityCardIsAddressedByByte)
{
    ASSERT_TRUE(W().InsertCard(Raw("sdsc.img", 4 << 20), SdCard::Kind::StandardV2));
    Driver::SDCard& card = Driver::SDCard::GetInstance();
    EXPECT_EQ(Driver::SDCard::StandardCapacityV2, card.GetCardType());
    W().Card().ClearCommands();
    EXPECT_EQ(RES_OK, disk_read(0, m_block, 7, 1));
    EXPECT_EQ(17, W().Card().Commands().back().first);
    EXPECT_EQ(7u * 512, W().Card().Commands().back().second);

    std::memset(m_block, 0xC3, 512);
    EXPECT_EQ(RES_OK, disk_write(0, m_block, 9, 1));
    std::memset(m_block, 0, 512);
    EXPECT_EQ(RES_OK, disk_read(0, m_block, 9, 1));
    EXPECT_EQ(0xC3, m_block[0]);
    EXPECT_EQ(0xC3, m_block[511]);
}

TEST_F(SDCardTest, DiskFunctionsRefuseBadParametersAndAnEmptySocket)
{
    Driver::SDCard::GetInstance();
    EXPECT_EQ(STA_NOINIT | STA_NODISK, disk_status(0));
    EXPECT_EQ(STA_NOINIT | STA_NODISK, disk_initialize(0));
    EXPECT_EQ(0u, Driver::SDCard::GetInstance().GetPowerState());

    ASSERT_TRUE(W().InsertCard(Raw("sdsc.img", 1 << 20)));
    Settle();
    EXPECT_EQ(0, disk_status(0));
    EXPECT_EQ(STA_NOINIT | STA_NODISK, disk_status(1));
    W().Card().ClearCommands();
    std::memset(m_block, 0x77, sizeof m_block);
    EXPECT_EQ(RES_PARERR, disk_read(0, m_block, 0, 0));
    EXPECT_EQ(RES_PARERR, disk_read(1, m_block, 0, 1));
    EXPECT_EQ(RES_PARERR, disk_write(0, m_block, 0, 0));
    EXPECT_EQ(RES_PARERR, disk_write(1, m_block, 0, 1));
    EXPECT_TRUE(W().Card().Commands().empty());
    EXPECT_EQ(0x77, m_block[0]);
}

TEST_F(SDCardTest, RemovalUnmountsAndPowersDownAndInsertionBringsTheNextCardUp)
{
    ASSERT_TRUE(W().InsertCard(Raw("sdhc.img", 4 << 20), SdCard::Kind::HighCapacity));
    Driver::SDCard& card = Listened();
    EXPECT_EQ(Driver::SDCard::HighCapacity, card.GetCardType());

    W().RemoveCard();
    Settle();
    EXPECT_EQ(0u, card.GetPowerState());
    EXPECT_FALSE(card.IsMounted());
    EXPECT_EQ(STA_NOINIT | STA_NODISK, disk_status(0));

    // A version 1.x card after a high-capacity one: its own type, not the previous one.
    ASSERT_TRUE(W().InsertCard(Raw("v1.img", 1 << 20), SdCard::Kind::StandardV1));
    Settle();
    EXPECT_EQ(Driver::SDCard::StandardCapacityV1, card.GetCardType());
    EXPECT_EQ(3u, card.GetPowerState());
    EXPECT_EQ(RES_OK, disk_read(0, m_block, 1, 1));
    EXPECT_EQ(512u, W().Card().Commands().back().second);
    EXPECT_EQ((std::vector<std::string>{"removed", "inserted"}), Events());
}

TEST_F(SDCardTest, LockedCardIsReportedThenInserted)
{
    Driver::SDCard& card = Listened();
    W().Card().SetLocked(true);
    ASSERT_TRUE(W().InsertCard(Raw("locked.img", 1 << 20)));
    Settle();
    EXPECT_EQ((std::vector<std::string>{"error: SDCard is Locked\n", "inserted"}), Events());
    // The failed power-up left the controller powered; removal powers it down.
    EXPECT_EQ(3u, card.GetPowerState());
    W().RemoveCard();
    Settle();
    EXPECT_EQ(0u, card.GetPowerState());
}

TEST_F(SDCardTest, CardThatNeverFinishesPowerUpIsAnInvalidVoltage)
{
    Listened();
    // CMD0 and CMD8 get lost: the driver takes the high-capacity card for version 1.x and does
    // not offer high capacity, which such a card answers with "busy" for ever.
    W().Card().InjectFault(SdCard::Fault::NoResponse, 2);
    ASSERT_TRUE(W().InsertCard(Raw("sdhc.img", 4 << 20), SdCard::Kind::HighCapacity));
    W().RunFor(World::Milliseconds(1500));
    EXPECT_EQ((std::vector<std::string>{"error: Invalid Voltage", "inserted"}), Events());
}

TEST_F(SDCardTest, WriteProtectedCardRefusesWritesAndKeepsItsBlocks)
{
    const std::string image = Raw("wp.img", 1 << 20);
    W().Card().SetWriteProtected(true);
    ASSERT_TRUE(W().InsertCard(image));
    Driver::SDCard::GetInstance();
    std::memset(m_block, 0, 512);
    try
    {
        disk_write(0, m_block, 2, 1);
        FAIL() << "the write went through";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_STREQ("SDIO R1 Error: 67108864", e.what()); // WP_VIOLATION
    }
    EXPECT_EQ(RES_OK, disk_read(0, m_block, 2, 1));
    EXPECT_EQ(CardImage::Pattern(1 << 20, 5).substr(1024, 512), std::string(reinterpret_cast<char*>(m_block), 512));
}

TEST_F(SDCardTest, CardPulledDuringABlockTransferFailsItWithoutHanging)
{
    ASSERT_TRUE(W().InsertCard(Raw("sdsc.img", 1 << 20)));
    Driver::SDCard& card = Listened();
    W().Card().InjectFault(SdCard::Fault::RemovedDuringTransfer);
    try
    {
        disk_read(0, m_block, 3, 1);
        FAIL() << "the read succeeded";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_STREQ("SDIO Error: Read Timeout", e.what());
    }
    // The removal ran in its interrupt meanwhile.
    EXPECT_EQ((std::vector<std::string>{"removed"}), Events());
    EXPECT_EQ(0u, card.GetPowerState());

    ASSERT_TRUE(W().InsertCard(CardImage::Folder() + "/sdsc.img"));
    Settle();
    EXPECT_EQ(RES_OK, disk_read(0, m_block, 3, 1));
    EXPECT_EQ(CardImage::Pattern(1 << 20, 5).substr(3 * 512, 512), std::string(reinterpret_cast<char*>(m_block), 512));
}
