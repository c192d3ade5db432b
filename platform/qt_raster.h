#pragma once

#include <QImage>

#include "imaging/raster_port.h"

namespace vt::platform {

// The raster of the resize control over Qt's image codecs: JPEG, PNG, BMP and GIF sources, a
// white RGB canvas, and JPEG output.
class QtRaster : public imaging::RasterPort {
 public:
  imaging::SourceLoad LoadSource(const std::filesystem::path& file,
                                 const DrawnSize& drawnSize) override;
  void ResizeCanvas(imaging::Size size) override;
  imaging::Size CanvasSize() const override { return canvasSize_; }
  void DrawSource(const imaging::Placement& placement) override;
  std::string SaveCanvasAsJpeg(const std::filesystem::path& file, int quality) override;

  // The source as decoded: a JPEG may be held at a reduced size.
  const QImage& Source() const { return source_; }
  const QImage& Canvas() const { return canvas_; }

 private:
  QImage source_;
  QImage canvas_;
  imaging::Size canvasSize_;  // kept also while a side of 0 leaves the image null
};

}  // namespace vt::platform
