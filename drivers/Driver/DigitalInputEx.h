#pragma once

#include <cstdint>

namespace Driver
{

class PCA9535;

// A 16-bit input port on a port expander: channel 0 is expander 0, channel 1 expander 1.
class DigitalInputEx
{
public:
    using Channel = uint8_t;
    static constexpr Channel channelCount = 2;

    // The first call makes both expanders all inputs without polarity inversion.
    static DigitalInputEx& GetInstance(Channel channel);
    static PCA9535& GetIOChip(Channel channel);

    // The input register pair, one transaction.
    uint16_t Read();

    DigitalInputEx(const DigitalInputEx&) = delete;
    DigitalInputEx& operator=(const DigitalInputEx&) = delete;

private:
    DigitalInputEx() = default;
    friend struct DigitalInputExTable;

    Channel m_channel = 0;
};

} // namespace Driver
