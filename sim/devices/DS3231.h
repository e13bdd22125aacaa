// Fidelity: DS3231 real-time clock on I2C (address 1101000): the 19 registers 00h..12h behind a
// register pointer that increments after each byte and wraps from 12h to 00h; seconds, minutes,
// hours (12/24-hour select in bit 6, AM/PM in bit 5 in 12-hour mode), day of week (1..7, advancing
// at midnight), date, month with the century bit (toggled when the year rolls from 99 to 00) and
// year, all BCD, advancing once a second with virtual time; every year divisible by 4 (00
// included) is a leap year. Reads come from a copy of the time taken at each START and when the
// pointer wraps to 00h, so a multi-byte read is consistent. Writing the seconds restarts the
// one-second divider. Alarm, control, status (the oscillator-stop flag is set at first power-up
// and cleared only by writing it 0), aging and temperature registers are stored.
// Differs: alarms do not fire (no INT/SQW or 32 kHz output), the temperature reads a constant
// 25 C, the oscillator never stops or drifts; illogical time values advance as the nearest valid
// ones would.
#pragma once

#include "sim/Clock.h"
#include "sim/devices/I2cBus.h"

#include <cstdint>

namespace Sim
{

class Board;

// A date and time as the world sets and reads it.
struct CalendarTime
{
    int year = 2000; // 1900 to 2099: the century bit tells 19xx from 20xx
    int month = 1;
    int day = 1;
    int hours = 0; // 0 to 23
    int minutes = 0;
    int seconds = 0;
};

class DS3231 : public I2cDevice
{
public:
    static constexpr uint8_t registerCount = 0x13;

    explicit DS3231(Board& board);

    // The time now. Setting it keeps the 12/24-hour mode, sets the day of week from the date,
    // restarts the one-second divider and clears the oscillator-stop flag (a clock that was set).
    CalendarTime Time();
    void SetTime(const CalendarTime& time);
    // Registers as they stand now (time registers brought up to date).
    uint8_t ReadRegister(uint8_t address);
    void WriteRegister(uint8_t address, uint8_t value);

    // Virtual time restarted at 0 (a power-on reset of the board): the battery kept the clock
    // running, so only the reference point moves.
    void Rebase();

    void Start() override;
    void Stop() override {}
    bool Select(bool read) override;
    bool Receive(uint8_t byte) override;
    uint8_t Transmit() override;

private:
    void Advance();
    void StepSecond();
    void Store(uint8_t address, uint8_t value);

    Board& m_board;
    uint8_t m_registers[registerCount] = {};
    uint8_t m_buffer[7] = {}; // the user copy of the time registers for reading
    Tick m_secondStart = 0; // when the current second began
    uint8_t m_pointer = 0;
    bool m_pointerSet = false; // the first byte of this write set the pointer
};

} // namespace Sim
