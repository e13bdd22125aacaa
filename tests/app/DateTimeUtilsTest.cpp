#include "app/DateTimeUtils.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace
{

const char* const weekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// The weekday from the C library's own calendar arithmetic (timegm counts proleptic Gregorian days).
std::string LibraryWeekday(int year, int month, int day)
{
    std::tm date{};
    date.tm_year = year - 1900;
    date.tm_mon = month - 1;
    date.tm_mday = day;
    date.tm_hour = 12;
    const time_t seconds = timegm(&date);
    std::tm back{};
    gmtime_r(&seconds, &back);
    return weekdays[back.tm_wday];
}

TEST(DateTimeUtilsTest, KnownDatesGiveTheirWeekdays)
{
    EXPECT_EQ("Saturday", GetDayOfWeekString(2000, 1, 1));
    EXPECT_EQ("Tuesday", GetDayOfWeekString(2014, 10, 14));
    EXPECT_EQ("Monday", GetDayOfWeekString(1900, 1, 1));
    EXPECT_EQ("Thursday", GetDayOfWeekString(2099, 12, 31));
    EXPECT_EQ("Tuesday", GetDayOfWeekString(2000, 2, 29)); // a century leap day
    EXPECT_EQ("Thursday", GetDayOfWeekString(1970, 1, 1));
}

TEST(DateTimeUtilsTest, EveryDayOfTwoCenturiesMatchesAnIndependentCalendar)
{
    const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int checked = 0;
    for (int year = 1900; year <= 2099; ++year)
    {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        for (int month = 1; month <= 12; ++month)
        {
            const int days = lengths[month - 1] + (month == 2 && leap ? 1 : 0);
            for (int day = 1; day <= days; ++day, ++checked)
                ASSERT_EQ(LibraryWeekday(year, month, day), GetDayOfWeekString(year, month, day))
                    << year << "-" << month << "-" << day;
        }
    }
    EXPECT_EQ(73049, checked);
}

TEST(DateTimeUtilsTest, MonthsAreNamedFromZeroAndOthersAreEmpty)
{
    EXPECT_EQ("January", GetMonthString(0));
    EXPECT_EQ("February", GetMonthString(1));
    EXPECT_EQ("September", GetMonthString(8));
    EXPECT_EQ("December", GetMonthString(11));
    // Outside the table there is no name rather than a read past its end.
    EXPECT_EQ("", GetMonthString(12));
    EXPECT_EQ("", GetMonthString(-1));
}

TEST(DateTimeUtilsTest, DaysGetEnglishOrdinalSuffixes)
{
    const char* const expected[] = {"",     "1st",  "2nd",  "3rd",  "4th",  "5th",  "6th",  "7th",
                                    "8th",  "9th",  "10th", "11th", "12th", "13th", "14th", "15th",
                                    "16th", "17th", "18th", "19th", "20th", "21st", "22nd", "23rd",
                                    "24th", "25th", "26th", "27th", "28th", "29th", "30th", "31st"};
    for (int day = 1; day <= 31; ++day)
        EXPECT_EQ(expected[day], GetDayOfMonthString(day)) << day;
}

} // namespace
