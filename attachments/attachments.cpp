#include "attachments/attachments.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <random>

#include "textdata/file_copy.h"
#include "textdata/text.h"

namespace vt::attachments {
namespace {

namespace fs = std::filesystem;

std::size_t LastSeparator(std::string_view path) {
  return path.find_last_of("\\/");
}

struct FolderCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// Calls `visit(folderFd, name)` for every entry of the open folder but "." and "..". Takes over
// `fd`, also when it cannot be listed.
template <typename Visit>
void ForEachEntry(int fd, Visit visit) {
  if (fd < 0) {
    return;
  }
  const std::unique_ptr<DIR, FolderCloser> dir(::fdopendir(fd));
  if (!dir) {
    ::close(fd);
    return;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") {
      visit(::dirfd(dir.get()), entry->d_name);
    }
  }
}

int OpenFolder(const fs::path& folder) {
  return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// A link counts as its target when that is a file; a link to a folder counts nothing.
std::uint64_t EntrySize(int folderFd, const char* name, const struct stat& own) {
  if (!S_ISLNK(own.st_mode)) {
    return S_ISREG(own.st_mode) ? static_cast<std::uint64_t>(own.st_size) : 0;
  }
  struct stat target {};
  if (::fstatat(folderFd, name, &target, 0) != 0 || !S_ISREG(target.st_mode)) {
    return 0;
  }
  return static_cast<std::uint64_t>(target.st_size);
}

// Subfolders are opened without following links, so a folder swapped for a link is not entered.
std::uint64_t TreeSize(int fd) {
  std::uint64_t total = 0;
  ForEachEntry(fd, [&total](int folderFd, const char* name) {
    struct stat own {};
    if (::fstatat(folderFd, name, &own, AT_SYMLINK_NOFOLLOW) != 0) {
      return;
    }
    if (S_ISDIR(own.st_mode)) {
      total += TreeSize(::openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    } else {
      total += EntrySize(folderFd, name, own);
    }
  });
  return total;
}

// Names of the entries directly in the folder that are not folders (a link to one is a link).
std::vector<std::string> NonFolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  ForEachEntry(OpenFolder(folder), [&names](int folderFd, const char* name) {
    struct stat own {};
    if (::fstatat(folderFd, name, &own, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(own.st_mode)) {
      names.emplace_back(name);
    }
  });
  std::sort(names.begin(), names.end());
  return names;
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

// A kind names files of its own only when it is a plain name that does not start with ".": the
// temporary copies start with "." & kind and must not match the kind's pattern.
bool IsUsableKind(std::string_view kind) {
  const std::string trimmed = textdata::TrimBlanks(kind);
  return IsPlainNamePiece(kind) && !trimmed.empty() && trimmed.front() != '.';
}

std::string TempPrefix(std::string_view kind) {
  return "." + std::string(kind) + ".tmp-";
}

// What an earlier crash in the middle of a copy left behind.
void RemoveLeftoverCopies(const fs::path& folder, std::string_view kind) {
  const std::string prefix = TempPrefix(kind);
  for (const std::string& name : NonFolderNames(folder)) {
    if (name.starts_with(prefix)) {
      ::unlink((folder / name).c_str());
    }
  }
}

// Created with the mode of any new file (not mkostemp's 0600), never through a link.
int CreateUniqueFile(const fs::path& folder, std::string_view kind, fs::path& created) {
  static constexpr std::string_view kLetters =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TempPrefix(kind);
    for (int i = 0; i < 6; ++i) {
      name += kLetters[pick(random)];
    }
    created = folder / name;
    const int fd =
        ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) {
      return fd;
    }
  }
  return -1;
}

// The whole source into `out`; a source that is no regular file, or shrinks meanwhile, fails.
bool CopyWholeFile(const fs::path& source, int out) {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    return false;
  }
  struct stat st {};
  bool copied = false;
  if (::fstat(in, &st) == 0 && S_ISREG(st.st_mode)) {
    const auto size = static_cast<std::uint64_t>(st.st_size);
    copied = textdata::CopyFileRange(in, 0, size, out) == size;
  }
  ::close(in);
  return copied;
}

// A copy of the source under a temporary name in the folder; empty when it could not be made.
fs::path CopyToTemporary(const fs::path& folder, std::string_view kind, const fs::path& source) {
  fs::path temp;
  const int out = CreateUniqueFile(folder, kind, temp);
  if (out < 0) {
    return {};
  }
  const bool copied = CopyWholeFile(source, out);
  if (::close(out) != 0 || !copied) {
    ::unlink(temp.c_str());
    return {};
  }
  return temp;
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
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return 0;
  }
  if (S_ISDIR(st.st_mode)) {
    return static_cast<double>(TreeSize(OpenFolder(path)));
  }
  return singleFile && S_ISREG(st.st_mode) ? static_cast<double>(st.st_size) : 0;
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

std::vector<fs::path> FilesOfKind(const fs::path& folder, std::string_view kind) {
  std::vector<fs::path> files;
  if (kind.empty()) {
    return files;
  }
  for (const std::string& name : NonFolderNames(folder)) {
    if (IsOfKind(name, kind)) {
      files.push_back(folder / name);
    }
  }
  return files;
}

// The copy takes the attachment's name in one rename before the kind's other files go, so the
// folder holds an attachment of the kind at every moment, and a failure changes nothing.
bool ReplaceAttachment(const fs::path& folder, std::string_view kind, std::string_view extension,
                       const fs::path& source) {
  if (!IsUsableKind(kind) || !IsPlainNamePiece(extension)) {
    return false;
  }
  RemoveLeftoverCopies(folder, kind);
  const fs::path temp = CopyToTemporary(folder, kind, source);
  if (temp.empty()) {
    return false;
  }
  const fs::path destination = folder / AttachmentName(kind, extension);
  if (::rename(temp.c_str(), destination.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  for (const fs::path& old : FilesOfKind(folder, kind)) {
    if (old != destination) {
      ::unlink(old.c_str());
    }
  }
  return true;
}

}  // namespace vt::attachments
