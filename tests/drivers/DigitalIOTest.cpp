#include "drivers/DigitalInput.h"
#include "drivers/DigitalOutput.h"
#include "drivers/Driver/DigitalInput.h"
#include "drivers/Driver/DigitalOutput.h"
#include "drivers/Driver/GPIO.h"

#include "sim/Console.h"
#include "sim/World.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace
{

enum Port
{
    A = 0,
    B,
    C,
    D,
    E,
    F,
    G
};

class DigitalIOTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }

    static Sim::World& World() { return Sim::World::Get(); }

    template <class F>
    static std::string OutOfRangeMessage(F f)
    {
        try
        {
            f();
        }
        catch (const std::out_of_range& e)
        {
            return e.what();
        }
        return "no exception";
    }
};

} // namespace

TEST_F(DigitalIOTest, CollectionsRejectIndicesOutsideTheirRange)
{
    auto& inputs = Velmora::DigitalInputs::GetInstance();
    auto& outputs = Velmora::DigitalOutputs::GetInstance();
    EXPECT_EQ(OutOfRangeMessage([&] { inputs[4]; }), "Could not find a DigitalInput at that index");
    EXPECT_EQ(OutOfRangeMessage([&] { inputs[-1]; }), "Could not find a DigitalInput at that index");
    EXPECT_EQ(OutOfRangeMessage([&] { outputs[4]; }), "Could not find a DigitalOutput at that index");
    EXPECT_EQ(OutOfRangeMessage([&] { outputs[-2147483647 - 1]; }), "Could not find a DigitalOutput at that index");
    EXPECT_EQ(OutOfRangeMessage([&] { Velmora::DigitalOutput::GetInstance(static_cast<Velmora::DigitalOutput::Pin>(7)); }),
              "Could not find a DigitalOutput at that index");
    EXPECT_THROW(Driver::DigitalInput::GetInstance(Driver::DigitalInput::channelCount), std::out_of_range);
    EXPECT_THROW(Driver::DigitalOutput::GetInstance(Driver::DigitalOutput::channelCount), std::out_of_range);
    EXPECT_NO_THROW(inputs[3]);
    EXPECT_NO_THROW(outputs[0]);
}

TEST_F(DigitalIOTest, UserInputsFollowTheirPins)
{
    auto& inputs = Velmora::DigitalInputs::GetInstance();
    const struct
    {
        int port, pin;
    } pins[4] = {{F, 8}, {F, 9}, {B, 0}, {B, 1}};
    for (int n = 0; n < 4; ++n)
    {
        World().DrivePin(pins[n].port, pins[n].pin, true);
        EXPECT_TRUE(inputs[n].IsOn()) << n;
        World().DrivePin(pins[n].port, pins[n].pin, false);
        EXPECT_FALSE(inputs[n].IsOn()) << n;
    }
}

TEST_F(DigitalIOTest, OutputsStartLowAndToggleTheirPins)
{
    auto& outputs = Velmora::DigitalOutputs::GetInstance();
    const struct
    {
        int port, pin;
    } pins[4] = {{B, 13}, {E, 2}, {G, 13}, {G, 14}};
    for (int n = 0; n < 4; ++n)
    {
        EXPECT_FALSE(outputs[n].IsOn()) << n;
        EXPECT_FALSE(World().PinLevel(pins[n].port, pins[n].pin)) << n;
        outputs[n].Toggle();
        EXPECT_TRUE(outputs[n].IsOn()) << n;
        EXPECT_TRUE(World().PinLevel(pins[n].port, pins[n].pin)) << n;
    }
    // Only the toggled pins changed: the panel reset line stays where it was.
    EXPECT_FALSE(World().PinLevel(B, 5));
}

TEST_F(DigitalIOTest, LowAndHighTakeTheLevelAsArgument)
{
    Driver::DigitalOutput& reset = Driver::DigitalOutput::GetInstance(0);
    reset.Low(false);
    EXPECT_TRUE(World().PinLevel(B, 5));
    reset.Low(true);
    EXPECT_FALSE(World().PinLevel(B, 5));
    reset.High(true);
    EXPECT_TRUE(reset.IsOn());
    reset.High(false);
    EXPECT_FALSE(reset.IsOn());
}

TEST_F(DigitalIOTest, PinConfigurationIsLocked)
{
    Driver::DigitalOutput::GetInstance(0);
    // Start-up applies the requested locks once every driver has configured its pins.
    Driver::GPIO::GetInstance().ApplyLocks();
    // Output mode on PB5, and a later attempt to reconfigure it has no effect.
    EXPECT_EQ((GPIOB->MODER >> 10) & 3u, 1u);
    EXPECT_NE(GPIOB->LCKR & (1u << 16), 0u) << "lock key not applied";
    GPIOB->MODER = GPIOB->MODER & ~(3u << 10);
    EXPECT_EQ((GPIOB->MODER >> 10) & 3u, 1u);
}

TEST_F(DigitalIOTest, BothEdgesArmBothTriggersAndReachTheHandler)
{
    Driver::DigitalInput& input = Driver::DigitalInput::GetInstance(4); // PF8, EXTI line 8
    int calls = 0;
    input.SetInterruptHandler([&] { ++calls; });
    input.EnableInterrupt(Velmora::Edge::Both, true);
    EXPECT_TRUE(input.IsInterruptEnabled());
    EXPECT_NE(EXTI->RTSR & (1u << 8), 0u);
    EXPECT_NE(EXTI->FTSR & (1u << 8), 0u);
    EXPECT_NE(EXTI->IMR & (1u << 8), 0u);

    World().DrivePin(F, 8, true);
    World().RunFor(Sim::World::Microseconds(10));
    World().DrivePin(F, 8, false);
    World().RunFor(Sim::World::Microseconds(10));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(EXTI->PR & (1u << 8), 0u);

    input.DisableInterrupt(true);
    EXPECT_FALSE(input.IsInterruptEnabled());
    EXPECT_EQ(EXTI->IMR & (1u << 8), 0u);
    World().DrivePin(F, 8, true);
    World().RunFor(Sim::World::Microseconds(10));
    EXPECT_EQ(calls, 2);
}

TEST_F(DigitalIOTest, EdgeIsStoredAndTakesEffectAtTheNextEnable)
{
    Driver::DigitalInput& input = Driver::DigitalInput::GetInstance(1); // PG7, the tearing line
    int calls = 0;
    input.SetInterruptHandler([&] { ++calls; });
    input.SetInterruptEdge(Velmora::Edge::Falling);
    EXPECT_EQ(EXTI->IMR & (1u << 7), 0u) << "setting the edge must not arm the line";
    input.EnableInterrupt(true);
    EXPECT_EQ(EXTI->RTSR & (1u << 7), 0u);
    EXPECT_NE(EXTI->FTSR & (1u << 7), 0u);

    World().DrivePin(G, 7, true); // rising: ignored
    World().RunFor(Sim::World::Microseconds(10));
    EXPECT_EQ(calls, 0);
    World().DrivePin(G, 7, false); // falling
    World().RunFor(Sim::World::Microseconds(10));
    EXPECT_EQ(calls, 1);
}

TEST_F(DigitalIOTest, LinesWithoutAChannelAreClearedWithoutAHandler)
{
    Driver::DigitalInput::GetInstance(0); // routes and enables the EXTI interrupts
    int calls = 0;
    for (int c = 0; c < Driver::DigitalInput::channelCount; ++c)
        Driver::DigitalInput::GetInstance(c).SetInterruptHandler([&] { ++calls; });
    for (int line : {5, 10, 11, 13, 14})
    {
        EXTI->IMR = EXTI->IMR | (1u << line);
        EXTI->SWIER = 1u << line;
        World().RunFor(Sim::World::Microseconds(10));
        EXPECT_EQ(EXTI->PR & (1u << line), 0u) << "line " << line << " left pending";
    }
    EXPECT_EQ(calls, 0);
}

TEST_F(DigitalIOTest, HandlerExceptionsGoToTheUnhandledExceptionHandler)
{
    Sim::Console::Install();
    Sim::Console::SetEcho(false);
    Sim::Console::Clear();
    Driver::DigitalInput& input = Driver::DigitalInput::GetInstance(6); // PB0, EXTI line 0
    input.SetInterruptHandler([] { throw std::runtime_error("input failed"); });
    input.EnableInterrupt(Velmora::Edge::Rising, true);
    World().DrivePin(B, 0, true);
    World().RunFor(Sim::World::Microseconds(10));
    EXPECT_EQ(Sim::Console::Text(), "Unhandled Exception: input failed\r\n");

    // Called directly, the handler's exception does not escape either.
    Sim::Console::Clear();
    EXPECT_NO_THROW(input.ProcessInterrupt());
    EXPECT_EQ(Sim::Console::Text(), "Unhandled Exception: input failed\r\n");
}
