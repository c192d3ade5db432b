#pragma once

#include <utility>

namespace vt::files {

// Owns one open file descriptor and closes it when it goes.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }

  // Closes the descriptor; false when the system reported an error (for a written file, data
  // that may not have reached the disk).
  bool Close();

 private:
  void Reset();

  int fd_ = -1;
};

}  // namespace vt::files
