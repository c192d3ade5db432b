#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

// The files of a kind directly in the folder: those named kind, or kind & "." & anything, letter
// case ignored ("mov", "mov.avi", "MOV.MPG"; not "movie.avi").
std::vector<std::filesystem::path> FilesOfKind(const std::filesystem::path& folder,
                                               std::string_view kind);

// Makes `source` the folder's attachment of `kind`: the file is first copied to a temporary name in
// the folder; only when that succeeded are the kind's old files removed and the copy renamed to
// AttachmentName(kind, extension). False, with the old attachment in place, when the copy failed
// (missing source, missing folder, full disk).
bool ReplaceAttachment(const std::filesystem::path& folder, std::string_view kind,
                       std::string_view extension, const std::filesystem::path& source);

}  // namespace vt::attachments
