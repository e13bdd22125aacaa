// The board's two I2C buses and what hangs on them: I2C1 (PB8 SCL, PB9 SDA) carries the DS3231
// clock (address 68h) and the EEPROM (50h); I2C2 (PB10 SCL, PB11 SDA) carries four PCA9535 port
// expanders at 20h to 23h. Both buses have pull-up resistors on the board. These devices lie
// outside the chip: a reset of the chip leaves them as they are.
#pragma once

#include "sim/devices/DS3231.h"
#include "sim/devices/Eeprom.h"
#include "sim/devices/I2cBus.h"
#include "sim/devices/PCA9535.h"

#include <memory>

namespace Sim
{

class Board;

class I2cBoard
{
public:
    static constexpr int expanderCount = 4;

    explicit I2cBoard(Board& board);

    // Bus 1 or 2.
    I2cBus& Bus(int number) { return number == 2 ? m_bus2 : m_bus1; }
    DS3231& Clock() { return m_clock; }
    Eeprom& Memory() { return m_eeprom; }
    // The expander with hardware address 0..3 (A2..A0).
    PCA9535& Expander(int hardwareAddress) { return *m_expanders[hardwareAddress & 3]; }

    // Virtual time is about to restart at 0: the clock brings its registers up to date first.
    void BeforeTimeRestarts() { m_clock.Time(); }
    // Power-on of the whole board: the expanders start afresh, the clock keeps running on its
    // battery and the EEPROM keeps its contents.
    void PowerOnReset();

private:
    I2cBus m_bus1;
    I2cBus m_bus2;
    DS3231 m_clock;
    Eeprom m_eeprom;
    std::unique_ptr<PCA9535> m_expanders[expanderCount];
};

} // namespace Sim
