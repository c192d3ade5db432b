#include "textdata/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace vt::textdata {
namespace {

// Code points of 0x80 to 0x9F in Windows-1252; the five bytes it leaves undefined map to the C1
// control of the same number, as Windows itself converts them.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `i` of valid UTF-8 text, advancing `i`.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
  char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
  ++i;
  for (int k = 0; k < extra && i < s.size(); ++k, ++i) {
    cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  }
  return cp;
}

std::filesystem::path TempPrefixFor(const std::filesystem::path& path) {
  return path.parent_path() / ("." + path.filename().string() + ".tmp-");
}

void RemoveLeftoverTemporaries(const std::filesystem::path& path) {
  const std::string prefix = TempPrefixFor(path).filename().string();
  std::error_code ec;
  for (std::filesystem::directory_iterator it(path.parent_path(), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(prefix) && !it->is_directory(ec)) {
      std::filesystem::remove(it->path(), ec);
    }
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The mode the replacement gets: the old file's, or what a newly created file would get.
mode_t ModeFor(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    return st.st_mode & 07777;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080;
  std::size_t i = 0;
  while (i < s.size()) {
    // Runs of ASCII, most of any text here, are passed over eight bytes at a time.
    std::uint64_t word;
    if (s.size() - i >= sizeof word &&
        (std::memcpy(&word, s.data() + i, sizeof word), (word & kHighBits) == 0)) {
      i += sizeof word;
      continue;
    }
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    int extra;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3, min = 0x10000;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) {
      return false;
    }
    char32_t cp = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) {
        return false;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

std::string DecodeWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else if (b < 0xA0) {
      AppendUtf8(out, kHighControls[b - 0x80]);
    } else {
      AppendUtf8(out, b);
    }
  }
  return out;
}

std::string EncodeWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char32_t cp = NextCodePoint(utf8, i);
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char replacement = '?';
    for (std::size_t k = 0; k < kHighControls.size(); ++k) {
      if (kHighControls[k] == cp) {
        replacement = static_cast<char>(0x80 + k);
        break;
      }
    }
    out += replacement;
  }
  return out;
}

std::string DecodeText(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : DecodeWindows1252(bytes);
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return std::nullopt;
  }
  struct stat st {};
  const bool sized = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  // One byte more than the file's size lets the first read find the end as well.
  std::string bytes(sized ? static_cast<std::size_t>(st.st_size) + 1 : 64 * 1024, '\0');
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      bytes.resize(bytes.size() * 2);
    }
    const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (n == 0) {
      break;
    }
    if (n < 0 && errno != EINTR) {
      ::close(fd);
      return std::nullopt;
    }
    used += n > 0 ? static_cast<std::size_t>(n) : 0;
  }
  ::close(fd);
  bytes.resize(used);
  return bytes;
}

std::optional<std::string> ReadTextFile(const std::filesystem::path& path) {
  auto bytes = ReadFileBytes(path);
  if (bytes && !IsValidUtf8(*bytes)) {
    return DecodeWindows1252(*bytes);
  }
  return bytes;
}

bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes, Flush flush) {
  std::error_code ec;
  if (!std::filesystem::is_directory(path.parent_path().empty() ? "." : path.parent_path(), ec)) {
    return false;
  }
  RemoveLeftoverTemporaries(path);
  std::string temp = TempPrefixFor(path).string() + "XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  const bool durable = flush == Flush::kToDisk;
  const bool written =
      ::fchmod(fd, ModeFor(path)) == 0 && WriteAll(fd, bytes) && (!durable || ::fsync(fd) == 0);
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  if (durable) {
    SyncFolder(path.parent_path().empty() ? "." : path.parent_path());
  }
  return true;
}

}  // namespace vt::textdata
