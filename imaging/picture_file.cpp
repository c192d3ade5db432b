#include "imaging/picture_file.h"

#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>
#include <QTransform>
#include <array>

#include "files/read.h"
#include "imaging/picture_format.h"

namespace vt::imaging {
namespace {

// The reductions libjpeg decodes at by its own DCT scaling, largest first.
constexpr std::array<int, 3> kJpegReductions = {8, 4, 2};
constexpr int kBytesPerPixel = 4;

// The largest reduction whose decode still covers `drawn`; 1 when none does.
int JpegReduction(QSize natural, Size drawn) {
  for (const int factor : kJpegReductions) {
    if (natural.width() / factor >= drawn.width && natural.height() / factor >= drawn.height) {
      return factor;
    }
  }
  return 1;
}

// The transformations an EXIF orientation asks for, as Qt's JPEG reader applies them.
QImageIOHandler::Transformations FromExif(int orientation) {
  using T = QImageIOHandler;
  switch (orientation) {
    case 2:
      return T::TransformationMirror;
    case 3:
      return T::TransformationRotate180;
    case 4:
      return T::TransformationFlip;
    case 5:
      return T::TransformationFlipAndRotate90;
    case 6:
      return T::TransformationRotate90;
    case 7:
      return T::TransformationMirrorAndRotate90;
    case 8:
      return T::TransformationRotate270;
    default:
      return T::TransformationNone;
  }
}

QImage Transformed(const QImage& image, QImageIOHandler::Transformations transformations) {
  if (transformations == QImageIOHandler::TransformationRotate270) {
    return image.transformed(QTransform().rotate(270));
  }
  QImage result = image.mirrored(transformations.testFlag(QImageIOHandler::TransformationMirror),
                                 transformations.testFlag(QImageIOHandler::TransformationFlip));
  if (transformations.testFlag(QImageIOHandler::TransformationRotate90)) {
    result = result.transformed(QTransform().rotate(90));
  }
  return result;
}

// Pixels that smooth scaling averages: indexed, grey and 1-bit pictures are scaled point by
// point otherwise, their dither pattern kept dot for dot.
QImage In32Bits(QImage image) {
  switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      return image;
    default:
      return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                           : QImage::Format_RGB32);
  }
}

std::string Sides(QSize size) {
  return std::to_string(size.width()) + " x " + std::to_string(size.height()) + " pixels";
}

PictureLoad Refused(const std::filesystem::path& file, const std::string& why) {
  return {std::nullopt, file.string() + " " + why};
}

}  // namespace

PictureLoad LoadPicture(const std::filesystem::path& file, const DrawnSize& drawnSize) {
  const files::Result<files::OpenFile> open = files::OpenForReading(file);
  if (!open) {
    return Refused(file, "cannot be read: " + open.error().Describe());
  }
  const int fd = open->fd.get();
  const ReadAt read = [fd](std::uint64_t offset, char* buffer, std::size_t size) {
    const files::Result<std::size_t> got = files::ReadInto(fd, offset, buffer, size);
    return got ? *got : 0;
  };
  if (!IsComplete(read, open->size)) {
    return Refused(file, "is damaged: it ends before its picture does");
  }
  // The descriptor stays the file layer's: Qt only reads through it.
  QFile device;
  if (!device.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
    return Refused(file, "cannot be read: " + device.errorString().toStdString());
  }
  QImageReader reader(&device);
  reader.setAutoTransform(true);
  const QSize stored = reader.size();
  if (!reader.canRead() || !stored.isValid()) {
    return Refused(file, "is not a picture");
  }
  const bool jpeg = reader.format() == "jpeg";
  // Qt turns what its reader knows the orientation of (JPEG); a PNG's is read here.
  QImageIOHandler::Transformations turn = reader.transformation();
  const bool turnedByQt = turn != QImageIOHandler::TransformationNone;
  if (!turnedByQt) {
    turn = FromExif(PngOrientation(read, open->size));
  }
  const QSize natural =
      turn.testFlag(QImageIOHandler::TransformationRotate90) ? stored.transposed() : stored;
  QSize decoded = stored;
  if (jpeg && drawnSize) {
    // The reader takes the scaled size before it turns the picture. Sides rounded down keep it
    // on the chosen libjpeg scale.
    const int factor = JpegReduction(natural, drawnSize({natural.width(), natural.height()}));
    decoded = {stored.width() / factor, stored.height() / factor};
    if (factor > 1) {
      reader.setScaledSize(decoded);
    }
  }
  const std::uint64_t decodedBytes = static_cast<std::uint64_t>(decoded.width()) *
                                     static_cast<std::uint64_t>(decoded.height()) * kBytesPerPixel;
  if (decodedBytes > kMaxDecodedBytes) {
    return Refused(file, "is too large: " + Sides(natural) + " take more than " +
                             std::to_string(kMaxDecodedBytes >> 20) + " MB to decode");
  }
  reader.setAllocationLimit(static_cast<int>(kMaxDecodedBytes >> 20) + 1);
  QImage image = reader.read();
  if (image.isNull()) {
    return Refused(file, "is damaged: " + reader.errorString().toStdString());
  }
  if (!turnedByQt) {
    image = Transformed(image, turn);
  }
  return {Picture{In32Bits(std::move(image)), {natural.width(), natural.height()}}, {}};
}

QImage ReadPicture(const std::filesystem::path& file) {
  PictureLoad load = LoadPicture(file);
  return load.picture ? std::move(load.picture->image) : QImage();
}

}  // namespace vt::imaging
