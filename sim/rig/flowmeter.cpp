#include "flowmeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flowmeter_map.h"

namespace trelon::rig {

using namespace fz;

namespace {

constexpr std::array<std::uint16_t, 4> kOwnCirculations = {812, 809, 815, 806};

std::uint16_t At(std::uint16_t base, int index, int step = 1) {
    return static_cast<std::uint16_t>(base + index * step);
}

// Whether a write touched the register.
bool Touches(const TRequest& request, std::uint16_t address) {
    return request.Area() == TArea::Holding && address >= request.Start &&
           address < request.Start + request.Count;
}

}  // namespace

TFlowmeter::TFlowmeter(std::uint32_t clockStart)
    : TRigDevice("fz", kMap, "ОДКС-5 v76.05.02.11;"), clockStart_(clockStart) {
    TRegisterBank& bank = Bank();
    bank.Set(Holding, At(kSlotTypes, 0), 2);
    bank.Set(Holding, At(kSlotTypes, 1), 1);
    bank.Set(Holding, kOutputTypes, 3);
    // Calibrated at the factory: the values each slot really gave at the four points.
    for (int slot = 0; slot < kSlots; ++slot)
        for (int point = 0; point < 4; ++point)
            bank.Set(Holding, At(kCalibCurrents, 2 * point + slot, 2),
                     Dac(slot, kPointCurrents[point]));
    for (int channel = 0; channel < kChannels; ++channel)
        bank.Set(Input, At(kAutoCirculations, channel), kOwnCirculations[channel]);
}

int TFlowmeter::CurrentChannel() const {
    return std::min(static_cast<int>(Reg(kChannel)), channels_ - 1);
}

int TFlowmeter::SlotType(int slot) const {
    return static_cast<int>(Reg(At(kSlotTypes, slot)));
}

double TFlowmeter::MeasuredFlow(int channel) const {
    if (channel < 0 || channel >= channels_) return 0;
    double flow = trueFlows_[channel] * (1 + errors_[channel] + failErrors_[channel]) +
                  zeros_[channel] + Reg(At(kZeroOffsets, channel, 2));
    if (InVerification() && std::abs(flow) < Reg(At(kCutoffs, channel, 2))) return 0;
    return flow;
}

double TFlowmeter::Dac(int slot, double commanded) const {
    return std::max(0.0, commanded * (1 + dacGain_[slot]) + dacOffset_[slot]);
}

double TFlowmeter::SlotCurrent(int slot) const {
    if (SlotType(slot) != 2) return 0;
    if (Reg(At(kSlotCalibration, slot)) == 1) {
        auto point = std::min<std::size_t>(static_cast<std::size_t>(Reg(At(kSlotPoint, slot))), 3);
        return Dac(slot, kPointCurrents[point]);
    }
    // The slot follows the flow of the current channel over the range of its first output;
    // its calibration currents at 4 and 20 mA correct what it drives.
    int output = 1 + 4 * slot;
    double low = Reg(At(kCurrentLows, output, 2)), high = Reg(At(kCurrentHighs, output, 2));
    double share = high > low ? (MeasuredFlow(CurrentChannel()) - low) / (high - low) : 0;
    double target = 4 + 16 * std::clamp(share, 0.0, 1.0);
    double at4 = Reg(At(kCalibCurrents, 2 + slot, 2)), at20 = Reg(At(kCalibCurrents, 6 + slot, 2));
    double commanded = at20 > at4 ? 4 + 16 * (target - at4) / (at20 - at4) : target;
    return Dac(slot, commanded);
}

double TFlowmeter::MaxFrequency(int output) const {
    return Reg(At(kMaxFrequencies, output, 2));
}

double TFlowmeter::OutputFrequency(int output) const {
    if (output != 0 && SlotType((output - 1) / 4) != 1) return 0;  // no universal slot there
    if (Reg(At(kOutputTypes, output)) != 3) return 0;
    // Channel code 0 follows the current channel, forward flow.
    int code = static_cast<int>(Reg(At(kUniversalChannels, output)));
    int channel = code == 0 ? CurrentChannel() : (code - 1) / 3;
    int direction = code == 0 ? 0 : (code - 1) % 3;
    double flow = MeasuredFlow(channel);
    flow = direction == 0   ? std::max(flow, 0.0)
           : direction == 1 ? std::max(-flow, 0.0)
                            : std::abs(flow);
    double frequency = flow * Reg(At(kFrequencyConstants, output, 2)) / 3600;
    double max = MaxFrequency(output);
    return std::max(0.0, max > 0 ? std::min(frequency, max) : frequency);
}

void TFlowmeter::Publish(TModelTime now) {
    TRegisterBank& bank = Bank();
    bank.Set(Input, kChannelCount, channels_);
    bank.Set(Input, kBeamCount, beams_);
    bank.Set(Input, kModeState, state_);
    bank.Set(Holding, kModeRequest, request_);
    bank.SetU32(Holding, kClock, static_cast<std::uint32_t>(std::floor(clockStart_ + now)));
    for (int channel = 0; channel < kChannels; ++channel) {
        bank.SetF32(Input, At(kFlows, channel, 2), static_cast<float>(MeasuredFlow(channel)));
        bank.SetF32(Input, At(kVolumes, channel, 2), static_cast<float>(volumes_[channel]));
    }
}

TException TFlowmeter::CheckWrite(const TRequest& request) const {
    if (auto types = TRigDevice::CheckWrite(request); types != TException::None) return types;
    const TWordLimit limits[] = {
        {kSlotTypes, kSlotTypes + 1, 0, 3},
        {kSlotCalibration, kSlotCalibration + 1, 0, 1},
        {kSlotPoint, kSlotPoint + 1, 0, 3},
        {kModeRequest, kModeRequest, 1, 2},
        {kChannel, kChannel, 0, static_cast<std::uint16_t>(channels_ - 1)},
        {kStartVolume, kStartVolume + 3, 0, 1},
    };
    return CheckLimits(request, limits);
}

void TFlowmeter::AfterWrite(const TRequest& request, TModelTime now) {
    if (Touches(request, kModeRequest)) RequestMode(static_cast<int>(Reg(kModeRequest)), now);
    if (Touches(request, kClock) || Touches(request, kClock + 1))
        clockStart_ = Bank().U32(Holding, kClock) - now;
    for (int channel = 0; channel < kChannels; ++channel) {
        if (!Touches(request, At(kStartVolume, channel))) continue;
        accumulating_[channel] = Reg(At(kStartVolume, channel)) == 1;
        if (accumulating_[channel]) volumes_[channel] = 0;
    }
}

void TFlowmeter::RequestMode(int requested, TModelTime now) {
    bool change = (requested == 2 && state_ == 0) || (requested == 1 && state_ == 1);
    request_ = change ? requested : 0;
    modeDue_ = change ? std::optional(now + modeDelay_) : std::nullopt;
}

void TFlowmeter::Fire(TModelTime now) {
    if (!modeDue_ || now < *modeDue_) return;
    state_ = request_ == 2 ? 1 : 0;
    request_ = 0;
    modeDue_.reset();
}

void TFlowmeter::Integrate(double seconds) {
    for (int channel = 0; channel < kChannels; ++channel)
        if (accumulating_[channel]) volumes_[channel] += MeasuredFlow(channel) * seconds / 3600;
}

void TFlowmeter::ClearFaults() {
    TRigDevice::ClearFaults();
    failErrors_ = {};
}

namespace {

// "[CH] VALUE": one channel or all of them.
std::string SetPerChannel(std::span<const std::string> args, int channels, double scale,
                          std::array<double, TFlowmeter::kChannels>& values) {
    if (args.empty() || args.size() > 2) return "usage: [CHANNEL] VALUE";
    auto value = NumberArg(args.back());
    auto channel = args.size() == 2 ? IndexArg(args[0], channels) : std::optional(-1);
    if (!value || !channel) return "usage: [CHANNEL 1.." + std::to_string(channels) + "] VALUE";
    for (int c = 0; c < TFlowmeter::kChannels; ++c)
        if (*channel < 0 || c == *channel) values[c] = *value * scale;
    return {};
}

}  // namespace

std::string TFlowmeter::SetParameter(const std::string& name, std::span<const std::string> args) {
    if (name == "error") return SetPerChannel(args, kChannels, 0.01, errors_);
    if (name == "zero") return SetPerChannel(args, kChannels, 1, zeros_);
    if (name == "channels" || name == "beams" || name == "mode-delay") {
        double number = 0;
        if (!OneNumber(args, number) || number < 0) return "usage: " + name + " NUMBER";
        if (name == "channels") {
            if (number < 1 || number > kChannels) return "a flowmeter has 1 to 4 channels";
            channels_ = static_cast<int>(number);
        } else if (name == "beams") {
            beams_ = static_cast<int>(number);
        } else {
            modeDelay_ = number;
        }
        return {};
    }
    if (name == "dac") {
        auto slot = args.size() == 3 ? IndexArg(args[0], kSlots) : std::nullopt;
        auto gain = args.size() == 3 ? NumberArg(args[1]) : std::nullopt;
        auto offset = args.size() == 3 ? NumberArg(args[2]) : std::nullopt;
        if (!slot || !gain || !offset) return "usage: dac SLOT GAIN_PERCENT OFFSET_MA";
        dacGain_[*slot] = *gain / 100;
        dacOffset_[*slot] = *offset;
        return {};
    }
    return TRigDevice::SetParameter(name, args);
}

std::string TFlowmeter::ParameterHelp() const {
    return "  error [CH] PERCENT       relative error of a channel (or all), e.g. 0.3\n"
           "  zero [CH] M3H            true zero offset of a channel (or all)\n"
           "  channels N, beams N      what the flowmeter reports (model 544: 4 and 3)\n"
           "  mode-delay SECONDS       time to reach the mode asked for\n"
           "  dac SLOT GAIN% OFFSET_MA own error of a current slot before calibration\n";
}

std::string TFlowmeter::Describe() const {
    char line[200];
    std::string text;
    const char* mode = state_ == 1 ? "verification" : "working";
    const char* asked = request_ == 2   ? ", verification asked"
                        : request_ == 1 ? ", working asked"
                                        : "";
    std::snprintf(line, sizeof line, "  mode %s%s; channel %d of %d; slots %d/%d\n", mode, asked,
                  CurrentChannel() + 1, channels_, SlotType(0), SlotType(1));
    text += line;
    for (int c = 0; c < channels_; ++c) {
        std::snprintf(line, sizeof line,
                      "  ch%d: flow %.4f m3/h, volume %.4f m3; error %.3f %%, true zero %.4f, "
                      "written zero %.4f, cut-off %.3f\n",
                      c + 1, MeasuredFlow(c), volumes_[c], (errors_[c] + failErrors_[c]) * 100,
                      zeros_[c], Reg(At(kZeroOffsets, c, 2)), Reg(At(kCutoffs, c, 2)));
        text += line;
    }
    for (int slot = 0; slot < kSlots; ++slot)
        if (SlotType(slot) == 2) {
            std::snprintf(line, sizeof line, "  slot %d current %.4f mA%s\n", slot + 1,
                          SlotCurrent(slot),
                          Reg(At(kSlotCalibration, slot)) == 1 ? " (calibrating)" : "");
            text += line;
        }
    return text;
}

}  // namespace trelon::rig
