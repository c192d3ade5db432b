#include "platform/qt_raster.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <string_view>

#include "files/replace.h"
#include "imaging/picture_file.h"

namespace vt::platform {
namespace {

// An enlargement beyond this is resampled by the painter, visible pixels only, instead of being
// scaled as a whole image first.
constexpr qint64 kMaxScaledPixels = qint64{16} << 20;

}  // namespace

imaging::SourceLoad QtRaster::LoadSource(const std::filesystem::path& file,
                                         const DrawnSize& drawnSize) {
  imaging::PictureLoad load = imaging::LoadPicture(file, drawnSize);
  if (!load.picture) {
    return {std::nullopt, std::move(load.problem)};
  }
  source_ = std::move(load.picture->image);
  return {load.picture->natural, {}};
}

void QtRaster::ResizeCanvas(imaging::Size size) {
  canvasSize_ = size;
  QImage resized(size.width, size.height, QImage::Format_RGB32);
  resized.fill(Qt::white);
  if (!resized.isNull() && !canvas_.isNull()) {
    QPainter(&resized).drawImage(0, 0, canvas_);
  }
  canvas_ = std::move(resized);
}

void QtRaster::DrawSource(const imaging::Placement& placement) {
  const QRect target(placement.x, placement.y, placement.width, placement.height);
  if (source_.isNull() || canvas_.isNull() || target.isEmpty()) {
    return;
  }
  QPainter painter(&canvas_);
  painter.fillRect(target, Qt::white);  // transparent parts show white, never an earlier picture
  if (qint64{target.width()} * target.height() <= kMaxScaledPixels) {
    // Qt's smooth scaling averages the covered area when it reduces.
    painter.drawImage(target.topLeft(), source_.scaled(target.size(), Qt::IgnoreAspectRatio,
                                                       Qt::SmoothTransformation));
  } else {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, source_);
  }
}

std::string QtRaster::SaveCanvasAsJpeg(const std::filesystem::path& file, int quality) {
  if (!file.has_filename()) {
    return "the photo names no file";  // so nothing is tried in the working folder
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(quality);
  if (!writer.write(canvas_)) {
    return "the photo cannot be made into a JPEG: " + writer.errorString().toStdString();
  }
  const files::Status written = files::ReplaceFile(
      file, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  return written ? std::string()
                 : "the photo cannot be written as " + file.string() + ": " +
                       written.error().Describe();
}

}  // namespace vt::platform
