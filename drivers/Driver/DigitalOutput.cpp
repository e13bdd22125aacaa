#include "drivers/Driver/DigitalOutput.h"

#include "drivers/Driver/GPIO.h"
#include "stm32f4xx.h"
#include "stm32f4xx_gpio.h"

#include <stdexcept>
#include <string>

namespace Driver
{

namespace
{

struct OutputPin
{
    GPIO::Port port;
    GPIO::Pin pin;
    GPIO::Pull pull;
};

// Indexed by channel.
constexpr OutputPin outputPins[DigitalOutput::channelCount] = {
    {GPIO::Port::B, 5, GPIO::Pull::None}, // panel controller reset
    {GPIO::Port::B, 13, GPIO::Pull::Up},  // user output 0
    {GPIO::Port::E, 2, GPIO::Pull::Up},   // user output 1
    {GPIO::Port::G, 13, GPIO::Pull::Up},  // user output 2
    {GPIO::Port::G, 14, GPIO::Pull::Up},  // user output 3
    {GPIO::Port::C, 1, GPIO::Pull::Up},   // touch drive lines
    {GPIO::Port::F, 10, GPIO::Pull::Up},
    {GPIO::Port::C, 0, GPIO::Pull::Up},
    {GPIO::Port::F, 11, GPIO::Pull::Up},
    {GPIO::Port::A, 4, GPIO::Pull::Up}, // spare
};

} // namespace

struct DigitalOutputTable
{
    DigitalOutput channels[DigitalOutput::channelCount];

    DigitalOutputTable()
    {
        for (DigitalOutput::Channel c = 0; c < DigitalOutput::channelCount; ++c)
        {
            channels[c].m_channel = c;
            const OutputPin& p = outputPins[c];
            GPIO::GetInstance().DigitalOut(p.port, p.pin, p.pull, GPIO::OutputType::PushPull, true,
                                           GPIO::Speed::High);
        }
    }
};

DigitalOutput& DigitalOutput::GetInstance(Channel channel)
{
    // Channels are fixed by the board; a wrong number is a programming error, not something to
    // index past the table with.
    if (channel >= channelCount)
        throw std::out_of_range("DigitalOutput: no channel " + std::to_string(channel));
    static DigitalOutputTable table;
    return table.channels[channel];
}

bool DigitalOutput::IsOn() const
{
    const OutputPin& p = outputPins[m_channel];
    return GPIO_ReadOutputDataBit(GPIO::Registers(p.port), static_cast<uint16_t>(1u << p.pin)) == 1;
}

void DigitalOutput::High(bool value)
{
    const OutputPin& p = outputPins[m_channel];
    GPIO_WriteBit(GPIO::Registers(p.port), static_cast<uint16_t>(1u << p.pin), value ? Bit_SET : Bit_RESET);
}

void DigitalOutput::Toggle()
{
    const OutputPin& p = outputPins[m_channel];
    GPIO_ToggleBits(GPIO::Registers(p.port), static_cast<uint16_t>(1u << p.pin));
}

} // namespace Driver
