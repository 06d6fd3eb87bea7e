// The commands a rig technician types while rigsim runs, or writes into its config file
// one per line ("set fz error 2 0.3", "fault ipt silent after 20", "clear all", "status").
// Free of I/O: a command line in, the rig changed and a text out.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "rig_model.h"

namespace trelon::rig {

// What only the start can set: the lines and the clock.
struct TStartup {
    std::filesystem::path Directory;  // links; empty: $XDG_RUNTIME_DIR, else /tmp
    std::string LineName = "rig";
    double TimeScale = 1;
    int Baud = 9600;
    bool LinePerDevice = false;
};

struct TCommandOutcome {
    std::string Text;  // what to show; ends with a newline when not empty
    bool Error = false;
    bool Quit = false;
};

// Carries out one command line (a "#" starts a comment). With `startup` (before the lines
// exist) the start-only commands work too: address, lines, baud, time-scale, dir.
TCommandOutcome RunCommand(std::string_view line, TRig& rig, TStartup* startup = nullptr);

// The commands and every device's parameters, for --help and "help".
std::string CommandHelp(const TRig& rig);

}  // namespace trelon::rig
