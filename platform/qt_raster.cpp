#include "platform/qt_raster.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <array>
#include <string_view>

#include "files/replace.h"
#include "imaging/picture_file.h"

namespace vt::platform {
namespace {

using imaging::PictureReader;

// The reductions libjpeg decodes at by its own DCT scaling, largest first.
constexpr std::array<int, 3> kJpegReductions = {8, 4, 2};

// An enlargement beyond this is resampled by the painter, visible pixels only, instead of being
// scaled as a whole image first.
constexpr qint64 kMaxScaledPixels = qint64{16} << 20;

// The largest reduction whose decode still covers `drawn`; 1 when none does.
int JpegReduction(QSize natural, imaging::Size drawn) {
  for (const int factor : kJpegReductions) {
    if (natural.width() / factor >= drawn.width && natural.height() / factor >= drawn.height) {
      return factor;
    }
  }
  return 1;
}

}  // namespace

std::optional<imaging::Size> QtRaster::LoadSource(const std::filesystem::path& file,
                                                  const DrawnSize& drawnSize) {
  PictureReader picture(file);
  QImageReader& reader = picture.reader();
  const QSize stored = reader.size();
  if (!stored.isValid()) {
    return std::nullopt;
  }
  const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
  const QSize natural = turned ? stored.transposed() : stored;
  const imaging::Size size{natural.width(), natural.height()};
  if (reader.format() == "jpeg") {
    // The reader takes the scaled size before it turns the picture. Sides rounded down keep it on
    // the chosen libjpeg scale; only a side that does not divide evenly loses its last pixel to a
    // second, smooth scaling inside the reader.
    const int factor = JpegReduction(natural, drawnSize(size));
    if (factor > 1) {
      reader.setScaledSize({stored.width() / factor, stored.height() / factor});
    }
  }
  QImage image = reader.read();
  if (image.isNull()) {
    return std::nullopt;
  }
  source_ = std::move(image);
  return size;
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

bool QtRaster::SaveCanvasAsJpeg(const std::filesystem::path& file, int quality) {
  if (!file.has_filename()) {
    return false;  // names no file, so nothing is tried in the working folder
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(quality);
  return writer.write(canvas_) &&
         files::ReplaceFile(
             file, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace vt::platform
