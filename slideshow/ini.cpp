#include "slideshow/ini.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <unordered_map>
#include <utility>

#include "files/read.h"
#include "textdata/encoding.h"
#include "textdata/text.h"

namespace vt::mIni {
namespace {

namespace fs = std::filesystem;

// The platform's read buffer holds 255 characters, one of them its terminating NUL.
constexpr std::size_t kMaxValueChars = 254;
// Written text is handed to the file in pieces of about this size.
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;
constexpr std::size_t kNone = std::string::npos;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

// The file's bytes, "" for a missing file.
files::Result<std::string> CurrentBytes(const files::Result<files::Folder>& folder,
                                        std::string_view name) {
  if (!folder) {
    return folder.error();
  }
  files::Result<std::string> bytes = files::ReadFile(*folder, name, files::kTextFileCap);
  if (!bytes && bytes.error().IsMissing()) {
    return std::string();
  }
  return bytes;
}

// Hands text to a new file in large pieces.
class ChunkedWriter {
 public:
  explicit ChunkedWriter(files::NewFile& file) : file_(file) {}

  void Add(std::string_view text) {
    if (pending_.size() + text.size() > kWriteChunk) {
      Flush();
    }
    if (text.size() > kWriteChunk) {
      Write(text);
    } else {
      pending_ += text;
    }
  }
  files::Status Finish() {
    Flush();
    return status_;
  }

 private:
  void Flush() {
    Write(pending_);
    pending_.clear();
  }
  void Write(std::string_view text) {
    if (status_ && !text.empty()) {
      status_ = file_.Write(text);
    }
  }

  files::NewFile& file_;
  std::string pending_;
  files::Status status_;
};

}  // namespace

// The file's bytes as read, the index of what was asked for, and the changes, kept apart until
// Save puts them together.
struct IniFile::Document {
  struct Key {
    std::string name;           // trimmed, as UTF-8
    std::string value;          // trimmed, as UTF-8
    std::size_t begin = kNone;  // the line's text in the file; kNone for a line added here
    std::size_t end = 0;
    bool changed = false;
  };
  struct Section {
    std::string name;  // as the first writer spelled it, for a section added here
    bool inFile = false;
    std::size_t insertAt = 0;  // where new keys go: after the header or the section's last key
    bool insertAfterLineEnd = true;  // false after the file's last line, which has no line end
    std::unordered_map<std::string, Key> keys;
    std::vector<std::string> added;  // keys added here, in order
  };

  std::string bytes;
  std::optional<files::Error> unreadable;
  bool utf8 = true;
  std::string newLineEnd = "\r\n";
  std::unordered_map<std::string, Section> sections;  // by name in lower case
  std::vector<std::string> newSections;
  bool changed = false;

  Document(files::Result<std::string> read, const std::vector<std::string>& wanted,
           const KeyFilter& wantedKey) {
    for (const std::string& section : wanted) {
      sections.try_emplace(Lowered(TrimBlanksAndTabs(section)));
    }
    if (!read) {
      unreadable = read.error();
      return;
    }
    bytes = std::move(*read);
    utf8 = textdata::IsValidUtf8(bytes);
    const std::string_view all = bytes;
    const bool lfOnly =
        all.find('\n') != std::string_view::npos && all.find("\r\n") == std::string_view::npos;
    newLineEnd = lfOnly ? "\n" : "\r\n";
    Index(wantedKey);
  }

  std::string Decoded(std::string_view text) const {
    return utf8 ? std::string(text) : textdata::DecodeWindows1252(text);
  }

  // One pass over the lines: the first section of each wanted name, the first line of each wanted
  // key in it, and where new keys would go.
  void Index(const KeyFilter& wantedKey) {
    const std::string_view all = bytes;
    Section* current = nullptr;
    std::string currentName;
    // A byte-order mark belongs to no line: it stays in the bytes and is written back with them.
    for (std::size_t pos = all.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
         pos < all.size();) {
      const auto newline = all.find('\n', pos);
      const std::size_t end = newline == std::string_view::npos ? all.size() : newline + 1;
      std::size_t textEnd = newline == std::string_view::npos ? all.size() : newline;
      if (textEnd > pos && newline != std::string_view::npos && all[textEnd - 1] == '\r') {
        --textEnd;
      }
      const std::string_view trimmed = TrimBlanksAndTabs(all.substr(pos, textEnd - pos));
      const auto close = trimmed.find(']');
      if (trimmed.empty() || trimmed.front() == ';') {
        // a comment or an empty line
      } else if (trimmed.front() == '[' && close != std::string_view::npos) {
        currentName = Lowered(Decoded(TrimBlanksAndTabs(trimmed.substr(1, close - 1))));
        const auto found = sections.find(currentName);
        current = found != sections.end() && !found->second.inFile ? &found->second : nullptr;
        if (current != nullptr) {
          current->inFile = true;
          MarkInsertion(*current, end, newline != std::string_view::npos);
        }
      } else if (const auto equals = trimmed.find('=');
                 current != nullptr && equals != std::string_view::npos) {
        // Only a line with "=" holds a key; any other is kept as it stands.
        MarkInsertion(*current, end, newline != std::string_view::npos);
        std::string name = Decoded(TrimBlanksAndTabs(trimmed.substr(0, equals)));
        std::string lowered = Lowered(name);
        if (wantedKey(currentName, lowered) && !current->keys.contains(lowered)) {
          std::string value = Decoded(TrimBlanksAndTabs(trimmed.substr(equals + 1)));
          current->keys.emplace(std::move(lowered),
                                Key{std::move(name), std::move(value), pos, textEnd, false});
        }
      }
      pos = end;
    }
  }

  static void MarkInsertion(Section& section, std::size_t lineEnd, bool ended) {
    section.insertAt = lineEnd;
    section.insertAfterLineEnd = ended;
  }

  Key* Find(std::string_view section, std::string_view key) {
    const auto found = sections.find(Lowered(section));
    if (found == sections.end()) {
      return nullptr;
    }
    const auto line = found->second.keys.find(Lowered(key));
    return line == found->second.keys.end() ? nullptr : &line->second;
  }

  void Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string lowered = Lowered(section);
    const auto found = sections.find(lowered);
    if (found == sections.end()) {
      return;
    }
    changed = true;
    if (Key* existing = Find(section, key)) {
      existing->value = value;
      existing->changed = true;
      return;
    }
    Section& target = found->second;
    if (!target.inFile && target.added.empty()) {
      target.name = section;
      newSections.push_back(lowered);
    }
    std::string keyName = Lowered(key);
    target.added.push_back(keyName);
    target.keys.emplace(std::move(keyName), Key{std::string(key), std::string(value)});
  }

  // A key line in the file's own encoding, so a Windows-1252 file stays Windows-1252.
  std::string LineOf(const Key& key) const {
    const std::string line = key.name + "=" + key.value;
    return utf8 ? line : textdata::EncodeWindows1252(line);
  }

  std::string AddedLines(const Section& section) const {
    std::string text;
    for (const std::string& name : section.added) {
      const std::string line = LineOf(section.keys.at(name));
      text += section.insertAfterLineEnd ? line + newLineEnd : newLineEnd + line;
    }
    return text;
  }

  struct Edit {
    std::size_t begin;
    std::size_t end;  // == begin for an insertion
    std::string text;
  };

  std::vector<Edit> Edits() const {
    std::vector<Edit> edits;
    for (const auto& [name, section] : sections) {
      if (!section.inFile) {
        continue;
      }
      for (const auto& [keyName, key] : section.keys) {
        if (key.changed && key.begin != kNone) {
          edits.push_back({key.begin, key.end, LineOf(key)});
        }
      }
      if (!section.added.empty()) {
        edits.push_back({section.insertAt, section.insertAt, AddedLines(section)});
      }
    }
    // An insertion goes before a line that starts where it is made.
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
      return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    });
    return edits;
  }

  void WriteTo(ChunkedWriter& out) const {
    const std::string_view all = bytes;
    std::size_t done = 0;
    for (const Edit& edit : Edits()) {
      out.Add(all.substr(done, edit.begin - done));
      out.Add(edit.text);
      done = edit.end;
    }
    out.Add(all.substr(done));
    if (newSections.empty()) {
      return;
    }
    // New sections go at the end, on lines of their own.
    if (!all.empty() && all.back() != '\n') {
      out.Add(newLineEnd);
    }
    for (const std::string& name : newSections) {
      const Section& section = sections.at(name);
      const std::string header = "[" + section.name + "]";
      out.Add((utf8 ? header : textdata::EncodeWindows1252(header)) + newLineEnd);
      out.Add(AddedLines(section));
    }
  }
};

IniFile::IniFile(const files::Folder& folder, std::string name,
                 const std::vector<std::string>& sections, const KeyFilter& wantedKey)
    : folder_(folder.Duplicate()),
      name_(std::move(name)),
      document_(std::make_unique<Document>(CurrentBytes(folder_, name_), sections, wantedKey)) {}

IniFile::IniFile(const std::filesystem::path& file, const std::vector<std::string>& sections,
                 const KeyFilter& wantedKey)
    : folder_(files::Folder::Open(file.parent_path())),
      name_(file.filename().string()),
      document_(std::make_unique<Document>(CurrentBytes(folder_, name_), sections, wantedKey)) {}

IniFile::~IniFile() = default;

std::string IniFile::ReadValue(std::string_view section, std::string_view key,
                               std::string_view defaultValue) {
  section = TrimBlanksAndTabs(section);
  key = TrimBlanksAndTabs(key);
  if (const Document::Key* line = document_->Find(section, key)) {
    std::string value(FirstChars(Unquoted(line->value), kMaxValueChars));
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
}

files::Status IniFile::Save(files::Durability durability) {
  if (!document_->changed) {
    return {};
  }
  if (document_->unreadable) {
    return *document_->unreadable;  // never overwrite a file that exists but could not be read
  }
  files::Result<files::NewFile> file = files::NewFile::Create(*folder_, name_);
  if (!file) {
    return file.error();
  }
  ChunkedWriter out(*file);
  document_->WriteTo(out);
  if (files::Status written = out.Finish(); !written) {
    return written;
  }
  files::Status committed = file->Commit(durability);
  document_->changed = !committed;
  return committed;
}

namespace {

// The file opened for one key.
IniFile OneKey(std::string_view section, std::string_view key, const fs::path& file) {
  const std::string wanted = Lowered(TrimBlanksAndTabs(key));
  return IniFile(file, {std::string(section)},
                 [wanted](std::string_view, std::string_view name) { return name == wanted; });
}

}  // namespace

std::string ReadIniValue(std::string_view section, std::string_view key,
                         std::string_view defaultValue, const std::filesystem::path& file) {
  IniFile ini = OneKey(section, key, file);
  std::string value = ini.ReadValue(section, key, defaultValue);
  ini.Save(files::Durability::kNotFlushed);
  return value;
}

bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::filesystem::path& file) {
  IniFile ini = OneKey(section, key, file);
  ini.WriteValue(section, key, value);
  return static_cast<bool>(ini.Save(files::Durability::kNotFlushed));
}

}  // namespace vt::mIni
