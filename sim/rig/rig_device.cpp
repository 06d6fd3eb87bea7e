#include "rig_device.h"

#include <charconv>
#include <cmath>

namespace trelon::rig {

TRigDevice::TRigDevice(std::string kind, TRegisterMap map, std::string name)
    : kind_(std::move(kind)), name_(std::move(name)), bank_(map) {}

TException TRigDevice::CheckWrite(const TRequest& request) const {
    return bank_.CheckTypes(request);
}

std::string TRigDevice::SetParameter(const std::string& name, std::span<const std::string> args) {
    if (name != "name") return "unknown parameter \"" + name + "\" of " + kind_;
    if (args.empty()) return "usage: name TEXT";
    std::string text;
    for (const std::string& word : args) text += (text.empty() ? "" : " ") + word;
    name_ = text;
    return {};
}

TException CheckLimits(const TRequest& request, std::span<const TWordLimit> limits) {
    if (request.Area() != TArea::Holding) return TException::None;
    for (std::size_t i = 0; i < request.Values.size(); ++i) {
        std::uint32_t address = request.Start + i;
        for (const TWordLimit& limit : limits)
            if (address >= limit.First && address <= limit.Last &&
                (request.Values[i] < limit.Min || request.Values[i] > limit.Max))
                return TException::IllegalValue;
    }
    return TException::None;
}

std::optional<double> NumberArg(const std::string& word) {
    double value = 0;
    const char* last = word.data() + word.size();
    auto [end, error] = std::from_chars(word.data(), last, value);
    if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool OneNumber(std::span<const std::string> args, double& value) {
    auto number = args.size() == 1 ? NumberArg(args[0]) : std::nullopt;
    value = number.value_or(0);
    return number.has_value();
}

std::optional<int> IndexArg(const std::string& word, int count) {
    int value = 0;
    const char* last = word.data() + word.size();
    auto [end, error] = std::from_chars(word.data(), last, value);
    if (error != std::errc() || end != last || value < 1 || value > count) return std::nullopt;
    return value - 1;
}

}  // namespace trelon::rig
