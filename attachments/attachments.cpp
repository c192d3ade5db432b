#include "attachments/attachments.h"

#include <algorithm>
#include <cerrno>

#include "textdata/text.h"

namespace vt::attachments {
namespace {

namespace fs = std::filesystem;

std::size_t LastSeparator(std::string_view path) {
  return path.find_last_of("\\/");
}

// A link counts as its target when that is a file; a link to a folder counts nothing, and
// sub-folders are entered without following links.
std::uint64_t TreeSize(const files::Folder& folder) {
  std::uint64_t total = 0;
  const files::Result<std::vector<files::Entry>> entries = folder.List();
  if (!entries) {
    return 0;
  }
  for (const files::Entry& entry : *entries) {
    if (entry.type == files::EntryType::kFolder) {
      if (const auto child = folder.OpenChild(entry.name)) {
        total += TreeSize(*child);
      }
    } else if (entry.type == files::EntryType::kLink) {
      const auto target = folder.StatTarget(entry.name);
      total += target ? target->size : 0;
    } else {
      total += entry.size;
    }
  }
  return total;
}

bool IsOfKind(std::string_view name, std::string_view kind) {
  if (name.size() < kind.size() ||
      !textdata::EqualsIgnoringAsciiCase(name.substr(0, kind.size()), kind)) {
    return false;
  }
  return name.size() == kind.size() || name[kind.size()] == '.';
}

bool IsPlainNamePiece(std::string_view piece) {
  return piece.find('/') == std::string_view::npos && piece.find('\0') == std::string_view::npos;
}

// A kind names files of its own only when it is a plain name that does not start with ".", the
// start of every temporary name.
bool IsUsableKind(std::string_view kind) {
  const std::string trimmed = textdata::TrimBlanks(kind);
  return IsPlainNamePiece(kind) && !trimmed.empty() && trimmed.front() != '.';
}

}  // namespace

std::string GetFileName(std::string_view path) {
  const std::size_t separator = LastSeparator(path);
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string GetFileExtension(std::string& name) {
  name = textdata::RemoveNulAndTrimBlanks(name);
  const std::size_t dot = name.rfind('.');
  const std::size_t separator = LastSeparator(name);
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
    return {};
  }
  std::string extension = name.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(), textdata::AsciiLower);
  return extension;
}

double GetFolderSize(const fs::path& path, bool singleFile) {
  const files::Result<files::Entry> entry = files::StatPath(path);
  if (!entry) {
    return 0;
  }
  if (entry->type == files::EntryType::kFolder) {
    const auto folder = files::Folder::Open(path);
    return folder ? static_cast<double>(TreeSize(*folder)) : 0;
  }
  return singleFile ? static_cast<double>(entry->size) : 0;
}

bool ExceedsLimit(double size, std::int16_t limitMegabytes) {
  return size / 1'000'000 > limitMegabytes;
}

std::string AttachmentName(std::string_view kind, std::string_view extension) {
  std::string name = std::string(kind) + "." + std::string(extension);
  const std::size_t kept = name.find_last_not_of(". ");
  name.resize(kept == std::string::npos ? 0 : kept + 1);
  return name;
}

std::vector<std::string> FilesOfKind(const files::Folder& folder, std::string_view kind) {
  const files::Result<std::vector<files::Entry>> entries = folder.List();
  return entries ? FilesOfKind(*entries, kind) : std::vector<std::string>();
}

std::vector<std::string> FilesOfKind(const std::vector<files::Entry>& entries,
                                     std::string_view kind) {
  std::vector<std::string> names;
  if (kind.empty()) {
    return names;
  }
  for (const files::Entry& entry : entries) {
    if (entry.type != files::EntryType::kFolder && IsOfKind(entry.name, kind)) {
      names.push_back(entry.name);
    }
  }
  return names;
}

files::Status PreparedAttachment::Commit() {
  if (files::Status placed = copy_.Commit(); !placed) {
    return placed;
  }
  files::Status removed;
  for (const std::string& old : FilesOfKind(folder_, kind_)) {
    if (old != name_) {
      if (files::Status status = folder_.RemoveFile(old); !status && removed) {
        removed = status;
      }
    }
  }
  folder_.Sync();
  return removed;
}

files::Result<PreparedAttachment> PrepareAttachment(const fs::path& folder, std::string_view kind,
                                                    std::string_view extension,
                                                    const fs::path& source) {
  if (!IsUsableKind(kind) || !IsPlainNamePiece(extension)) {
    return files::Error::System(EINVAL);
  }
  files::Result<files::Folder> profile = files::Folder::Open(folder);
  if (!profile) {
    return profile.error();
  }
  std::string name = AttachmentName(kind, extension);
  files::Result<files::NewFile> copy = files::CopyToNewFile(source, *profile, name);
  if (!copy) {
    return copy.error();
  }
  return PreparedAttachment(std::move(*profile), std::string(kind), std::move(name),
                            std::move(*copy));
}

files::Status ReplaceAttachment(const fs::path& folder, std::string_view kind,
                                std::string_view extension, const fs::path& source) {
  files::Result<PreparedAttachment> prepared = PrepareAttachment(folder, kind, extension, source);
  if (!prepared) {
    return prepared.error();
  }
  return prepared->Commit();
}

}  // namespace vt::attachments
