#include "slideshow/ini.h"

#include <cstddef>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "textdata/text.h"
#include "textdata/text_file.h"

namespace vt::mIni {
namespace {

namespace fs = std::filesystem;

// The platform's read buffer holds 255 characters, one of them its terminating NUL.
constexpr std::size_t kMaxValueChars = 254;

enum class LineKind { kOther, kSection, kKey };

struct IniLine {
  std::size_t begin = 0;    // first byte in the file
  std::size_t textEnd = 0;  // where the line end starts
  std::size_t end = 0;      // after the line end
  LineKind kind = LineKind::kOther;
  std::string name;   // section or key name, decoded and trimmed
  std::string value;  // key value, decoded and trimmed
};

struct IniDocument {
  std::string bytes;
  bool utf8 = true;
  std::vector<IniLine> lines;
};

// Where a key of a section stands: line indexes into IniDocument::lines.
struct KeyPlace {
  std::optional<std::size_t> section;
  std::optional<std::size_t> key;
  std::size_t lastLineOfSection = 0;  // header or last key line; a new key goes after it
};

std::string_view TrimBlanksAndTabs(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void ClassifyLine(std::string_view text, IniLine& line) {
  const std::string_view trimmed = TrimBlanksAndTabs(text);
  if (trimmed.empty() || trimmed.front() == ';') {
    return;
  }
  const auto close = trimmed.find(']');
  if (trimmed.front() == '[' && close != std::string_view::npos) {
    line.kind = LineKind::kSection;
    line.name = TrimBlanksAndTabs(trimmed.substr(1, close - 1));
    return;
  }
  line.kind = LineKind::kKey;
  const auto equals = trimmed.find('=');
  line.name = TrimBlanksAndTabs(trimmed.substr(0, equals));
  if (equals != std::string_view::npos) {
    line.value = TrimBlanksAndTabs(trimmed.substr(equals + 1));
  }
}

IniDocument ParseDocument(std::string bytes) {
  IniDocument doc;
  doc.utf8 = textdata::IsValidUtf8(bytes);
  for (std::size_t pos = 0; pos < bytes.size();) {
    IniLine line;
    line.begin = pos;
    const auto newline = bytes.find('\n', pos);
    if (newline == std::string::npos) {
      line.textEnd = line.end = bytes.size();
    } else {
      line.end = newline + 1;
      line.textEnd = newline > pos && bytes[newline - 1] == '\r' ? newline - 1 : newline;
    }
    const std::string_view raw(bytes.data() + line.begin, line.textEnd - line.begin);
    ClassifyLine(doc.utf8 ? std::string(raw) : textdata::DecodeWindows1252(raw), line);
    doc.lines.push_back(std::move(line));
    pos = doc.lines.back().end;
  }
  doc.bytes = std::move(bytes);
  return doc;
}

// Only the first section of that name is searched, and its first key of that name counts.
KeyPlace FindKey(const IniDocument& doc, std::string_view section, std::string_view key) {
  KeyPlace place;
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    const IniLine& line = doc.lines[i];
    if (line.kind == LineKind::kSection) {
      if (place.section) {
        break;
      }
      if (textdata::EqualsIgnoringAsciiCase(line.name, section)) {
        place.section = i;
        place.lastLineOfSection = i;
      }
    } else if (place.section && line.kind == LineKind::kKey) {
      place.lastLineOfSection = i;
      if (textdata::EqualsIgnoringAsciiCase(line.name, key)) {
        place.key = i;
        break;
      }
    }
  }
  return place;
}

// The file's bytes, "" for a missing file; no value when it exists but cannot be read.
std::optional<std::string> CurrentBytes(const fs::path& file) {
  if (auto bytes = textdata::ReadFileBytes(file)) {
    return bytes;
  }
  std::error_code ec;
  if (fs::exists(fs::symlink_status(file, ec))) {
    return std::nullopt;
  }
  return std::string();
}

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view FirstChars(std::string_view utf8, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const bool startsChar = (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80;
    if (startsChar && seen++ == count) {
      return utf8.substr(0, i);
    }
  }
  return utf8;
}

std::string StoredValue(std::string_view section, std::string_view key, const fs::path& file) {
  const IniDocument doc = ParseDocument(CurrentBytes(file).value_or(""));
  const KeyPlace place = FindKey(doc, section, key);
  if (!place.key) {
    return {};
  }
  return std::string(FirstChars(Unquoted(doc.lines[*place.key].value), kMaxValueChars));
}

std::string_view LineEndFor(std::string_view bytes) {
  const bool lfOnly =
      bytes.find('\n') != std::string_view::npos && bytes.find("\r\n") == std::string_view::npos;
  return lfOnly ? "\n" : "\r\n";
}

// A new line in the file's own encoding, so a Windows-1252 file stays Windows-1252.
std::string EncodedLine(const IniDocument& doc, std::string_view text) {
  return doc.utf8 ? std::string(text) : textdata::EncodeWindows1252(text);
}

std::string WithKeyReplaced(const IniDocument& doc, const IniLine& line, std::string_view value) {
  std::string result = doc.bytes.substr(0, line.begin);
  result += EncodedLine(doc, line.name + "=" + std::string(value));
  result += doc.bytes.substr(line.textEnd);
  return result;
}

// The new line takes the place of the line end when the line before it had none.
std::string WithKeyInserted(const IniDocument& doc, const IniLine& after, std::string_view key,
                            std::string_view value) {
  const std::string lineEnd(LineEndFor(doc.bytes));
  const std::string text = EncodedLine(doc, std::string(key) + "=" + std::string(value));
  const bool hadLineEnd = after.textEnd != after.end;
  std::string result = doc.bytes.substr(0, after.end);
  result += hadLineEnd ? text + lineEnd : lineEnd + text;
  result += doc.bytes.substr(after.end);
  return result;
}

std::string WithSectionAppended(const IniDocument& doc, std::string_view section,
                                std::string_view key, std::string_view value) {
  const std::string lineEnd(LineEndFor(doc.bytes));
  std::string result = doc.bytes;
  if (!result.empty() && result.back() != '\n') {
    result += lineEnd;
  }
  result += EncodedLine(doc, "[" + std::string(section) + "]") + lineEnd;
  result += EncodedLine(doc, std::string(key) + "=" + std::string(value)) + lineEnd;
  return result;
}

}  // namespace

std::string ReadIniValue(std::string_view section, std::string_view key,
                         std::string_view defaultValue, const std::filesystem::path& file) {
  std::string value = StoredValue(TrimBlanksAndTabs(section), TrimBlanksAndTabs(key), file);
  if (!value.empty() || defaultValue.empty()) {
    return value;
  }
  WriteIniValue(section, key, defaultValue, file);
  return std::string(defaultValue);
}

bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::filesystem::path& file) {
  section = TrimBlanksAndTabs(section);
  key = TrimBlanksAndTabs(key);
  auto bytes = CurrentBytes(file);
  if (!bytes) {
    return false;
  }
  const IniDocument doc = ParseDocument(std::move(*bytes));
  const KeyPlace place = FindKey(doc, section, key);
  std::string updated;
  if (place.key) {
    updated = WithKeyReplaced(doc, doc.lines[*place.key], value);
  } else if (place.section) {
    updated = WithKeyInserted(doc, doc.lines[place.lastLineOfSection], key, value);
  } else {
    updated = WithSectionAppended(doc, section, key, value);
  }
  // A slideshow's settings: a power cut may cost the last value, never the file.
  return textdata::ReplaceFileAtomically(file, updated, textdata::Flush::kNone);
}

}  // namespace vt::mIni
