#include "imr_calibration.h"

#include <cmath>
#include <limits>
#include <vector>

namespace trelon::rig {

namespace {

double QuartzPeriod(std::uint32_t quartz) {
    return 1000.0 / (quartz / 1e8);
}
double Step(const TCalibrationInputs& in) {
    return (in.T2 - in.T1) / 255;
}

// S0..S4 of one set from the samples of its conversions: x counts quartz periods (S0 is
// eight times their sum), y the delay-line taps.
bool AddSet(const std::vector<std::uint64_t>& x, const std::vector<std::uint64_t>& y,
            std::uint64_t periods, std::array<std::uint32_t, 10>& sums, int set) {
    std::uint64_t s[5] = {8 * periods, 0, 0, 0, 0};
    for (std::size_t i = 0; i < x.size(); ++i) {
        s[1] += x[i];
        s[2] += x[i] * x[i];
        s[3] += y[i];
        s[4] += y[i] * y[i];
    }
    for (int k = 0; k < 5; ++k) {
        if (s[k] > std::numeric_limits<std::uint32_t>::max()) return false;
        sums[5 * set + k] = static_cast<std::uint32_t>(s[k]);
    }
    return true;
}

}  // namespace

std::optional<std::array<std::uint32_t, 10>> CalibrationSums(const TCalibrationInputs& in) {
    double step = Step(in);
    if (in.Quartz == 0 || !(step > 0) || in.Conversions < 2) return std::nullopt;
    double period = QuartzPeriod(in.Quartz);
    if (!(in.Delay > 0) || in.Delay > period || step >= period / 2) return std::nullopt;
    // delay = period - taps * step + (ones / n) * step, with 0 <= ones <= n.
    unsigned n = in.Conversions;
    auto taps = static_cast<std::uint64_t>(std::ceil((period - in.Delay) / step));
    double fraction = (in.Delay - period + static_cast<double>(taps) * step) / step;
    auto ones = static_cast<std::uint64_t>(std::llround(fraction * n));
    if (ones > n) ones = n;
    std::vector<std::uint64_t> x(n), steady(n, taps), noisy(n);
    for (unsigned i = 0; i < n; ++i) {
        x[i] = i < ones ? 1 : 0;
        // Four taps either side of the mean: a variance well above the flag's limit of 5.
        std::uint64_t centre = taps < 4 ? 4 : taps;
        noisy[i] = i % 2 ? centre + 4 : centre - 4;
    }
    std::array<std::uint32_t, 10> sums{};
    if (!AddSet(x, steady, 0, sums, 0) || !AddSet(x, noisy, 0, sums, 1)) return std::nullopt;
    return sums;
}

double ReportedDelay(const TCalibrationInputs& in, const std::array<std::uint32_t, 10>& sums) {
    double n = in.Conversions, step = Step(in);
    return QuartzPeriod(in.Quartz) - sums[3] / n * step + sums[1] / n * step;
}

}  // namespace trelon::rig
