#include "datetime.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace trelon {

namespace {

using namespace std::chrono;

constexpr sys_days kEpoch = sys_days(year{1899} / December / 30);
constexpr int64_t kMsPerDay = 86'400'000;

std::string TwoDigits(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

}  // namespace

double EncodeDateTime(const TDateParts& p) {
    sys_days d = sys_days(year{p.Year} / month{unsigned(p.Month)} / day{unsigned(p.Day)});
    double whole = double((d - kEpoch).count());
    double frac =
        (p.Hour * 3600000.0 + p.Minute * 60000.0 + p.Second * 1000.0 + p.Msec) / double(kMsPerDay);
    // Before the epoch the fraction still counts forward within the day.
    return whole >= 0 ? whole + frac : whole - frac;
}

TDateParts DecodeDateTime(double days) {
    // Work in whole milliseconds so that 0.99999999 does not print as 23:59:60.
    double whole = std::trunc(days);
    int64_t ms = std::llround(std::fabs(days - whole) * double(kMsPerDay));
    int64_t dayCount = int64_t(whole);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        dayCount += days >= 0 ? 1 : -1;
    }
    year_month_day ymd{kEpoch + std::chrono::days(dayCount)};
    TDateParts p;
    p.Year = int(ymd.year());
    p.Month = int(unsigned(ymd.month()));
    p.Day = int(unsigned(ymd.day()));
    p.Hour = int(ms / 3600000);
    p.Minute = int(ms / 60000 % 60);
    p.Second = int(ms / 1000 % 60);
    p.Msec = int(ms % 1000);
    return p;
}

bool IsCalendarDate(double days) {
    return std::isfinite(days) && days > -693594 && days < 2958466;
}

double ToLocalDateTime(system_clock::time_point tp) {
    time_t t = system_clock::to_time_t(tp);
    std::tm lt{};
    localtime_r(&t, &lt);
    int ms = int(duration_cast<milliseconds>(tp.time_since_epoch()).count() % 1000);
    if (ms < 0) ms += 1000;
    return EncodeDateTime(
        {lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min, lt.tm_sec, ms});
}

double NowDateTime() {
    return ToLocalDateTime(system_clock::now());
}

std::string FormatDate(double days) {
    TDateParts p = DecodeDateTime(days);
    return TwoDigits(p.Day) + "." + TwoDigits(p.Month) + "." + std::to_string(p.Year);
}

std::string FormatTime(double days) {
    TDateParts p = DecodeDateTime(days);
    return TwoDigits(p.Hour) + ":" + TwoDigits(p.Minute) + ":" + TwoDigits(p.Second);
}

std::string FormatDateTime(double days) {
    return FormatDate(days) + " " + FormatTime(days);
}

double MillisecondsToTime(int64_t ms) {
    return double(ms) / double(kMsPerDay);
}

int64_t TimeToMilliseconds(double days) {
    return std::llround(days * double(kMsPerDay));
}

double SecondsToDateTime(uint32_t seconds, bool fromUnixEpoch) {
    constexpr sys_days kUnixEpoch = sys_days(year{1970} / January / 1);
    constexpr sys_days kDayOne = sys_days(year{1} / January / 1);
    sys_days base = fromUnixEpoch ? kUnixEpoch : kDayOne - std::chrono::days(1);
    year_month_day ymd{base + std::chrono::days(seconds / 86'400)};
    uint32_t s = seconds % 86'400;
    return EncodeDateTime({int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())),
                           int(s / 3600), int(s / 60 % 60), int(s % 60), 0});
}

}  // namespace trelon
