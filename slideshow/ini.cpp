#include "slideshow/ini.h"

#include <cstddef>
#include <list>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "textdata/text.h"
#include "textdata/text_file.h"

namespace vt::mIni {
namespace {

namespace fs = std::filesystem;

// The platform's read buffer holds 255 characters, one of them its terminating NUL.
constexpr std::size_t kMaxValueChars = 254;

enum class LineKind { kOther, kSection, kKey };

// One line of the file: its bytes as they stand and what they say, decoded.
struct Line {
  std::string text;     // without the line end
  std::string lineEnd;  // "\r\n", "\n" or nothing (the last line)
  LineKind kind = LineKind::kOther;
  std::string name;   // section or key name, trimmed
  std::string value;  // key value, trimmed
};

using Lines = std::list<Line>;

std::string_view TrimBlanksAndTabs(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) {
    c = textdata::AsciiLower(c);
  }
  return lowered;
}

void Classify(std::string_view decoded, Line& line) {
  const std::string_view trimmed = TrimBlanksAndTabs(decoded);
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

}  // namespace

// The lines of the file with an index of the first section of each name and, inside it, the
// first key of each name: only those are ever read or changed, so lookups and changes do not
// depend on the size of the file.
struct IniFile::Document {
  struct Section {
    Lines::iterator last;  // the header or the section's last key line: new keys go after it
    std::unordered_map<std::string, Lines::iterator> keys;
  };

  Lines lines;
  std::unordered_map<std::string, Section> sections;
  bool utf8 = true;
  std::string newLineEnd = "\r\n";

  explicit Document(std::string_view bytes) {
    utf8 = textdata::IsValidUtf8(bytes);
    const bool lfOnly =
        bytes.find('\n') != std::string_view::npos && bytes.find("\r\n") == std::string_view::npos;
    newLineEnd = lfOnly ? "\n" : "\r\n";
    Section* current = nullptr;
    for (std::size_t pos = 0; pos < bytes.size();) {
      const auto newline = bytes.find('\n', pos);
      const std::size_t end = newline == std::string_view::npos ? bytes.size() : newline + 1;
      std::size_t textEnd = newline == std::string_view::npos ? bytes.size() : newline;
      if (textEnd > pos && newline != std::string_view::npos && bytes[textEnd - 1] == '\r') {
        --textEnd;
      }
      Line& line = lines.emplace_back();
      line.text = bytes.substr(pos, textEnd - pos);
      line.lineEnd = bytes.substr(textEnd, end - textEnd);
      Classify(utf8 ? line.text : textdata::DecodeWindows1252(line.text), line);
      current = Index(std::prev(lines.end()), current);
      pos = end;
    }
  }

  // Records the line in the index; the section the lines below it belong to, if it counts.
  Section* Index(Lines::iterator line, Section* current) {
    if (line->kind == LineKind::kSection) {
      const auto [entry, first] = sections.try_emplace(Lowered(line->name), Section{line, {}});
      return first ? &entry->second : nullptr;
    }
    if (line->kind == LineKind::kKey && current != nullptr) {
      current->last = line;
      current->keys.try_emplace(Lowered(line->name), line);
    }
    return current;
  }

  std::optional<Lines::iterator> Find(std::string_view section, std::string_view key) {
    const auto found = sections.find(Lowered(section));
    if (found == sections.end()) {
      return std::nullopt;
    }
    const auto line = found->second.keys.find(Lowered(key));
    if (line == found->second.keys.end()) {
      return std::nullopt;
    }
    return line->second;
  }

  // A new line in the file's own encoding, so a Windows-1252 file stays Windows-1252.
  Line NewLine(const std::string& decoded, LineKind kind, std::string_view name,
               std::string_view value) const {
    return {utf8 ? decoded : textdata::EncodeWindows1252(decoded), newLineEnd, kind,
            std::string(name), std::string(value)};
  }

  // A line inserted after one that had no line end takes that place: the file's last line keeps
  // having none.
  Lines::iterator InsertAfter(Lines::iterator after, Line line) {
    if (after->lineEnd.empty()) {
      std::swap(after->lineEnd, line.lineEnd);
    }
    return lines.insert(std::next(after), std::move(line));
  }

  void Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string keyLine = std::string(key) + "=" + std::string(value);
    if (const auto line = Find(section, key)) {
      Line& existing = **line;
      const std::string replaced = existing.name + "=" + std::string(value);
      existing.text = utf8 ? replaced : textdata::EncodeWindows1252(replaced);
      existing.value = value;
      return;
    }
    auto found = sections.find(Lowered(section));
    if (found == sections.end()) {
      // A new section goes at the end, on lines of its own.
      if (!lines.empty() && lines.back().lineEnd.empty()) {
        lines.back().lineEnd = newLineEnd;
      }
      const std::string header = "[" + std::string(section) + "]";
      lines.push_back(NewLine(header, LineKind::kSection, section, {}));
      found = sections.try_emplace(Lowered(section), Section{std::prev(lines.end()), {}}).first;
    }
    Section& target = found->second;
    target.last = InsertAfter(target.last, NewLine(keyLine, LineKind::kKey, key, value));
    target.keys.try_emplace(Lowered(key), target.last);
  }

  std::string Bytes() const {
    std::string bytes;
    for (const Line& line : lines) {
      bytes += line.text;
      bytes += line.lineEnd;
    }
    return bytes;
  }
};

IniFile::IniFile(std::filesystem::path file) : file_(std::move(file)) {
  const std::optional<std::string> bytes = CurrentBytes(file_);
  readable_ = bytes.has_value();
  document_ = std::make_unique<Document>(bytes.value_or(std::string()));
}

IniFile::~IniFile() = default;

std::string IniFile::ReadValue(std::string_view section, std::string_view key,
                               std::string_view defaultValue) {
  section = TrimBlanksAndTabs(section);
  key = TrimBlanksAndTabs(key);
  if (const auto line = document_->Find(section, key)) {
    std::string value(FirstChars(Unquoted((*line)->value), kMaxValueChars));
    if (!value.empty() || defaultValue.empty()) {
      return value;
    }
  } else if (defaultValue.empty()) {
    return {};
  }
  WriteValue(section, key, defaultValue);
  return std::string(defaultValue);
}

void IniFile::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
  document_->Set(TrimBlanksAndTabs(section), TrimBlanksAndTabs(key), value);
  changed_ = true;
}

bool IniFile::Save() {
  if (!changed_) {
    return true;
  }
  if (!readable_) {
    return false;  // never overwrite a file that exists but could not be read
  }
  // A slideshow's settings: a power cut may cost the last value, never the file.
  changed_ = !textdata::ReplaceFileAtomically(file_, document_->Bytes(), textdata::Flush::kNone);
  return !changed_;
}

std::string ReadIniValue(std::string_view section, std::string_view key,
                         std::string_view defaultValue, const std::filesystem::path& file) {
  IniFile ini(file);
  std::string value = ini.ReadValue(section, key, defaultValue);
  ini.Save();
  return value;
}

bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::filesystem::path& file) {
  IniFile ini(file);
  ini.WriteValue(section, key, value);
  return ini.Save();
}

}  // namespace vt::mIni
