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
TDateParts DecodeDateTime(double days);

// Local time now, as a date-time value.
double NowDateTime();
// A system-clock time point as a local date-time value.
double ToLocalDateTime(std::chrono::system_clock::time_point tp);

std::string FormatDate(double days);      // dd.MM.yyyy
std::string FormatTime(double days);      // HH:mm:ss
std::string FormatDateTime(double days);  // dd.MM.yyyy HH:mm:ss

// An unsigned count of seconds as a date-time. fromUnixEpoch: counted from 1970-01-01
// 00:00:00; otherwise seconds div 86400 is a day number with day 1 = 0001-01-01.
double SecondsToDateTime(uint32_t seconds, bool fromUnixEpoch);

}  // namespace trelon
