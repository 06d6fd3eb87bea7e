// Date-time values as the automation system keeps them: days since 1899-12-30, the
// fraction being the time of day. Formatting uses the programs' fixed layouts.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace trelon {

struct TDateParts {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, Msec = 0;
};

double EncodeDateTime(const TDateParts& p);
// days must be a calendar date (IsCalendarDate).
TDateParts DecodeDateTime(double days);
// Date-times from 0001-01-01 to 9999-12-31: the ones that decode to calendar dates.
bool IsCalendarDate(double days);

// Local time now, as a date-time value.
double NowDateTime();
// A system-clock time point as a local date-time value.
double ToLocalDateTime(std::chrono::system_clock::time_point tp);

std::string FormatDate(double days);      // dd.MM.yyyy
std::string FormatTime(double days);      // HH:mm:ss
std::string FormatDateTime(double days);  // dd.MM.yyyy HH:mm:ss

// A span of milliseconds as a date-time value (a fraction of days), and back, rounded to
// the nearest millisecond.
double MillisecondsToTime(int64_t ms);
int64_t TimeToMilliseconds(double days);

// An unsigned count of seconds as a date-time value. fromUnixEpoch: seconds since
// 1970-01-01 00:00:00. Otherwise whole days count from the start of the calendar, day 1 being
// 0001-01-01 (day 0 is the day before it).
double SecondsToDateTime(uint32_t seconds, bool fromUnixEpoch);

}  // namespace trelon
