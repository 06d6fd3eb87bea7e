// The vline tool as a technician runs it: paths printed, commands answered, links removed
// when it is told to end.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "test_port.h"

extern char** environ;

namespace trelon::test {
namespace {

class TToolProcess {
  public:
    explicit TToolProcess(std::vector<std::string> args) {
        int input[2], output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
            throw std::system_error(errno, std::generic_category(), "pipe2");
        toTool_ = TFd(input[1]);
        fromTool_ = TFd(output[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        args.insert(args.begin(), VLINE_TOOL);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        int failed = posix_spawn(&pid_, VLINE_TOOL, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        ::close(output[1]);
        if (failed) throw std::system_error(failed, std::generic_category(), "posix_spawn");
    }
    ~TToolProcess() {
        if (pid_ > 0) Stop(SIGKILL);
    }

    void Send(const std::string& text) {
        ASSERT_EQ(::write(toTool_.Get(), text.data(), text.size()), ssize_t(text.size()));
    }
    // The next line the tool prints, without its newline; "" after 5 s or at the end.
    std::string ReadLine() {
        auto deadline = TLineClock::now() + 5s;
        while (pending_.find('\n') == std::string::npos && ReadMore(deadline)) {
        }
        auto end = pending_.find('\n');
        if (end == std::string::npos) return {};
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return line;
    }
    // Everything the tool prints until it closes its output.
    std::string ReadAll() {
        auto deadline = TLineClock::now() + 5s;
        while (ReadMore(deadline)) {
        }
        return std::exchange(pending_, {});
    }
    // Signals the tool and returns its exit status (-1 if a signal ended it).
    int Stop(int signal) {
        ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Waits for the tool to end by itself and returns its exit status.
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    bool ReadMore(TLineTime deadline) {
        pollfd entry{fromTool_.Get(), POLLIN, 0};
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TLineClock::now());
        if (left <= 0ms || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[512];
        ssize_t n = ::read(fromTool_.Get(), buffer, sizeof buffer);
        if (n > 0) pending_.append(buffer, static_cast<std::size_t>(n));
        return n > 0;
    }

    pid_t pid_ = -1;
    TFd toTool_;
    TFd fromTool_;
    std::string pending_;
};

TEST(VlineTool, HelpTellsOptionsAndCommandsAndBadArgumentsAreRefused) {
    TToolProcess help({"--help"});
    std::string text = help.ReadAll();
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_NE(text.find("--dir DIR"), std::string::npos);
    EXPECT_NE(text.find("corrupt A|B OFFSET"), std::string::npos);

    for (std::vector<std::string> args : {std::vector<std::string>{"--bogus"},
                                          {"--parity", "X"},
                                          {"--data-bits", "9"},
                                          {"extra"}}) {
        TToolProcess bad(args);
        EXPECT_EQ(bad.Wait(), 2) << args[0];
    }
}

TEST(VlineTool, PrintsPathsTakesCommandsAndRemovesItsLinksOnSigterm) {
    TTempDir dir;
    TToolProcess tool({"--dir", dir.Path().string(), "--name-a", "master", "--name-b", "rig"});
    EXPECT_EQ(tool.ReadLine(), "A " + (dir.Path() / "master").string());
    EXPECT_EQ(tool.ReadLine(), "B " + (dir.Path() / "rig").string());
    EXPECT_TRUE(
        std::filesystem::read_symlink(dir.Path() / "rig").string().starts_with("/dev/pts/"));

    tool.Send("drop A\ncorrupt B nine\n");
    EXPECT_EQ(tool.ReadLine(), "ok");
    EXPECT_EQ(tool.ReadLine(), "error: usage: corrupt A|B OFFSET [MASK]");
    tool.Send("unplug B\nstats\n");
    EXPECT_EQ(tool.ReadLine(), "ok");
    EXPECT_EQ(tool.ReadLine(), "A: " + (dir.Path() / "master").string() + " -> " +
                                   std::filesystem::read_symlink(dir.Path() / "master").string());
    EXPECT_EQ(tool.ReadLine(), "B: " + (dir.Path() / "rig").string() + " -> unplugged");

    EXPECT_EQ(tool.Stop(SIGTERM), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
}  // namespace trelon::test
