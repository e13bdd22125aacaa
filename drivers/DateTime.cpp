#include "drivers/DateTime.h"

#include <stdexcept>

namespace Velmora
{

namespace
{

void CheckYear(uint16_t year)
{
    if (year < 1900 || year > 2099)
        throw std::range_error("Not a valid value for year");
}

void CheckMonth(uint8_t month)
{
    if (month < 1 || month > 12)
        throw std::range_error("Not a valid value for month");
}

// The only calendar rule: no 30th in February, no 31st in the short months; leap years are not
// considered.
void CheckDay(uint8_t day, uint8_t month)
{
    const bool shortMonth = month == 2 || month == 4 || month == 6 || month == 9 || month == 11;
    if (day < 1 || day > 31 || (day == 30 && month == 2) || (day == 31 && shortMonth))
        throw std::range_error("Not a valid value for the day of the month");
}

void CheckHours(uint8_t hours)
{
    if (hours > 24)
        throw std::range_error("Not a valid value for hours");
}

void CheckMinutes(uint8_t minutes)
{
    if (minutes > 59)
        throw std::range_error("Not a valid value for minutes");
}

void CheckSeconds(uint8_t seconds)
{
    if (seconds > 59)
        throw std::range_error("Not a valid value for seconds");
}

} // namespace

DateTime::DateTime(uint16_t year, uint8_t month, uint8_t dayOfMonth, uint8_t hours, uint8_t minutes, uint8_t seconds)
    : m_year(0), m_month(0), m_dayOfMonth(0), m_hours(0), m_minutes(0), m_seconds(0)
{
    // The month goes in before the day, which is checked against it.
    SetYear(year);
    SetMonth(month);
    SetDayOfMonth(dayOfMonth);
    SetHours(hours);
    SetMinutes(minutes);
    SetSeconds(seconds);
}

void DateTime::SetYear(uint16_t year)
{
    CheckYear(year);
    m_year = year;
}

void DateTime::SetMonth(uint8_t month)
{
    CheckMonth(month);
    m_month = month;
}

void DateTime::SetDayOfMonth(uint8_t dayOfMonth)
{
    CheckDay(dayOfMonth, m_month);
    m_dayOfMonth = dayOfMonth;
}

void DateTime::SetHours(uint8_t hours)
{
    CheckHours(hours);
    m_hours = hours;
}

void DateTime::SetMinutes(uint8_t minutes)
{
    CheckMinutes(minutes);
    m_minutes = minutes;
}

void DateTime::SetSeconds(uint8_t seconds)
{
    CheckSeconds(seconds);
    m_seconds = seconds;
}

} // namespace Velmora
