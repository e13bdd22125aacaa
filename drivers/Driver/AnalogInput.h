#pragma once

#include "system/Stopwatch.h"

#include <cstdint>

namespace Driver
{

// The board's four analog inputs, each converted on demand with one polled conversion:
// channel 0 PC4 and 1 PC5 on ADC2 (inputs 14, 15), channel 2 PF6 and 3 PF7 on ADC3 (inputs 4, 5).
// Two channels share each converter, so conversions must not run concurrently.
class AnalogInput
{
public:
    using Channel = uint8_t;
    static constexpr Channel channelCount = 4;

    // The first call configures all channels and switches both converters on. Throws
    // std::out_of_range for a channel past the table.
    static AnalogInput& GetInstance(Channel channel);

    Channel GetChannel() const { return m_channel; }
    // One conversion, 0 to 4095. Throws std::runtime_error "AnalogInput: Timeout" if it does not
    // finish within 10 ms; the channel can be used again afterwards.
    uint16_t GetValue();

    AnalogInput(const AnalogInput&) = delete;
    AnalogInput& operator=(const AnalogInput&) = delete;

private:
    AnalogInput() = default;
    void Initialise(Channel channel);
    friend struct AnalogInputTable;

    Channel m_channel = 0;
    Velmora::Stopwatch m_stopwatch;
};

} // namespace Driver
