#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <QTransform>
#include <cstdint>
#include <cstring>
#include <functional>

#include "imaging/img_resize.h"
#include "platform/qt_raster.h"
#include "tests/imaging/pictures.h"
#include "tests/support/files.h"
#include "tests/support/row_name.h"
#include "tests/support/stored_properties.h"
#include "tests/support/temp_dir.h"

namespace vt::imaging {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr Size kFrame{280, 427};
constexpr Placement kTall{0, -66, 280, 560};  // 600 x 1200 in the frame: -66.5 goes to the even -66

struct PlacementCase {
  const char* name;
  Size source, canvas;
  bool thumbnail;  // the thumbnail's rule, otherwise the photo's
  std::optional<Placement> placed;
};

const PlacementCase kPlacements[] = {
    {"SmallIsEnlarged", {100, 150}, kFrame, false, Placement{-2, 0, 285, 427}},
    {"TallInWide", {600, 1200}, {427, 280}, false, Placement{0, -287, 427, 854}},
    {"SquareCanvasIsFilled", {640, 480}, {200, 200}, false, Placement{0, 0, 200, 200}},
    {"NoCanvasIsItsOwnPlacement", {600, 1200}, {0, 427}, false, Placement{0, 0, 0, 427}},
    {"OneByLargest", {1, INT32_MAX}, kFrame, false, std::nullopt},
    {"ThumbnailSquareIsStretched", {50, 50}, {120, 40}, true, Placement{0, 0, 120, 40}},
};

class PlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, IsTheWorkedExample) {
  const auto& [name, s, c, thumbnail, placed] = GetParam();
  EXPECT_EQ(thumbnail ? ThumbnailPlacement(s, s, c) : CoverPlacement(s, c, false), placed);
}

INSTANTIATE_TEST_SUITE_P(Rows, PlacementTest, ::testing::ValuesIn(kPlacements), test::RowName{});

std::string Big32(std::uint32_t value) {
  return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

std::string PngChunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  return Big32(static_cast<std::uint32_t>(data.size())) + body +
         Big32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size()));
}

using Bytes = std::function<std::string()>;

// A PNG that claims the sides but holds no pixels.
Bytes PngHeaderOnly(std::uint32_t w, std::uint32_t h, bool interlaced) {
  const std::string ihdr = Big32(w) + Big32(h) + "\x08\x02\0\0"s + static_cast<char>(interlaced);
  return [=] {
    return "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", ihdr) + PngChunk("IDAT", "") +
           PngChunk("IEND", "");
  };
}

// The quadrants stored turned, with an EXIF orientation that turns them upright: in an eXIf chunk
// of a PNG or an APP1 segment of a JPEG, little-endian for even orientations.
std::string Turned(const std::string& format, int orientation, int width = 600) {
  const std::pair<bool, int> stored[] = {{false, 0}, {true, 0},    {false, 180}, {true, 180},
                                         {true, 90}, {false, -90}, {true, -90},  {false, 90}};
  const auto [mirrored, angle] = stored[orientation - 1];
  const QImage picture = test::Quadrants(width, 2 * width).transformed(QTransform().rotate(angle));
  const std::string bytes = test::PictureBytes(picture.mirrored(mirrored, false), format);
  // A TIFF block with one entry, Orientation (0x0112): one SHORT, then the end of the entries.
  std::string tiff = (orientation % 2 == 1 ? "MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0"s
                                           : "II\x2A\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0"s) +
                     static_cast<char>(orientation);
  tiff.resize(26);
  if (format == "png") {
    return bytes.substr(0, 33) + PngChunk("eXIf", tiff) + bytes.substr(33);  // after IHDR
  }
  return bytes.substr(0, 2) + "\xFF\xE1\0"s + static_cast<char>(tiff.size() + 8) + "Exif\0\0"s +
         tiff + bytes.substr(2);
}

// The quadrants in 2 x 4 pixels of four colours, behind a graphic control extension; every pixel
// a 3-bit literal code after a clear code.
const std::string kGif =
    "GIF89a\x02\x00\x04\x00\x81\x00\x00\xE0\x20\x20\x20\xC0\x20\x20\x20\xE0\xE0\xE0\x20"
    "\x21\xF9\x04\x00\x00\x00\x00\x00\x2C\x00\x00\x00\x00\x02\x00\x04\x00\x00"
    "\x02\x07\x04\x43\x30\x14\x47\x71\x05\x00\x3B"s;

// The quadrants as a file of `format`. A JPEG's pixel data ends in a stuffed 0xFF, which does not
// end the data.
Bytes Plain(const std::string& format, int width = 600, int height = 1200) {
  return [=] {
    std::string bytes = test::PictureBytes(test::Quadrants(width, height), format);
    return format == "jpg" ? bytes.insert(bytes.size() - 2, "\xFF\x00"s) : bytes;
  };
}

// The photo control as the main window sets it up, over Qt's raster.
class ImgResizeTest : public ::testing::Test {
 protected:
  std::string Resize(const fs::path& source, const std::string& destination) {
    control.SetSourceFilePath(source.string());
    control.SetDestinationFilePath(destination);
    control.SetResizeWidth(static_cast<std::int16_t>(kFrame.width));
    control.SetResizeHeight(static_cast<std::int16_t>(kFrame.height));
    return control.Resize();
  }

  fs::path Saved(const std::string& name, const std::string& bytes) const {
    test::WriteBytes(dir / name, bytes);
    return dir / name;
  }

  QImage Photo() const { return QImage(QString::fromStdString(photo.string()), "jpeg"); }

  test::TempDir dir;
  platform::QtRaster* raster = new platform::QtRaster;  // owned by the control
  ImgResize control{std::unique_ptr<RasterPort>(raster)};
  const fs::path photo = dir / "image.fwi";
};

// A file a person may choose, its last `cut` bytes left off: a photo of the quadrants at
// `placement`, decoded at `decoded` (reduced where the format allows), or refused with its cause,
// the earlier photo unchanged.
struct PictureCase {
  const char* name;
  const char* file;
  Bytes bytes;  // none: `file` is made otherwise
  std::size_t cut = 0;
  std::string refusal{};
  Placement placement = kTall;
  QSize decoded{300, 600};
};

const std::string kCut = "is damaged: it ends before its picture does";
const PictureCase kPictures[] = {
    {"JpegAQuarterJustCovers", "me.jpg", Plain("jpg", 1120, 2240), 0, "", kTall, {280, 560}},
    // Reduced by half, as its width decides: a quarter would be a pixel too narrow.
    {"JpegWidthDecides", "w.jpg", Plain("jpg", 1119, 2000), 0, "", {0, -36, 280, 500}, {559, 1000}},
    {"JpegHalfAsItsHeightDecides", "me.jpg", Plain("jpg", 1120, 2243), 0, "", kTall, {560, 1121}},
    {"Gif", "me.gif", [] { return kGif; }, 0, "", kTall, {2, 4}},
    {"GifWithoutTrailer", "me.gif", [] { return kGif; }, 1, "", kTall, {2, 4}},
    {"NameNotInUtf8", "caf\xE9.png", Plain("png")},
    {"PhoneJpegOnItsSide", "phone.jpg", [] { return Turned("jpg", 6, 2400); }},  // at an eighth
    {"PngMirrored", "t.png", [] { return Turned("png", 2); }},
    {"PngUpsideDown", "t.png", [] { return Turned("png", 3); }},
    {"PngFlipped", "t.png", [] { return Turned("png", 4); }},
    {"PngMirroredTurnedLeft", "t.png", [] { return Turned("png", 5); }},
    {"PngTurnedRight", "t.png", [] { return Turned("png", 6); }},
    {"PngMirroredTurnedRight", "t.png", [] { return Turned("png", 7); }},
    {"PngTurnedLeft", "t.png", [] { return Turned("png", 8); }},
    // Over the 128 MB that Qt decodes unless told otherwise.
    {"Png5800x5800", "big.png", Plain("png", 5800, 5800), 0, "", {-74, 0, 427, 427}, {446, 446}},
    {"Bmp8000x4300", "big.bmp", Plain("bmp", 8000, 4300), 0, "", {-257, 0, 794, 427}, {8000, 4300}},
    // Enlarged too far to be scaled whole before it is drawn.
    {"Line2x2000", "l.png", Plain("png", 2, 2000), 0, "", {0, -139786, 280, 280000}, {2, 2000}},
    {"JpegCutShort", "cut.jpg", Plain("jpg"), 1000, kCut},
    {"PngCutInItsData", "cut.png", Plain("png"), 1000, kCut},
    {"PngWithoutItsEnd", "cut.png", Plain("png"), 12, kCut},
    {"BmpCutShort", "cut.bmp", Plain("bmp"), 1000, kCut},
    {"GifCutInItsData", "cut.gif", [] { return kGif; }, 5, kCut},
    {"MissingBesideANameWithAnExtension", "me", {}, 0, "cannot be read: no such file"},
    {"Fifo", "pipe.jpg", {}, 0, "cannot be read: not a regular file"},
    {"NotAPicture", "notes.jpg", [] { return "plain text"s; }, 0, "is not a picture"},
    {"OverAGigapixel", "bomb.png", PngHeaderOnly(40000, 30000, false), 0, "is too large: 40000"},
    {"OverAGigabyteDecodedInterlaced", "b.png", PngHeaderOnly(20000, 14000, true), 0,
     "is too large: 20000 x 14000 pixels"},
    {"SixMillionByOne", "line.bmp", Plain("bmp", 6'000'000, 1), 0,
     "cannot be placed: 6000000 x 1 pixels"},
};

class PictureTest : public ImgResizeTest, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PictureTest, IsPlacedOrRefusedWithItsCause) {
  const PictureCase& c = GetParam();
  test::WriteBytes(photo, "the photo of before");
  // Beside each: a picture whose stem alone names no file, and a FIFO.
  test::WriteBytes(dir / "me.png", Plain("png")());
  ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
  const std::string all = c.bytes ? c.bytes() : "";
  const fs::path file = c.bytes ? Saved(c.file, all.substr(0, all.size() - c.cut)) : dir / c.file;
  const std::string problem = Resize(file, photo.string());
  if (!c.refusal.empty()) {
    EXPECT_NE(problem.find(c.refusal), std::string::npos) << problem;
    EXPECT_EQ(test::ReadBytes(photo), "the photo of before");
    return;
  }
  ASSERT_EQ(problem, "");
  EXPECT_EQ(raster->Source().size(), c.decoded);
  test::ExpectQuadrantsAt(Photo(), c.placement, 60);  // far from the split
}

INSTANTIATE_TEST_SUITE_P(Files, PictureTest, ::testing::ValuesIn(kPictures), test::RowName{});

// The canvas, its drawing and the JPEG written of it; only the photo file is ever written.
TEST_F(ImgResizeTest, DrawsOnACanvasOfTheSetSizeAndWritesItAsAJpegOfTheClampedQuality) {
  control.SetResizeWidth(-3);
  EXPECT_EQ(raster->CanvasSize(), (Size{0, ImgResize::kDesignCanvas.height}));
  const fs::path png = Saved("me.png", Plain("png")());
  ASSERT_EQ(Resize(png, "0"), "") << "drawn, not written";
  control.SetResizeHeight(500);  // the drawing stays, the new area is white
  test::ExpectQuadrantsAt(raster->Canvas().copy(0, 0, 280, 427), kTall);
  EXPECT_EQ(raster->Canvas().pixel(140, 460), qRgb(255, 255, 255));

  ASSERT_EQ(Resize(png, photo.string()), "");
  const std::string best = test::ReadBytes(photo);
  const auto jpeg = [&](std::int16_t compression) {
    control.SetCompression(compression);
    EXPECT_FALSE(control.DoResize());
    return test::ReadBytes(photo);
  };
  EXPECT_EQ(jpeg(300), best);
  EXPECT_LT(jpeg(10).size(), best.size());
  EXPECT_EQ(jpeg(-5), jpeg(0));
  control.SetStretch(true);
  EXPECT_NE(jpeg(100), best) << "stretched, not cut";
  test::ExpectQuadrantsAt(Photo(), {0, 0, 280, 427});
  QImage clear(600, 900, QImage::Format_ARGB32);  // large enough to be reduced while decoded
  clear.fill(QColor(255, 0, 0, 1));               // all but transparent
  Resize(Saved("clear.png", test::PictureBytes(clear, "png")), photo.string());
  EXPECT_TRUE(test::Near(Photo().pixel(70, 100), qRgb(255, 255, 255)))
      << "no transparency in a JPEG: white, never the picture before";
  QImage dots(960, 1280, QImage::Format_Mono);  // one-bit dots, every other one black
  for (int y = 0; y < dots.height(); ++y) {
    std::memset(dots.scanLine(y), y % 2 == 0 ? 0xAA : 0x55, dots.bytesPerLine());
  }
  Resize(Saved("dots.bmp", test::PictureBytes(dots, "bmp")), photo.string());
  EXPECT_TRUE(test::Near(Photo().pixel(140, 213), qRgb(128, 128, 128)))
      << "one-bit dots come out grey only where every reduction averages";

  // The photo is to blame, not the picture.
  EXPECT_THAT(Resize(png, dir.path()), ::testing::StartsWith("the photo cannot be written as /"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 4);

  // Its settings are stored where they differ from the defaults, and read back.
  ImgResize loaded{std::make_unique<platform::QtRaster>()};
  test::ExpectStored(
      control, {"DestinationFilePath", "ResizeHeight", "ResizeWidth", "SourceFilePath", "Stretch"},
      loaded);
}

}  // namespace
}  // namespace vt::imaging
