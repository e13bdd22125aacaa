#include "sim/World.h"
#include "sim/models/Adc.h"

#include "stm32f4xx.h"
#include "stm32f4xx_adc.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

namespace
{

using Sim::Tick;
using Sim::World;

class AdcTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SystemInit();
        RCC_AHB1PeriphClockCmd(RCC_AHB1ENR_GPIOAEN, ENABLE);
        RCC_APB2PeriphClockCmd(RCC_APB2Periph_ADC1, ENABLE);
        GPIO_InitTypeDef pin;
        GPIO_StructInit(&pin);
        pin.GPIO_Pin = GPIO_Pin_1;
        pin.GPIO_Mode = GPIO_Mode_AN;
        GPIO_Init(GPIOA, &pin);
    }
    static World& TheWorld() { return World::Get(); }

    static void Configure(uint32_t resolution, uint32_t align)
    {
        ADC_InitTypeDef init;
        ADC_StructInit(&init);
        init.ADC_Resolution = resolution;
        init.ADC_DataAlign = align;
        ADC_Init(ADC1, &init);
        ADC_Cmd(ADC1, ENABLE);
    }

    // Converts channel 1 (PA1) and returns the data register and how long the conversion took.
    static uint16_t Convert(uint8_t sampleTime, Tick* took = nullptr)
    {
        ADC_RegularChannelConfig(ADC1, ADC_Channel_0 + 1, 1, sampleTime);
        const Tick start = TheWorld().Now();
        ADC_SoftwareStartConv(ADC1);
        EXPECT_TRUE(TheWorld().RunUntil([] { return (TheWorld().board().adc(1).Status() & ADC_SR_EOC) != 0; },
                                        TheWorld().Milliseconds(1)));
        if (took != nullptr)
            *took = TheWorld().Now() - start;
        return ADC_GetConversionValue(ADC1);
    }
};

} // namespace

TEST_F(AdcTest, ResolutionAndAlignmentShapeTheDataRegister)
{
    TheWorld().SetPinVoltage(0, 1, 3.3);
    Configure(ADC_Resolution_12b, ADC_DataAlign_Right);
    EXPECT_EQ(Convert(ADC_SampleTime_3Cycles), 0x0FFF);
    Configure(ADC_Resolution_12b, ADC_DataAlign_Left);
    EXPECT_EQ(Convert(ADC_SampleTime_3Cycles), 0xFFF0);
    Configure(ADC_Resolution_8b, ADC_DataAlign_Right);
    EXPECT_EQ(Convert(ADC_SampleTime_3Cycles), 0x00FF);
    Configure(ADC_Resolution_6b, ADC_DataAlign_Left);
    EXPECT_EQ(Convert(ADC_SampleTime_3Cycles), 0x00FC) << "6-bit data is left-aligned within a byte";
    TheWorld().SetPinVoltage(0, 1, 1.0 / 4096 * 3.3 + 0.0001);
    Configure(ADC_Resolution_12b, ADC_DataAlign_Left);
    EXPECT_EQ(Convert(ADC_SampleTime_3Cycles), 0x0010);
}

TEST_F(AdcTest, AConversionTakesSampleTimePlusResolutionInAdcClockCycles)
{
    // PCLK2 84 MHz, prescaler /2 at reset: a 42 MHz ADC clock.
    Configure(ADC_Resolution_12b, ADC_DataAlign_Right);
    Tick took = 0;
    Convert(ADC_SampleTime_3Cycles, &took);
    EXPECT_NEAR(static_cast<double>(took), 15.0 * Sim::ticksPerSecond / 42e6, 200.0 * 4);
    Convert(ADC_SampleTime_480Cycles, &took);
    EXPECT_NEAR(static_cast<double>(took), 492.0 * Sim::ticksPerSecond / 42e6, 200.0 * 4);
    // A slower ADC clock (PCLK2 / 8) takes four times as long.
    ADC_CommonInitTypeDef common;
    ADC_CommonStructInit(&common);
    common.ADC_Prescaler = ADC_Prescaler_Div8;
    ADC_CommonInit(&common);
    Convert(ADC_SampleTime_3Cycles, &took);
    EXPECT_NEAR(static_cast<double>(took), 15.0 * Sim::ticksPerSecond / 10.5e6, 200.0 * 4);
}

TEST_F(AdcTest, EocIsClearedByReadingDataAndOverrunIsFlaggedWhenEveryResultCounts)
{
    Configure(ADC_Resolution_12b, ADC_DataAlign_Right);
    Convert(ADC_SampleTime_3Cycles);
    EXPECT_EQ(ADC1->SR & ADC_SR_EOC, 0u) << "reading DR cleared EOC";
    EXPECT_NE(ADC1->SR & ADC_SR_STRT, 0u);
    ADC_ClearFlag(ADC1, ADC_FLAG_STRT);
    EXPECT_EQ(ADC1->SR & ADC_SR_STRT, 0u);

    ADC_EOCOnEachRegularChannelCmd(ADC1, ENABLE);
    ADC_SoftwareStartConv(ADC1);
    TheWorld().RunFor(TheWorld().Microseconds(5));
    ADC_SoftwareStartConv(ADC1);
    TheWorld().RunFor(TheWorld().Microseconds(5));
    EXPECT_NE(ADC1->SR & ADC_SR_OVR, 0u) << "the second result overwrote an unread one";
}

TEST_F(AdcTest, NothingConvertsWhileTheConverterIsOffOrThePinIsNotAnalog)
{
    TheWorld().SetPinVoltage(0, 1, 2.0);
    ADC_InitTypeDef init;
    ADC_StructInit(&init);
    ADC_Init(ADC1, &init);
    ADC_RegularChannelConfig(ADC1, 1, 1, ADC_SampleTime_3Cycles);
    ADC_SoftwareStartConv(ADC1);
    TheWorld().RunFor(TheWorld().Microseconds(10));
    EXPECT_EQ(ADC1->SR & ADC_SR_EOC, 0u) << "ADON is clear";

    ADC_Cmd(ADC1, ENABLE);
    GPIO_InitTypeDef pin;
    GPIO_StructInit(&pin);
    pin.GPIO_Pin = GPIO_Pin_1;
    pin.GPIO_Mode = GPIO_Mode_IN;
    GPIO_Init(GPIOA, &pin);
    EXPECT_EQ(Convert(ADC_SampleTime_3Cycles), 0) << "the analog switch is open outside analog mode";
}

TEST_F(AdcTest, UnmodelledModesAreReported)
{
    TheWorld().CaptureDiagnostics();
    ADC_InitTypeDef init;
    ADC_StructInit(&init);
    init.ADC_ContinuousConvMode = ENABLE;
    ADC_Init(ADC1, &init);
    const std::vector<std::string> diagnostics = TheWorld().TakeDiagnostics();
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_NE(diagnostics[0].find("ADC1"), std::string::npos) << diagnostics[0];
}
