#include "drivers/Driver/DigitalInputEx.h"

#include "drivers/Driver/PCA9535.h"

#include <stdexcept>
#include <string>

namespace Driver
{

struct DigitalInputExTable
{
    DigitalInputEx channels[DigitalInputEx::channelCount];

    DigitalInputExTable()
    {
        for (DigitalInputEx::Channel c = 0; c < DigitalInputEx::channelCount; ++c)
        {
            channels[c].m_channel = c;
            PCA9535& chip = DigitalInputEx::GetIOChip(c);
            chip.Write(PCA9535::Address::Configuration, 0xFFFF);
            chip.Write(PCA9535::Address::PolarityInversion, 0x0000);
        }
    }
};

PCA9535& DigitalInputEx::GetIOChip(Channel channel) { return PCA9535::GetInstance(channel); }

DigitalInputEx& DigitalInputEx::GetInstance(Channel channel)
{
    if (channel >= channelCount)
        throw std::out_of_range("DigitalInputEx: no channel " + std::to_string(channel));
    static DigitalInputExTable table;
    return table.channels[channel];
}

uint16_t DigitalInputEx::Read() { return GetIOChip(m_channel).Read(PCA9535::Address::Input); }

} // namespace Driver
