#include "log/log_format.h"

#include <algorithm>

#include "datetime.h"

namespace trelon {

namespace {

constexpr const char* kMonthAbbreviations[12] = {"янв", "фев", "мар", "апр", "май", "июн",
                                                 "июл", "авг", "сен", "окт", "ноя", "дек"};

std::string DataBody(const TTransportDataLogTask& r) {
    size_t count = std::min<size_t>(r.Count, r.Data.size());
    return std::to_string(r.TransportID) + "\t" + (r.Direction == kDirectionIn ? "In" : "Out") +
           "\t" + (r.Success ? "OK" : "Err") + "\t" +
           FormatHexBytes(std::span(r.Data.data(), count));
}

}  // namespace

std::string FormatHexBytes(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
        out += ' ';
    }
    return out;
}

std::string FormatLogLine(const TBaseLogTask& record) {
    std::string line = FormatDateTime(record.Time) + "\t";
    if (record.IsDebug) line += "Debug: ";
    if (record.Kind == TLogRecordKind::TransportData) {
        line += DataBody(static_cast<const TTransportDataLogTask&>(record));
    } else {
        line += static_cast<const TSimpleLogTask&>(record).Text;
    }
    return line + "\r\n";
}

std::string LogFileName(double date) {
    TDateParts p = DecodeDateTime(date);
    std::string day = std::to_string(p.Day);
    if (day.size() < 2) day.insert(0, "0");
    return day + kMonthAbbreviations[p.Month - 1] + std::to_string(p.Year) + ".log";
}

}  // namespace trelon
