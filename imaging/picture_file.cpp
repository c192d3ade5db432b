#include "imaging/picture_file.h"

#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>
#include <QTransform>
#include <algorithm>
#include <array>
#include <future>

#include "files/read.h"
#include "imaging/picture_format.h"
#include "imaging/png_reduced.h"

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

// The largest whole factor by which a picture of `stored` sides still covers `drawn`; 1 when none.
int BlockReduction(QSize stored, Size drawn) {
  if (drawn.width <= 0 || drawn.height <= 0) {
    return 1;
  }
  return std::max(1, std::min(stored.width() / drawn.width, stored.height() / drawn.height));
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

std::uint64_t PixelsOf(QSize size) {
  return static_cast<std::uint64_t>(size.width()) * static_cast<std::uint64_t>(size.height());
}

std::string Sides(QSize size) {
  return std::to_string(size.width()) + " x " + std::to_string(size.height()) + " pixels";
}

PictureLoad Refused(const std::filesystem::path& file, const std::string& why) {
  return {std::nullopt, file.string() + " " + why};
}

// The reader's name for the format the file announces, so that Qt asks no other decoder; empty
// for the formats it must recognise itself.
QByteArray FormatName(const ReadAt& read) {
  char start[8] = {};
  const std::size_t got = read(0, start, sizeof start);
  switch (SniffFormat(std::string_view(start, got))) {
    case PictureFormat::kJpeg:
      return "jpeg";
    case PictureFormat::kPng:
      return "png";
    case PictureFormat::kGif:
      return "gif";
    case PictureFormat::kBmp:
      return "bmp";
    case PictureFormat::kOther:
      break;
  }
  return {};
}

// How a picture is to be decoded: turned by Qt or here, its sides as shown and as decoded, and
// the factor a PNG is reduced by.
struct Plan {
  QImageIOHandler::Transformations turn;
  bool turnedByQt = false;
  QSize natural;
  QSize decoded;
  int pngFactor = 1;
};

// Qt reports a GIF's first image, but decodes onto its logical screen, which can be larger.
QSize StoredSize(QImageReader& reader, const ReadAt& read) {
  std::array<unsigned char, 4> screen{};
  if (reader.format() != "gif" ||
      read(6, reinterpret_cast<char*>(screen.data()), screen.size()) != screen.size()) {
    return reader.size();
  }
  return reader.size().expandedTo({screen[0] | screen[1] << 8, screen[2] | screen[3] << 8});
}

Plan PlanDecoding(QImageReader& reader, const ReadAt& read, std::uint64_t size,
                  const DrawnSize& drawnSize) {
  Plan plan;
  const QSize stored = StoredSize(reader, read);
  // Qt turns what its reader knows the orientation of (JPEG); a PNG's is read here.
  plan.turn = reader.transformation();
  plan.turnedByQt = plan.turn != QImageIOHandler::TransformationNone;
  if (!plan.turnedByQt) {
    plan.turn = FromExif(PngOrientation(read, size));
  }
  const bool turned = plan.turn.testFlag(QImageIOHandler::TransformationRotate90);
  plan.natural = turned ? stored.transposed() : stored;
  plan.decoded = stored;
  if (!drawnSize) {
    return plan;
  }
  const Size drawn = drawnSize({plan.natural.width(), plan.natural.height()});
  if (reader.format() == "jpeg") {
    // The reader takes the scaled size before it turns the picture. Sides rounded down keep it
    // on the chosen libjpeg scale.
    const int factor = JpegReduction(plan.natural, drawn);
    plan.decoded = {stored.width() / factor, stored.height() / factor};
    if (factor > 1) {
      reader.setScaledSize(plan.decoded);
    }
  } else if (reader.format() == "png" && !PngIsInterlaced(read, size)) {
    plan.pngFactor = BlockReduction(stored, turned ? Size{drawn.height, drawn.width} : drawn);
    plan.decoded = {stored.width() / plan.pngFactor, stored.height() / plan.pngFactor};
  }
  return plan;
}

bool IsTooLarge(const Plan& plan) {
  return PixelsOf(plan.decoded) * kBytesPerPixel > kMaxDecodedBytes ||
         PixelsOf(plan.natural) > kMaxPixels;
}

QImage Decode(QImageReader& reader, int fd, const Plan& plan, std::string& problem) {
  if (plan.pngFactor > 1) {
    return DecodePngReduced(fd, plan.pngFactor, problem);
  }
  reader.setAllocationLimit(static_cast<int>(kMaxDecodedBytes >> 20) + 1);
  QImage image = reader.read();
  problem = reader.errorString().toStdString();
  return image;
}

}  // namespace

PictureLoad LoadPicture(const std::filesystem::path& file, const DrawnSize& drawnSize) {
  const files::Result<files::OpenFile> open = files::OpenForReading(file);
  if (!open) {
    return Refused(file, "cannot be read: " + open.error().Describe());
  }
  const int fd = open->fd.get();
  const std::uint64_t size = open->size;
  const ReadAt read = [fd](std::uint64_t offset, char* buffer, std::size_t length) {
    const files::Result<std::size_t> got = files::ReadInto(fd, offset, buffer, length);
    return got ? *got : 0;
  };
  // Checked beside the decoding, on the other core.
  std::future<bool> complete =
      std::async(std::launch::async, [&read, size] { return IsComplete(read, size); });
  // The descriptor stays the file layer's: Qt only reads through it.
  QFile device;
  if (!device.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
    return Refused(file, "cannot be read: " + device.errorString().toStdString());
  }
  QImageReader reader(&device, FormatName(read));
  reader.setAutoTransform(true);
  if (!reader.canRead() || !reader.size().isValid()) {
    return Refused(file, "is not a picture");
  }
  const Plan plan = PlanDecoding(reader, read, size, drawnSize);
  if (IsTooLarge(plan)) {
    return Refused(file, "is too large: " + Sides(plan.natural) + " (at most " +
                             std::to_string(kMaxPixels) + " pixels, " +
                             std::to_string(kMaxDecodedBytes >> 20) + " MB decoded)");
  }
  std::string problem;
  QImage image = Decode(reader, fd, plan, problem);
  if (!complete.get()) {
    return Refused(file, "is damaged: it ends before its picture does");
  }
  if (image.isNull()) {
    return Refused(file, "is damaged: " + problem);
  }
  if (!plan.turnedByQt) {
    image = Transformed(image, plan.turn);
  }
  return {Picture{In32Bits(std::move(image)), {plan.natural.width(), plan.natural.height()}}, {}};
}

QImage ReadPicture(const std::filesystem::path& file) {
  PictureLoad load = LoadPicture(file);
  return load.picture ? std::move(load.picture->image) : QImage();
}

}  // namespace vt::imaging
