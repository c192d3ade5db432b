#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace vt::imaging {

enum class PictureFormat { kJpeg, kPng, kGif, kBmp, kOther };

// The format the file's first bytes announce.
PictureFormat SniffFormat(std::string_view bytes);

// Reads up to `size` bytes of a file from `offset` into `buffer`; the number read, fewer only at
// its end (or on an error).
using ReadAt = std::function<std::size_t(std::uint64_t offset, char* buffer, std::size_t size)>;

// False when the file ends before the picture does, which decoders would fill with grey or black:
// a JPEG without the marker that ends its last scan, a PNG without its IEND chunk, a GIF that
// stops inside a block or before its first image, a BMP shorter than its pixel rows. Formats not
// known here count as complete.
// The file is read through a window of bounded size, never held whole.
bool IsComplete(const ReadAt& read, std::uint64_t size);

// The EXIF orientation (1 to 8) a PNG stores in an eXIf chunk; 1 when there is none or it makes
// no sense.
int PngOrientation(const ReadAt& read, std::uint64_t size);

// True for a PNG stored in interlaced passes, which only a whole decode can put together.
bool PngIsInterlaced(const ReadAt& read, std::uint64_t size);

}  // namespace vt::imaging
