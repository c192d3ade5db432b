#include "imaging/img_thumb_aspected.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "controls/control_values.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::imaging {
namespace {

namespace fs = std::filesystem;
using controls::ColorValue;

const QColor kGreen(0, 160, 0);
const QColor kRed(200, 0, 0);
constexpr ColorValue kSteelValue = 0x00804020;  // 0x00BBGGRR
const QColor kSteel(0x20, 0x40, 0x80);

::testing::AssertionResult Near(const QColor& actual, const QColor& expected) {
  const int distance = std::abs(actual.red() - expected.red()) +
                       std::abs(actual.green() - expected.green()) +
                       std::abs(actual.blue() - expected.blue());
  if (distance <= 6) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << actual.name().toStdString() << " instead of " << expected.name().toStdString();
}

QFrame& CanvasOf(ImgThumbAspected& control) {
  return *control.findChild<QFrame*>(QStringLiteral("picThumbnail"));
}

QLabel& FrameOf(ImgThumbAspected& control) {
  return *control.findChild<QLabel*>(QStringLiteral("lbl3Dborder"));
}

// What the canvas shows on screen.
QImage Shown(ImgThumbAspected& control) {
  return CanvasOf(control).grab().toImage();
}

// The pixels of `placement` that lie on the canvas show the picture; the canvas pixels just
// outside it show `background`.
void ExpectPlacedAt(const QImage& shown, const QRect& placement, const QColor& background,
                    const QColor& picture) {
  const QRect visible = placement.intersected(shown.rect());
  const QPoint inside[] = {visible.topLeft(), visible.topRight(), visible.bottomLeft(),
                           visible.bottomRight(), visible.center()};
  for (const QPoint& point : inside) {
    EXPECT_FALSE(Near(shown.pixelColor(point), background)) << point.x() << "," << point.y();
    if (picture.isValid()) {
      EXPECT_TRUE(Near(shown.pixelColor(point), picture)) << point.x() << "," << point.y();
    }
  }
  const QPoint c = visible.center();
  const QPoint outside[] = {{visible.left() - 1, c.y()},
                            {visible.right() + 1, c.y()},
                            {c.x(), visible.top() - 1},
                            {c.x(), visible.bottom() + 1}};
  for (const QPoint& point : outside) {
    if (shown.rect().contains(point)) {
      EXPECT_TRUE(Near(shown.pixelColor(point), background)) << point.x() << "," << point.y();
    }
  }
}

class ImgThumbAspectedTest : public ::testing::Test {
 protected:
  // A picture file: green down to `greenRows`, red below.
  std::string Picture(int width, int height, int greenRows) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kRed);
    QPainter(&image).fillRect(0, 0, width, greenRows, kGreen);
    const fs::path path =
        dir / ("p" + std::to_string(width) + "x" + std::to_string(height) + ".png");
    EXPECT_TRUE(image.save(QString::fromStdString(path.string())));
    return path.string();
  }

  // A shown control of the given size on the steel background.
  void Show(int width, int height) {
    control.resize(width, height);
    control.SetBackColor(kSteelValue);
    control.show();
  }

  test::TempDir dir;
  ImgThumbAspected control;
};

TEST_F(ImgThumbAspectedTest, FitsByThePicturesOwnProportionsLeavingBandsOfBackColor) {
  Show(104, 104);
  EXPECT_EQ(CanvasOf(control).geometry(), QRect(2, 2, 100, 100));
  EXPECT_EQ(FrameOf(control).geometry(), QRect(0, 0, 104, 104));
  const struct {
    int width, height;
    QRect placement;
  } cases[] = {
      {640, 480, {0, 12, 100, 75}},  // 12 rows above, 13 below
      {480, 640, {12, 0, 75, 100}},
      {500, 500, {0, 0, 100, 100}},
      {10, 5, {0, 25, 100, 50}},  // enlarged
  };
  for (const auto& [width, height, placement] : cases) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    control.SetImagePath(Picture(width, height, height / 2));
    EXPECT_EQ(control.ImageWidth(), width);
    EXPECT_EQ(control.ImageHeight(), height);
    const QImage shown = Shown(control);
    ExpectPlacedAt(shown, placement, kSteel, QColor());
    // The whole picture is there: its top row at the top, its bottom row at the bottom.
    EXPECT_TRUE(Near(shown.pixelColor(placement.center().x(), placement.top()), kGreen));
    EXPECT_TRUE(Near(shown.pixelColor(placement.center().x(), placement.bottom()), kRed));
  }
}

TEST_F(ImgThumbAspectedTest, ClipsWhatSticksOutOfANonSquareCanvas) {
  Show(104, 44);
  // Placed at (0, -14, 100, 67): the picture's row 120 falls on canvas row 26.2.
  control.SetImagePath(Picture(300, 200, 120));
  const QImage shown = Shown(control);
  ExpectPlacedAt(shown, {0, -14, 100, 67}, kSteel, QColor());
  EXPECT_TRUE(Near(shown.pixelColor(50, 0), kGreen));
  EXPECT_TRUE(Near(shown.pixelColor(50, 25), kGreen)) << "a row lower would be mixed";
  EXPECT_TRUE(Near(shown.pixelColor(50, 27), kRed)) << "a row higher would be mixed";
  EXPECT_TRUE(Near(shown.pixelColor(50, 39), kRed));

  control.SetImagePath(Picture(50, 50, 0));
  ExpectPlacedAt(Shown(control), {0, 0, 100, 40}, kSteel, kRed);  // square: stretched
}

TEST_F(ImgThumbAspectedTest, ResizingKeepsTheDrawingAndAnUnreadableFileFitsTheOldPictureAnew) {
  // A size given while hidden already counts for the fit.
  control.resize(104, 104);
  control.SetBackColor(kSteelValue);
  control.SetImagePath(Picture(640, 480, 0));
  control.show();
  control.resize(144, 124);
  EXPECT_EQ(CanvasOf(control).geometry(), QRect(2, 2, 140, 120));
  EXPECT_EQ(FrameOf(control).geometry(), QRect(0, 0, 144, 124));
  const QImage shown = Shown(control);
  ExpectPlacedAt(shown, {0, 12, 100, 75}, kSteel, kRed);
  EXPECT_TRUE(Near(shown.pixelColor(139, 119), kSteel)) << "new area shows the background";

  test::WriteBytes(dir / "broken.jpg", "not a picture");
  for (const fs::path& bad : {dir / "missing.jpg", dir / "broken.jpg"}) {
    SCOPED_TRACE(bad.string());
    control.SetImagePath(bad.string());
    EXPECT_EQ(control.ImagePath(), bad.string());
    EXPECT_EQ(control.ImageWidth(), 640);
    EXPECT_EQ(control.ImageHeight(), 480);
    ExpectPlacedAt(Shown(control), {0, 8, 140, 105}, kSteel, kRed);
  }
}

TEST_F(ImgThumbAspectedTest, AnEmptyPathShowsTheEmptyHolderAtItsLastSizeUntilBackColorIsSet) {
  const QColor face = controls::ToQColor(controls::kButtonFace);
  Show(104, 104);
  control.SetImagePath("");
  EXPECT_EQ(control.ImageWidth(), 167);
  EXPECT_EQ(control.ImageHeight(), 130);
  ExpectPlacedAt(Shown(control), {0, 11, 100, 78}, kSteel, face);

  control.SetImagePath(Picture(480, 640, 0));
  control.SetImagePath("");
  EXPECT_EQ(control.ImagePath(), "");
  EXPECT_EQ(control.ImageWidth(), 480);
  EXPECT_EQ(control.ImageHeight(), 640);
  ExpectPlacedAt(Shown(control), {12, 0, 75, 100}, kSteel, face);

  control.SetBackColor(0x0000FF);  // clears the canvas
  EXPECT_EQ(Shown(control).pixelColor(50, 50), QColor(255, 0, 0));
}

TEST_F(ImgThumbAspectedTest, ClickIsRaisedByTheCanvasOnly) {
  Show(104, 104);
  QSignalSpy clicks(&control, &ImgThumbAspected::Click);
  QTest::mouseClick(&CanvasOf(control), Qt::LeftButton, {}, {50, 50});
  EXPECT_EQ(clicks.count(), 1);
  QTest::mouseClick(&CanvasOf(control), Qt::LeftButton, {}, {0, 99});
  EXPECT_EQ(clicks.count(), 2);

  QWidget* frame = control.childAt(1, 1);
  ASSERT_EQ(frame, &FrameOf(control));
  QTest::mouseClick(frame, Qt::LeftButton, {}, {1, 1});
  QTest::mouseClick(frame, Qt::LeftButton, {}, {103, 103});
  EXPECT_EQ(clicks.count(), 2);
}

TEST_F(ImgThumbAspectedTest, StoredValuesComeBackWithoutThePicture) {
  QWidget host;
  host.setFont(QFont(QStringLiteral("Serif"), 13));
  ImgThumbAspected stored(&host);
  const std::string path = Picture(640, 480, 0);
  stored.SetImagePath(path);
  stored.SetBackColor(kSteelValue);
  stored.SetForeColor(0x123456);
  stored.SetEnabled(true);
  stored.SetFont(QFont(QStringLiteral("Monospace"), 21, QFont::Bold));
  stored.SetBackStyle(1);
  stored.SetBorder(0);
  properties::PropertyBag bag;
  stored.WriteProperties(bag);
  EXPECT_EQ(bag.Entries().size(), 10u);
  EXPECT_FALSE(bag.Contains("Picture"));

  ImgThumbAspected loaded(&host);
  loaded.resize(104, 104);
  loaded.ReadProperties(bag);
  properties::PropertyBag again;
  loaded.WriteProperties(again);
  EXPECT_EQ(again.Entries(), bag.Entries());
  EXPECT_EQ(loaded.Font(), stored.Font());
  EXPECT_EQ(loaded.ImageWidth(), 640);
  EXPECT_EQ(FrameOf(loaded).frameShape(), QFrame::NoFrame);
  EXPECT_EQ(CanvasOf(loaded).frameShape(), QFrame::NoFrame);
  host.show();
  EXPECT_TRUE(Near(Shown(loaded).pixelColor(50, 50), kSteel)) << "no picture until set again";

  // The canvas has no frame when new, but its key's default is a single line.
  properties::PropertyBag fresh;
  control.WriteProperties(fresh);
  EXPECT_EQ(fresh.Entries().size(), 1u);
  EXPECT_EQ(fresh.ReadNumber("BorderStyle", 1), 0);
  EXPECT_EQ(control.BorderStyle(), 1) << "the property is the outer frame";
  // Missing keys read as their defaults.
  loaded.ReadProperties({});
  EXPECT_EQ(loaded.BackColor(), controls::kWhite);
  EXPECT_EQ(loaded.Border(), 1);
  EXPECT_EQ(CanvasOf(loaded).frameShape(), QFrame::Box);
  properties::PropertyBag none;
  loaded.WriteProperties(none);
  EXPECT_TRUE(none.Entries().empty());
}

}  // namespace
}  // namespace vt::imaging
