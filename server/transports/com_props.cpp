#include "transports/com_props.h"

#include <algorithm>
#include <cctype>

#include "transports/speed_codes.h"

namespace trelon {

namespace {

// Element positions after the speed code, by kind.
struct TLayout {
    int Flow;  // -1: none
    int AnswerTimeout;
    int MinGapUnit;
};

constexpr TLayout kRS232Layout{3, 4, 5};
constexpr TLayout kRS485Layout{-1, 3, 4};

std::optional<TComProps> Parse(const TVariant& props, uint8_t kind, std::string& error) {
    if (!props.IsArray() || props.Dims() != 1) {
        error = "не одномерный массив";
        return std::nullopt;
    }
    const TLayout& layout = kind == 1 ? kRS485Layout : kRS232Layout;
    const std::vector<TVariant>& items = props.Items();
    if (items.size() <= size_t(layout.MinGapUnit)) {
        error = "элементов " + std::to_string(items.size()) + ", нужно не меньше " +
                std::to_string(layout.MinGapUnit + 1);
        return std::nullopt;
    }
    TComProps p;
    if (items[0].ToInt() != kind) {
        error = "вид транспорта " + items[0].ToText() + " вместо " + std::to_string(kind);
        return std::nullopt;
    }
    p.Kind = kind;
    p.PortName = items[1].ToText();
    if (p.PortName.empty()) {
        error = "пустое имя порта";
        return std::nullopt;
    }
    int64_t speed = items[2].ToInt64();
    if (!IsValidSpeedCode(int(std::clamp<int64_t>(speed, -1, kSpeedCodeCount)))) {
        error = "код скорости " + std::to_string(speed) + " вне диапазона 0-7";
        return std::nullopt;
    }
    p.SpeedCode = int(speed);
    p.HardwareFlow = layout.Flow >= 0 && items[size_t(layout.Flow)].ToInt() != 0;
    p.AnswerTimeout = std::max(0, items[size_t(layout.AnswerTimeout)].ToInt());
    p.MinGapUnit = items[size_t(layout.MinGapUnit)].ToInt();
    return p;
}

}  // namespace

std::optional<TComProps> ParseComProps(const TVariant& props, uint8_t kind, std::string* error) {
    std::string reason;
    std::optional<TComProps> p;
    try {
        p = Parse(props, kind, reason);
    } catch (const EVariantError& e) {
        reason = e.what();
    }
    if (!p && error) *error = reason;
    return p;
}

std::string PortDevicePath(const std::string& portName) {
    if (portName.size() < 4) return portName;
    std::string prefix = portName.substr(0, 3);
    std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    std::string digits = portName.substr(3);
    if (prefix != "COM" || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return portName;
    int n = std::stoi(digits);
    if (n < 1) return portName;
    return "/dev/ttyS" + std::to_string(n - 1);
}

}  // namespace trelon
