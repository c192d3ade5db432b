#pragma once

#include <QImage>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "imaging/placement.h"

namespace vt::imaging {

// The guards against decompression bombs: the largest picture held decoded, in bytes of 32-bit
// pixels, and the most pixels a picture may have at all, however reduced it is decoded.
inline constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 30;

// A picture ready to draw: upright, in 32-bit pixels, maybe decoded at a reduced size.
struct Picture {
  QImage image;
  Size natural;  // the size as shown, whatever was decoded
};

// A picture, or why there is none, for the person to read.
struct PictureLoad {
  std::optional<Picture> picture;
  std::string problem;
};

// The size a picture of the given natural size will be drawn at.
using DrawnSize = std::function<Size(Size natural)>;

// Reads exactly the named file through the file layer (regular files only; Qt would try added
// extensions on a name) and decodes it: turned upright as the EXIF orientation of a JPEG or PNG
// says, at the smallest scale that still covers `drawnSize` where the format allows (JPEG, PNG),
// otherwise at full size up to kMaxDecodedBytes. A file that ends before its picture does is
// refused as damaged, not filled in. Palette, grey and 1-bit pictures come as 32-bit pixels, so
// that smooth scaling averages them.
PictureLoad LoadPicture(const std::filesystem::path& file, const DrawnSize& drawnSize = {});

// The whole picture, upright; a null image when it cannot be loaded.
QImage ReadPicture(const std::filesystem::path& file);

}  // namespace vt::imaging
