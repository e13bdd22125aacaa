// The SDIO host controller model and the card behind it, driven through the registers as the
// peripheral library drives them.
#include "sim/World.h"
#include "sim/devices/SdCard.h"
#include "sim/models/Sdio.h"

#include "stm32f4xx.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_sdio.h"
#include "system_stm32f4xx.h"

#include "../storage/CardImage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using Sim::World;

class SdioTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SystemInit();
        RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOC | RCC_AHB1Periph_GPIOD, ENABLE);
        RCC_APB2PeriphClockCmd(RCC_APB2Periph_SDIO, ENABLE);
        W().Card().SetPowerUpTime(World::Milliseconds(1));
    }

    static World& W() { return World::Get(); }

    static void RoutePins()
    {
        GPIO_InitTypeDef pins;
        GPIO_StructInit(&pins);
        pins.GPIO_Mode = GPIO_Mode_AF;
        pins.GPIO_PuPd = GPIO_PuPd_UP;
        pins.GPIO_Pin = GPIO_Pin_8 | GPIO_Pin_9 | GPIO_Pin_10 | GPIO_Pin_11 | GPIO_Pin_12;
        GPIO_Init(GPIOC, &pins);
        pins.GPIO_Pin = GPIO_Pin_2;
        GPIO_Init(GPIOD, &pins);
        for (uint8_t pin = 8; pin <= 12; ++pin)
            GPIO_PinAFConfig(GPIOC, pin, 12);
        GPIO_PinAFConfig(GPIOD, 2, 12);
    }

    static void Bus(uint8_t divider, uint32_t width)
    {
        SDIO_InitTypeDef init;
        SDIO_StructInit(&init);
        init.SDIO_ClockDiv = divider;
        init.SDIO_BusWide = width;
        SDIO_Init(&init);
    }

    static void PowerOn()
    {
        Bus(118, SDIO_BusWide_1b);
        SDIO_SetPowerState(SDIO_PowerState_ON);
        SDIO_ClockCmd(ENABLE);
    }

    // Sends a command and idles until the command path is done; returns STA.
    static uint32_t Command(uint8_t index, uint32_t argument, uint32_t response)
    {
        SDIO_CmdInitTypeDef command;
        command.SDIO_Argument = argument;
        command.SDIO_CmdIndex = index;
        command.SDIO_Response = response;
        command.SDIO_Wait = SDIO_Wait_No;
        command.SDIO_CPSM = SDIO_CPSM_Enable;
        SDIO_SendCommand(&command);
        const auto sdio = VELMORA_PHYS(SDIO_TypeDef, SDIO_BASE);
        W().RunUntil([&] { return (sdio->STA & 0xC5) != 0; }, World::Milliseconds(10));
        const uint32_t status = sdio->STA;
        SDIO_ClearFlag(0x5FF);
        return status;
    }

    // A card through identification to the transfer state; returns its RCA.
    static uint16_t Select(bool fourBits)
    {
        Command(0, 0, SDIO_Response_No);
        EXPECT_EQ(SDIO_STA_CMDREND, Command(8, 0x1AA, SDIO_Response_Short) & 0xC5);
        uint32_t ocr = 0;
        for (int i = 0; i < 1000 && (ocr & 0x80000000u) == 0; ++i)
        {
            Command(55, 0, SDIO_Response_Short);
            Command(41, 0xC0100000, SDIO_Response_Short);
            ocr = SDIO_GetResponse(SDIO_RESP1);
        }
        EXPECT_NE(0u, ocr & 0x80000000u);
        Command(2, 0, SDIO_Response_Long);
        Command(3, 0, SDIO_Response_Short);
        const uint16_t rca = static_cast<uint16_t>(SDIO_GetResponse(SDIO_RESP1) >> 16);
        EXPECT_EQ(SDIO_STA_CMDREND, Command(7, uint32_t(rca) << 16, SDIO_Response_Short) & 0xC5);
        if (fourBits)
        {
            Command(55, uint32_t(rca) << 16, SDIO_Response_Short);
            EXPECT_EQ(SDIO_STA_CMDREND, Command(6, 2, SDIO_Response_Short) & 0xC5);
            Bus(0, SDIO_BusWide_4b);
        }
        else
            Bus(0, SDIO_BusWide_1b);
        return rca;
    }

    static void StartRead(uint32_t length, uint32_t timeout = 0xFFFFFFFF)
    {
        SDIO_DataInitTypeDef data;
        SDIO_DataStructInit(&data);
        data.SDIO_DataTimeOut = timeout;
        data.SDIO_DataLength = length;
        data.SDIO_DataBlockSize = SDIO_DataBlockSize_512b;
        data.SDIO_TransferDir = SDIO_TransferDir_ToSDIO;
        data.SDIO_DPSM = SDIO_DPSM_Enable;
        SDIO_DataConfig(&data);
    }

    static std::string Image(const std::string& content)
    {
        const std::string path = CardImage::Folder() + "/raw.img";
        std::string bytes(1 << 20, '\0');
        bytes.replace(0, content.size(), content);
        CardImage::WriteFile(path, bytes);
        return path;
    }

    static SDIO_TypeDef* Registers() { return VELMORA_PHYS(SDIO_TypeDef, SDIO_BASE); }
};

} // namespace

TEST_F(SdioTest, CommandsTakeTheirBusTimeAndReportTheirOutcome)
{
    RoutePins();
    ASSERT_TRUE(W().InsertCard(Image("")));
    PowerOn();
    // CMD0 at 400 kHz: 48 clocks, then CMDSENT; the command path is active meanwhile.
    const Sim::Tick start = W().Now();
    SDIO_CmdInitTypeDef command{0, 0, SDIO_Response_No, SDIO_Wait_No, SDIO_CPSM_Enable};
    SDIO_SendCommand(&command);
    EXPECT_NE(0u, Registers()->STA & SDIO_STA_CMDACT);
    W().RunUntil([&] { return (Registers()->STA & SDIO_STA_CMDSENT) != 0; }, World::Milliseconds(1));
    EXPECT_NEAR(120.0, static_cast<double>(W().Now() - start) / World::Microseconds(1), 2.0);
    EXPECT_EQ(0u, Registers()->STA & SDIO_STA_CMDACT);
    SDIO_ClearFlag(0x5FF);

    // R7 echoes the check pattern with a good CRC.
    EXPECT_EQ(SDIO_STA_CMDREND, Command(8, 0x1AA, SDIO_Response_Short) & 0xC5);
    EXPECT_EQ(8, SDIO_GetCommandResponse());
    EXPECT_EQ(0x1AAu, SDIO_GetResponse(SDIO_RESP1));
    // R3 carries no CRC: the controller flags a CRC failure and keeps the OCR.
    Command(55, 0, SDIO_Response_Short);
    EXPECT_EQ(SDIO_STA_CCRCFAIL, Command(41, 0x40100000, SDIO_Response_Short) & 0xC5);
    EXPECT_EQ(0x3F, SDIO_GetCommandResponse());
    EXPECT_EQ(0x00FF8000u, SDIO_GetResponse(SDIO_RESP1) & 0x00FF8000u);
    // A command the card does not answer: CTIMEOUT after 64 clocks, not before.
    const Sim::Tick silent = W().Now();
    EXPECT_EQ(SDIO_STA_CTIMEOUT, Command(9, 0x12340000, SDIO_Response_Long) & 0xC5);
    EXPECT_NEAR((48 + 64) * 2.5, static_cast<double>(W().Now() - silent) / World::Microseconds(1), 8.0);
}

TEST_F(SdioTest, NothingReachesTheCardUnlessThePinsAndTheClockAreSetUp)
{
    ASSERT_TRUE(W().InsertCard(Image("")));
    PowerOn();
    // Pins still in their reset mode: the card never hears the command.
    EXPECT_EQ(SDIO_STA_CTIMEOUT, Command(8, 0x1AA, SDIO_Response_Short) & 0xC5);
    EXPECT_TRUE(W().Card().Commands().empty());

    RoutePins();
    SDIO_ClockCmd(DISABLE);
    SDIO_CmdInitTypeDef command{0x1AA, 8, SDIO_Response_Short, SDIO_Wait_No, SDIO_CPSM_Enable};
    SDIO_SendCommand(&command);
    W().RunFor(World::Milliseconds(5));
    EXPECT_EQ(SDIO_STA_CMDACT, Registers()->STA & (0xC5 | SDIO_STA_CMDACT)); // waits for the clock
    SDIO_ClockCmd(ENABLE);
    W().RunUntil([&] { return (Registers()->STA & 0xC5) != 0; }, World::Milliseconds(1));
    EXPECT_EQ(SDIO_STA_CMDREND, Registers()->STA & 0xC5);
}

TEST_F(SdioTest, ABlockReadFillsTheFifoAtTheRateOfTheBus)
{
    RoutePins();
    std::string content = CardImage::Pattern(1024, 7);
    ASSERT_TRUE(W().InsertCard(Image(content)));
    W().Card().SetReadAccessTime(0);
    PowerOn();
    Select(true);
    EXPECT_EQ(SDIO_STA_CMDREND, Command(16, 512, SDIO_Response_Short) & 0xC5);

    StartRead(512);
    EXPECT_NE(0u, Registers()->STA & SDIO_STA_RXACT);
    const Sim::Tick start = W().Now();
    EXPECT_EQ(SDIO_STA_CMDREND, Command(17, 512, SDIO_Response_Short) & 0xC5);
    // Polled read without DMA: drain the FIFO as words arrive.
    std::string received;
    while (received.size() < 512 && W().Now() - start < World::Milliseconds(1))
    {
        if (Registers()->STA & SDIO_STA_RXDAVL)
        {
            const uint32_t word = SDIO_ReadData();
            received.append(reinterpret_cast<const char*>(&word), 4);
        }
    }
    W().RunUntil([&] { return (Registers()->STA & SDIO_STA_DATAEND) != 0; }, World::Milliseconds(1));
    EXPECT_EQ(content.substr(512, 512), received);
    EXPECT_EQ(SDIO_STA_DATAEND | SDIO_STA_DBCKEND, Registers()->STA & 0x7FF);
    EXPECT_EQ(0u, SDIO_GetDataCounter());
    EXPECT_EQ(0u, SDIO_GetFIFOCount());
    // The command (48 clocks), then start bit, 1024 data clocks on four lines, CRC and end bit at
    // 24 MHz: about 45 us.
    EXPECT_NEAR((48 + 1042) / 24.0, static_cast<double>(W().Now() - start) / World::Microseconds(1), 2.0);
}

TEST_F(SdioTest, DataFaultsSetTheirFlags)
{
    RoutePins();
    ASSERT_TRUE(W().InsertCard(Image("")));
    PowerOn();
    Select(false);
    Command(16, 512, SDIO_Response_Short);

    // Nobody drains the FIFO: 32 words, then the overrun.
    StartRead(512);
    Command(17, 0, SDIO_Response_Short);
    W().RunFor(World::Milliseconds(2));
    EXPECT_EQ(SDIO_STA_RXOVERR, Registers()->STA & 0x7FF);
    EXPECT_NE(0u, Registers()->STA & SDIO_STA_RXFIFOF);
    EXPECT_EQ(0u, Registers()->STA & SDIO_STA_RXACT);
    SDIO_ClearFlag(0x5FF);

    // No block follows within the data timer: DTIMEOUT after DTIMER card clocks (24 MHz).
    Registers()->DCTRL = 0;
    StartRead(512, 2400);
    W().RunFor(World::Microseconds(99));
    EXPECT_EQ(0u, Registers()->STA & SDIO_STA_DTIMEOUT);
    W().RunFor(World::Microseconds(2));
    EXPECT_EQ(SDIO_STA_DTIMEOUT, Registers()->STA & 0x7FF);
    SDIO_ClearFlag(0x5FF);

    // The card was left on one data line while the controller reads four: garbage, CRC fails.
    Bus(0, SDIO_BusWide_4b);
    StartRead(512);
    Command(17, 0, SDIO_Response_Short);
    std::vector<uint32_t> sink;
    W().RunUntil(
        [&] {
            while (Registers()->STA & SDIO_STA_RXDAVL)
                sink.push_back(SDIO_ReadData());
            return (Registers()->STA & (SDIO_STA_DCRCFAIL | SDIO_STA_DATAEND)) != 0;
        },
        World::Milliseconds(2));
    EXPECT_EQ(SDIO_STA_DCRCFAIL, Registers()->STA & 0x7FF & ~SDIO_STA_DBCKEND);
}

TEST_F(SdioTest, ResetStopsTheControllerAndInterruptLineFollowsTheMask)
{
    RoutePins();
    ASSERT_TRUE(W().InsertCard(Image("")));
    PowerOn();
    EXPECT_EQ(SDIO_STA_CTIMEOUT, Command(13, 0, SDIO_Response_Short) & 0xC5);
    Sim::Core& core = W().board().core();
    const int exception = Sim::excFirstIrq + SDIO_IRQn;
    SDIO_CmdInitTypeDef command{0, 13, SDIO_Response_Short, SDIO_Wait_No, SDIO_CPSM_Enable};
    SDIO_SendCommand(&command);
    W().RunFor(World::Milliseconds(1));
    EXPECT_EQ(SDIO_STA_CTIMEOUT, Registers()->STA & 0xC5);
    EXPECT_FALSE(core.IsPending(exception)); // masked
    SDIO_ITConfig(SDIO_IT_CTIMEOUT, ENABLE);
    EXPECT_TRUE(core.IsPending(exception));
    // With the flag cleared the line is low: pending again only on a new timeout.
    SDIO_ClearITPendingBit(SDIO_IT_CTIMEOUT);
    core.SetPending(exception, false);
    W().RunFor(World::Milliseconds(1));
    EXPECT_FALSE(core.IsPending(exception));
    SDIO_SendCommand(&command);
    W().RunFor(World::Milliseconds(1));
    EXPECT_TRUE(core.IsPending(exception));
    core.SetPending(exception, false);

    SDIO_DeInit();
    EXPECT_EQ(0u, SDIO_GetPowerState());
    EXPECT_EQ(0u, Registers()->CLKCR);
    EXPECT_EQ(0u, Registers()->MASK);
}
