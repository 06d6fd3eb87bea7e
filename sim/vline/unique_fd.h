// A file descriptor that is closed when its owner goes.
#pragma once

#include <utility>

#include <unistd.h>

namespace trelon {

class TFd {
  public:
    TFd() = default;
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() { Reset(); }
    TFd(TFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    TFd& operator=(TFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

}  // namespace trelon
