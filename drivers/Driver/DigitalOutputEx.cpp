#include "drivers/Driver/DigitalOutputEx.h"

#include "drivers/Driver/PCA9535.h"

#include <stdexcept>
#include <string>

namespace Driver
{

struct DigitalOutputExTable
{
    DigitalOutputEx channels[DigitalOutputEx::channelCount];

    DigitalOutputExTable()
    {
        for (DigitalOutputEx::Channel c = 0; c < DigitalOutputEx::channelCount; ++c)
        {
            channels[c].m_channel = c;
            PCA9535& chip = DigitalOutputEx::GetIOChip(c);
            // The output register comes first: an expander powers up with it all ones, and turning
            // the pins into outputs before clearing it would switch every output on for a moment.
            chip.Write(PCA9535::Address::Output, 0x0000);
            chip.Write(PCA9535::Address::Configuration, 0x0000);
            chip.Write(PCA9535::Address::PolarityInversion, 0x0000);
        }
    }
};

PCA9535& DigitalOutputEx::GetIOChip(Channel channel)
{
    return PCA9535::GetInstance(static_cast<PCA9535::Channel>(channel + 2));
}

DigitalOutputEx& DigitalOutputEx::GetInstance(Channel channel)
{
    if (channel >= channelCount)
        throw std::out_of_range("DigitalOutputEx: no channel " + std::to_string(channel));
    static DigitalOutputExTable table;
    return table.channels[channel];
}

uint16_t DigitalOutputEx::Read() { return GetIOChip(m_channel).Read(PCA9535::Address::Output); }

void DigitalOutputEx::Write(uint16_t value) { GetIOChip(m_channel).Write(PCA9535::Address::Output, value); }

} // namespace Driver
