// The commands a technician types to the vline tool, one per line, e.g. "drop A",
// "corrupt B 3", "delay A 200", "cut", "restore", "unplug A", "replug A", "stats".
// An end letter names the sending end for frame faults and cuts, the device itself for
// unplug and replug.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "line_types.h"

namespace trelon {

struct TLineCommand {
    enum class TKind {
        Drop,
        Corrupt,
        Delay,
        Cut,
        Restore,
        Unplug,
        Replug,
        Paced,
        Stats,
        Watch,
        Help,
        Quit,
    };
    TKind Kind = TKind::Help;
    std::optional<TEnd> End;  // empty for cut/restore: both ways
    std::size_t Offset = 0;
    std::uint8_t Mask = 0xFF;
    std::chrono::milliseconds Delay{0};
    bool On = true;  // paced, watch
};

struct TParsedCommand {
    std::optional<TLineCommand> Command;  // empty for a blank line or an error
    std::string Error;
};

TParsedCommand ParseLineCommand(std::string_view text);

// One line per command, for "help".
extern const char* const kLineCommandHelp;

}  // namespace trelon
