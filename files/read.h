#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "files/fd.h"
#include "files/folder.h"
#include "files/result.h"

namespace vt::files {

// The cap for text files the program reads whole: the setup data, profile records, descriptions.
inline constexpr std::uint64_t kTextFileCap = std::uint64_t{64} << 20;

// An open regular file and its size when it was opened.
struct OpenFile {
  Fd fd;
  std::uint64_t size = 0;
};

// Opens a regular file for reading. A FIFO, a device, a socket or a folder is refused without
// waiting (the open does not block) and without reading anything; a link is followed.
Result<OpenFile> OpenForReading(const std::filesystem::path& path);

// The same for the entry `name` of the folder, which must not be a link.
Result<OpenFile> OpenForReading(const Folder& folder, std::string_view name);

// The whole file, read in a stream. Refused when it holds more than `cap` bytes, whatever its
// size claims, so memory never follows a sparse, lying or endless file.
Result<std::string> ReadFile(const std::filesystem::path& path, std::uint64_t cap);

Result<std::string> ReadFile(const Folder& folder, std::string_view name, std::uint64_t cap);

// Up to `length` bytes from `offset` of an open file: fewer only where the file ends.
Result<std::string> ReadAt(int fd, std::uint64_t offset, std::size_t length);

// The same into `buffer`; the number of bytes read.
Result<std::size_t> ReadInto(int fd, std::uint64_t offset, char* buffer, std::size_t length);

}  // namespace vt::files
