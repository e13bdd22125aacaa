#pragma once

#include "drivers/Edge.h"

#include <cstdint>
#include <functional>

namespace Driver
{

// The microcontroller's input pins, each optionally raising an edge interrupt that calls a
// handler. Channels 0 and 1 serve the SD card detect and the panel's tearing signal; 4 to 7 are
// the board's user inputs.
class DigitalInput
{
public:
    using Channel = uint8_t;
    static constexpr Channel channelCount = 11;

    // The first call configures all channels, in channel order.
    static DigitalInput& GetInstance(Channel channel);

    bool IsOn() const;
    bool IsHigh() const { return IsOn(); }
    bool IsOff() const;

    bool IsInterruptEnabled() const { return m_interruptEnabled; }
    void EnableInterrupt(bool enable);
    void EnableInterrupt(Velmora::Edge edge, bool enable);
    void DisableInterrupt(bool disable) { EnableInterrupt(!disable); }
    // Takes effect at the next enable.
    void SetInterruptEdge(Velmora::Edge edge) { m_edge = edge; }
    void SetInterruptHandler(std::function<void()> handler) { m_handler = std::move(handler); }

    // Runs the handler; a standard exception goes to the system's unhandled-exception handler,
    // never out of the interrupt.
    void ProcessInterrupt();

    DigitalInput(const DigitalInput&) = delete;
    DigitalInput& operator=(const DigitalInput&) = delete;

private:
    explicit DigitalInput(Channel channel);
    DigitalInput() = default;
    friend struct DigitalInputTable;

    Channel m_channel = 0;
    Velmora::Edge m_edge = Velmora::Edge::Rising;
    bool m_interruptEnabled = false;
    std::function<void()> m_handler;
};

} // namespace Driver
