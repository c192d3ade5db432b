#include "slideshow/package.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "files/copy.h"
#include "files/read.h"
#include "slideshow/ini.h"
#include "textdata/encoding.h"
#include "textdata/tagged_text.h"
#include "textdata/text.h"

namespace vt::slideshow {
namespace {

constexpr std::string_view kDescription = "slideshow.dat";

namespace fs = std::filesystem;

constexpr std::size_t kTrailerBytes = 1000;
constexpr std::size_t kMaxNameBytes = 255;

// The last kTrailerBytes of the file without its NUL bytes; no value when it is too short or
// cannot be read.
std::optional<std::string> TrailerBytes(const fs::path& package) {
  const files::Result<files::OpenFile> file = files::OpenForReading(package);
  if (!file || file->size <= kTrailerBytes) {
    return std::nullopt;
  }
  files::Result<std::string> bytes =
      files::ReadAt(file->fd.get(), file->size - kTrailerBytes, kTrailerBytes);
  if (!bytes || bytes->size() != kTrailerBytes) {
    return std::nullopt;
  }
  std::erase(*bytes, '\0');
  return std::move(*bytes);
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

// A key of VOICE the unpacking reads: a slide number as it writes one, 1 to 32767.
bool IsSlideNumber(std::string_view key) {
  constexpr std::size_t kMaxDigits = 5;
  if (key.empty() || key.size() > kMaxDigits || key.front() == '0' ||
      !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  int number = 0;
  std::from_chars(key.data(), key.data() + key.size(), number);
  return number <= std::numeric_limits<std::int16_t>::max();
}

bool IsDescriptionKey(std::string_view section, std::string_view key) {
  return (section == "slideshow" && key == "total") || (section == "bgmusic" && key == "enable") ||
         (section == "voice" && IsSlideNumber(key));
}

// The folder's slideshow.dat, read once for every key the unpacking asks, and written back once
// with the defaults it lacked.
class Description {
 public:
  explicit Description(const files::Folder& folder) : folder_(folder) { Read(); }

  std::string Value(std::string_view section, std::string_view key) {
    return ini_->ReadValue(section, key, "0");
  }
  // Not flushed here: the folder is flushed whole before it is put in place.
  files::Status Save() { return ini_->Save(files::Durability::kNotFlushed); }
  // A member named slideshow.dat replaces the file: what was asked so far is saved before, and the
  // new file read after.
  void Read() {
    ini_ = std::make_unique<mIni::IniFile>(
        folder_, std::string(kDescription),
        std::vector<std::string>{"SLIDESHOW", "VOICE", "BGMUSIC"}, IsDescriptionKey);
  }

 private:
  const files::Folder& folder_;
  std::unique_ptr<mIni::IniFile> ini_;
};

// One unpacking: the open package, the folder and the header text.
struct Unpacking {
  int package;
  const files::Folder& folder;
  std::string_view headerText;
  Description& description;
};

std::string EntryName(std::string_view headerText, const std::string& prefix) {
  return textdata::TrimBlanks(textdata::ElementValue(headerText, prefix + "name"));
}

// Extracts the file whose elements are prefix + "name", "size" and "start_pos"; an entry named
// "0", without a name, or without valid numbers is passed over.
files::Status ExtractEntry(const Unpacking& job, const std::string& prefix) {
  const std::string name = EntryName(job.headerText, prefix);
  if (name.empty() || name == "0") {
    return {};
  }
  const auto size = ReadStrictInt32(textdata::ElementValue(job.headerText, prefix + "size"));
  const auto start = ReadStrictInt32(textdata::ElementValue(job.headerText, prefix + "start_pos"));
  if (!size || !start) {
    return {};
  }
  const bool replacesDescription = name == kDescription;
  if (replacesDescription) {
    if (files::Status saved = job.description.Save(); !saved) {
      return saved;
    }
  }
  files::Status extracted = ExtractEmbeddedFile(name, *size, *start, job.package, job.folder);
  if (replacesDescription) {
    job.description.Read();
  }
  return extracted;
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

files::Status ExtractSlideshow(const fs::path& package, const files::Folder& folder,
                               std::string_view headerText) {
  const files::Result<files::OpenFile> in = files::OpenForReading(package);
  if (!in) {
    return in.error();
  }
  if (const auto size = ReadStrictInt32(textdata::ElementValue(headerText, "ssdat_size"))) {
    if (files::Status status = ExtractEmbeddedFile(kDescription, *size, 0, in->fd.get(), folder);
        !status) {
      return status;
    }
  }
  Description description(folder);
  const Unpacking job{in->fd.get(), folder, headerText, description};
  const int total = SlideCount(description.Value("SLIDESHOW", "total"));
  for (int n = 1; n <= total; ++n) {
    if (files::Status status = ExtractEntry(job, NumberedPrefix("slide_", n)); !status) {
      return status;
    }
  }
  for (int n = 1; n <= total; ++n) {
    if (!ReadsAsOne(description.Value("VOICE", std::to_string(n)))) {
      continue;
    }
    if (files::Status status = ExtractEntry(job, NumberedPrefix("voice_over_", n)); !status) {
      return status;
    }
  }
  if (ReadsAsOne(description.Value("BGMUSIC", "Enable"))) {
    if (files::Status status = ExtractEntry(job, "bg_music_"); !status) {
      return status;
    }
  }
  return description.Save();
}

files::Status ExtractEmbeddedFile(std::string_view name, std::int64_t size,
                                  std::int64_t startPosition, int package,
                                  const files::Folder& folder) {
  if (!IsPlainFileName(name) || size < 0) {
    return {};
  }
  if (files::Status removed = folder.RemoveFile(name); !removed) {
    return removed;
  }
  // Created exclusively and without following links: a link that appeared since the removal
  // fails the creation instead of leading out of the folder.
  files::Result<files::Fd> out = folder.CreateFile(name);
  if (!out) {
    return out.error();
  }
  const auto offset = static_cast<std::uint64_t>(std::max<std::int64_t>(startPosition - 1, 0));
  const auto length = static_cast<std::uint64_t>(size);
  const files::Result<std::uint64_t> copied = files::CopyRange(package, offset, length, out->get());
  if (!copied) {
    return copied.error();
  }
  if (*copied != length) {
    return files::Error::EndedEarly();  // the stretch reaches past the end of the package
  }
  files::StartFlush(out->get());
  return out->Close() ? files::Status() : files::Status(files::Error::Last());
}

bool IsPlainFileName(std::string_view name) {
  // The trailing dot rules out "." and ".." too.
  return !name.empty() && name.size() <= kMaxNameBytes && name.back() != '.' &&
         name.back() != ' ' && !HasForbiddenCharacter(name) && !IsReservedDeviceName(name);
}

}  // namespace vt::slideshow
