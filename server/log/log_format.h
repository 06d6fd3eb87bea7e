// The log file's name and line layout. Pure text functions, no I/O.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "log/log_records.h"

namespace trelon {

inline constexpr const char* kStartBanner = "*************** Старт сервера ******************";
inline constexpr const char* kCloseBanner = "*************** Закрытие сервера ***************";
inline constexpr const char* kUnexpectedError = "LogKeeper: неожиданная ошибка";

// Two upper-case hexadecimal digits and a blank per byte: {1, 10} gives "01 0A ".
std::string FormatHexBytes(std::span<const uint8_t> bytes);

// One line of the log file, ended by CR LF:
//   dd.MM.yyyy HH:mm:ss <tab> [Debug: ] text
//   dd.MM.yyyy HH:mm:ss <tab> id <tab> In|Out <tab> OK|Err <tab> hex bytes
std::string FormatLogLine(const TBaseLogTask& record);

// The name of the log file of a server started on that date: two-digit day, the Russian
// month abbreviation, four-digit year, ".log" (09дек2024.log), whatever the locale.
std::string LogFileName(double date);

}  // namespace trelon
