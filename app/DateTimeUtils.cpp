#include "app/DateTimeUtils.h"

#include "graphics/VelmoraExtensions.h"

std::string GetDayOfWeekString(int year, int month, int day)
{
    static const char* const weekdayname[] = {"Monday", "Tuesday", "Wednesday", "Thursday",
                                              "Friday", "Saturday", "Sunday"};
    // The Julian day number, whose remainder by 7 is 0 on Mondays.
    const int a = (14 - month) / 12;
    const int y = year + 4800 - a;
    const int m = month + 12 * a - 3;
    const int jdn = day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
    return weekdayname[static_cast<unsigned int>(jdn) % 7];
}

std::string GetMonthString(int month)
{
    static const char* const monthStrings[] = {"January", "February", "March",     "April",   "May",      "June",
                                               "July",    "August",   "September", "October", "November", "December"};
    // An index outside the table would read past it.
    if (month < 0 || month > 11)
        return std::string();
    return monthStrings[month];
}

std::string GetDayOfMonthString(int day)
{
    const char* suffix = "th";
    if (day < 10 || day > 20)
    {
        switch (day % 10)
        {
        case 1:
            suffix = "st";
            break;
        case 2:
            suffix = "nd";
            break;
        case 3:
            suffix = "rd";
            break;
        default:
            break;
        }
    }
    return Velmora::ToString(day) + suffix;
}
