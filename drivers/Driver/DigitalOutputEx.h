#pragma once

#include <cstdint>

namespace Driver
{

class PCA9535;

// A 16-bit output port on a port expander: channel 0 is expander 2, channel 1 expander 3.
class DigitalOutputEx
{
public:
    using Channel = uint8_t;
    static constexpr Channel channelCount = 2;

    // The first call sets both expanders up as all outputs, all low, without polarity inversion.
    static DigitalOutputEx& GetInstance(Channel channel);
    static PCA9535& GetIOChip(Channel channel);

    // The output register pair as last written, one transaction.
    uint16_t Read();
    void Write(uint16_t value);

    DigitalOutputEx(const DigitalOutputEx&) = delete;
    DigitalOutputEx& operator=(const DigitalOutputEx&) = delete;

private:
    DigitalOutputEx() = default;
    friend struct DigitalOutputExTable;

    Channel m_channel = 0;
};

} // namespace Driver
