#include "flow_simulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flow_simulator_map.h"
#include "imr_calibration.h"

namespace trelon::rig {

using namespace imr;

namespace {

bool Touches(const TRequest& request, TArea area, std::uint16_t address) {
    return request.Area() == area && address >= request.Start &&
           address < request.Start + request.Count;
}

}  // namespace

TFlowSimulator::TFlowSimulator() : TRigDevice("imr", kMap, "ЗРТ-ИМР v64.08.03.02;") {
    Bank().SetF32(Holding, kTimes + 2, 2550);
}

double TFlowSimulator::Flow() const {
    if (state_ != kSimulating) return 0;
    double pulses = Bank().Word(Holding, kDelayedPulses);
    return kFlowPerDelay * delay_ * (pulses + 1) / circulations_;
}

std::uint32_t TFlowSimulator::ElapsedMs(TModelTime now) const {
    if (state_ != kSimulating) return elapsedMs_;
    double ms = std::floor((now - startedAt_) * 1000);
    if (durationMs_ > 0) ms = std::min(ms, static_cast<double>(durationMs_));
    return static_cast<std::uint32_t>(std::max(ms, 0.0));
}

void TFlowSimulator::Publish(TModelTime now) {
    TRegisterBank& bank = Bank();
    bank.Set(Input, kStatus, state_);
    bank.Set(Input, kStatus + 1, error_);
    bank.Set(Input, kStatus + 2, last_);
    bank.Set(Input, kCirculations, shownCirculations_);
    bank.SetU32(Input, kElapsed, ElapsedMs(now));
}

TException TFlowSimulator::CheckWrite(const TRequest& request) const {
    if (auto types = TRigDevice::CheckWrite(request); types != TException::None) return types;
    if (Touches(request, Holding, kCommand)) {
        static constexpr std::uint16_t kKnown[] = {
            kStart, kStop, kCalibrate, kCount, kStopTuning, kStopContinuous, kStopDelayLine};
        std::uint16_t command = request.Values[kCommand - request.Start];
        if (std::find(std::begin(kKnown), std::end(kKnown), command) == std::end(kKnown))
            return TException::IllegalValue;
    }
    const TWordLimit limits[] = {{kDelayedPulses, kDelayedPulses, 0, 1023}};
    return CheckLimits(request, limits);
}

void TFlowSimulator::AfterWrite(const TRequest& request, TModelTime now) {
    if (Touches(request, Holding, kCommand)) Command(Bank().Word(Holding, kCommand), now);
}

void TFlowSimulator::Halt(TModelTime now) {
    elapsedMs_ = ElapsedMs(now);
    state_ = kIdle;
}

void TFlowSimulator::Command(int command, TModelTime now) {
    Halt(now);  // every command ends what was going on
    countDue_.reset();
    error_ = 0;
    switch (command) {
        case kStart:
            state_ = kSimulating;
            startedAt_ = now;
            durationMs_ = Bank().U32(Holding, kSimulationTime);
            elapsedMs_ = 0;
            last_ = kStartDone;
            break;
        case kStop:
            last_ = kStopDone;
            break;
        case kCalibrate:
            Calibrate();
            break;
        case kCount:
            state_ = kCounting;
            last_ = kCountRunning;
            countDue_ = now + countTime_;
            break;
        case kStopTuning:
            last_ = kTuningStopped;
            break;
        case kStopContinuous:
            last_ = kContinuousStopped;
            break;
        default:
            last_ = kDelayLineStopped;
            break;
    }
}

void TFlowSimulator::Calibrate() {
    TCalibrationInputs in{Bank().U32(Holding, kQuartz), Bank().F32(Holding, kTimes),
                          Bank().F32(Holding, kTimes + 2), Bank().Word(Holding, kConversions),
                          delay_};
    auto sums = CalibrationSums(in);
    for (int k = 0; k < 10; ++k) Bank().SetU32(Input, kSums + 2 * k, sums ? (*sums)[k] : 0);
    last_ = sums ? kCalibrated : kCalibrationFailed;
    error_ = sums ? 0 : kCalibrationError;
}

std::optional<TModelTime> TFlowSimulator::NextEvent() const {
    std::optional<TModelTime> end;
    if (state_ == kSimulating && durationMs_ > 0) end = startedAt_ + durationMs_ / 1000.0;
    if (countDue_ && (!end || *countDue_ < *end)) end = countDue_;
    return end;
}

void TFlowSimulator::Fire(TModelTime now) {
    if (countDue_ && now >= *countDue_) {
        countDue_.reset();
        state_ = kIdle;
        last_ = kCountDone;
        shownCirculations_ = circulations_;
    }
    if (state_ == kSimulating && durationMs_ > 0 && now >= startedAt_ + durationMs_ / 1000.0) {
        state_ = kIdle;
        elapsedMs_ = durationMs_;  // it ran its whole time
        last_ = kStopDone;
    }
}

std::string TFlowSimulator::SetParameter(const std::string& name,
                                         std::span<const std::string> args) {
    double number = 0;
    bool isNumber = OneNumber(args, number);
    if (name == "delay") {
        if (!isNumber || number <= 0) return "usage: delay UNITS";
        delay_ = number;
    } else if (name == "circulations") {
        if (!isNumber || number < 1 || number > 65535) return "usage: circulations N";
        circulations_ = static_cast<int>(number);
    } else if (name == "channel") {
        bool follow = args.size() == 1 && args[0] == "current";
        auto channel = args.size() == 1 ? IndexArg(args[0], 4) : std::nullopt;
        if (!follow && !channel) return "usage: channel 1..4|current";
        channel_ = follow ? -1 : *channel;
    } else {
        return TRigDevice::SetParameter(name, args);
    }
    return {};
}

std::string TFlowSimulator::ParameterHelp() const {
    return "  delay UNITS              true delay of one delayed pulse (620 gives up to\n"
           "                           305 m3/h); its calibration reports it\n"
           "  circulations N           autocirculation count (the wizard wants 700..850)\n"
           "  channel CH|current       flowmeter channel it is connected to (default: the\n"
           "                           current channel, as the operator is asked to do)\n";
}

std::string TFlowSimulator::Describe() const {
    char line[160];
    std::snprintf(
        line, sizeof line,
        "  state %d, error %d, last command %d; flow %.4f m3/h on %s; pulses %u\n"
        "  delay %g, autocirculations %d\n",
        state_, error_, last_, Flow(),
        channel_ < 0 ? "the current channel" : ("channel " + std::to_string(channel_ + 1)).c_str(),
        unsigned{Bank().Word(Holding, kDelayedPulses)}, delay_, circulations_);
    return line;
}

}  // namespace trelon::rig
