#include <QBuffer>
#include <QImageReader>

#include "imaging/picture_file.h"
#include "tests/fuzz/fuzz_support.h"

using namespace vt::imaging;

[[maybe_unused]] static const auto kQuiet =
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

// The bytes as a picture file. An odd last byte asks for it reduced to a third, as the photo does.
VT_FUZZ_TARGET(input) {
  QByteArray bytes(input.data(), static_cast<qsizetype>(input.size()));
  QBuffer buffer(&bytes);
  // Large pictures take long to decode, and what refuses them is the same for every picture.
  const QSize sides = QImageReader(&buffer).size();
  if (std::int64_t{sides.width()} * sides.height() > (1 << 16)) {
    return;
  }
  const std::filesystem::path file = vt::fuzz::Scratch() / "picture";
  vt::test::WriteBytes(file, input);
  const bool reduced = !input.empty() && (input.back() & 1) != 0;
  const auto third = [](Size natural) { return Size{natural.width / 3, natural.height / 3}; };
  const PictureLoad load = LoadPicture(file, reduced ? DrawnSize(third) : DrawnSize());
  // Refused with a reason, or upright in 32-bit pixels, whole or reduced no further than asked.
  const QImage image = load.picture ? load.picture->image : QImage();
  const auto [width, height] = load.picture ? load.picture->natural : Size{};
  VT_FUZZ_CHECK(load.picture ? !image.isNull() && image.depth() == 32 : !load.problem.empty());
  VT_FUZZ_CHECK(image.width() <= width && image.height() <= height);
  VT_FUZZ_CHECK(reduced ? image.width() >= width / 3 && image.height() >= height / 3
                        : image.width() == width && image.height() == height);
}
