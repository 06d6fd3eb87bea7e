// rigsim: the verification rig without hardware. Serves the flowmeter, the flow simulator,
// the current meter and the pulse counter as Modbus RTU devices on virtual serial lines,
// prints the ports to give the server, and takes commands on standard input.

#include <getopt.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>
#include <fstream>
#include <optional>
#include <string>

#include "rig_sim.h"

namespace {

using namespace trelon::rig;

const char* const kUsage =
    "Usage: rigsim [OPTIONS]\n"
    "\n"
    "The verification rig without hardware: the flowmeter under test (address 1), the\n"
    "flow simulator ИМР (3), the current meter ИПТ (4) and the pulse counter УСИ (5) as\n"
    "Modbus RTU devices on a virtual serial line. The search text \"1,3-5\" finds all four.\n"
    "The flow the simulator makes is what the flowmeter measures, with the flowmeter's\n"
    "error; its current outputs go to the current meter and its pulse output to the pulse\n"
    "counter, which measure them with their own small errors.\n"
    "\n"
    "It prints one line per virtual line, the devices on it and the port to open:\n"
    "  fz@1,imr@3,ipt@4,usi@5 /run/user/1000/rig\n"
    "Give that path to the server as the port name, at the speed the rig was started\n"
    "with (9600 by default), 8 data bits, no parity. rigsim ends on Ctrl+C, SIGTERM or\n"
    "\"quit\".\n"
    "\n"
    "Options:\n"
    "  --dir DIR            where the port links go (default $XDG_RUNTIME_DIR, else /tmp)\n"
    "  --name NAME          name of the port link (default rig; with --lines each,\n"
    "                       NAME-fz, NAME-imr, NAME-ipt, NAME-usi)\n"
    "  --lines one|each     one line for all devices (default) or one line per device\n"
    "  --baud N             line speed (default 9600)\n"
    "  --time-scale K       the rig's clock runs K times as fast as the wall clock\n"
    "                       (volumes, pulses, simulation times, mode changes); give\n"
    "                       the wizard the same factor\n"
    "  --address DEV=N      address of a device: fz, imr, ipt or usi (e.g. fz=2)\n"
    "  --config FILE        commands to run at the start, one per line, # comments\n"
    "  --set \"DEV PARAM ..\" same as the command set DEV PARAM ... (repeatable)\n"
    "  --fault \"DEV KIND ..\" same as the command fault DEV KIND ... (repeatable)\n"
    "  --help               this text\n"
    "\n"
    "Example: a rig ten times as fast whose flowmeter channel 2 measures 0.3 % high and\n"
    "whose current meter stops answering after 50 requests:\n"
    "  rigsim --time-scale 10 --set \"fz error 2 0.3\" --fault \"ipt dropoff 50\"\n"
    "\n";

// Runs a start-up command; false (and a message) when it fails.
bool Startup(const std::string& command, TRig& rig, TStartup& startup, const std::string& where) {
    TCommandOutcome outcome = RunCommand(command, rig, &startup);
    if (!outcome.Error) return true;
    std::fprintf(stderr, "rigsim: %s: %s", where.c_str(), outcome.Text.c_str());
    return false;
}

bool RunConfig(const char* path, TRig& rig, TStartup& startup) {
    std::ifstream file(path);
    if (!file) {
        std::fprintf(stderr, "rigsim: cannot read %s\n", path);
        return false;
    }
    int number = 0;
    for (std::string line; std::getline(file, line);)
        if (!Startup(line, rig, startup, std::string(path) + ":" + std::to_string(++number)))
            return false;
    return true;
}

// One option into the rig or the start-up settings; false when it is wrong.
bool TakeOption(int option, const std::string& value, TRig& rig, TStartup& startup) {
    switch (option) {
        case 'n':
            startup.LineName = value;
            return !value.empty() && value.find('/') == std::string::npos;
        case 'c':
            return RunConfig(value.c_str(), rig, startup);
        case 'a': {
            auto equals = value.find('=');
            std::string command = equals == std::string::npos
                                      ? value
                                      : value.substr(0, equals) + " " + value.substr(equals + 1);
            return Startup("address " + command, rig, startup, "--address");
        }
        case 'd':
            return Startup("dir " + value, rig, startup, "--dir");
        case 'l':
            return Startup("lines " + value, rig, startup, "--lines");
        case 'b':
            return Startup("baud " + value, rig, startup, "--baud");
        case 't':
            return Startup("time-scale " + value, rig, startup, "--time-scale");
        case 's':
            return Startup("set " + value, rig, startup, "--set");
        case 'f':
            return Startup("fault " + value, rig, startup, "--fault");
        default:
            return false;
    }
}

// Options in order; the exit status when the program should end now.
std::optional<int> ParseOptions(int argc, char** argv, TRig& rig, TStartup& startup) {
    const option longOptions[] = {
        {"dir", required_argument, nullptr, 'd'},
        {"name", required_argument, nullptr, 'n'},
        {"lines", required_argument, nullptr, 'l'},
        {"baud", required_argument, nullptr, 'b'},
        {"time-scale", required_argument, nullptr, 't'},
        {"address", required_argument, nullptr, 'a'},
        {"config", required_argument, nullptr, 'c'},
        {"set", required_argument, nullptr, 's'},
        {"fault", required_argument, nullptr, 'f'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    int option;
    while ((option = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
        if (option == 'h') {
            std::fputs(kUsage, stdout);
            std::fputs(CommandHelp(rig).c_str(), stdout);
            return 0;
        }
        if (option == '?' || !TakeOption(option, optarg, rig, startup)) return 2;
    }
    if (optind != argc) return 2;
    return std::nullopt;
}

void Print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// Runs the complete lines of `pending`; false when one says quit.
bool RunLines(TRigSim& sim, std::string& pending) {
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        TCommandOutcome outcome = sim.Command(pending.substr(0, end));
        pending.erase(0, end + 1);
        if (outcome.Quit) return false;
        Print((outcome.Error ? "error: " : "") + outcome.Text);
    }
    return true;
}

// Standard input until a signal or "quit"; at the end of input the rig keeps running.
void Serve(TRigSim& sim, int signals) {
    pollfd fds[] = {{STDIN_FILENO, POLLIN, 0}, {signals, POLLIN, 0}};
    std::string pending;
    char buffer[1024];
    while (poll(fds, 2, -1) >= 0 || errno == EINTR) {
        if (fds[1].revents) return;
        if (!fds[0].revents) continue;
        ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            fds[0].fd = -1;
            if (!RunLines(sim, pending += '\n')) return;
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        if (!RunLines(sim, pending)) return;
    }
}

int BlockedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    // Blocked before the line threads start, so that they inherit the mask.
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

// Seconds since 1970 of the local time now: how the flowmeter's clock counts.
std::uint32_t LocalSeconds() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<std::uint32_t>(now + local.tm_gmtoff);
}

}  // namespace

int main(int argc, char** argv) {
    TRig rig(LocalSeconds());
    TStartup startup;
    if (auto status = ParseOptions(argc, argv, rig, startup)) {
        if (*status != 0) std::fputs("rigsim: bad arguments; see rigsim --help\n", stderr);
        return *status;
    }
    int signals = BlockedSignals();
    try {
        TRigSim sim(rig, startup);
        Print(sim.LinesText());
        std::fprintf(stderr,
                     "rigsim: running at %d baud, time scale %g; type help for commands, Ctrl+C "
                     "to end\n",
                     startup.Baud, startup.TimeScale);
        Serve(sim, signals);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rigsim: %s\n", error.what());
        return 1;
    }
    return 0;
}
