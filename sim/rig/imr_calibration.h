// The flow simulator's calibration, free of I/O: the sums of its conversions that tell the
// wizard the delay of one delayed pulse. Set 0 measures the delay steadily; set 1 is noisy
// (its variance flags it), so the evaluation takes set 0.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace trelon::rig {

struct TCalibrationInputs {
    std::uint32_t Quartz = 0;  // quartz frequency
    double T1 = 0, T2 = 0;     // times of the delay line's first and last step
    unsigned Conversions = 0;  // conversions per calibration
    double Delay = 0;          // the delay to report, in the units of T1 and T2
};

// S0..S4 of set 0, then of set 1. Empty when the inputs allow no calibration (no quartz,
// T2 not above T1, fewer than 2 conversions, a delay outside one quartz period).
std::optional<std::array<std::uint32_t, 10>> CalibrationSums(const TCalibrationInputs& in);

// The delay the sums stand for: the quartz period minus the steps of set 0's mean tap,
// plus the fraction of a step its mean count adds.
double ReportedDelay(const TCalibrationInputs& in, const std::array<std::uint32_t, 10>& sums);

}  // namespace trelon::rig
