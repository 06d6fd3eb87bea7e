#include "rig_sim.h"

#include <stdexcept>

namespace trelon::rig {

std::string AddressClash(const TRig& rig) {
    auto devices = rig.Devices();
    for (std::size_t i = 0; i < devices.size(); ++i)
        for (std::size_t j = i + 1; j < devices.size(); ++j)
            if (devices[i]->Address() == devices[j]->Address())
                return devices[i]->Kind() + " and " + devices[j]->Kind() +
                       " have the same address " + std::to_string(devices[i]->Address());
    return {};
}

TRigSim::TRigSim(TRig& rig, const TStartup& startup) : clock_(startup.TimeScale), service_(rig) {
    if (auto clash = AddressClash(rig); !clash.empty()) throw std::invalid_argument(clash);
    auto make = [&](std::vector<TRigDevice*> devices, std::string name) {
        TLineOptions options;
        options.Directory = startup.Directory;
        options.NameA = name;
        options.NameB = name + ".device";
        lines_.push_back(std::make_unique<TRigLine>(service_, clock_, std::move(devices), options,
                                                    startup.Baud));
    };
    if (!startup.LinePerDevice) {
        make({rig.Devices().begin(), rig.Devices().end()}, startup.LineName);
        return;
    }
    for (TRigDevice* device : rig.Devices())
        make({device}, startup.LineName + "-" + device->Kind());
}

TCommandOutcome TRigSim::Command(std::string_view line) {
    return service_.With(clock_.Now(), [&](TRig& rig) { return RunCommand(line, rig); });
}

std::string TRigSim::LinesText() const {
    std::string text;
    for (const auto& line : lines_) {
        std::string devices;
        for (TRigDevice* device : line->Devices())
            devices += (devices.empty() ? "" : ",") + device->Kind() + "@" +
                       std::to_string(device->Address());
        text += devices + " " + line->Path().string() + "\n";
    }
    return text;
}

}  // namespace trelon::rig
