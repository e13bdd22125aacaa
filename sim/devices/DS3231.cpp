// Fidelity: see the note in DS3231.h.
#include "sim/devices/DS3231.h"

#include "sim/Board.h"

namespace Sim
{

namespace
{
int FromBcd(uint8_t value) { return (value >> 4) * 10 + (value & 0x0F); }
uint8_t ToBcd(int value) { return static_cast<uint8_t>(((value / 10) << 4) | (value % 10)); }

int DaysInMonth(int month, int year)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year % 4 == 0)
        return 29;
    return month >= 1 && month <= 12 ? days[month - 1] : 31;
}

// Day of week 1..7 with 1 = Monday, from the civil date (Zeller-style count).
int DayOfWeek(int year, int month, int day)
{
    static const int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    const int sunday0 = (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
    return sunday0 == 0 ? 7 : sunday0;
}

const uint8_t statusOsf = 0x80;
} // namespace

DS3231::DS3231(Board& board) : m_board(board)
{
    // Power-up state: 00-01-01 00:00:00, day 1, century 0; oscillator-stop flag set; control
    // register with INTCN set.
    m_registers[3] = 1;
    m_registers[4] = 1;
    m_registers[5] = 1;
    m_registers[0x0E] = 0x1C;
    m_registers[0x0F] = statusOsf | 0x08;
    m_registers[0x11] = 25;
    m_secondStart = board.clock().Now();
}

void DS3231::Rebase() { m_secondStart = m_board.clock().Now(); }

void DS3231::Advance()
{
    const Tick now = m_board.clock().Now();
    if (now < m_secondStart)
    {
        m_secondStart = now;
        return;
    }
    uint64_t seconds = (now - m_secondStart) / ticksPerSecond;
    m_secondStart += seconds * ticksPerSecond;
    while (seconds-- > 0)
        StepSecond();
}

void DS3231::StepSecond()
{
    uint8_t* r = m_registers;
    int seconds = FromBcd(r[0] & 0x7F) + 1;
    if (seconds < 60)
    {
        r[0] = ToBcd(seconds);
        return;
    }
    r[0] = 0;
    const int minutes = FromBcd(r[1] & 0x7F) + 1;
    if (minutes < 60)
    {
        r[1] = ToBcd(minutes);
        return;
    }
    r[1] = 0;
    bool newDay = false;
    if (r[2] & 0x40)
    {
        // 12-hour mode: 12 AM, 1 .. 11 AM, 12 PM, 1 .. 11 PM; the day changes at 12 AM.
        const int hour = FromBcd(r[2] & 0x1F);
        bool pm = (r[2] & 0x20) != 0;
        int next = hour + 1;
        if (hour == 11)
        {
            pm = !pm;
            newDay = !pm;
        }
        if (next > 12)
            next = 1;
        r[2] = static_cast<uint8_t>(0x40 | (pm ? 0x20 : 0) | ToBcd(next));
    }
    else
    {
        int hour = FromBcd(r[2] & 0x3F) + 1;
        if (hour >= 24)
        {
            hour = 0;
            newDay = true;
        }
        r[2] = ToBcd(hour);
    }
    if (!newDay)
        return;
    r[3] = static_cast<uint8_t>((r[3] & 7) % 7 + 1);
    int year = FromBcd(r[6]);
    int month = FromBcd(r[5] & 0x1F);
    int day = FromBcd(r[4] & 0x3F) + 1;
    if (day <= DaysInMonth(month, year))
    {
        r[4] = ToBcd(day);
        return;
    }
    r[4] = 1;
    uint8_t century = r[5] & 0x80;
    if (++month > 12)
    {
        month = 1;
        if (++year > 99)
        {
            year = 0;
            century ^= 0x80;
        }
        r[6] = ToBcd(year);
    }
    r[5] = static_cast<uint8_t>(century | ToBcd(month));
}

CalendarTime DS3231::Time()
{
    Advance();
    const uint8_t* r = m_registers;
    CalendarTime time;
    time.seconds = FromBcd(r[0] & 0x7F);
    time.minutes = FromBcd(r[1] & 0x7F);
    if (r[2] & 0x40)
    {
        const int hour = FromBcd(r[2] & 0x1F) % 12;
        time.hours = hour + ((r[2] & 0x20) != 0 ? 12 : 0);
    }
    else
        time.hours = FromBcd(r[2] & 0x3F);
    time.day = FromBcd(r[4] & 0x3F);
    time.month = FromBcd(r[5] & 0x1F);
    time.year = 1900 + ((r[5] & 0x80) != 0 ? 100 : 0) + FromBcd(r[6]);
    return time;
}

void DS3231::SetTime(const CalendarTime& time)
{
    Advance();
    uint8_t* r = m_registers;
    r[0] = ToBcd(time.seconds);
    r[1] = ToBcd(time.minutes);
    if (r[2] & 0x40)
    {
        const int hour = time.hours % 12 == 0 ? 12 : time.hours % 12;
        r[2] = static_cast<uint8_t>(0x40 | (time.hours >= 12 ? 0x20 : 0) | ToBcd(hour));
    }
    else
        r[2] = ToBcd(time.hours);
    r[3] = static_cast<uint8_t>(DayOfWeek(time.year, time.month, time.day));
    r[4] = ToBcd(time.day);
    r[5] = static_cast<uint8_t>((time.year >= 2000 ? 0x80 : 0) | ToBcd(time.month));
    r[6] = ToBcd(time.year % 100);
    r[0x0F] &= static_cast<uint8_t>(~statusOsf);
    m_secondStart = m_board.clock().Now();
}

uint8_t DS3231::ReadRegister(uint8_t address)
{
    Advance();
    return address < registerCount ? m_registers[address] : 0;
}

void DS3231::WriteRegister(uint8_t address, uint8_t value)
{
    Advance();
    Store(address, value);
}

void DS3231::Store(uint8_t address, uint8_t value)
{
    if (address >= registerCount)
        return;
    switch (address)
    {
    case 0x0F:
        // The oscillator-stop flag can only be cleared; BSY is the device's own.
        value = static_cast<uint8_t>((value & 0x7B & ~statusOsf) | (m_registers[address] & value & statusOsf) |
                                     (m_registers[address] & 0x04));
        break;
    case 0x11:
    case 0x12:
        return; // temperature: read-only
    default:
        break;
    }
    m_registers[address] = value;
    if (address == 0)
        m_secondStart = m_board.clock().Now(); // writing the seconds restarts the divider
}

void DS3231::Start()
{
    Advance();
    for (int i = 0; i < 7; ++i)
        m_buffer[i] = m_registers[i];
    m_pointerSet = false;
}

bool DS3231::Select(bool) { return true; }

bool DS3231::Receive(uint8_t byte)
{
    if (!m_pointerSet)
    {
        m_pointer = byte < registerCount ? byte : 0;
        m_pointerSet = true;
        return true;
    }
    Advance();
    Store(m_pointer, byte);
    if (m_pointer < 7)
        m_buffer[m_pointer] = m_registers[m_pointer];
    m_pointer = static_cast<uint8_t>((m_pointer + 1) % registerCount);
    return true;
}

uint8_t DS3231::Transmit()
{
    uint8_t value;
    if (m_pointer < 7)
        value = m_buffer[m_pointer];
    else
    {
        Advance();
        value = m_registers[m_pointer];
    }
    m_pointer = static_cast<uint8_t>((m_pointer + 1) % registerCount);
    if (m_pointer == 0)
    {
        // Rolling over to 00h refreshes the copy, as a START does.
        Advance();
        for (int i = 0; i < 7; ++i)
            m_buffer[i] = m_registers[i];
    }
    return value;
}

} // namespace Sim
