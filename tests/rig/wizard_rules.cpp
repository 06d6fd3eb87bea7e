#include "wizard_rules.h"

#include <cctype>
#include <cmath>

namespace trelon::rig::test {

int DeviceKind(const std::string& answer) {
    std::string text = answer.substr(0, answer.find('\0'));
    auto group = [&](std::size_t at, int& value) {
        if (!std::isdigit(static_cast<unsigned char>(text[at])) ||
            !std::isdigit(static_cast<unsigned char>(text[at + 1])))
            return false;
        value = (text[at] - '0') * 10 + (text[at + 1] - '0');
        return true;
    };
    int kind = 0;
    // 1-based positions p from 3 while p < length - 8 with dots at p, p + 3, p + 6.
    for (std::size_t p = 3; p + 8 < text.size(); ++p) {
        std::size_t dot = p - 1;  // 0-based
        if (text[dot] != '.' || text[dot + 3] != '.' || text[dot + 6] != '.') continue;
        int g1, g2, g3, g4;
        if (!group(dot - 2, g1) || !group(dot + 1, g2) || !group(dot + 4, g3) ||
            !group(dot + 7, g4))
            continue;
        kind = g1 == 76               ? 4
               : g1 == 64 && g2 == 8  ? 1
               : g1 == 64 && g2 == 9  ? 3
               : g1 == 64 && g2 == 10 ? 2
                                      : 0;
    }
    return kind;
}

double CalibratedDelay(const TCalibrationReading& r) {
    double n = r.Conversions;
    double tq = 1000 / (r.Quartz / 1e8);
    double step = (double{r.T2} - r.T1) / 255;
    std::array<std::array<double, 5>, 2> d{};
    for (int k = 0; k < 2; ++k) {
        const std::uint32_t* s = &r.Sums[5 * k];
        d[k] = {s[0] / (8 * n), s[1] / n, (s[2] - static_cast<double>(s[1]) * s[1] / n) / (n - 1),
                s[3] / n, (s[4] - static_cast<double>(s[3]) * s[3] / n) / (n - 1)};
    }
    double g = 0;
    double r0 = (d[0][0] + 1) * tq - d[0][3] * step;
    if (d[0][2] < 5) g = d[0][1] * step;
    r0 = tq / 2 > g ? r0 + g : r0 - (tq - g);
    double r1 = (d[1][0] + 0.5) * tq - d[1][3] * step - (tq / 2 - step * d[1][1]);
    bool flag0 = d[0][4] > 5, flag1 = d[1][4] > 5;
    int set = flag0 ? (flag1 ? -1 : 1)
                    : (flag1 ? 0 : (std::abs(d[0][3] - 128) >= std::abs(d[1][3] - 128) ? 1 : 0));
    if (set == -1) return d[0][4] >= d[1][4] ? r1 : r0;
    return set == 0 ? r0 : r1;
}

int DelayedPulses(double flow, int circulations, double delay) {
    double d = flow * circulations / (0.4913328 * delay) - 1;
    int k = d > 1023 ? 1023 : d < 0 ? 0 : static_cast<int>(std::nearbyint(d + 0.5));
    return k + 1 > circulations ? circulations - 1 : k;
}

double SimulatedFlow(int pulses, int circulations, double delay) {
    return 0.4913328 * delay * (pulses + 1) / circulations;
}

}  // namespace trelon::rig::test
