#include "files/folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "files/steps.h"

namespace vt::files {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

struct FolderCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

EntryType TypeOf(mode_t mode) {
  if (S_ISREG(mode)) {
    return EntryType::kFile;
  }
  if (S_ISDIR(mode)) {
    return EntryType::kFolder;
  }
  return S_ISLNK(mode) ? EntryType::kLink : EntryType::kOther;
}

Result<Entry> StatAt(int folder, std::string_view name, int flags) {
  const std::string entry(name);
  struct stat st {};
  if (::fstatat(folder, entry.c_str(), &st, flags) != 0) {
    return Error::Last();
  }
  const EntryType type = TypeOf(st.st_mode);
  return Entry{entry, type, type == EntryType::kFile ? static_cast<std::uint64_t>(st.st_size) : 0};
}

Status Done(int rc) {
  if (rc != 0) {
    return Error::Last();
  }
  StepDone();
  return {};
}

// Removes everything inside the open folder, never following a link.
Status EmptyFolder(const Folder& folder) {
  const Result<std::vector<Entry>> entries = folder.List();
  if (!entries) {
    return entries.error();
  }
  Status status;
  for (const Entry& entry : *entries) {
    if (Status removed = folder.RemoveTree(entry.name); !removed && status) {
      status = removed;
    }
  }
  return status;
}

}  // namespace

Result<Folder> Folder::Open(const std::filesystem::path& path) {
  Fd fd(::open(path.empty() ? "." : path.c_str(), kFolderFlags));
  if (!fd.valid()) {
    return Error::Last();
  }
  return Folder(std::move(fd), path);
}

Result<Folder> Folder::OpenChild(std::string_view name) const {
  const std::string child(name);
  Fd fd(::openat(fd_.get(), child.c_str(), kFolderFlags | O_NOFOLLOW));
  if (!fd.valid()) {
    return Error::Last();
  }
  return Folder(std::move(fd), path_ / child);
}

Result<Folder> Folder::Duplicate() const {
  Fd fd(::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0));
  if (!fd.valid()) {
    return Error::Last();
  }
  return Folder(std::move(fd), path_);
}

Result<std::vector<Entry>> Folder::List() const {
  // A listing of its own: readdir moves the position of the descriptor it reads.
  Fd own(::openat(fd_.get(), ".", kFolderFlags));
  if (!own.valid()) {
    return Error::Last();
  }
  const std::unique_ptr<DIR, FolderCloser> dir(::fdopendir(own.get()));
  if (!dir) {
    return Error::Last();
  }
  own.release();
  std::vector<Entry> entries;
  while (const dirent* found = ::readdir(dir.get())) {
    const std::string_view name = found->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    if (Result<Entry> entry = Stat(name)) {
      entries.push_back(std::move(*entry));
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return entries;
}

Result<Entry> Folder::Stat(std::string_view name) const {
  return StatAt(fd_.get(), name, AT_SYMLINK_NOFOLLOW);
}

Result<Entry> Folder::StatTarget(std::string_view name) const {
  return StatAt(fd_.get(), name, 0);
}

Status MakeFolderPath(const std::filesystem::path& path) {
  const Result<Entry> existing = StatPath(path);
  if (existing) {
    return existing->type == EntryType::kFolder ? Status() : Status(Error::System(ENOTDIR));
  }
  if (!existing.error().IsMissing()) {
    return existing.error();
  }
  const std::filesystem::path parent = path.parent_path();
  if (!parent.empty() && parent != path) {
    if (Status made = MakeFolderPath(parent); !made) {
      return made;
    }
  }
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    return Error::Last();
  }
  StepDone();
  return {};
}

Result<Entry> StatPath(const std::filesystem::path& path) {
  return StatAt(AT_FDCWD, path.string(), 0);
}

Result<Fd> Folder::CreateFile(std::string_view name, unsigned mode) const {
  const std::string entry(name);
  Fd fd(::openat(fd_.get(), entry.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                 static_cast<mode_t>(mode)));
  if (!fd.valid()) {
    return Error::Last();
  }
  StepDone();
  return fd;
}

Status Folder::MakeFolder(std::string_view name, unsigned mode) const {
  return Done(::mkdirat(fd_.get(), std::string(name).c_str(), static_cast<mode_t>(mode)));
}

Status Folder::RemoveFile(std::string_view name) const {
  if (::unlinkat(fd_.get(), std::string(name).c_str(), 0) != 0 && errno != ENOENT) {
    return Error::Last();
  }
  StepDone();
  return {};
}

Status Folder::RemoveTree(std::string_view name) const {
  const Result<Entry> entry = Stat(name);
  if (!entry) {
    return entry.error().IsMissing() ? Status() : Status(entry.error());
  }
  if (entry->type != EntryType::kFolder) {
    return RemoveFile(name);
  }
  const Result<Folder> child = OpenChild(name);
  if (!child) {
    return child.error();
  }
  if (Status emptied = EmptyFolder(*child); !emptied) {
    return emptied;
  }
  return Done(::unlinkat(fd_.get(), std::string(name).c_str(), AT_REMOVEDIR));
}

Status Folder::Rename(std::string_view name, const Folder& target, std::string_view newName) const {
  return Done(
      ::renameat(fd_.get(), std::string(name).c_str(), target.fd(), std::string(newName).c_str()));
}

Status Folder::RenameNoReplace(std::string_view name, std::string_view newName) const {
  return Done(::renameat2(fd_.get(), std::string(name).c_str(), fd_.get(),
                          std::string(newName).c_str(), RENAME_NOREPLACE));
}

Status Folder::Exchange(std::string_view first, std::string_view second) const {
  return Done(::renameat2(fd_.get(), std::string(first).c_str(), fd_.get(),
                          std::string(second).c_str(), RENAME_EXCHANGE));
}

Status Folder::Sync() const {
  return Done(::fsync(fd_.get()));
}

}  // namespace vt::files
