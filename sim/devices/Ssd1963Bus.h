// The SSD1963 as the board wires it: its 16-bit bus on FSMC region 3 (NE3, 0x68000000; address
// bit 4, FSMC A3 on PF3, selects command or data), its reset input on PB5, its tearing-effect
// output on PG7 and its reference clock from MCO1 on PA8 (alternate function 0).
#pragma once

#include "sim/devices/SSD1963.h"
#include "sim/models/Fsmc.h"
#include "sim/models/Gpio.h"

namespace Sim
{

class Ssd1963Bus : public FsmcWindow, public PinListener
{
public:
    Ssd1963Bus(Board& board, Fsmc& fsmc);

    SSD1963& chip() { return m_chip; }

    void Reset() override;
    void PinChanged(int port, int pin, bool level) override;

protected:
    void DeviceWrite(uint32_t offset, uint16_t value, Tick strobe) override;
    uint16_t DeviceRead(uint32_t offset, Tick strobe) override;

private:
    uint32_t ReferenceClock();

    SSD1963 m_chip;
};

} // namespace Sim
