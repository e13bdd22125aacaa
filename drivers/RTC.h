#pragma once

#include "drivers/DateTime.h"

#include <cstdint>

namespace Velmora
{

// The board's real-time clock (the DS3231), read and set as a DateTime.
class RTC
{
public:
    static RTC& GetInstance();

    // Reads the seven clock registers in one transaction. Contents that are no valid date (a
    // clock that lost its backup power) throw the DateTime's std::range_error; a bus failure
    // throws "I2C: Timeout".
    DateTime GetDateTime();
    // Writes all seven registers in one transaction, in 24-hour form, day of week 1.
    void SetDateTime(const DateTime& dateTime);

    // The register image of a date and time, and back (years 2000 and later set the century bit).
    static void Encode(const DateTime& dateTime, uint8_t* registers);
    static DateTime Decode(const uint8_t* registers);

    RTC(const RTC&) = delete;
    RTC& operator=(const RTC&) = delete;

private:
    RTC() = default;
};

extern RTC& rtc;

} // namespace Velmora
