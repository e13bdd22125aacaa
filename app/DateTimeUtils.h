#pragma once

#include <string>

// The date spelled out in English words, for the main page's date line.

// The weekday of a Gregorian date ("Monday" .. "Sunday"); month 1 to 12.
std::string GetDayOfWeekString(int year, int month, int day);
// The month's name for index 0 (January) to 11 (December); anything else gives an empty text.
std::string GetMonthString(int month);
// The day in decimal with its ordinal suffix: 1st, 2nd, 3rd, 4th, 11th, 12th, 13th, 21st.
std::string GetDayOfMonthString(int day);
