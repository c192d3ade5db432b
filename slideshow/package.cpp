#include "slideshow/package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <memory>
#include <optional>

#include "slideshow/ini.h"
#include "textdata/file_copy.h"
#include "textdata/tagged_text.h"
#include "textdata/text.h"
#include "textdata/text_file.h"

namespace vt::slideshow {
namespace {

constexpr std::string_view kDescription = "slideshow.dat";

namespace fs = std::filesystem;

constexpr std::size_t kTrailerBytes = 1000;
constexpr std::size_t kMaxNameBytes = 255;

// Closes the descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

// The last kTrailerBytes of the file without its NUL bytes; no value when it is too short or
// cannot be read.
std::optional<std::string> TrailerBytes(const fs::path& package) {
  const Fd fd(::open(package.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || st.st_size <= off_t{kTrailerBytes}) {
    return std::nullopt;
  }
  std::string bytes(kTrailerBytes, '\0');
  const ssize_t got =
      ::pread(fd.get(), bytes.data(), bytes.size(), st.st_size - off_t{kTrailerBytes});
  if (got != static_cast<ssize_t>(kTrailerBytes)) {
    return std::nullopt;
  }
  std::erase(bytes, '\0');
  return bytes;
}

// After blanks at both ends are removed: an optional sign and decimal digits, nothing else, in
// the signed 32-bit range.
std::optional<std::int32_t> ReadStrictInt32(std::string_view text) {
  const std::string trimmed = textdata::TrimBlanks(text);
  std::string_view digits = trimmed;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    digits.remove_prefix(1);
  }
  const bool allDigits =
      std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits.empty() || !allDigits) {
    return std::nullopt;
  }
  // from_chars takes "-" but not "+".
  const std::string_view number = trimmed.front() == '+' ? digits : std::string_view(trimmed);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size()) {
    return std::nullopt;
  }
  return value;
}

// An INI value read the lenient way; flags count only when it is exactly 1.
bool ReadsAsOne(std::string_view value) {
  return textdata::ReadLenientInt16(value) == std::int16_t{1};
}

int SlideCount(std::string_view value) {
  return std::max(0, static_cast<int>(textdata::ReadLenientInt16(value).value_or(0)));
}

// Extracts the file whose elements are prefix + "name", "size" and "start_pos"; an entry named
// "0", without a name, or without valid numbers is skipped.
std::string EntryName(std::string_view headerText, const std::string& prefix) {
  return textdata::TrimBlanks(textdata::ElementValue(headerText, prefix + "name"));
}

void ExtractEntry(std::string_view headerText, const std::string& prefix, const fs::path& package,
                  const fs::path& folder) {
  const std::string name = EntryName(headerText, prefix);
  if (name.empty() || name == "0") {
    return;
  }
  const auto size = ReadStrictInt32(textdata::ElementValue(headerText, prefix + "size"));
  const auto start = ReadStrictInt32(textdata::ElementValue(headerText, prefix + "start_pos"));
  if (size && start) {
    ExtractEmbeddedFile(name, *size, *start, package, folder);
  }
}

std::string NumberedPrefix(std::string_view stem, int n) {
  return textdata::NumberedName(stem, n) + "_";
}

bool IsControl(std::string_view name, std::size_t i) {
  const auto c = static_cast<unsigned char>(name[i]);
  // C1 controls are U+0080..U+009F, in UTF-8 C2 80..C2 9F.
  const bool c1 = c == 0xC2 && i + 1 < name.size() &&
                  static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                  static_cast<unsigned char>(name[i + 1]) <= 0x9F;
  return c < 0x20 || c == 0x7F || c1;
}

bool HasForbiddenCharacter(std::string_view name) {
  constexpr std::string_view kWindowsForbidden = "<>:\"/\\|?*";
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (IsControl(name, i) || kWindowsForbidden.find(name[i]) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

// Windows opens the device for these whatever the extension ("nul.txt" is NUL).
bool IsReservedDeviceName(std::string_view name) {
  std::string stem = textdata::TrimBlanks(name.substr(0, name.find('.')));
  std::transform(stem.begin(), stem.end(), stem.begin(), textdata::AsciiLower);
  constexpr std::array<std::string_view, 4> kDevices = {"con", "prn", "aux", "nul"};
  if (std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end()) {
    return true;
  }
  if (!stem.starts_with("com") && !stem.starts_with("lpt")) {
    return false;
  }
  const std::string_view number = std::string_view(stem).substr(3);
  // Windows reserves the superscript digits 1 to 3 as well.
  constexpr std::array<std::string_view, 3> kSuperscripts = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
  return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') ||
         std::find(kSuperscripts.begin(), kSuperscripts.end(), number) != kSuperscripts.end();
}

// Removes whatever file or link of that name stands in the folder; false when a folder stands
// there or it could not be removed.
bool RemoveExistingEntry(int folderFd, const char* name) {
  return ::unlinkat(folderFd, name, 0) == 0 || errno == ENOENT;
}

// The flags of every slide come from one reading of slideshow.dat, written back once with the
// defaults it lacked. A voice-over named slideshow.dat replaces it: the flags are written first and
// read from the new file after it.
void ExtractVoiceOvers(std::string_view headerText, int total, const fs::path& package,
                       const fs::path& folder) {
  const fs::path path = folder / kDescription;
  auto description = std::make_unique<mIni::IniFile>(path);
  for (int n = 1; n <= total; ++n) {
    if (!ReadsAsOne(description->ReadValue("VOICE", std::to_string(n), "0"))) {
      continue;
    }
    const std::string prefix = NumberedPrefix("voice_over_", n);
    const bool replacesDescription = EntryName(headerText, prefix) == kDescription;
    if (replacesDescription) {
      description->Save();
    }
    ExtractEntry(headerText, prefix, package, folder);
    if (replacesDescription) {
      description = std::make_unique<mIni::IniFile>(path);
    }
  }
  description->Save();
}

}  // namespace

std::string ReadSlideshowHeader(const fs::path& package) {
  const auto bytes = TrailerBytes(package);
  if (!bytes) {
    return {};
  }
  std::int32_t position = 0;
  return textdata::DecodeText(
      textdata::GetTagValue(*bytes, "<KELVARIN_SLIDESHOW>", "</KELVARIN_SLIDESHOW>", position));
}

void ExtractSlideshow(const fs::path& package, const fs::path& folder,
                      std::string_view headerText) {
  if (const auto size = ReadStrictInt32(textdata::ElementValue(headerText, "ssdat_size"))) {
    ExtractEmbeddedFile(kDescription, *size, 0, package, folder);
  }
  const fs::path description = folder / kDescription;
  const int total = SlideCount(mIni::ReadIniValue("SLIDESHOW", "total", "0", description));
  for (int n = 1; n <= total; ++n) {
    ExtractEntry(headerText, NumberedPrefix("slide_", n), package, folder);
  }
  ExtractVoiceOvers(headerText, total, package, folder);
  if (ReadsAsOne(mIni::ReadIniValue("BGMUSIC", "Enable", "0", description))) {
    ExtractEntry(headerText, "bg_music_", package, folder);
  }
}

bool ExtractEmbeddedFile(std::string_view name, std::int64_t size, std::int64_t startPosition,
                         const fs::path& package, const fs::path& folder) {
  if (!IsPlainFileName(name) || size < 0) {
    return false;
  }
  // The package is opened before anything is removed, so a missing package leaves the folder
  // as it was.
  const Fd in(::open(package.c_str(), O_RDONLY | O_CLOEXEC));
  const Fd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const std::string fileName(name);
  if (!in.valid() || !folderFd.valid() || !RemoveExistingEntry(folderFd.get(), fileName.c_str())) {
    return false;
  }
  // O_EXCL with O_NOFOLLOW: a link that appeared since the removal fails the open instead of
  // being followed out of the folder.
  const Fd out(::openat(folderFd.get(), fileName.c_str(),
                        O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, 0666));
  if (!out.valid()) {
    return false;
  }
  const auto offset = static_cast<std::uint64_t>(std::max<std::int64_t>(startPosition - 1, 0));
  if (!textdata::CopyFileRange(in.get(), offset, static_cast<std::uint64_t>(size), out.get())) {
    // A half-written file would pass for the real one.
    ::unlinkat(folderFd.get(), fileName.c_str(), 0);
    return false;
  }
  return true;
}

bool IsPlainFileName(std::string_view name) {
  // The trailing dot rules out "." and ".." too.
  return !name.empty() && name.size() <= kMaxNameBytes && name.back() != '.' &&
         name.back() != ' ' && !HasForbiddenCharacter(name) && !IsReservedDeviceName(name);
}

}  // namespace vt::slideshow
