#include "files/replace.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <random>

#include "files/copy.h"
#include "files/read.h"
#include "files/steps.h"

namespace vt::files {
namespace {

// Temporary names: ".vt-" & 16 hexadecimal digits naming the entry it is to replace & "-" & 10
// random letters & ".tmp". The first part lets a leftover find that entry again.
constexpr std::string_view kTempStart = ".vt-";
constexpr std::string_view kTempEnd = ".tmp";
constexpr std::size_t kTagDigits = 16;
constexpr std::size_t kRandomLetters = 10;
constexpr int kNameAttempts = 16;

std::string TagOf(std::string_view name) {
  std::uint64_t hash = 0xcbf29ce484222325;  // FNV-1a
  for (const char c : name) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
  }
  static constexpr std::string_view kHex = "0123456789abcdef";
  std::string tag(kTagDigits, '0');
  for (std::size_t i = kTagDigits; i-- > 0; hash >>= 4) {
    tag[i] = kHex[hash & 0xF];
  }
  return tag;
}

std::string TemporaryName(std::string_view name) {
  static constexpr std::string_view kLetters =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random(std::random_device{}());
  std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
  std::string temporary = std::string(kTempStart) + TagOf(name) + "-";
  for (std::size_t i = 0; i < kRandomLetters; ++i) {
    temporary += kLetters[pick(random)];
  }
  return temporary + std::string(kTempEnd);
}

// The tag of a temporary name; empty for any other name.
std::string_view TagOfTemporary(std::string_view name) {
  constexpr std::size_t kLength =
      kTempStart.size() + kTagDigits + 1 + kRandomLetters + kTempEnd.size();
  if (name.size() != kLength || !name.starts_with(kTempStart) || !name.ends_with(kTempEnd) ||
      name[kTempStart.size() + kTagDigits] != '-') {
    return {};
  }
  return name.substr(kTempStart.size(), kTagDigits);
}

// Runs `make` on fresh temporary names for `name` until it finds one free; its last result.
template <typename Make>
auto UnderTemporaryName(std::string_view name, const Make& make) {
  for (int attempt = 0;; ++attempt) {
    auto made = make(TemporaryName(name));
    if (made || made.error().code() != EEXIST || attempt == kNameAttempts) {
      return made;
    }
  }
}

// A temporary's writer holds this lock until it is done; a killed writer's lock is gone.
bool TryLock(int fd) {
  return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// Gives a leftover folder's sub-folders back to the folder it was to replace, found among
// `entries` of the parent by its tag. False when it holds sub-folders that cannot go back.
bool ReturnSubfolders(const Folder& parent, std::string_view tag, const Folder& leftover,
                      const std::vector<Entry>& entries) {
  const Result<std::vector<Entry>> inside = leftover.List();
  if (!inside) {
    return false;
  }
  const auto isFolder = [](const Entry& e) { return e.type == EntryType::kFolder; };
  if (std::none_of(inside->begin(), inside->end(), isFolder)) {
    return true;
  }
  const auto owner = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
    return isFolder(e) && TagOfTemporary(e.name).empty() && TagOf(e.name) == tag;
  });
  if (owner == entries.end()) {
    return false;
  }
  const Result<Folder> target = parent.OpenChild(owner->name);
  if (!target) {
    return false;
  }
  bool returned = true;
  for (const Entry& entry : *inside) {
    if (isFolder(entry)) {
      const bool free =
          !target->Stat(entry.name) && leftover.Rename(entry.name, *target, entry.name);
      returned = returned && free;
    }
  }
  target->Sync();
  return returned;
}

}  // namespace

NewFile::NewFile(Folder folder, std::string name, std::string temporary, Fd fd)
    : folder_(std::move(folder)),
      name_(std::move(name)),
      temporary_(std::move(temporary)),
      fd_(std::move(fd)) {}

NewFile::~NewFile() {
  if (!committed_ && fd_.valid()) {
    folder_.RemoveFile(temporary_);
  }
}

Result<NewFile> NewFile::Create(const Folder& folder, std::string_view name) {
  Result<Folder> own = folder.Duplicate();
  if (!own) {
    return own.error();
  }
  SweepLeftovers(folder);
  return UnderTemporaryName(name, [&](std::string temporary) -> Result<NewFile> {
    Result<Fd> fd = folder.CreateFile(temporary);
    if (!fd) {
      return fd.error();
    }
    TryLock(fd->get());
    return NewFile(std::move(*own), std::string(name), std::move(temporary), std::move(*fd));
  });
}

Result<NewFile> NewFile::Create(const std::filesystem::path& path) {
  const Result<Folder> folder = Folder::Open(path.parent_path());
  if (!folder) {
    return folder.error();
  }
  return Create(*folder, path.filename().string());
}

Status NewFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return Error::Last();
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  StepDone();
  return {};
}

Status NewFile::Commit(Durability durability) {
  const bool flushed = durability == Durability::kFlushed;
  if (flushed) {
    if (Status status = Flush(fd_.get()); !status) {
      return status;
    }
  }
  // Only a regular file hands on its mode: a link's target says nothing about this file.
  const Result<Entry> old = folder_.Stat(name_);
  struct stat st {};
  if (old && old->type == EntryType::kFile &&
      ::fstatat(folder_.fd(), name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    ::fchmod(fd_.get(), st.st_mode & 07777);
  }
  // The lock is held through the rename, so no sweep takes the file for a leftover.
  if (Status renamed = folder_.Rename(temporary_, folder_, name_); !renamed) {
    return renamed;
  }
  committed_ = true;
  const bool closed = fd_.Close();
  if (flushed) {
    if (Status synced = folder_.Sync(); !synced) {
      return synced;
    }
  }
  return closed ? Status() : Status(Error::Last());
}

Status ReplaceFile(const std::filesystem::path& path, std::string_view bytes,
                   Durability durability) {
  Result<NewFile> file = NewFile::Create(path);
  if (!file) {
    return file.error();
  }
  if (Status written = file->Write(bytes); !written) {
    return written;
  }
  return file->Commit(durability);
}

Result<NewFile> CopyToNewFile(const std::filesystem::path& source, const Folder& folder,
                              std::string_view name) {
  const Result<OpenFile> in = OpenForReading(source);
  if (!in) {
    return in.error();
  }
  Result<NewFile> copy = NewFile::Create(folder, name);
  if (!copy) {
    return copy.error();
  }
  const Result<std::uint64_t> copied = CopyRange(in->fd.get(), 0, in->size, copy->fd());
  if (!copied) {
    return copied.error();
  }
  if (*copied != in->size) {
    return Error::EndedEarly();
  }
  return copy;
}

NewFolder::NewFolder(Folder parent, std::string name, std::string temporary, Folder folder)
    : parent_(std::move(parent)),
      name_(std::move(name)),
      temporary_(std::move(temporary)),
      folder_(std::move(folder)) {}

NewFolder::~NewFolder() {
  if (committed_ || folder_.fd() < 0) {
    return;
  }
  // Sub-folders handed over before a failed swap go back first.
  const Result<std::vector<Entry>> entries = parent_.List();
  if (entries && ReturnSubfolders(parent_, TagOf(name_), folder_, *entries)) {
    parent_.RemoveTree(temporary_);
  }
}

Result<NewFolder> NewFolder::Create(const Folder& parent, std::string_view name) {
  Result<Folder> own = parent.Duplicate();
  if (!own) {
    return own.error();
  }
  SweepLeftovers(parent);
  return UnderTemporaryName(name, [&](std::string temporary) -> Result<NewFolder> {
    if (Status made = parent.MakeFolder(temporary); !made) {
      return made.error();
    }
    Result<Folder> folder = parent.OpenChild(temporary);
    if (!folder) {
      parent.RemoveTree(temporary);
      return folder.error();
    }
    TryLock(folder->fd());
    return NewFolder(std::move(*own), std::string(name), std::move(temporary), std::move(*folder));
  });
}

Status NewFolder::HandOverSubfolders(const Folder& old) const {
  const Result<std::vector<Entry>> entries = old.List();
  if (!entries) {
    return entries.error();
  }
  for (const Entry& entry : *entries) {
    if (entry.type == EntryType::kFolder && folder_.Stat(entry.name)) {
      return Error::System(EEXIST);  // checked before anything moves
    }
  }
  for (const Entry& entry : *entries) {
    if (entry.type == EntryType::kFolder) {
      if (Status moved = old.Rename(entry.name, folder_, entry.name); !moved) {
        return moved;
      }
    }
  }
  return {};
}

Status NewFolder::FlushContents() const {
  const Result<std::vector<Entry>> entries = folder_.List();
  if (!entries) {
    return entries.error();
  }
  for (const Entry& entry : *entries) {
    if (entry.type != EntryType::kFile) {
      continue;
    }
    const Result<OpenFile> file = OpenForReading(folder_, entry.name);
    if (!file) {
      return file.error();
    }
    if (Status flushed = Flush(file->fd.get()); !flushed) {
      return flushed;
    }
  }
  return folder_.Sync();
}

Status NewFolder::Commit() {
  if (Status flushed = FlushContents(); !flushed) {
    return flushed;
  }
  const Result<Entry> existing = parent_.Stat(name_);
  if (!existing && !existing.error().IsMissing()) {
    return existing.error();
  }
  if (!existing) {
    if (Status placed = parent_.RenameNoReplace(temporary_, name_); !placed) {
      return placed;
    }
    committed_ = true;
    return parent_.Sync();
  }
  if (existing->type != EntryType::kFolder && existing->type != EntryType::kLink) {
    return Error::System(EEXIST);
  }
  // The old folder is locked while it is taken apart, so no sweep mistakes it for a leftover.
  std::optional<Folder> old;
  if (existing->type == EntryType::kFolder) {
    Result<Folder> opened = parent_.OpenChild(name_);
    if (!opened) {
      return opened.error();
    }
    if (!TryLock(opened->fd())) {
      return Error::System(EBUSY);
    }
    if (Status handed = HandOverSubfolders(*opened); !handed) {
      return handed;
    }
    old = std::move(*opened);
  }
  std::string leftover = temporary_;
  Status swapped = parent_.Exchange(temporary_, name_);
  if (!swapped && (swapped.error().code() == EINVAL || swapped.error().code() == ENOSYS)) {
    // A file system without the exchange: the old entry steps aside first.
    leftover = TemporaryName(name_);
    swapped = parent_.RenameNoReplace(name_, leftover);
    if (swapped) {
      swapped = parent_.RenameNoReplace(temporary_, name_);
    }
  }
  if (!swapped) {
    return swapped;
  }
  committed_ = true;
  const Status synced = parent_.Sync();
  parent_.RemoveTree(leftover);  // what is left here, a later sweep removes
  parent_.Sync();
  return synced;
}

void SweepLeftovers(const Folder& folder) {
  const Result<std::vector<Entry>> entries = folder.List();
  if (!entries) {
    return;
  }
  for (const Entry& entry : *entries) {
    const std::string_view tag = TagOfTemporary(entry.name);
    if (tag.empty()) {
      continue;
    }
    if (entry.type == EntryType::kFolder) {
      const Result<Folder> leftover = folder.OpenChild(entry.name);
      if (leftover && TryLock(leftover->fd()) &&
          ReturnSubfolders(folder, tag, *leftover, *entries)) {
        folder.RemoveTree(entry.name);
      }
      continue;
    }
    if (entry.type == EntryType::kFile) {
      const Fd file(::openat(folder.fd(), entry.name.c_str(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
      if (!file.valid() || !TryLock(file.get())) {
        continue;
      }
    }
    folder.RemoveFile(entry.name);
  }
}

}  // namespace vt::files
