#include "files/result.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "files/fd.h"

namespace vt::files {

Error Error::Last() {
  return System(errno);
}

bool Error::IsMissing() const {
  return kind_ == Kind::kSystem && code_ == ENOENT;
}

std::string Error::Describe() const {
  switch (kind_) {
    case Kind::kNotRegularFile:
      return "not a regular file";
    case Kind::kTooLarge:
      return "larger than " + std::to_string(cap_ >> 20) + " MB";
    case Kind::kEndedEarly:
      return "the file ended before the expected size";
    case Kind::kSystem:
      break;
  }
  std::string text = std::strerror(code_);
  if (!text.empty()) {
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  }
  return text;
}

bool Fd::Close() {
  return fd_ < 0 || ::close(std::exchange(fd_, -1)) == 0;
}

void Fd::Reset() {
  if (fd_ >= 0) {
    ::close(std::exchange(fd_, -1));
  }
}

}  // namespace vt::files
