#include "drivers/DateTime.h"
#include "drivers/RTC.h"

#include "sim/World.h"
#include "sim/devices/I2cBoard.h"

#include "system_stm32f4xx.h"

#include "Thrown.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace
{

using Velmora::DateTime;
using Velmora::RTC;

template <class F> std::string RangeError(F f)
{
    const std::string message = Thrown<std::range_error>(f);
    return message == "no exception" ? "accepted" : message;
}

const char* const badYear = "Not a valid value for year";
const char* const badMonth = "Not a valid value for month";
const char* const badDay = "Not a valid value for the day of the month";
const char* const badHours = "Not a valid value for hours";
const char* const badMinutes = "Not a valid value for minutes";
const char* const badSeconds = "Not a valid value for seconds";

std::string Text(const DateTime& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.GetYear(), t.GetMonth(), t.GetDayOfMonth(),
                  t.GetHours(), t.GetMinutes(), t.GetSeconds());
    return text;
}

} // namespace

TEST(DateTimeTest, DefaultIsTheFirstDayOf1900)
{
    EXPECT_EQ(Text(DateTime()), "1900-01-01 00:00:00");
}

TEST(DateTimeTest, ConstructorChecksEveryFieldInOrder)
{
    EXPECT_EQ(RangeError([] { DateTime(1899, 1, 1, 0, 0, 0); }), badYear);
    EXPECT_EQ(RangeError([] { DateTime(2100, 1, 1, 0, 0, 0); }), badYear);
    EXPECT_EQ(RangeError([] { DateTime(1900, 1, 1, 0, 0, 0); }), "accepted");
    EXPECT_EQ(RangeError([] { DateTime(2099, 12, 31, 23, 59, 59); }), "accepted");
    EXPECT_EQ(RangeError([] { DateTime(2000, 0, 1, 0, 0, 0); }), badMonth);
    EXPECT_EQ(RangeError([] { DateTime(2000, 13, 1, 0, 0, 0); }), badMonth);
    EXPECT_EQ(RangeError([] { DateTime(2000, 1, 0, 0, 0, 0); }), badDay);
    EXPECT_EQ(RangeError([] { DateTime(2000, 1, 32, 0, 0, 0); }), badDay);
    EXPECT_EQ(RangeError([] { DateTime(2000, 1, 1, 24, 0, 0); }), "accepted");
    EXPECT_EQ(RangeError([] { DateTime(2000, 1, 1, 25, 0, 0); }), badHours);
    EXPECT_EQ(RangeError([] { DateTime(2000, 1, 1, 0, 60, 0); }), badMinutes);
    EXPECT_EQ(RangeError([] { DateTime(2000, 1, 1, 0, 0, 60); }), badSeconds);
    // The first bad field is the one reported.
    EXPECT_EQ(RangeError([] { DateTime(1899, 13, 40, 99, 99, 99); }), badYear);
    EXPECT_EQ(RangeError([] { DateTime(2000, 2, 30, 99, 99, 99); }), badDay);
}

TEST(DateTimeTest, DaysAreCheckedAgainstTheMonthWithoutLeapYears)
{
    EXPECT_EQ(RangeError([] { DateTime(2015, 2, 29, 0, 0, 0); }), "accepted");
    EXPECT_EQ(RangeError([] { DateTime(2015, 2, 30, 0, 0, 0); }), badDay);
    for (int month : {4, 6, 9, 11})
    {
        EXPECT_EQ(RangeError([month] { DateTime(2016, static_cast<uint8_t>(month), 30, 0, 0, 0); }), "accepted");
        EXPECT_EQ(RangeError([month] { DateTime(2016, static_cast<uint8_t>(month), 31, 0, 0, 0); }), badDay) << month;
    }
    for (int month : {1, 3, 5, 7, 8, 10, 12})
        EXPECT_EQ(RangeError([month] { DateTime(2016, static_cast<uint8_t>(month), 31, 0, 0, 0); }), "accepted")
            << month;
}

TEST(DateTimeTest, SettersCheckOnlyTheirFieldAndKeepTheOldValueOnError)
{
    DateTime t(2016, 1, 31, 10, 20, 30);
    EXPECT_EQ(RangeError([&] { t.SetDayOfMonth(32); }), badDay);
    EXPECT_EQ(t.GetDayOfMonth(), 31);
    // SetMonth does not look at the stored day: 31 April stands.
    t.SetMonth(4);
    EXPECT_EQ(Text(t), "2016-04-31 10:20:30");
    // SetDayOfMonth checks against the stored month.
    EXPECT_EQ(RangeError([&] { t.SetDayOfMonth(31); }), badDay);
    EXPECT_EQ(RangeError([&] { t.SetYear(2100); }), badYear);
    EXPECT_EQ(RangeError([&] { t.SetMonth(0); }), badMonth);
    EXPECT_EQ(RangeError([&] { t.SetHours(25); }), badHours);
    EXPECT_EQ(RangeError([&] { t.SetMinutes(60); }), badMinutes);
    EXPECT_EQ(RangeError([&] { t.SetSeconds(60); }), badSeconds);
    EXPECT_EQ(Text(t), "2016-04-31 10:20:30");
    t.SetYear(1999);
    t.SetHours(24);
    t.SetMinutes(0);
    t.SetSeconds(59);
    t.SetDayOfMonth(30);
    EXPECT_EQ(Text(t), "1999-04-30 24:00:59");
    DateTime copy;
    copy = t;
    EXPECT_EQ(Text(copy), Text(t));
}

TEST(DateTimeTest, ClockRegistersAreBcdWithTheCenturyInTheMonth)
{
    uint8_t registers[7] = {};
    RTC::Encode(DateTime(2014, 3, 7, 9, 5, 2), registers);
    const uint8_t expected[7] = {0x02, 0x05, 0x09, 0x01, 0x07, 0x83, 0x14};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(registers[i], expected[i]) << i;
    RTC::Encode(DateTime(1999, 12, 31, 23, 59, 59), registers);
    EXPECT_EQ(registers[5], 0x12) << "1999 has the century bit clear";
    EXPECT_EQ(registers[6], 0x99);
    RTC::Encode(DateTime(2000, 1, 1, 0, 0, 0), registers);
    EXPECT_EQ(registers[5], 0x81) << "2000 has it set";
    EXPECT_EQ(registers[6], 0x00);

    const uint8_t lastSecond[7] = {0x59, 0x59, 0x23, 0x05, 0x31, 0x12, 0x99};
    EXPECT_EQ(Text(RTC::Decode(lastSecond)), "1999-12-31 23:59:59");
    const uint8_t nextCentury[7] = {0x59, 0x59, 0x23, 0x05, 0x31, 0x92, 0x99};
    EXPECT_EQ(Text(RTC::Decode(nextCentury)), "2099-12-31 23:59:59");
    // Bits outside each field are ignored (day of week, 12-hour flag's neighbours).
    const uint8_t flagged[7] = {0x80 | 0x15, 0x80 | 0x30, 0x12, 0xFF, 0xC1, 0x60 | 0x01, 0x07};
    EXPECT_EQ(Text(RTC::Decode(flagged)), "1907-01-01 12:30:15");
    // Garbage that decodes to no date is refused with the first bad field.
    const uint8_t garbage[7] = {0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00};
    EXPECT_EQ(RangeError([&] { RTC::Decode(garbage); }), badDay);
}

TEST(DateTimeTest, ClockSetThroughTheRtcRunsOnInVirtualTime)
{
    SystemInit();
    Sim::World& world = Sim::World::Get();
    RTC& rtc = RTC::GetInstance();
    rtc.SetDateTime(DateTime(2023, 12, 31, 23, 59, 30));
    EXPECT_EQ(Text(rtc.GetDateTime()), "2023-12-31 23:59:30");
    world.RunFor(world.Milliseconds(15000));
    EXPECT_EQ(Text(rtc.GetDateTime()), "2023-12-31 23:59:45");
    world.RunFor(world.Milliseconds(45000));
    EXPECT_EQ(Text(rtc.GetDateTime()), "2024-01-01 00:00:30");
    const Sim::CalendarTime seen = world.ClockTime();
    EXPECT_EQ(seen.year, 2024);
    EXPECT_EQ(seen.minutes, 0);
    EXPECT_EQ(seen.seconds, 30);
}

TEST(DateTimeTest, WorldTimeReachesTheFirmwareAndCenturiesRoll)
{
    SystemInit();
    Sim::World& world = Sim::World::Get();
    world.SetClockTime(Sim::CalendarTime{1999, 12, 31, 23, 59, 58});
    RTC& rtc = RTC::GetInstance();
    EXPECT_EQ(Text(rtc.GetDateTime()), "1999-12-31 23:59:58");
    world.RunFor(world.Milliseconds(2500));
    EXPECT_EQ(Text(rtc.GetDateTime()), "2000-01-01 00:00:00");
    // Leap day of 2000 and the end of February.
    world.SetClockTime(Sim::CalendarTime{2000, 2, 28, 23, 59, 59});
    world.RunFor(world.Milliseconds(1000));
    EXPECT_EQ(Text(rtc.GetDateTime()), "2000-02-29 00:00:00");
    world.SetClockTime(Sim::CalendarTime{2001, 2, 28, 23, 59, 59});
    world.RunFor(world.Milliseconds(1000));
    EXPECT_EQ(Text(rtc.GetDateTime()), "2001-03-01 00:00:00");
}

TEST(DateTimeTest, BusFailureReachesTheCaller)
{
    SystemInit();
    RTC& rtc = RTC::GetInstance();
    Sim::World::Get().I2cBusOf(1).SetAbsent(0x68, true);
    EXPECT_EQ(Thrown<std::runtime_error>([&] { rtc.GetDateTime(); }), "I2C: Timeout");
}
