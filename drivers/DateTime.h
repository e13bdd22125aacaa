#pragma once

#include <cstdint>

namespace Velmora
{

// A validated calendar date and time of day, one-second resolution, no time zone. Years run from
// 1900 to 2099; the day of the month is checked against the month only (29 February is accepted
// in every year); hours run to 24. Invalid values throw std::range_error.
class DateTime
{
public:
    // 1900-01-01 00:00:00.
    DateTime() = default;
    // Checks and stores year, month, day, hours, minutes, seconds in that order; the first invalid
    // one throws.
    DateTime(uint16_t year, uint8_t month, uint8_t dayOfMonth, uint8_t hours, uint8_t minutes, uint8_t seconds);

    DateTime(const DateTime&) = default;
    DateTime& operator=(const DateTime&) = default;

    uint16_t GetYear() const { return m_year; }
    uint8_t GetMonth() const { return m_month; }
    uint8_t GetDayOfMonth() const { return m_dayOfMonth; }
    uint8_t GetHours() const { return m_hours; }
    uint8_t GetMinutes() const { return m_minutes; }
    uint8_t GetSeconds() const { return m_seconds; }

    // Each checks only its own field (the day against the stored month) and keeps the old value
    // when it throws. SetMonth does not re-check the stored day.
    void SetYear(uint16_t year);
    void SetMonth(uint8_t month);
    void SetDayOfMonth(uint8_t dayOfMonth);
    void SetHours(uint8_t hours);
    void SetMinutes(uint8_t minutes);
    void SetSeconds(uint8_t seconds);

private:
    uint16_t m_year = 1900;
    uint8_t m_month = 1;
    uint8_t m_dayOfMonth = 1;
    uint8_t m_hours = 0;
    uint8_t m_minutes = 0;
    uint8_t m_seconds = 0;
};

} // namespace Velmora
