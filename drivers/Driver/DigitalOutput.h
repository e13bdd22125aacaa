#pragma once

#include <cstdint>

namespace Driver
{

// The microcontroller's output pins: the panel controller's reset line, the four user outputs
// and the touch screen's drive lines among them. Construction leaves each pin at the port's
// reset level (low).
class DigitalOutput
{
public:
    using Channel = uint8_t;
    static constexpr Channel channelCount = 10;

    // The first call configures all channels.
    static DigitalOutput& GetInstance(Channel channel);

    bool IsOn() const;
    void High(bool value);
    void Low(bool value) { High(!value); }
    void Toggle();

    DigitalOutput(const DigitalOutput&) = delete;
    DigitalOutput& operator=(const DigitalOutput&) = delete;

private:
    DigitalOutput() = default;
    friend struct DigitalOutputTable;

    Channel m_channel = 0;
};

} // namespace Driver
