#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/fd.h"
#include "files/result.h"

namespace vt::files {

enum class EntryType { kFile, kFolder, kLink, kOther };

// One entry of a folder as it stands: a link is a link, never what it points to.
struct Entry {
  std::string name;
  EntryType type = EntryType::kOther;
  std::uint64_t size = 0;  // of a regular file
};

// An open folder. Every operation names an entry directly inside it and never follows a link
// there, so an entry swapped for a link by someone else cannot lead outside the folder.
class Folder {
 public:
  // Opens the folder at `path`; links on the way to it are followed (an organiser may put a folder
  // on another disk that way).
  static Result<Folder> Open(const std::filesystem::path& path);

  Folder(Folder&&) = default;
  Folder& operator=(Folder&&) = default;

  int fd() const { return fd_.get(); }
  const std::filesystem::path& path() const { return path_; }

  // The folder entry `name` inside this one; refused when it is a link or no folder.
  Result<Folder> OpenChild(std::string_view name) const;
  // A second handle on the same folder.
  Result<Folder> Duplicate() const;

  // Every entry but "." and "..", in name order.
  Result<std::vector<Entry>> List() const;
  // The entry's type and size; missing entries fail.
  Result<Entry> Stat(std::string_view name) const;
  // What the entry stands for: a link's target, when there is one.
  Result<Entry> StatTarget(std::string_view name) const;

  // Creates a new file for writing; fails when anything stands at the name, a link included.
  Result<Fd> CreateFile(std::string_view name, unsigned mode = 0666) const;
  Status MakeFolder(std::string_view name, unsigned mode = 0777) const;
  // Removes a file or a link (not what it points to); a missing entry counts as removed.
  Status RemoveFile(std::string_view name) const;
  // Removes an entry and, for a folder, everything in it, never following a link.
  Status RemoveTree(std::string_view name) const;
  // Moves an entry to `target` under `newName`, replacing a file there.
  Status Rename(std::string_view name, const Folder& target, std::string_view newName) const;
  // As Rename, but fails when anything stands at the new name.
  Status RenameNoReplace(std::string_view name, std::string_view newName) const;
  // Swaps two entries of this folder in one step.
  Status Exchange(std::string_view first, std::string_view second) const;
  // Flushes the folder's entries to the disk.
  Status Sync() const;

 private:
  Folder(Fd fd, std::filesystem::path path) : fd_(std::move(fd)), path_(std::move(path)) {}

  Fd fd_;
  std::filesystem::path path_;
};

// Makes the folder at `path` and any missing folder on the way to it; an existing folder is
// fine.
Status MakeFolderPath(const std::filesystem::path& path);

// What `path` names, links followed.
Result<Entry> StatPath(const std::filesystem::path& path);

}  // namespace vt::files
