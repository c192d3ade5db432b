// Profile photo probe for bench/photo.sh:
//   photo_bench make WIDTH HEIGHT OUT [FORMAT]  a photo-like picture, JPEG unless FORMAT says
//                                               otherwise: gradients, fine stripes and grain
//   photo_bench resize PICTURE OUT          the wizard's "Change Image" resize, as a whole process
//   photo_bench placement PICTURE           the cover placement in the 280 x 427 frame: W H X Y
#include <QImage>
#include <QImageReader>
#include <QRandomGenerator>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imaging/img_resize.h"
#include "imaging/placement.h"
#include "platform/qt_raster.h"

namespace {

constexpr vt::imaging::Size kFrame{280, 427};

QString Native(const char* path) {
  return QString::fromLocal8Bit(path);
}

// Gradients under grain with stripes whose period is a few pixels of the photo's scale, so a
// reduction that blurs or aliases shows.
int MakePhoto(int width, int height, const char* out, const char* format) {
  QImage photo(width, height, QImage::Format_RGB32);
  QRandomGenerator grain(42);
  const double fine = width / 160.0, coarse = width / 40.0;
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int n = static_cast<int>(grain.bounded(49)) - 24;
      const double stripes = 40 * std::sin(x / fine) * std::sin(y / coarse);
      const auto channel = [&](double base) {
        return std::clamp(static_cast<int>(base + stripes) + n, 0, 255);
      };
      line[x] = qRgb(channel(40 + 160.0 * x / width), channel(40 + 160.0 * y / height),
                     channel(200 - 120.0 * x / width));
    }
  }
  return photo.save(Native(out), format, 90) ? 0 : 1;
}

// The settings of the main window's photo branch, in its order.
int Resize(const char* picture, const char* out) {
  vt::imaging::ImgResize control(std::make_unique<vt::platform::QtRaster>());
  control.SetSourceFilePath(picture);
  control.SetDestinationFilePath(out);
  control.SetStretch(false);
  control.SetResizeWidth(static_cast<std::int16_t>(kFrame.width));
  control.SetResizeHeight(static_cast<std::int16_t>(kFrame.height));
  control.SetCompression(100);
  control.DoResize();
  return 0;
}

// The photos made here carry no EXIF orientation: their stored size is their natural size.
int PrintPlacement(const char* picture) {
  const QSize size = QImageReader(Native(picture)).size();
  const auto p = vt::imaging::CoverPlacement({size.width(), size.height()}, kFrame, false);
  if (!p) {
    return 1;
  }
  std::printf("%d %d %d %d\n", p->width, p->height, p->x, p->y);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if ((args.size() == 4 || args.size() == 5) && args[0] == "make") {
    return MakePhoto(std::atoi(argv[2]), std::atoi(argv[3]), argv[4],
                     args.size() == 5 ? argv[5] : "JPG");
  }
  if (args.size() == 3 && args[0] == "resize") {
    return Resize(argv[2], argv[3]);
  }
  if (args.size() == 2 && args[0] == "placement") {
    return PrintPlacement(argv[2]);
  }
  std::fprintf(stderr,
               "usage: photo_bench make W H OUT | resize PICTURE OUT | placement PICTURE\n");
  return 2;
}
