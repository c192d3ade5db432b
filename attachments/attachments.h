#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/folder.h"
#include "files/replace.h"
#include "files/result.h"

namespace vt::attachments {

// The part of the path after its last separator ("\" or "/"); the whole path when it has none.
std::string GetFileName(std::string_view path);

// Removes every NUL from `name` and its blanks at both ends (the argument is left changed that
// way), then answers the text after its last "." in lower case; empty when there is none or the
// last "." comes before the last separator.
std::string GetFileExtension(std::string& name);

// The size in bytes of one file (`singleFile`; a link counts as its target) or of every file in a
// folder tree (hidden files counted, links to folders not followed). Only directory entries are
// read. 0 when nothing is there.
double GetFolderSize(const std::filesystem::path& path, bool singleFile);

// True when size / 1,000,000 is greater than the limit in megabytes.
bool ExceedsLimit(double size, std::int16_t limitMegabytes);

// The attachment's name: kind & "." & extension, with trailing dots and blanks dropped as Windows
// drops them ("nar." is "nar").
std::string AttachmentName(std::string_view kind, std::string_view extension);

// The names of the kind's files directly in the folder: kind, or kind & "." & anything, letter
// case ignored ("mov", "mov.avi", "MOV.MPG"; not "movie.avi"); folders are no files.
std::vector<std::string> FilesOfKind(const files::Folder& folder, std::string_view kind);

// The same among entries of a folder already listed, in their order.
std::vector<std::string> FilesOfKind(const std::vector<files::Entry>& entries,
                                     std::string_view kind);

// A complete, flushed copy of a file, ready to become the folder's attachment of its kind.
class PreparedAttachment {
 public:
  // Puts the copy at its name and then removes the kind's other files, so the folder holds the
  // old or the new attachment at every moment, and a crash in between leaves at most one more file
  // of the kind, which the next attachment of the kind removes.
  files::Status Commit();

 private:
  friend files::Result<PreparedAttachment> PrepareAttachment(const std::filesystem::path&,
                                                             std::string_view, std::string_view,
                                                             const std::filesystem::path&);
  PreparedAttachment(files::Folder folder, std::string kind, std::string name, files::NewFile copy)
      : folder_(std::move(folder)),
        kind_(std::move(kind)),
        name_(std::move(name)),
        copy_(std::move(copy)) {}

  files::Folder folder_;
  std::string kind_;
  std::string name_;
  files::NewFile copy_;
};

// Copies `source` (a regular file; a link counts as its target) into the folder under a temporary
// name; nothing else in the folder changes until Commit. Fails, changing nothing, for a kind or
// extension that is no plain name piece, a missing folder or source, or a copy that failed.
files::Result<PreparedAttachment> PrepareAttachment(const std::filesystem::path& folder,
                                                    std::string_view kind,
                                                    std::string_view extension,
                                                    const std::filesystem::path& source);

// PrepareAttachment and Commit in one.
files::Status ReplaceAttachment(const std::filesystem::path& folder, std::string_view kind,
                                std::string_view extension, const std::filesystem::path& source);

}  // namespace vt::attachments
