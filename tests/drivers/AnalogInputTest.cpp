#include "drivers/AnalogInput.h"
#include "drivers/Driver/AnalogInput.h"

#include "sim/World.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace
{

using Sim::World;

class AnalogInputTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }
    static World& TheWorld() { return World::Get(); }

    template <class F> static std::string Failure(F f)
    {
        try
        {
            f();
        }
        catch (const std::exception& e)
        {
            return e.what();
        }
        return "no exception";
    }
};

} // namespace

TEST_F(AnalogInputTest, VoltagesReadAsTwelveBitCountsOnEveryChannel)
{
    Velmora::AnalogInputs& inputs = Velmora::AnalogInputs::GetInstance();
    for (int channel = 0; channel < 4; ++channel)
    {
        TheWorld().SetAnalogInputVoltage(channel, 0.0);
        EXPECT_EQ(inputs[channel].GetValue(), 0) << channel;
        TheWorld().SetAnalogInputVoltage(channel, 3.3);
        EXPECT_EQ(inputs[channel].GetValue(), 4095) << channel;
        TheWorld().SetAnalogInputVoltage(channel, 1.65);
        EXPECT_NEAR(inputs[channel].GetValue(), 2048, 1) << channel;
    }
    // Each channel reads its own pin, not its neighbour on the same converter.
    const double volts[4] = {0.5, 1.0, 2.0, 3.0};
    for (int channel = 0; channel < 4; ++channel)
        TheWorld().SetAnalogInputVoltage(channel, volts[channel]);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_NEAR(inputs[channel].GetValue(), volts[channel] / 3.3 * 4096, 1) << channel;
}

TEST_F(AnalogInputTest, TheFacadeGivesTheDriversValueUnscaled)
{
    TheWorld().SetAnalogInputVoltage(2, 0.8);
    Velmora::AnalogInput& facade = Velmora::AnalogInput::GetInstance(Velmora::AnalogInput::Pin2);
    EXPECT_EQ(facade.GetPin(), Velmora::AnalogInput::Pin2);
    EXPECT_EQ(facade.GetValue(), Driver::AnalogInput::GetInstance(2).GetValue());
    EXPECT_EQ(&Velmora::AnalogInputs::GetInstance()[Velmora::AnalogInput::Pin3],
              &Velmora::AnalogInput::GetInstance(Velmora::AnalogInput::Pin3));
}

TEST_F(AnalogInputTest, BadIndicesAndPinsAreRefused)
{
    Velmora::AnalogInputs& inputs = Velmora::AnalogInputs::GetInstance();
    const std::string message = "Could not find an AnalogInput at that index";
    EXPECT_EQ(Failure([&] { inputs[4]; }), message);
    EXPECT_EQ(Failure([&] { inputs[-1]; }), message);
    EXPECT_EQ(Failure([&] { inputs[static_cast<Velmora::AnalogInput::Pin>(9)]; }), message);
    EXPECT_EQ(Failure([&] { Velmora::AnalogInput::GetInstance(static_cast<Velmora::AnalogInput::Pin>(4)); }), message);
    EXPECT_THROW(Driver::AnalogInput::GetInstance(4), std::out_of_range);
}

TEST_F(AnalogInputTest, AConversionThatNeverEndsTimesOutAndTheChannelRecovers)
{
    Driver::AnalogInput& input = Driver::AnalogInput::GetInstance(0);
    TheWorld().SetAnalogInputVoltage(0, 1.0);
    TheWorld().HoldAdc(2, true);
    const Sim::Tick start = TheWorld().Now();
    EXPECT_EQ(Failure([&] { input.GetValue(); }), "AnalogInput: Timeout");
    const Sim::Tick waited = TheWorld().Now() - start;
    EXPECT_GE(waited, TheWorld().Milliseconds(10));
    EXPECT_LT(waited, TheWorld().Milliseconds(12));
    // The other converter is not affected.
    TheWorld().SetAnalogInputVoltage(3, 3.3);
    EXPECT_EQ(Driver::AnalogInput::GetInstance(3).GetValue(), 4095);
    TheWorld().HoldAdc(2, false);
    EXPECT_NEAR(input.GetValue(), 1.0 / 3.3 * 4096, 1);
}

TEST_F(AnalogInputTest, ConvertersAreSetUpOnceForLeftAlignedSoftwareStartedConversions)
{
    Driver::AnalogInput::GetInstance(0);
    // Set-up of ADC2 happens once: a change made after it survives the second channel's set-up.
    EXPECT_NE(ADC2->CR2 & ADC_CR2_ADON, 0u);
    EXPECT_NE(ADC2->CR2 & ADC_CR2_ALIGN, 0u);
    EXPECT_NE(ADC2->CR2 & ADC_CR2_EOCS, 0u);
    EXPECT_NE(ADC3->CR2 & ADC_CR2_ADON, 0u);
    EXPECT_EQ(ADC2->CR1 & ADC_CR1_RES, 0u) << "12 bits";
    EXPECT_EQ(ADC2->CR2 & (ADC_CR2_CONT | ADC_CR2_EXTEN), 0u);
    EXPECT_EQ(ADC1->CR2 & ADC_CR2_ADON, 0u) << "ADC1 belongs to the touch screen";
    EXPECT_EQ(GPIOC->MODER >> (2 * 4) & 0xF, 0xFu) << "PC4 and PC5 analog";
    EXPECT_EQ(GPIOF->MODER >> (2 * 6) & 0xF, 0xFu) << "PF6 and PF7 analog";
}
