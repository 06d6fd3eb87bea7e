// vline: a virtual serial line for the rig and for tests. Creates the line, prints the
// paths of its two ends, and takes fault commands on standard input until SIGINT/SIGTERM.

#include <getopt.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>

#include "line_command.h"
#include "virtual_line.h"

namespace {

using namespace trelon;

const char* const kUsage =
    "Usage: vline [OPTIONS]\n"
    "\n"
    "Makes a virtual serial line: two ports joined like a null-modem cable. A program\n"
    "opens one end as it would open /dev/ttyUSB0, another program (a simulated device,\n"
    "libmodbus, a terminal) opens the other end. Each byte takes its time on the line at\n"
    "the speed the sending program set, so silences between frames and time-outs are\n"
    "real. Faults are typed on standard input while it runs, one command per line.\n"
    "\n"
    "The first two lines printed are the paths of the ends:\n"
    "  A /run/user/1000/lineA\n"
    "  B /run/user/1000/lineB\n"
    "Each path is a symbolic link to a pseudo-terminal (/dev/pts/N); open the path.\n"
    "vline ends on Ctrl+C, SIGTERM or \"quit\", and removes both links.\n"
    "\n"
    "Options:\n"
    "  --dir DIR          where the links go (default $XDG_RUNTIME_DIR, else /tmp)\n"
    "  --name-a NAME      name of end A (default lineA)\n"
    "  --name-b NAME      name of end B (default lineB)\n"
    "  --unpaced          deliver bytes at once instead of at line speed\n"
    "  --data-bits N      data bits both ends use, 5 to 8 (default 8)\n"
    "  --parity P         parity both ends use: N, E, O, M or S (default N)\n"
    "                     (a pseudo-terminal cannot report data bits and parity, so\n"
    "                     give them here when the line's timing must count them)\n"
    "  --help             this text\n"
    "\n";

std::mutex outputLock;

void Print(const std::string& text) {
    std::lock_guard lock(outputLock);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

char Letter(TEnd end) {
    return end == TEnd::A ? 'A' : 'B';
}

std::optional<TParity> ParityOf(const char* text) {
    // Letters in the order of TParity.
    const char* letters = "NOEMS";
    const char* found = text[0] && !text[1] ? std::strchr(letters, std::toupper(text[0])) : nullptr;
    if (!found) return std::nullopt;
    return static_cast<TParity>(found - letters);
}

TWordFormat& WordOf(TLineOptions& options) {
    return options.Word ? *options.Word : options.Word.emplace();
}

// One option with its value into `options`; false when the value is bad.
bool TakeOption(int option, const char* value, TLineOptions& options) {
    switch (option) {
        case 'd':
            options.Directory = value;
            return true;
        case 'a':
            options.NameA = value;
            return true;
        case 'b':
            options.NameB = value;
            return true;
        case 'u':
            options.Paced = false;
            return true;
        case 'w':
            WordOf(options).DataBits = std::atoi(value);
            return WordOf(options).DataBits >= 5 && WordOf(options).DataBits <= 8;
        case 'p': {
            auto parity = ParityOf(value);
            if (parity) WordOf(options).Parity = *parity;
            return parity.has_value();
        }
        default:
            return false;
    }
}

// Options into `options`; returns the exit status when the program should end now.
std::optional<int> ParseOptions(int argc, char** argv, TLineOptions& options) {
    const option longOptions[] = {
        {"dir", required_argument, nullptr, 'd'},
        {"name-a", required_argument, nullptr, 'a'},
        {"name-b", required_argument, nullptr, 'b'},
        {"unpaced", no_argument, nullptr, 'u'},
        {"data-bits", required_argument, nullptr, 'w'},
        {"parity", required_argument, nullptr, 'p'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    int option;
    while ((option = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
        if (option == 'h') {
            std::fputs(kUsage, stdout);
            std::fputs(kLineCommandHelp, stdout);
            return 0;
        }
        if (!TakeOption(option, optarg, options)) return 2;
    }
    if (optind != argc) return 2;
    return std::nullopt;
}

std::string CountersText(const TVirtualLine& line, TDirection direction) {
    TPathCounters c = line.Counters(direction);
    TEnd from = SenderOf(direction);
    std::ostringstream text;
    text << Letter(from) << "->" << Letter(ReceiverOf(direction)) << ": sent " << c.SentBytes
         << " delivered " << c.DeliveredBytes << " lost " << c.LostBytes << " bytes; frames "
         << c.Frames << " (dropped " << c.DroppedFrames << ", corrupted " << c.CorruptedFrames
         << ", delayed " << c.DelayedFrames << ")\n";
    return text.str();
}

std::string EndText(const TVirtualLine& line, TEnd end) {
    std::string device = line.Device(end);
    return std::string(1, Letter(end)) + ": " + line.Path(end).string() + " -> " +
           (device.empty() ? "unplugged" : device) + "\n";
}

std::string StatsText(const TVirtualLine& line) {
    return EndText(line, TEnd::A) + EndText(line, TEnd::B) + CountersText(line, TDirection::AtoB) +
           CountersText(line, TDirection::BtoA);
}

std::string FrameText(const TFrameRecord& frame) {
    std::ostringstream text;
    TEnd from = SenderOf(frame.Direction);
    text << Letter(from) << "->" << Letter(ReceiverOf(frame.Direction)) << " #" << frame.Index
         << ' ' << frame.Length << " bytes:";
    char hex[4];
    for (std::uint8_t byte : frame.Bytes) {
        std::snprintf(hex, sizeof hex, " %02X", byte);
        text << hex;
    }
    if (frame.Dropped) text << " [dropped]";
    if (frame.Corrupted) text << " [corrupted]";
    if (frame.Delay.count() > 0) text << " [delayed " << frame.Delay.count() << " ms]";
    if (frame.LostBytes > 0) text << " [" << frame.LostBytes << " lost]";
    return text.str() + "\n";
}

void Watch(TVirtualLine& line, bool on) {
    if (on)
        line.OnFrame([](const TFrameRecord& frame) { Print(FrameText(frame)); });
    else
        line.OnFrame(nullptr);
}

// Frame faults and cuts: the direction from the named end, or both ways for a cut.
void ApplyFault(TVirtualLine& line, const TLineCommand& command) {
    using TKind = TLineCommand::TKind;
    if (!command.End) {
        command.Kind == TKind::Cut ? line.Cut() : line.Restore();
        return;
    }
    TDirection direction = DirectionFrom(*command.End);
    switch (command.Kind) {
        case TKind::Drop:
            line.DropNextFrame(direction);
            break;
        case TKind::Corrupt:
            line.CorruptNextFrame(direction, command.Offset, command.Mask);
            break;
        case TKind::Delay:
            line.DelayNextFrame(direction, command.Delay);
            break;
        case TKind::Cut:
            line.Cut(direction);
            break;
        case TKind::Restore:
            line.Restore(direction);
            break;
        default:
            break;
    }
}

// Carries out one command; false when the program should end.
bool Apply(TVirtualLine& line, const TLineCommand& command) {
    using TKind = TLineCommand::TKind;
    switch (command.Kind) {
        case TKind::Unplug:
            line.Unplug(*command.End);
            break;
        case TKind::Replug:
            line.Replug(*command.End);
            break;
        case TKind::Paced:
            line.Paced(command.On);
            break;
        case TKind::Stats:
            Print(StatsText(line));
            return true;
        case TKind::Watch:
            Watch(line, command.On);
            break;
        case TKind::Help:
            Print(kLineCommandHelp);
            return true;
        case TKind::Quit:
            return false;
        default:
            ApplyFault(line, command);
            break;
    }
    Print("ok\n");
    return true;
}

bool HandleCommand(TVirtualLine& line, const std::string& text) {
    TParsedCommand parsed = ParseLineCommand(text);
    if (!parsed.Error.empty()) Print("error: " + parsed.Error + "\n");
    if (!parsed.Command) return true;
    try {
        return Apply(line, *parsed.Command);
    } catch (const std::exception& error) {
        Print(std::string("error: ") + error.what() + "\n");
        return true;
    }
}

// Takes the complete lines out of `pending` and runs them; false when one says quit.
bool RunLines(TVirtualLine& line, std::string& pending) {
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
        std::string text = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!HandleCommand(line, text)) return false;
    }
    return true;
}

// Standard input until a signal or "quit"; at the end of input the line keeps running.
void Serve(TVirtualLine& line, int signals) {
    pollfd fds[] = {{STDIN_FILENO, POLLIN, 0}, {signals, POLLIN, 0}};
    std::string pending;
    char buffer[1024];
    while (poll(fds, 2, -1) >= 0 || errno == EINTR) {
        if (fds[1].revents) return;
        if (!fds[0].revents) continue;
        ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            fds[0].fd = -1;
            if (!RunLines(line, pending += '\n')) return;
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        if (!RunLines(line, pending)) return;
    }
}

int BlockedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    // Blocked before the line's thread starts, so that the thread inherits the mask.
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

}  // namespace

int main(int argc, char** argv) {
    TLineOptions options;
    if (auto status = ParseOptions(argc, argv, options)) {
        if (*status != 0) std::fputs("vline: bad arguments; see vline --help\n", stderr);
        return *status;
    }
    int signals = BlockedSignals();
    try {
        TVirtualLine line(options);
        Print(std::string("A ") + line.Path(TEnd::A).string() + "\nB " +
              line.Path(TEnd::B).string() + "\n");
        std::fputs("vline: running; type help for commands, Ctrl+C to end\n", stderr);
        Serve(line, signals);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vline: %s\n", error.what());
        return 1;
    }
    return 0;
}
