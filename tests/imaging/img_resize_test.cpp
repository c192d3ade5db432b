#include "imaging/img_resize.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImageReader>
#include <QRandomGenerator>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt_raster.h"
#include "tests/imaging/pictures.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::imaging {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

constexpr Size kFrame{280, 427};

// The Qt raster, with a note of what the control asked of it.
class RecordingRaster : public RasterPort {
 public:
  SourceLoad LoadSource(const fs::path& file, const DrawnSize& drawnSize) override {
    return qt.LoadSource(file, [&](Size natural) {
      drawn = drawnSize(natural);
      return drawn;
    });
  }
  void ResizeCanvas(Size size) override { qt.ResizeCanvas(size); }
  Size CanvasSize() const override { return qt.CanvasSize(); }
  void DrawSource(const Placement& placement) override {
    placements.push_back(placement);
    qt.DrawSource(placement);
  }
  std::string SaveCanvasAsJpeg(const fs::path& file, int quality) override {
    saves.push_back(file.string() + " at " + std::to_string(quality));
    return qt.SaveCanvasAsJpeg(file, quality);
  }

  platform::QtRaster qt;
  Size drawn;
  std::vector<Placement> placements;
  Strings saves;
};

class ImgResizeTest : public ::testing::Test {
 protected:
  // The main window's settings for the profile photo, in its order.
  void MakePhoto(const fs::path& source, const std::string& destination) {
    control.SetSourceFilePath(source.string());
    control.SetDestinationFilePath(destination);
    control.SetStretch(false);
    control.SetResizeWidth(static_cast<std::int16_t>(kFrame.width));
    control.SetResizeHeight(static_cast<std::int16_t>(kFrame.height));
    control.SetCompression(100);
    EXPECT_FALSE(control.DoResize());
  }

  fs::path Picture(const std::string& name, const QImage& picture, const std::string& format) {
    test::SavePicture(picture, dir / name, format);
    return dir / name;
  }

  Strings Folder() const {
    Strings names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir;
  RecordingRaster* raster = new RecordingRaster;  // owned by the control
  ImgResize control{std::unique_ptr<RasterPort>(raster)};
  const fs::path photo = dir / "image.fwi";
};

TEST_F(ImgResizeTest, EveryKindOfSourceCoversTheFrameAsAJpegWithTheOverflowCutEvenly) {
  test::SaveTurnedJpeg(test::Quadrants(1200, 2400), dir / "phone.jpg");
  const struct {
    std::string file;
    QImage picture;  // none: the file is there already
    Placement placement;
    int margin = 5;
  } cases[] = {
      {"me.jpg", test::Quadrants(600, 1200), {0, -66, 280, 560}},
      {"tiny.png", test::Quadrants(20, 30), {-2, 0, 285, 427}, 14},  // enlarged
      {"source.png", test::Quadrants(480, 640), {-20, 0, 320, 427}},
      {"source.bmp", test::Quadrants(480, 640), {-20, 0, 320, 427}},
      {"source.gif", test::Quadrants(480, 640), {-20, 0, 320, 427}},
      {"phone.jpg", {}, {0, -66, 280, 560}},  // placed upright, by its size as shown
  };
  for (const auto& [file, picture, placement, margin] : cases) {
    SCOPED_TRACE(file);
    fs::remove(photo);
    if (!picture.isNull()) {
      test::SavePicture(picture, dir / file, fs::path(file).extension().string().substr(1));
    }
    MakePhoto(dir / file, photo.string());
    const QImage written = test::ReadJpeg(photo);
    ASSERT_EQ(written.size(), QSize(280, 427));
    ASSERT_EQ(raster->placements.back(), placement);
    test::ExpectQuadrantsAt(written, placement, margin);
  }
  EXPECT_EQ(raster->qt.Source().size(), QSize(300, 600))
      << "the photo on its side decoded at a quarter, the least that covers";
  EXPECT_EQ(raster->saves, Strings(6, photo.string() + " at 100"));
  EXPECT_EQ(Folder(), (Strings{"image.fwi", "me.jpg", "phone.jpg", "source.bmp", "source.gif",
                               "source.png", "tiny.png"}))
      << "no temporary file is left";

  QImage clear(100, 150, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  MakePhoto(Picture("clear.png", clear, "png"), photo.string());
  EXPECT_EQ(test::ReadJpeg(photo).pixel(140, 213), qRgb(255, 255, 255))
      << "JPEG has no transparency: white, not black";
}

// A photo-like picture: gradients under fine grain, which a careless reduction keeps as noise.
QImage NoisyGradient(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  QRandomGenerator noise(7);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int n = static_cast<int>(noise.bounded(81)) - 40;
      line[x] = qRgb(std::clamp(x * 200 / width + 20 + n, 0, 255),
                     std::clamp(y * 200 / height + 20 + n, 0, 255), std::clamp(120 + n, 0, 255));
    }
  }
  return picture;
}

TEST_F(ImgResizeTest, LargeJpegIsDecodedReducedAndStaysAsSharpAsAFullDecode) {
  const QImage picture = NoisyGradient(4000, 3000);
  const fs::path source = Picture("camera.jpg", picture, "jpg");
  MakePhoto(source, photo.string());
  ASSERT_EQ(raster->placements, (std::vector<Placement>{{-144, 0, 569, 427}}));
  EXPECT_EQ(raster->drawn, (Size{569, 427}));
  EXPECT_EQ(raster->qt.Source().size(), QSize(1000, 750));

  const QImage full = QImageReader(QString::fromStdString(source.string())).read();
  const QImage reference =
      full.scaled(569, 427, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).copy(144, 0, 280, 427);
  const QImage coarse = full.scaled(569, 427).copy(144, 0, 280, 427);  // nearest pixel
  const QImage written = test::ReadJpeg(photo);
  EXPECT_LT(test::MeanAbsoluteDifference(written, reference), 2.0);
  EXPECT_GT(test::MeanAbsoluteDifference(coarse, reference), 10.0) << "the check can tell";
}

// A picture file a person may choose, made in the test's folder, and what becomes of it: a photo
// with the quadrants at `placement`, or a refusal naming its cause, the earlier photo unchanged.
struct PictureCase {
  std::string name;
  std::function<fs::path(const fs::path& dir)> make;
  std::string refusal;  // empty: taken
  Placement placement{};
};

void PrintTo(const PictureCase& c, std::ostream* out) {
  *out << c.name;
}

fs::path Saved(const fs::path& file, const std::string& bytes) {
  test::WriteBytes(file, bytes);
  return file;
}

// The picture's file with only its first half kept.
std::function<fs::path(const fs::path&)> CutInHalf(const std::string& format) {
  return [format](const fs::path& dir) {
    const std::string bytes = test::PictureBytes(test::Quadrants(480, 640), format);
    return Saved(dir / ("half." + format), bytes.substr(0, bytes.size() / 2));
  };
}

std::function<fs::path(const fs::path&)> Turned(int orientation) {
  return [orientation](const fs::path& dir) {
    test::SaveTurnedPng(test::Quadrants(600, 1200), dir / "turned.png", orientation);
    return dir / "turned.png";
  };
}

// A 24-bit BMP of grey pixels; the pixels are left as a hole in the file, which reads as black.
fs::path GreyBmp(const fs::path& file, std::uint32_t width, std::uint32_t height) {
  const std::uint64_t row = (std::uint64_t{width} * 3 + 3) / 4 * 4;
  std::string header(54, '\0');
  const auto put = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      header[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
  };
  header[0] = 'B', header[1] = 'M';
  put(10, 54), put(14, 40), put(18, width), put(22, height);
  header[26] = 1, header[28] = 24;
  test::WriteBytes(file, header);
  fs::resize_file(file, 54 + row * height);
  return file;
}

class PictureCaseTest : public ImgResizeTest, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PictureCaseTest, IsPlacedOrRefusedWithItsCause) {
  test::WriteBytes(photo, "the photo of before");
  const fs::path source = GetParam().make(dir.path());
  control.SetSourceFilePath(source.string());
  control.SetDestinationFilePath(photo.string());
  control.SetResizeWidth(static_cast<std::int16_t>(kFrame.width));
  control.SetResizeHeight(static_cast<std::int16_t>(kFrame.height));
  const std::string problem = control.Resize();
  if (!GetParam().refusal.empty()) {
    EXPECT_NE(problem.find(GetParam().refusal), std::string::npos) << problem;
    EXPECT_EQ(test::ReadBytes(photo), "the photo of before");
    return;
  }
  ASSERT_EQ(problem, "");
  const QImage written = test::ReadJpeg(photo);
  ASSERT_EQ(written.size(), QSize(280, 427));
  EXPECT_EQ(raster->placements.back(), GetParam().placement);
  test::ExpectQuadrantsAt(written, GetParam().placement);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PictureCaseTest,
    ::testing::Values(
        // Over the 128 MB that Qt decodes unless told otherwise.
        PictureCase{"Png5800x5800",
                    [](const fs::path& d) {
                      return Saved(d / "big.png",
                                   test::PictureBytes(test::Quadrants(5800, 5800), "png"));
                    },
                    {},
                    {-74, 0, 427, 427}},
        PictureCase{"Bmp8000x4300",
                    [](const fs::path& d) {
                      return Saved(d / "big.bmp",
                                   test::PictureBytes(test::Quadrants(8000, 4300), "bmp"));
                    },
                    {},
                    {-257, 0, 794, 427}},
        PictureCase{"PngTurnedRight", Turned(6), {}, {0, -66, 280, 560}},
        PictureCase{"PngUpsideDown", Turned(3), {}, {0, -66, 280, 560}},
        PictureCase{"PngTurnedLeft", Turned(8), {}, {0, -66, 280, 560}},
        PictureCase{"PngMirroredAndTurned", Turned(5), {}, {0, -66, 280, 560}},
        PictureCase{"NameNotInUtf8",
                    [](const fs::path& d) {
                      return Saved(d / "caf\xE9.png",
                                   test::PictureBytes(test::Quadrants(600, 1200), "png"));
                    },
                    {},
                    {0, -66, 280, 560}},
        PictureCase{"JpegCutInHalf", CutInHalf("jpg"), "is damaged"},
        PictureCase{"PngCutInHalf", CutInHalf("png"), "is damaged"},
        PictureCase{"GifCutInHalf", CutInHalf("gif"), "is damaged"},
        PictureCase{"BmpCutInHalf", CutInHalf("bmp"), "is damaged"},
        PictureCase{"MissingBesideANameWithAnExtension",
                    [](const fs::path& d) {
                      Saved(d / "base.png", test::PictureBytes(test::Quadrants(60, 90), "png"));
                      return d / "base";
                    },
                    "cannot be read: no such file"},
        PictureCase{"Fifo",
                    [](const fs::path& d) {
                      EXPECT_EQ(::mkfifo((d / "pipe.jpg").c_str(), 0600), 0);
                      return d / "pipe.jpg";
                    },
                    "not a regular file"},
        PictureCase{"NotAPicture",
                    [](const fs::path& d) { return Saved(d / "notes.jpg", "plain text"); },
                    "is not a picture"},
        PictureCase{"OverAGigapixel",
                    [](const fs::path& d) {
                      return Saved(d / "bomb.png", test::PngHeaderOnly(40000, 30000));
                    },
                    "is too large: 40000 x 30000 pixels"},
        // Interlaced, so decoded whole.
        PictureCase{"OverAGigabyteDecoded",
                    [](const fs::path& d) {
                      return Saved(d / "bomb.png", test::PngHeaderOnly(20000, 14000, true));
                    },
                    "is too large: 20000 x 14000 pixels"},
        PictureCase{"SixMillionByOne",
                    [](const fs::path& d) { return GreyBmp(d / "line.bmp", 6'000'000, 1); },
                    "cannot be placed: 6000000 x 1 pixels"}),
    [](const auto& info) { return info.param.name; });

TEST_F(ImgResizeTest, PalettedAndOneBitPicturesAreSmoothedLikeTheirTrueColourTwins) {
  // A dither pattern of single pixels, which a point-by-point reduction keeps as noise.
  QImage pattern(960, 1280, QImage::Format_RGB32);
  for (int y = 0; y < pattern.height(); ++y) {
    for (int x = 0; x < pattern.width(); ++x) {
      pattern.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    }
  }
  MakePhoto(Picture("twin.png", pattern, "png"), photo.string());
  const QImage twin = test::ReadJpeg(photo);
  for (const QImage::Format format : {QImage::Format_Mono, QImage::Format_Indexed8}) {
    MakePhoto(Picture("pattern.png", pattern.convertToFormat(format), "png"), photo.string());
    EXPECT_LT(test::MeanAbsoluteDifference(test::ReadJpeg(photo), twin), 2.0) << format;
  }
}

TEST_F(ImgResizeTest, AnUnwritablePhotoIsBlamedNotThePicture) {
  fs::create_directory(photo);
  control.SetSourceFilePath(Picture("me.png", test::Quadrants(60, 90), "png").string());
  control.SetDestinationFilePath(photo.string());
  const std::string problem = control.Resize();
  EXPECT_NE(problem.find("cannot be written as " + photo.string()), std::string::npos) << problem;
  EXPECT_EQ(problem.find("me.png"), std::string::npos) << problem;
}

TEST_F(ImgResizeTest, CompressionIsTheJpegQualityWithinItsRangeAndStretchFillsTheCanvas) {
  MakePhoto(Picture("me.png", test::Quadrants(600, 1200), "png"), photo.string());
  const auto best = fs::file_size(photo);
  for (const std::int16_t compression : {std::int16_t{10}, std::int16_t{-5}, std::int16_t{300}}) {
    control.SetCompression(compression);
    control.DoResize();
  }
  EXPECT_EQ(raster->saves, (Strings{photo.string() + " at 100", photo.string() + " at 10",
                                    photo.string() + " at 0", photo.string() + " at 100"}));
  control.SetCompression(10);
  control.DoResize();
  EXPECT_LT(fs::file_size(photo), best);

  control.SetStretch(true);
  control.DoResize();
  control.SetStretch(false);
  control.SetResizeWidth(200);
  control.SetResizeHeight(200);
  control.DoResize();
  EXPECT_EQ(std::vector(raster->placements.end() - 3, raster->placements.end()),
            (std::vector<Placement>{{0, -66, 280, 560}, {0, 0, 280, 427}, {0, 0, 200, 200}}));
  test::ExpectQuadrantsAt(test::ReadJpeg(photo), {0, 0, 200, 200});
}

TEST_F(ImgResizeTest, DestinationZeroWritesNothingAndTheCanvasFollowsTheSizeAtOnce) {
  EXPECT_EQ(raster->CanvasSize(), ImgResize::kDesignCanvas);
  control.SetResizeWidth(0);
  control.SetResizeHeight(427);
  control.SetResizeWidth(280);
  EXPECT_EQ(raster->CanvasSize(), kFrame);

  const fs::path source = Picture("me.jpg", test::Quadrants(600, 1200), "jpg");
  MakePhoto(source, "0");
  EXPECT_EQ(raster->placements.size(), 1u) << "the picture is still drawn";
  EXPECT_TRUE(raster->saves.empty());
  EXPECT_EQ(Folder(), Strings{"me.jpg"});

  const QImage before = raster->qt.Canvas();
  control.SetResizeWidth(280);
  EXPECT_EQ(raster->qt.Canvas(), before) << "the same width again changes nothing";
  control.SetResizeHeight(500);
  const QImage grown = raster->qt.Canvas();
  ASSERT_EQ(grown.size(), QSize(280, 500));
  EXPECT_EQ(grown.copy(0, 0, 280, 427), before);
  EXPECT_EQ(grown.pixel(140, 460), qRgb(255, 255, 255)) << "the new area is white";

  // Any other destination is handed to the writer, which fails quietly.
  MakePhoto(source, "");
  EXPECT_EQ(raster->saves, Strings{" at 100"});
  MakePhoto(source, (dir / "missing" / "image.fwi").string());
  EXPECT_EQ(Folder(), Strings{"me.jpg"});
}

TEST_F(ImgResizeTest, ExtremeProportionsAreDrawnWithoutAHugeIntermediate) {
  QImage line(2, 2000, QImage::Format_RGB32);
  line.fill(qRgb(0, 0, 200));
  MakePhoto(Picture("line.png", line, "png"), photo.string());
  ASSERT_EQ(raster->placements, (std::vector<Placement>{{0, -139786, 280, 280000}}));
  EXPECT_TRUE(test::Near(test::ReadJpeg(photo).pixel(140, 213), qRgb(0, 0, 200)));
}

TEST(ImgResizeProperties, DefaultsAreNotStoredAndValuesComeBack) {
  ImgResize fresh(std::make_unique<platform::QtRaster>());
  properties::PropertyBag bag;
  fresh.WriteProperties(bag);
  EXPECT_TRUE(bag.Entries().empty());
  EXPECT_EQ(fresh.SourceFilePath(), "0");
  EXPECT_EQ(fresh.DestinationFilePath(), "0");
  EXPECT_EQ(fresh.Compression(), 100);

  Strings changed;
  fresh.SetChangeListener([&](std::string_view name) { changed.emplace_back(name); });
  fresh.SetSourceFilePath("in.jpg");
  fresh.SetDestinationFilePath("out.fwi");
  fresh.SetResizeWidth(280);
  fresh.SetResizeHeight(427);
  fresh.SetCompression(75);
  fresh.SetStretch(true);
  fresh.SetBackColor(0x123456);
  fresh.SetForeColor(0xABCDEF);
  fresh.SetEnabled(true);
  fresh.SetFont("Sans,12");
  fresh.SetBackStyle(1);
  fresh.SetBorderStyle(1);
  EXPECT_EQ(changed, (Strings{"SourceFilePath", "DestinationFilePath", "ResizeWidth",
                              "ResizeHeight", "Compression", "Stretch", "BackColor", "ForeColor",
                              "Enabled", "Font", "BackStyle", "BorderStyle"}));
  fresh.WriteProperties(bag);
  EXPECT_EQ(bag.Entries().size(), 12u);

  auto* raster = new platform::QtRaster;
  ImgResize loaded{std::unique_ptr<RasterPort>(raster)};
  loaded.ReadProperties(bag);
  properties::PropertyBag again;
  loaded.WriteProperties(again);
  EXPECT_EQ(again.Entries(), bag.Entries());
  EXPECT_EQ(loaded.ResizeHeight(), 427);
  EXPECT_EQ(loaded.Font(), "Sans,12");
  EXPECT_EQ(raster->CanvasSize(), ImgResize::kDesignCanvas) << "reading stores the numbers only";
}

}  // namespace
}  // namespace vt::imaging
