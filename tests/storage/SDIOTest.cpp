// The SD command layer against the virtual controller and card.
#include "storage/Driver/SDCard.h"
#include "storage/SDIO.h"

#include "CardImage.h"
#include "sim/World.h"
#include "stm32f4xx_sdio.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>

namespace
{

using Sim::World;

alignas(4) unsigned char m_block[1024];

class SDIOTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }
    static World& W() { return World::Get(); }

    // A 1 MiB card whose bytes are a pattern, brought up by the card driver.
    static std::string Card(Sim::SdCard::Kind kind = Sim::SdCard::Kind::Auto)
    {
        const std::string path = CardImage::Folder() + "/raw.img";
        CardImage::WriteFile(path, CardImage::Pattern(1 << 20, 3));
        EXPECT_TRUE(W().InsertCard(path, kind));
        Driver::SDCard::GetInstance();
        return path;
    }

    static uint16_t Rca() { return Driver::SDCard::GetInstance().GetRCA(); }

    template <class Error> static std::string MessageOf(const std::function<void()>& action, uint32_t* status = nullptr)
    {
        try
        {
            action();
        }
        catch (const Error& e)
        {
            if constexpr (std::is_same<Error, SDIO::Exception>::value)
                if (status != nullptr)
                    *status = e.GetStatus();
            return e.what();
        }
        return "(nothing thrown)";
    }
};

} // namespace

TEST_F(SDIOTest, ResponseRecordsDecodeTheirBits)
{
    SDIO::Response1 r1;
    r1.status = 0x80000900; // out of range, state tran, ready for data
    EXPECT_TRUE(r1.HasError());
    EXPECT_EQ(0x80000000u, r1.GetError());
    EXPECT_EQ(0x100u, r1.GetState());
    r1.status = 0x00000920; // application command expected: no error, but not plain "ready"
    EXPECT_FALSE(r1.HasError());
    EXPECT_EQ(0x120u, r1.GetState());

    SDIO::Response3 r3;
    r3.ocr = 0xC0FF8000;
    EXPECT_TRUE(r3.IsInitialized());
    EXPECT_TRUE(r3.IsHighCapacity());

    SDIO::Response2 r2;
    r2.words[0] = 0x04030201;
    r2.words[3] = 0x100F0E0D;
    unsigned char bytes[16];
    r2.GetData(bytes);
    EXPECT_EQ(1, bytes[0]);
    EXPECT_EQ(4, bytes[3]);
    EXPECT_EQ(0x10, bytes[15]);

    const SDIO::Exception e("SDIO Error: CMD8 426, 4", 4);
    EXPECT_EQ(4u, e.GetStatus());
    EXPECT_STREQ("SDIO Error: CMD8 426, 4", e.what());
}

TEST_F(SDIOTest, CommandFailuresNameTheCommandArgumentAndStatus)
{
    Card();
    SDIO::Transceiver& sdio = SDIO::Transceiver::GetInstance();

    // A silent controller (card clock stopped): the 100 ms limit, status showing CMDACT only.
    SDIO_ClockCmd(DISABLE);
    EXPECT_EQ("SDIO Error: Command Timeout, CMD8 426, 2048",
              MessageOf<std::runtime_error>([&] { sdio.SendCommand(8, 426, SDIO_Response_Short, true); }));
    SDIO_ClockCmd(ENABLE);

    // A card that does not answer: the controller's timeout, told apart by status bit 2.
    uint32_t status = 0;
    W().Card().InjectFault(Sim::SdCard::Fault::NoResponse);
    EXPECT_EQ("SDIO Error: CMD13 " + std::to_string(uint32_t(Rca()) << 16) + ", 4",
              MessageOf<SDIO::Exception>([&] { sdio.SendCommand(13, uint32_t(Rca()) << 16, SDIO_Response_Short, true); },
                                         &status));
    EXPECT_EQ(4u, status);
    // A damaged response: status bit 0.
    W().Card().InjectFault(Sim::SdCard::Fault::ResponseCrc);
    MessageOf<SDIO::Exception>([&] { sdio.SendCommand(13, uint32_t(Rca()) << 16, SDIO_Response_Short, true); },
                               &status);
    EXPECT_EQ(1u, status);

    // A response that belongs to another command.
    W().Card().InjectFault(Sim::SdCard::Fault::WrongIndex);
    EXPECT_EQ("SDIO Error: Command Mismatch: CMD13 CMD12", MessageOf<std::runtime_error>([&] {
                  sdio.SendCommand(13, uint32_t(Rca()) << 16, SDIO_Response_Short, true);
              }));

    // R1 errors: reading past the end of the card is "out of range", bit 31.
    EXPECT_EQ("SDIO R1 Error: 2147483648", MessageOf<std::runtime_error>([&] {
                  sdio.ReadBlock(Rca(), m_block, 1u << 20, SDIO::BlockSize::Bytes512);
              }));
}

TEST_F(SDIOTest, UnsupportedBlockSizeIsRefusedAfterSettingTheLength)
{
    Card(Sim::SdCard::Kind::HighCapacity); // takes any CMD16 length
    W().Card().ClearCommands();
    EXPECT_EQ("SDIO Error: Block size not supported", MessageOf<std::runtime_error>([&] {
                  SDIO::Transceiver::GetInstance().ReadBlock(Rca(), m_block, 0, static_cast<SDIO::BlockSize>(1024));
              }));
    ASSERT_EQ(1u, W().Card().Commands().size());
    EXPECT_EQ(16, W().Card().Commands()[0].first);
    EXPECT_EQ(1024u, W().Card().Commands()[0].second);
}

TEST_F(SDIOTest, BlocksMoveByDmaInBothDirections)
{
    const std::string image = Card();
    SDIO::Transceiver& sdio = SDIO::Transceiver::GetInstance();
    const std::string pattern = CardImage::Pattern(1 << 20, 3);

    EXPECT_EQ(512u, sdio.ReadBlock(Rca(), m_block, 3 * 512, SDIO::BlockSize::Bytes512));
    EXPECT_EQ(pattern.substr(3 * 512, 512), std::string(reinterpret_cast<char*>(m_block), 512));
    EXPECT_EQ(8u, sdio.ReadBlock(Rca(), m_block, 5 * 512 + 8, SDIO::BlockSize::Bytes8));
    EXPECT_EQ(pattern.substr(5 * 512 + 8, 8), std::string(reinterpret_cast<char*>(m_block), 8));

    const std::string fresh = CardImage::Pattern(512, 99);
    std::memcpy(m_block, fresh.data(), 512);
    W().Card().ClearCommands();
    EXPECT_EQ(512u, sdio.WriteBlock(Rca(), m_block, 7 * 512, SDIO::BlockSize::Bytes512));
    // It returns once the card is back in the transfer state, ready for data.
    EXPECT_EQ(4u, W().Card().State());
    EXPECT_EQ(13, W().Card().Commands().back().first);
    std::ifstream in(image, std::ios::binary);
    std::string stored(1 << 20, '\0');
    in.read(&stored[0], stored.size());
    EXPECT_EQ(fresh, stored.substr(7 * 512, 512));
    EXPECT_EQ(pattern.substr(8 * 512, 512), stored.substr(8 * 512, 512));
}

TEST_F(SDIOTest, DamagedDataBlocksAreNeverReportedAsTransferred)
{
    const std::string image = Card();
    SDIO::Transceiver& sdio = SDIO::Transceiver::GetInstance();
    uint32_t status = 0;
    W().Card().InjectFault(Sim::SdCard::Fault::DataCrc);
    EXPECT_EQ("SDIO Error: CMD17 0, 2",
              MessageOf<SDIO::Exception>([&] { sdio.ReadBlock(Rca(), m_block, 0, SDIO::BlockSize::Bytes512); },
                                         &status));
    EXPECT_EQ(SDIO_STA_DCRCFAIL, status);

    std::memset(m_block, 0x5A, 512);
    W().Card().InjectFault(Sim::SdCard::Fault::DataCrc);
    MessageOf<SDIO::Exception>([&] { sdio.WriteBlock(Rca(), m_block, 0, SDIO::BlockSize::Bytes512); }, &status);
    EXPECT_EQ(SDIO_STA_DCRCFAIL, status);
    // The card kept its old block, and the next transfers work.
    EXPECT_EQ(512u, sdio.ReadBlock(Rca(), m_block, 0, SDIO::BlockSize::Bytes512));
    EXPECT_EQ(CardImage::Pattern(512, 3), std::string(reinterpret_cast<char*>(m_block), 512));
}

TEST_F(SDIOTest, OperatingConditionsOfASilentCardReportTheTimeout)
{
    Card(Sim::SdCard::Kind::MultiMedia);
    EXPECT_EQ(Driver::SDCard::MultiMediaCard, Driver::SDCard::GetInstance().GetCardType());
    SDIO::Transceiver& sdio = SDIO::Transceiver::GetInstance();
    SDIO_SetPowerState(SDIO_PowerState_OFF);
    SDIO_SetPowerState(SDIO_PowerState_ON);
    sdio.SetBusForInitialization();
    sdio.SendCommand(SDIO::Command::GoIdleState, 0);
    uint32_t status = 0;
    // CMD55 goes unanswered by a MultiMediaCard: the timeout bit reaches the caller.
    MessageOf<SDIO::Exception>(
        [&] { sdio.SendAppCommand(SDIO::Response3::AppCommand::SendOperatingCondition, 0, 0x80100000); }, &status);
    EXPECT_NE(0u, status & SDIO_STA_CTIMEOUT);

}
