// Helpers for tests on a virtual line: a folder of its own for the line's links, and a
// serial port opened the way a program opens one (raw, at a given speed).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include <termios.h>

#include "line_path.h"
#include "unique_fd.h"

namespace trelon::test {

using TBytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A byte and when the reading program got it.
struct TArrival {
    std::uint8_t Value;
    TLineTime At;
};

class TTestPort {
  public:
    explicit TTestPort(const std::filesystem::path& path, speed_t speed = B19200);
    int Fd() const { return fd_.Get(); }
    void SetSpeed(speed_t speed);
    void Write(std::span<const std::uint8_t> bytes);
    // Reads until `count` bytes have come or `timeout` has passed.
    std::vector<TArrival> ReadTimed(std::size_t count, std::chrono::milliseconds timeout = 5s);
    TBytes Read(std::size_t count, std::chrono::milliseconds timeout = 5s);

  private:
    TFd fd_;
};

}  // namespace trelon::test
