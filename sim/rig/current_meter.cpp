#include "current_meter.h"

#include <cstdio>

#include "meters_map.h"

namespace trelon::rig {

TCurrentMeter::TCurrentMeter() : TRigDevice("ipt", ipt::kMap, "ЗРТ-ИПТ v64.10.01.05;") {
    using enum TCurrentSource::TKind;
    sources_ = {TCurrentSource{Slot, 0}, TCurrentSource{Slot, 1}, TCurrentSource{Adapter, 5, 4, 20},
                TCurrentSource{}};
}

double TCurrentMeter::Measured(int input) const {
    if (sources_[input].Kind == TCurrentSource::TKind::None) return 0;
    return currents_[input] * (1 + error_) + offset_;
}

void TCurrentMeter::Publish(TModelTime) {
    for (int input = 0; input < kInputs; ++input)
        Bank().SetF32(TArea::Input, static_cast<std::uint16_t>(ipt::kCurrents + 2 * input),
                      static_cast<float>(Measured(input)));
}

std::optional<TCurrentSource> ParseCurrentSource(std::span<const std::string> words) {
    using enum TCurrentSource::TKind;
    if (words.size() == 1 && words[0] == "none") return TCurrentSource{};
    if (words.size() == 1 && (words[0] == "slot1" || words[0] == "slot2"))
        return TCurrentSource{Slot, words[0] == "slot1" ? 0 : 1};
    if (words.size() != 4 || words[0] != "adapter") return std::nullopt;
    auto output = NumberArg(words[1]), low = NumberArg(words[2]), high = NumberArg(words[3]);
    if (!output || *output < 0 || *output > 8 || !low || !high || *high <= *low)
        return std::nullopt;
    return TCurrentSource{Adapter, static_cast<int>(*output), *low, *high};
}

std::string SourceText(const TCurrentSource& source) {
    char text[64];
    switch (source.Kind) {
        case TCurrentSource::TKind::Slot:
            std::snprintf(text, sizeof text, "slot%d", source.Index + 1);
            break;
        case TCurrentSource::TKind::Adapter:
            std::snprintf(text, sizeof text, "adapter %d %g %g", source.Index, source.Low,
                          source.High);
            break;
        default:
            return "none";
    }
    return text;
}

std::string TCurrentMeter::SetParameter(const std::string& name,
                                        std::span<const std::string> args) {
    if (name == "error" || name == "offset") {
        double number = 0;
        if (!OneNumber(args, number)) return "usage: " + name + " NUMBER";
        if (name == "error")
            error_ = number / 100;
        else
            offset_ = number;
        return {};
    }
    if (name == "input") {
        auto input = !args.empty() ? IndexArg(args[0], kInputs) : std::nullopt;
        auto source = input ? ParseCurrentSource(args.subspan(1)) : std::nullopt;
        if (!source) return "usage: input 1..4 slot1|slot2|adapter OUTPUT LOW_MA HIGH_MA|none";
        sources_[*input] = *source;
        return {};
    }
    return TRigDevice::SetParameter(name, args);
}

std::string TCurrentMeter::ParameterHelp() const {
    return "  error PERCENT, offset MA its own error\n"
           "  input CH SOURCE          what channel CH measures: slot1, slot2 (a current slot\n"
           "                           of the flowmeter), adapter OUTPUT LOW HIGH (a current\n"
           "                           adapter on pulse output 0..8), none\n";
}

std::string TCurrentMeter::Describe() const {
    std::string text;
    char line[120];
    for (int input = 0; input < kInputs; ++input) {
        std::snprintf(line, sizeof line, "  ch%d: %.4f mA from %s\n", input + 1, Measured(input),
                      SourceText(sources_[input]).c_str());
        text += line;
    }
    std::snprintf(line, sizeof line, "  own error %g %%, offset %g mA\n", error_ * 100, offset_);
    return text + line;
}

}  // namespace trelon::rig
