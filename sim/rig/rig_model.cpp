#include "rig_model.h"

#include <algorithm>

namespace trelon::rig {

TRig::TRig(std::uint32_t clockStart)
    : flowmeter_(clockStart), devices_{&flowmeter_, &simulator_, &currentMeter_, &pulseCounter_} {
    const std::uint8_t addresses[] = {1, 3, 4, 5};
    for (std::size_t i = 0; i < devices_.size(); ++i) devices_[i]->SetAddress(addresses[i]);
    Couple();
}

TRigDevice* TRig::ByKind(std::string_view kind) const {
    for (TRigDevice* device : devices_)
        if (device->Kind() == kind) return device;
    return nullptr;
}

TRigDevice* TRig::ByAddress(std::uint8_t address) const {
    for (TRigDevice* device : devices_)
        if (device->Address() == address) return device;
    return nullptr;
}

double TRig::CurrentInto(const TCurrentSource& source) const {
    switch (source.Kind) {
        case TCurrentSource::TKind::Slot:
            return flowmeter_.SlotCurrent(source.Index);
        case TCurrentSource::TKind::Adapter: {
            double max = flowmeter_.MaxFrequency(source.Index);
            double share =
                max > 0 ? std::min(flowmeter_.OutputFrequency(source.Index) / max, 1.0) : 0;
            return source.Low + (source.High - source.Low) * share;
        }
        default:
            return 0;
    }
}

void TRig::Couple() {
    std::array<double, TFlowmeter::kChannels> flows{};
    int channel = simulator_.Channel(flowmeter_.CurrentChannel());
    if (channel >= 0 && channel < TFlowmeter::kChannels) flows[channel] = simulator_.Flow();
    flowmeter_.SetTrueFlows(flows);

    std::array<double, TCurrentMeter::kInputs> currents{};
    for (int input = 0; input < TCurrentMeter::kInputs; ++input)
        currents[input] = CurrentInto(currentMeter_.Source(input));
    currentMeter_.SetTrueCurrents(currents);

    std::array<double, TPulseCounter::kInputs> rates{};
    for (int input = 0; input < TPulseCounter::kInputs; ++input) {
        int output = pulseCounter_.Source(input);
        rates[input] = output < 0 ? 0 : flowmeter_.OutputFrequency(output);
    }
    pulseCounter_.SetRates(rates);
}

void TRig::Step(double seconds) {
    for (TRigDevice* device : devices_) device->Integrate(seconds);
}

void TRig::Advance(TModelTime now) {
    Couple();
    // Each event changes what flows; between events everything is constant.
    for (int events = 0; events < 1000; ++events) {
        std::optional<TModelTime> next;
        for (TRigDevice* device : devices_)
            if (auto at = device->NextEvent(); at && (!next || *at < *next)) next = at;
        if (!next || *next > now) break;
        TModelTime at = std::max(*next, now_);
        Step(at - now_);
        now_ = at;
        for (TRigDevice* device : devices_) device->Fire(at);
        Couple();
    }
    if (now > now_) {
        Step(now - now_);
        now_ = now;
    }
}

}  // namespace trelon::rig
