#include "files/read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vt::files {
namespace {

constexpr std::size_t kFirstRead = 64 * 1024;

// Reads into `buffer` at `used`; 0 at the end of the file.
Result<std::size_t> ReadSome(int fd, std::string& buffer, std::size_t used) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data() + used, buffer.size() - used);
    if (n >= 0) {
      return static_cast<std::size_t>(n);
    }
    if (errno != EINTR) {
      return Error::Last();
    }
  }
}

// O_NONBLOCK: opening a FIFO would otherwise wait for a writer, for ever.
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

Result<OpenFile> CheckRegular(Fd fd) {
  if (!fd.valid()) {
    return Error::Last();
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    return Error::Last();
  }
  if (!S_ISREG(st.st_mode)) {
    return Error::NotRegularFile();
  }
  // Regular files never block; reading goes on with the ordinary flags.
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return OpenFile{std::move(fd), static_cast<std::uint64_t>(st.st_size)};
}

Result<std::string> ReadWhole(Result<OpenFile> file, std::uint64_t cap) {
  if (!file) {
    return file.error();
  }
  if (file->size > cap) {
    return Error::TooLarge(cap);
  }
  // The size is a hint only: one byte more lets the first read find the end, and a file that
  // grows is read on until the cap.
  std::string bytes(static_cast<std::size_t>(std::max<std::uint64_t>(file->size + 1, kFirstRead)),
                    '\0');
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (used > cap) {
        return Error::TooLarge(cap);
      }
      bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(used * 2, cap + 1)));
    }
    const Result<std::size_t> got = ReadSome(file->fd.get(), bytes, used);
    if (!got) {
      return got.error();
    }
    if (*got == 0) {
      break;
    }
    used += *got;
  }
  if (used > cap) {
    return Error::TooLarge(cap);
  }
  bytes.resize(used);
  return bytes;
}

}  // namespace

Result<OpenFile> OpenForReading(const std::filesystem::path& path) {
  return CheckRegular(Fd(::open(path.c_str(), kReadFlags)));
}

Result<OpenFile> OpenForReading(const Folder& folder, std::string_view name) {
  return CheckRegular(
      Fd(::openat(folder.fd(), std::string(name).c_str(), kReadFlags | O_NOFOLLOW)));
}

Result<std::string> ReadFile(const std::filesystem::path& path, std::uint64_t cap) {
  return ReadWhole(OpenForReading(path), cap);
}

Result<std::string> ReadFile(const Folder& folder, std::string_view name, std::uint64_t cap) {
  return ReadWhole(OpenForReading(folder, name), cap);
}

Result<std::string> ReadAt(int fd, std::uint64_t offset, std::size_t length) {
  std::string bytes(length, '\0');
  const Result<std::size_t> read = ReadInto(fd, offset, bytes.data(), length);
  if (!read) {
    return read.error();
  }
  bytes.resize(*read);
  return bytes;
}

Result<std::size_t> ReadInto(int fd, std::uint64_t offset, char* buffer, std::size_t length) {
  std::size_t used = 0;
  while (used < length) {
    const ssize_t n = ::pread(fd, buffer + used, length - used, static_cast<off_t>(offset + used));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return Error::Last();
    }
    if (n == 0) {
      break;
    }
    used += static_cast<std::size_t>(n);
  }
  return used;
}

}  // namespace vt::files
