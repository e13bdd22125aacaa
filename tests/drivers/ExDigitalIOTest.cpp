#include "drivers/Driver/DigitalInputEx.h"
#include "drivers/Driver/DigitalOutputEx.h"
#include "drivers/Driver/PCA9535.h"
#include "drivers/ExDigitalInput.h"
#include "drivers/ExDigitalOutput.h"

#include "sim/World.h"
#include "sim/devices/I2cBoard.h"

#include "system_stm32f4xx.h"

#include "Thrown.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace
{

class ExDigitalIOTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }

    static Sim::World& World() { return Sim::World::Get(); }
    static Sim::PCA9535& Expander(int hardwareAddress)
    {
        return World().board().i2cDevices().Expander(hardwareAddress);
    }
};

} // namespace

TEST_F(ExDigitalIOTest, CollectionsRejectIndicesOutsideTheirRange)
{
    auto& inputs = Velmora::ExDigitalInputs::GetInstance();
    auto& outputs = Velmora::ExDigitalOutputs::GetInstance();
    EXPECT_EQ(Thrown<std::out_of_range>([&] { inputs[32]; }), "Could not find a ExDigitalInput at that index");
    EXPECT_EQ(Thrown<std::out_of_range>([&] { inputs[-1]; }), "Could not find a ExDigitalInput at that index");
    EXPECT_EQ(Thrown<std::out_of_range>([&] { outputs[32]; }), "Could not find an ExDigitalOutput at that index");
    EXPECT_EQ(Thrown<std::out_of_range>([&] { outputs[-2147483647 - 1]; }), "Could not find an ExDigitalOutput at that index");
    EXPECT_NO_THROW(inputs[31]);
    EXPECT_NO_THROW(outputs[0]);
    EXPECT_THROW(Driver::PCA9535::GetInstance(4), std::out_of_range);
    EXPECT_THROW(Driver::DigitalInputEx::GetInstance(2), std::out_of_range);
}

TEST_F(ExDigitalIOTest, InputExpandersBecomeInputsWithoutInversion)
{
    // Something left the first input expander half outputs and inverted.
    Driver::PCA9535::GetInstance(0).Write(Driver::PCA9535::Address::Configuration, 0x00FF);
    Driver::PCA9535::GetInstance(0).Write(Driver::PCA9535::Address::PolarityInversion, 0xFFFF);
    Velmora::ExDigitalInputs::GetInstance()[0];
    for (int hardwareAddress : {0, 2})
    {
        EXPECT_EQ(Expander(hardwareAddress).RegisterPair(6), 0xFFFF) << hardwareAddress;
        EXPECT_EQ(Expander(hardwareAddress).RegisterPair(4), 0x0000) << hardwareAddress;
    }
}

TEST_F(ExDigitalIOTest, InputsFollowTheWorldAndPolarity)
{
    auto& inputs = Velmora::ExDigitalInputs::GetInstance();
    World().DriveExInput(17, true);
    // Pin 17 is bit 1 of the second input expander (hardware address 2).
    EXPECT_TRUE(Expander(2).PinLevel(1));
    EXPECT_TRUE(World().ExInputLevel(17));
    EXPECT_TRUE(inputs[17].IsOn());
    EXPECT_FALSE(inputs[1].IsOn());
    EXPECT_FALSE(inputs[16].IsOn());
    World().DriveExInput(17, false);
    EXPECT_FALSE(inputs[17].IsOn());
    World().ReleaseExInput(17);
    EXPECT_FALSE(inputs[17].IsOn()) << "an open input reads off";

    // The expander inverts what it reports when told to; the facade shows the register as read.
    World().DriveExInput(5, true);
    Driver::PCA9535::GetInstance(0).Write(Driver::PCA9535::Address::PolarityInversion, 0x0020);
    EXPECT_FALSE(inputs[5].IsOn());
    EXPECT_EQ(Driver::DigitalInputEx::GetInstance(0).Read(), 0x0000);
    Driver::PCA9535::GetInstance(0).Write(Driver::PCA9535::Address::PolarityInversion, 0x0001);
    EXPECT_EQ(Driver::DigitalInputEx::GetInstance(0).Read(), 0x0021);
}

TEST_F(ExDigitalIOTest, OutputsStartOffWithoutAGlitchAndToggleOneBit)
{
    Sim::I2cBus& bus = World().I2cBusOf(2);
    bus.EnableLog(true);
    auto& outputs = Velmora::ExDigitalOutputs::GetInstance();
    outputs[0];
    World().RunFor(World().Microseconds(100));
    // The output register is cleared before the pins become outputs: no output ever went high.
    EXPECT_EQ(bus.TakeLog(), "S 42+ 02+ 00+ 00+ P S 42+ 06+ 00+ 00+ P S 42+ 04+ 00+ 00+ P "
                             "S 46+ 02+ 00+ 00+ P S 46+ 06+ 00+ 00+ P S 46+ 04+ 00+ 00+ P");
    for (int index = 0; index < 32; ++index)
        EXPECT_FALSE(World().ExOutputLevel(index)) << index;

    Driver::DigitalOutputEx::GetInstance(0).Write(0x0001);
    outputs[3].Toggle();
    EXPECT_EQ(Expander(1).RegisterPair(2), 0x0009);
    EXPECT_TRUE(World().ExOutputLevel(3));
    EXPECT_TRUE(outputs[3].IsOn());
    EXPECT_TRUE(outputs[0].IsOn());
    EXPECT_FALSE(outputs[1].IsOn());

    outputs[31].Toggle();
    EXPECT_EQ(Expander(3).RegisterPair(2), 0x8000);
    EXPECT_TRUE(World().ExOutputLevel(31));
    EXPECT_EQ(Driver::DigitalOutputEx::GetInstance(1).Read(), 0x8000);
    outputs[31].Toggle();
    EXPECT_FALSE(World().ExOutputLevel(31));
}

TEST_F(ExDigitalIOTest, ExpanderFailureReachesTheCaller)
{
    auto& inputs = Velmora::ExDigitalInputs::GetInstance();
    inputs[0]; // both input expanders set up
    World().I2cBusOf(2).SetAbsent(0x22, true); // the second input expander
    EXPECT_EQ(Thrown<std::runtime_error>([&] { inputs[20].IsOn(); }), "I2C: Timeout");
    // The first expander on the same bus still answers.
    World().DriveExInput(2, true);
    EXPECT_TRUE(inputs[2].IsOn());
}
