#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "imaging/placement.h"

namespace vt::imaging {

// A source loaded: its natural size (as shown), or why it could not be loaded, for the person to
// read.
struct SourceLoad {
  std::optional<Size> natural;
  std::string problem;
};

// The pictures a resize works with: a source holder, a canvas, and the JPEG writer. The platform
// supplies the codecs behind it.
class RasterPort {
 public:
  virtual ~RasterPort() = default;

  // The size a source of the given natural size will be drawn at.
  using DrawnSize = std::function<Size(Size natural)>;

  // Decodes the picture file into the source holder, turned upright as its EXIF orientation says.
  // The decoder may decode at a reduced size that still covers drawnSize(natural). The holder is
  // unchanged when the file is missing, damaged, too large or no picture.
  virtual SourceLoad LoadSource(const std::filesystem::path& file, const DrawnSize& drawnSize) = 0;

  // Kept pixels stay; new canvas area is white.
  virtual void ResizeCanvas(Size size) = 0;
  virtual Size CanvasSize() const = 0;

  // Draws the whole source scaled into the placement, clipped to the canvas; the drawn pixels
  // replace the canvas pixels.
  virtual void DrawSource(const Placement& placement) = 0;

  // Writes the canvas as a JPEG of `quality` (0 to 100) to a temporary file beside `file`, renamed
  // over it. Empty when written; otherwise why not, with any earlier file left as it was.
  virtual std::string SaveCanvasAsJpeg(const std::filesystem::path& file, int quality) = 0;
};

}  // namespace vt::imaging
