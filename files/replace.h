#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "files/fd.h"
#include "files/folder.h"
#include "files/result.h"

namespace vt::files {

enum class Durability {
  kFlushed,     // the new content survives a power cut once Commit returned
  kNotFlushed,  // a power cut may cost the new content, never the file
};

// A new file written under a temporary name in its folder and put at its name by Commit, so a
// crash leaves the old file or the new one, never a part of one. Creating it first removes what
// killed writers left in the folder (SweepLeftovers). Without a Commit the temporary goes with it.
class NewFile {
 public:
  static Result<NewFile> Create(const Folder& folder, std::string_view name);
  static Result<NewFile> Create(const std::filesystem::path& path);

  NewFile(NewFile&&) = default;
  NewFile& operator=(NewFile&&) = default;
  ~NewFile();

  int fd() const { return fd_.get(); }
  Status Write(std::string_view bytes);
  // Flushes the file, gives it the mode of a regular file standing at its name, renames it over
  // that name (a link there is replaced, not followed) and flushes the folder.
  Status Commit(Durability durability = Durability::kFlushed);

 private:
  NewFile(Folder folder, std::string name, std::string temporary, Fd fd);

  Folder folder_;
  std::string name_;
  std::string temporary_;
  Fd fd_;
  bool committed_ = false;
};

// Replaces the file at `path` by `bytes` through a NewFile. Fails, the old file untouched, when
// anything fails, a missing folder included.
Status ReplaceFile(const std::filesystem::path& path, std::string_view bytes,
                   Durability durability = Durability::kFlushed);

// The whole of the regular file `source` copied into a NewFile for `name` in the folder, flushed
// and ready to commit.
Result<NewFile> CopyToNewFile(const std::filesystem::path& source, const Folder& folder,
                              std::string_view name);

// A new, empty folder under a temporary name in `parent`, put at `name` in one step by Commit.
// Without a Commit it goes with everything in it.
class NewFolder {
 public:
  static Result<NewFolder> Create(const Folder& parent, std::string_view name);

  NewFolder(NewFolder&&) = default;
  NewFolder& operator=(NewFolder&&) = default;
  ~NewFolder();

  const Folder& folder() const { return folder_; }

  // Flushes every file in the new folder and the folder itself, and swaps it in. A real folder at
  // the name hands over its sub-folders first and is then removed with its files; a link there is
  // replaced, never followed. Fails, with nothing changed at the name, when a sub-folder's name is
  // taken in the new folder or something other than a folder or a link stands at the name.
  Status Commit();

 private:
  NewFolder(Folder parent, std::string name, std::string temporary, Folder folder);
  Status FlushContents() const;
  Status HandOverSubfolders(const Folder& old) const;

  Folder parent_;
  std::string name_;
  std::string temporary_;
  Folder folder_;
  bool committed_ = false;
};

// Removes from the folder what killed writers left: the entries named by the temporary-name
// scheme whose owner no longer holds them. A leftover folder that holds sub-folders gives them
// back to the folder it was to replace, or stays when that cannot be done.
void SweepLeftovers(const Folder& folder);

}  // namespace vt::files
