#include "pulse_counter.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "meters_map.h"

namespace trelon::rig {

using namespace usi;

TPulseCounter::TPulseCounter() : TRigDevice("usi", usi::kMap, "ЗРТ-УСИ v64.09.02.01;") {}

bool TPulseCounter::Passive(int input) const {
    return Bank().Bit(TArea::Coils, static_cast<std::uint16_t>(kInputStates + input));
}

std::uint32_t TPulseCounter::Count(int input) const {
    double count = std::floor(counted_[input]);
    return static_cast<std::uint32_t>(
        std::fmod(count, double{std::numeric_limits<std::uint32_t>::max()} + 1));
}

void TPulseCounter::Publish(TModelTime) {
    for (int input = 0; input < kInputs; ++input)
        Bank().SetU32(TArea::Input, static_cast<std::uint16_t>(kCounts + 2 * input), Count(input));
}

TException TPulseCounter::CheckWrite(const TRequest& request) const {
    if (auto types = TRigDevice::CheckWrite(request); types != TException::None) return types;
    const TWordLimit limits[] = {{kReset, kReset, 1, 5}};
    return CheckLimits(request, limits);
}

void TPulseCounter::AfterWrite(const TRequest& request, TModelTime) {
    if (request.Area() != TArea::Holding || request.Start > kReset ||
        request.Start + request.Count <= kReset)
        return;
    int which = Bank().Word(TArea::Holding, kReset);
    for (int input = 0; input < kInputs; ++input)
        if (which == 5 || which == input + 1) counted_[input] = 0;
}

void TPulseCounter::Integrate(double seconds) {
    for (int input = 0; input < kInputs; ++input)
        if (!Passive(input)) counted_[input] += rates_[input] * seconds * (1 + error_);
}

std::string TPulseCounter::SetParameter(const std::string& name,
                                        std::span<const std::string> args) {
    if (name == "error") {
        double number = 0;
        if (!OneNumber(args, number)) return "usage: error PERCENT";
        error_ = number / 100;
        return {};
    }
    if (name == "input") {
        auto input = args.size() == 2 ? IndexArg(args[0], kInputs) : std::nullopt;
        auto output = args.size() == 2 ? NumberArg(args[1]) : std::nullopt;
        bool none = args.size() == 2 && args[1] == "none";
        if (!input || (!none && (!output || *output < 0 || *output > 8)))
            return "usage: input 1..4 OUTPUT|none (flowmeter output 0..8)";
        sources_[*input] = none ? -1 : static_cast<int>(*output);
        return {};
    }
    return TRigDevice::SetParameter(name, args);
}

std::string TPulseCounter::ParameterHelp() const {
    return "  error PERCENT            its own counting error\n"
           "  input N OUTPUT|none      flowmeter pulse output (0 main, 1..8 universal) wired\n"
           "                           to input N\n";
}

std::string TPulseCounter::Describe() const {
    std::string text;
    char line[120];
    for (int input = 0; input < kInputs; ++input) {
        std::snprintf(line, sizeof line, "  in%d: %u pulses, %s, %.2f Hz from %s\n", input + 1,
                      Count(input), Passive(input) ? "passive (counts nothing)" : "active",
                      Passive(input) ? 0.0 : rates_[input],
                      sources_[input] < 0 ? "nothing"
                                          : ("output " + std::to_string(sources_[input])).c_str());
        text += line;
    }
    return text;
}

}  // namespace trelon::rig
