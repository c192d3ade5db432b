#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vt::slideshow {

// The header text of a slideshow package: what stands between "<KELVARIN_SLIDESHOW>" and
// "</KELVARIN_SLIDESHOW>" in its last 1000 bytes (NUL bytes left out, decoded as text). Empty when
// the file is 1000 bytes or shorter, cannot be read, or holds no such trailer.
std::string ReadSlideshowHeader(const std::filesystem::path& package);

// Unpacks the package into the folder: slideshow.dat first, then every slide, then the voice-overs
// its VOICE flags name, then the background music when BGMUSIC's Enable reads 1. Every step runs
// whatever happened to the one before.
void ExtractSlideshow(const std::filesystem::path& package, const std::filesystem::path& folder,
                      std::string_view headerText);

// Writes folder / name from `size` bytes of the package at the 1-based `startPosition` (below 1:
// from the first byte), streamed in bounded chunks; a stretch past the end of the package is
// written as far as the package goes. A name that is not a plain file name, or a negative size,
// writes nothing. An existing entry of that name is replaced, a link never followed. False when
// nothing was written.
bool ExtractEmbeddedFile(std::string_view name, std::int64_t size, std::int64_t startPosition,
                         const std::filesystem::path& package, const std::filesystem::path& folder);

// A name Linux and Windows can both hold as a file inside one folder: no "/" or "\", not "." or
// "..", no NUL or control character, no ":" (so no drive), no trailing dot or blank, no wildcard
// or other character Windows forbids, not a reserved device name (CON, NUL, COM1, ...).
bool IsPlainFileName(std::string_view name);

}  // namespace vt::slideshow
