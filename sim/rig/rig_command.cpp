#include "rig_command.h"

#include <charconv>
#include <cstdio>
#include <set>
#include <sstream>
#include <vector>

namespace trelon::rig {

namespace {

using TWords = std::vector<std::string>;

TWords Split(std::string_view line) {
    if (auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    TWords words;
    std::istringstream in{std::string(line)};
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// Decimal, or hexadecimal after "0x".
std::optional<unsigned> UnsignedArg(const std::string& word, unsigned max) {
    bool hex = word.starts_with("0x") || word.starts_with("0X");
    const char* first = word.data() + (hex ? 2 : 0);
    const char* last = word.data() + word.size();
    unsigned value = 0;
    auto [end, error] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (first == last || error != std::errc() || end != last || value > max) return std::nullopt;
    return value;
}

TCommandOutcome Fail(std::string text) {
    return {std::move(text) + "\n", true, false};
}

TCommandOutcome Done(std::string text = "ok") {
    return {std::move(text) + "\n", false, false};
}

const char* const kFaultUsage =
    "usage: fault DEVICE silent|slow MS|corrupt [OFFSET [MASK]]|exception CODE|dropoff N"
    " [fn F] [reg A[-B]] [after N] [times N]; or fault fz fail CHANNEL [PERCENT]";

// The kind of a rule and the numbers that follow it; `next` moves past them.
bool TakeKind(const TWords& words, std::size_t& next, TFaultRule& rule) {
    const std::string& kind = words[next++];
    auto take = [&](unsigned max) -> std::optional<unsigned> {
        auto value = next < words.size() ? UnsignedArg(words[next], max) : std::nullopt;
        if (value) ++next;
        return value;
    };
    if (kind == "silent") return true;
    if (kind == "dropoff") {
        auto after = take(1'000'000);
        rule.After = after.value_or(0);
        return after.has_value();
    }
    if (kind == "slow") {
        auto ms = take(600'000);
        rule.Kind = TFaultKind::Slow;
        rule.Delay = std::chrono::milliseconds(ms.value_or(0));
        return ms.has_value();
    }
    if (kind == "exception") {
        auto code = take(255);
        rule.Kind = TFaultKind::Exception;
        rule.Code = static_cast<std::uint8_t>(code.value_or(0));
        return code.value_or(0) > 0;
    }
    if (kind != "corrupt") return false;
    rule.Kind = TFaultKind::Corrupt;
    if (auto offset = take(255)) {
        rule.Offset = *offset;
        if (auto mask = take(255)) rule.Mask = static_cast<std::uint8_t>(*mask);
    }
    return rule.Mask != 0;
}

// "fn F", "reg A[-B]", "after N", "times N" from `next` on.
bool TakeFilters(const TWords& words, std::size_t next, TFaultRule& rule) {
    for (; next + 1 < words.size(); next += 2) {
        const std::string& key = words[next];
        const std::string& value = words[next + 1];
        if (key == "fn") {
            auto function = UnsignedArg(value, 255);
            if (!function) return false;
            rule.Function = static_cast<std::uint8_t>(*function);
        } else if (key == "reg") {
            auto dash = value.find('-');
            auto first = UnsignedArg(value.substr(0, dash), 0xFFFF);
            auto last =
                dash == std::string::npos ? first : UnsignedArg(value.substr(dash + 1), 0xFFFF);
            if (!first || !last || *last < *first) return false;
            rule.First = static_cast<std::uint16_t>(*first);
            rule.Last = static_cast<std::uint16_t>(*last);
        } else if (key == "after" || key == "times") {
            auto count = UnsignedArg(value, 1'000'000);
            if (!count) return false;
            if (key == "after")
                rule.After = *count;
            else
                rule.Times = *count;
        } else {
            return false;
        }
    }
    return next == words.size();
}

TCommandOutcome Fault(const TWords& words, TRigDevice& device, TRig& rig) {
    if (words.size() < 3) return Fail(kFaultUsage);
    if (words[2] == "fail") {
        auto channel = words.size() >= 4 ? IndexArg(words[3], TFlowmeter::kChannels) : std::nullopt;
        auto percent = words.size() == 5 ? NumberArg(words[4]) : std::optional(1.5);
        if (&device != &rig.Flowmeter() || !channel || !percent || words.size() > 5)
            return Fail("usage: fault fz fail CHANNEL [PERCENT] (default 1.5)");
        rig.Flowmeter().SetFailError(*channel, *percent / 100);
        rig.Couple();
        return Done();
    }
    TFaultRule rule;
    std::size_t next = 2;
    if (!TakeKind(words, next, rule) || !TakeFilters(words, next, rule)) return Fail(kFaultUsage);
    device.Faults().Add(rule);
    return Done();
}

std::string Status(const TRig& rig, const TRigDevice* only) {
    char line[160];
    std::snprintf(line, sizeof line, "model time %.3f s\n", rig.Now());
    std::string text = line;
    for (TRigDevice* device : rig.Devices()) {
        if (only && device != only) continue;
        std::snprintf(line, sizeof line, "%s at address %d, name \"%s\"\n", device->Kind().c_str(),
                      device->Address(), device->Name().c_str());
        text += line + device->Describe();
        for (const std::string& fault : device->Faults().Describe())
            text += "  fault: " + fault + "\n";
    }
    return text;
}

TCommandOutcome Startup(const TWords& words, TRig& rig, TStartup& startup) {
    const std::string& command = words[0];
    if (command == "address") {
        TRigDevice* device = words.size() == 3 ? rig.ByKind(words[1]) : nullptr;
        auto address = words.size() == 3 ? UnsignedArg(words[2], 247) : std::nullopt;
        if (!device || !address || *address == 0)
            return Fail("usage: address fz|imr|ipt|usi 1..247");
        device->SetAddress(static_cast<std::uint8_t>(*address));
        return Done();
    }
    if (words.size() != 2) return Fail("usage: " + command + " VALUE");
    const std::string& value = words[1];
    if (command == "lines") {
        if (value != "one" && value != "each") return Fail("usage: lines one|each");
        startup.LinePerDevice = value == "each";
    } else if (command == "baud") {
        auto baud = UnsignedArg(value, 115200);
        if (!baud || *baud < 300) return Fail("usage: baud 300..115200");
        startup.Baud = static_cast<int>(*baud);
    } else if (command == "time-scale") {
        auto scale = NumberArg(value);
        if (!scale || *scale <= 0 || *scale > 1000)
            return Fail("usage: time-scale FACTOR (0..1000)");
        startup.TimeScale = *scale;
    } else {
        startup.Directory = value;
    }
    return Done();
}

bool IsStartupCommand(const std::string& word) {
    static const std::set<std::string> kStartup = {"address", "lines", "baud", "time-scale", "dir"};
    return kStartup.contains(word);
}

}  // namespace

TCommandOutcome RunCommand(std::string_view line, TRig& rig, TStartup* startup) {
    TWords words = Split(line);
    if (words.empty()) return {};
    const std::string& command = words[0];
    if (IsStartupCommand(command)) {
        if (!startup) return Fail(command + " can only be given at the start");
        return Startup(words, rig, *startup);
    }
    if (command == "help") return {CommandHelp(rig), false, false};
    if (command == "quit") return {{}, false, true};
    TRigDevice* device = words.size() >= 2 ? rig.ByKind(words[1]) : nullptr;
    if (command == "status") {
        if (words.size() > 2 || (words.size() == 2 && !device))
            return Fail("usage: status [fz|imr|ipt|usi]");
        return {Status(rig, device), false, false};
    }
    if (command == "clear") {
        bool all = words.size() == 2 && words[1] == "all";
        if (words.size() != 2 || (!all && !device)) return Fail("usage: clear fz|imr|ipt|usi|all");
        for (TRigDevice* each : rig.Devices())
            if (all || each == device) each->ClearFaults();
        rig.Couple();
        return Done();
    }
    if (command != "set" && command != "fault")
        return Fail("unknown command \"" + command + "\"; type help");
    if (!device) return Fail("usage: " + command + " fz|imr|ipt|usi ...");
    if (command == "fault") return Fault(words, *device, rig);
    if (words.size() < 3) return Fail("usage: set " + words[1] + " PARAMETER VALUES...");
    std::string error = device->SetParameter(words[2], std::span(words).subspan(3));
    if (!error.empty()) return Fail(error);
    rig.Couple();
    return Done();
}

std::string CommandHelp(const TRig& rig) {
    std::string text =
        "Commands (devices: fz flowmeter, imr flow simulator, ipt current meter, usi pulse\n"
        "counter; channels, inputs and slots count from 1):\n"
        "  status [DEVICE]          what every device measures and does, and its faults\n"
        "  set DEVICE PARAMETER ... change the physical model (below)\n"
        "  fault DEVICE KIND [fn F] [reg A[-B]] [after N] [times N]\n"
        "                           spoil the requests named (all of them without fn/reg),\n"
        "                           after letting N through, at most N times. KIND:\n"
        "      silent               no answer\n"
        "      slow MS              the answer MS milliseconds late\n"
        "      corrupt [OFF [MASK]] byte OFF of the answer XORed with MASK (default: the\n"
        "                           last CRC byte, so the checksum fails)\n"
        "      exception CODE       an exception answer (1 function, 2 address, 3 value,\n"
        "                           4 device failure, ...)\n"
        "      dropoff N            answers N requests, then falls silent\n"
        "  fault fz fail CH [PCT]   channel CH measures PCT % off (default 1.5): it fails\n"
        "                           its 0.8 % limits\n"
        "  clear DEVICE|all         remove the faults\n"
        "  help, quit\n"
        "Only at the start (options or config file):\n"
        "  address DEVICE N, lines one|each, baud N, time-scale K, dir PATH\n"
        "Parameters of set (also: set DEVICE name TEXT, the name answer):\n";
    for (TRigDevice* device : rig.Devices())
        text += " " + device->Kind() + ":\n" + device->ParameterHelp();
    return text;
}

}  // namespace trelon::rig
