#include "line_command.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <span>
#include <vector>

namespace trelon {

namespace {

using TKind = TLineCommand::TKind;

enum class TArgs { None, End, MaybeEnd, Corrupt, Delay, Switch };

struct TCommandEntry {
    std::string_view Name;
    TKind Kind;
    TArgs Args;
    std::string_view Usage;
};

constexpr TCommandEntry kCommands[] = {
    {"drop", TKind::Drop, TArgs::End, "drop A|B"},
    {"corrupt", TKind::Corrupt, TArgs::Corrupt, "corrupt A|B OFFSET [MASK]"},
    {"delay", TKind::Delay, TArgs::Delay, "delay A|B MILLISECONDS"},
    {"cut", TKind::Cut, TArgs::MaybeEnd, "cut [A|B]"},
    {"restore", TKind::Restore, TArgs::MaybeEnd, "restore [A|B]"},
    {"unplug", TKind::Unplug, TArgs::End, "unplug A|B"},
    {"replug", TKind::Replug, TArgs::End, "replug A|B"},
    {"paced", TKind::Paced, TArgs::Switch, "paced on|off"},
    {"stats", TKind::Stats, TArgs::None, "stats"},
    {"watch", TKind::Watch, TArgs::Switch, "watch on|off"},
    {"help", TKind::Help, TArgs::None, "help"},
    {"quit", TKind::Quit, TArgs::None, "quit"},
};

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

std::optional<TEnd> EndOf(const std::string& word) {
    if (word == "a") return TEnd::A;
    if (word == "b") return TEnd::B;
    return std::nullopt;
}

// Decimal, or hexadecimal after "0x".
std::optional<std::uint64_t> NumberOf(const std::string& word, std::uint64_t max) {
    bool hex = word.starts_with("0x");
    const char* first = word.data() + (hex ? 2 : 0);
    const char* last = word.data() + word.size();
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (first == last || error != std::errc() || end != last || value > max) return std::nullopt;
    return value;
}

std::optional<bool> SwitchOf(const std::string& word) {
    if (word == "on") return true;
    if (word == "off") return false;
    return std::nullopt;
}

// Fills the command from the words after its name; false when they do not fit.
bool TakeArgs(TArgs args, std::span<const std::string> words, TLineCommand& command) {
    auto count = words.size();
    if (args == TArgs::None) return count == 0;
    if (args == TArgs::Switch) {
        auto on = count == 1 ? SwitchOf(words[0]) : std::nullopt;
        command.On = on.value_or(false);
        return on.has_value();
    }
    if (args == TArgs::MaybeEnd && count == 0) return true;
    if (count == 0 || !(command.End = EndOf(words[0]))) return false;
    if (args == TArgs::End || args == TArgs::MaybeEnd) return count == 1;
    if (args == TArgs::Delay) {
        auto ms = count == 2 ? NumberOf(words[1], 3'600'000) : std::nullopt;
        command.Delay = std::chrono::milliseconds(ms.value_or(0));
        return ms.has_value();
    }
    auto offset = count >= 2 ? NumberOf(words[1], 65535) : std::nullopt;
    auto mask = count == 3 ? NumberOf(words[2], 255) : std::optional<std::uint64_t>(0xFF);
    command.Offset = offset.value_or(0);
    command.Mask = static_cast<std::uint8_t>(mask.value_or(0xFF));
    return offset && mask && *mask != 0 && count <= 3;
}

}  // namespace

TParsedCommand ParseLineCommand(std::string_view text) {
    auto words = Words(text);
    if (words.empty()) return {};
    auto entry = std::find_if(std::begin(kCommands), std::end(kCommands),
                              [&](const TCommandEntry& s) { return s.Name == words[0]; });
    if (entry == std::end(kCommands))
        return {{}, "unknown command \"" + words[0] + "\"; type help"};
    TLineCommand command;
    command.Kind = entry->Kind;
    if (!TakeArgs(entry->Args, std::span(words).subspan(1), command))
        return {{}, "usage: " + std::string(entry->Usage)};
    return {command, {}};
}

const char* const kLineCommandHelp =
    "Commands (an end letter A or B names the end that sends):\n"
    "  drop A|B                   drop the next frame that end sends\n"
    "  corrupt A|B OFFSET [MASK]  change byte OFFSET (from 0) of its next frame,\n"
    "                             by XOR with MASK (default 0xFF)\n"
    "  delay A|B MILLISECONDS     hold its next frame back that long\n"
    "  cut [A|B]                  cut the line (both ways, or from one end only)\n"
    "  restore [A|B]              mend the line again\n"
    "  unplug A|B                 the device of that end disappears\n"
    "  replug A|B                 a new device appears at the same path\n"
    "  paced on|off               bytes take their time on the line, or arrive at once\n"
    "  stats                      bytes and frames carried each way\n"
    "  watch on|off               print every frame as it passes\n"
    "  help                       this text\n"
    "  quit                       remove the line and end\n";

}  // namespace trelon
