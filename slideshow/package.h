#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "files/folder.h"
#include "files/result.h"

namespace vt::slideshow {

// The header text of a slideshow package: what stands between "<KELVARIN_SLIDESHOW>" and
// "</KELVARIN_SLIDESHOW>" in its last 1000 bytes (NUL bytes left out, decoded as text). Empty when
// the file is 1000 bytes or shorter, is no regular file, cannot be read, or holds no such trailer.
std::string ReadSlideshowHeader(const std::filesystem::path& package);

// Unpacks the package into the folder: slideshow.dat first, then every slide, then the voice-overs
// its VOICE flags name, then the background music when BGMUSIC's Enable reads 1; slideshow.dat is
// read once and written back once with the defaults it lacked. Entries that name no file are
// passed over (a name "0" or missing, a name that is no plain file name, a size or start that is
// no number); anything else that cannot be written completely, such as a member reaching past the
// end of the package, fails the unpacking at once.
files::Status ExtractSlideshow(const std::filesystem::path& package, const files::Folder& folder,
                               std::string_view headerText);

// Writes `name` in the folder from `size` bytes of the open package at the 1-based
// `startPosition` (below 1: from the first byte), streamed in bounded chunks, its writing to disk
// started. An existing entry of that name is replaced, a link never followed. A name that is not a
// plain file name, or a negative size, writes nothing and does not fail.
files::Status ExtractEmbeddedFile(std::string_view name, std::int64_t size,
                                  std::int64_t startPosition, int package,
                                  const files::Folder& folder);

// A name Linux and Windows can both hold as a file inside one folder: no "/" or "\", not "." or
// "..", no NUL or control character, no ":" (so no drive), no trailing dot or blank, no wildcard
// or other character Windows forbids, not a reserved device name (CON, NUL, COM1, ...).
bool IsPlainFileName(std::string_view name);

}  // namespace vt::slideshow
