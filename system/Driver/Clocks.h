#pragma once

#include <cstdint>

namespace Driver
{

// The frequencies of the two peripheral buses. Drivers derive their timer prescalers and time
// conversions from these at run time instead of from constants, so that a different clock tree
// only has to be set up in one place.
class Clocks
{
public:
    static Clocks& GetInstance();

    // PCLK1 in Hz, read from the clock controller on every call.
    uint32_t GetPeripheralBus1Frequency() const;
    // PCLK2 in Hz, read from the clock controller on every call.
    uint32_t GetPeripheralBus2Frequency() const;

    Clocks(const Clocks&) = delete;
    Clocks& operator=(const Clocks&) = delete;

private:
    Clocks() = default;
};

} // namespace Driver
