#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "controls/dir_select.h"
#include "controls/man_label.h"
#include "controls/man_separator.h"
#include "imaging/img_thumb_aspected.h"
#include "tests/imaging/pictures.h"
#include "tests/support/files.h"
#include "tests/support/stored_properties.h"
#include "tests/support/temp_dir.h"

namespace vt::controls {
namespace {

namespace fs = std::filesystem;

constexpr ColorValue kSteel = 0x00804020;
constexpr QRgb kSteelRgb = 0xFF204080;

QFrame& PartOf(const QWidget& control, const char* name) {
  return *control.findChild<QFrame*>(QString::fromLatin1(name));
}

// The names of the properties the control reports changed.
struct Changes : test::Keys {
  explicit Changes(properties::PersistentControl& control) {
    control.SetChangeListener([this](std::string_view name) { emplace(name); });
  }
};

TEST(ManLabel, ShowsItsValuesAndTakesAStoredLLeftOnceItIsRead) {
  manLabel stored, loaded;
  auto& label = dynamic_cast<QLabel&>(PartOf(loaded, "Label10"));
  EXPECT_EQ(label.text(), QStringLiteral("Page: "));
  stored.resize(300, 20);
  stored.show();
  const Changes changed(stored);
  stored.SetText("Step 3");
  stored.SetTextAlign(2);
  stored.SetTextAlign(7);  // not an alignment: ignored
  stored.SetTextColor(0x0000FF);
  stored.SetControlColor(0x00FF0000);
  stored.SetlBackColor(0x0000FF00);
  stored.SetlBackStyle(1);
  stored.SetBackStyle(1);
  stored.SetlLeft(1440);  // an inch
  const int inch = stored.logicalDpiX();
  EXPECT_EQ(PartOf(stored, "Label10").geometry(), QRect(inch, 0, 300 - inch, 20));
  EXPECT_EQ(PartOf(stored, "Shape1").geometry(), QRect(1, 1, 298, 18));
  test::ExpectStored(stored, changed, loaded);
  EXPECT_EQ(std::pair(label.alignment(), label.palette().color(QPalette::WindowText)),
            std::pair(Qt::AlignHCenter | Qt::AlignVCenter, QColor(255, 0, 0)));
  // Opaque: the control's colour edges Shape1, which paints lBackColor.
  const QImage shown = loaded.grab().toImage();
  EXPECT_EQ(std::pair(shown.pixel(0, 0), shown.pixel(5, 10)), std::pair(0xFF0000FFu, 0xFF00FF00u));
  // A loaded lLeft waits until it is read; the opaque label fills its background.
  const int unread = label.x(), left = loaded.lLeft();
  EXPECT_EQ(std::tuple(unread, left, label.x(), loaded.autoFillBackground()),
            std::tuple(qRound(120 * loaded.logicalDpiX() / 1440.0), 1440, inch, true));
}

TEST(ManSeparator, IsALightGreyLineAcrossTheMiddleAndKeepsItsHostsFont) {
  QWidget host;
  host.setFont(QFont(QStringLiteral("Serif"), 15));
  manSeparator stored(&host), loaded(&host);
  EXPECT_EQ(loaded.Font(), host.font());
  stored.resize(120, 9);
  host.show();
  EXPECT_EQ(PartOf(stored, "Line1").geometry(), QRect(0, 4, 120, 1));
  EXPECT_EQ(PartOf(stored, "Line1").palette().color(QPalette::Window), QColor(192, 192, 192));
  const Changes changed(stored);
  stored.SetBackColor(0x00FF00FF);
  stored.SetForeColor(0x000000FF);
  stored.SetEnabled(true);
  stored.SetFont(QFont(QStringLiteral("Monospace"), 7));
  stored.SetBackStyle(1);
  stored.SetBorderStyle(1);
  stored.SetColor(0x00000080);
  test::ExpectStored(stored, changed, loaded);
  EXPECT_EQ(PartOf(loaded, "Line1").palette().color(QPalette::Window), QColor(0x80, 0, 0));
}

TEST(DirSelect, OffersFoldersUnderItsTitleAndCancellingLeavesNoPath) {
  const test::TempDir dir;
  fs::create_directory(dir / "Slides");
  QWidget host;
  DirSelect control(&host), loaded;
  const Changes changed(control);
  control.SetWindowTitle("Where are the slides?");
  int runs = 0;
  control.SetDialogRunner([&](QDialog& shown) {
    auto& dialog = dynamic_cast<QFileDialog&>(shown);
    if (runs == 0) {
      // Qt's own dialog, choosing a folder and listing folders only.
      EXPECT_EQ(std::tuple(dialog.windowTitle(), dialog.directory().absolutePath(),
                           dialog.parentWidget(), dialog.options(), dialog.fileMode()),
                std::tuple(QStringLiteral("Where are the slides?"), QStringLiteral("/"), &host,
                           QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly,
                           QFileDialog::Directory));
      dialog.setDirectory(QFile::decodeName((dir / "Slides").c_str()));
    }
    dialog.show();
    dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))
        ->button(runs++ == 0 ? QDialogButtonBox::Open : QDialogButtonBox::Cancel)
        ->click();
    return dialog.result();
  });
  EXPECT_TRUE(control.OpenWindow());
  EXPECT_EQ(control.SelectedPath(), (dir / "Slides").string());
  test::ExpectStored(control, changed, loaded);
  EXPECT_FALSE(control.OpenWindow());
  EXPECT_EQ(control.SelectedPath(), "0");
}

QImage Shown(const imaging::ImgThumbAspected& control) {
  return PartOf(control, "picThumbnail").grab().toImage();
}

std::string Picture(const test::TempDir& dir, int width, int height) {
  const fs::path file = dir / (std::to_string(width) + "x" + std::to_string(height) + ".png");
  test::WriteBytes(file, test::PictureBytes(test::Quadrants(width, height), "png"));
  return file.string();
}

TEST(ImgThumbAspected, FitsByItsOwnProportionsKeepsTheDrawingUntilThePathIsSetAgainAndIsClicked) {
  const test::TempDir dir;
  imaging::ImgThumbAspected control, loaded, fresh;
  control.ReadProperties({});  // the canvas gets the frame of its stored default
  const Changes changed(control);
  control.resize(104, 44);  // given while hidden, it already counts for the fit
  control.SetBackColor(kSteel);
  control.SetImagePath(Picture(dir, 300, 200));
  control.show();
  EXPECT_EQ(PartOf(control, "picThumbnail").geometry(), QRect(2, 2, 100, 40));
  test::ExpectQuadrantsAt(Shown(control), {0, -14, 100, 67}, 3);
  control.resize(144, 124);
  test::ExpectQuadrantsAt(Shown(control).copy(0, 0, 100, 40), {0, -14, 100, 67}, 3);
  EXPECT_EQ(Shown(control).pixel(138, 118), kSteelRgb) << "the new area shows the background";
  control.SetImagePath(Picture(dir, 480, 640));
  test::ExpectQuadrantsAt(Shown(control).copy(25, 0, 90, 120), {0, 0, 90, 120}, 3);
  EXPECT_EQ(Shown(control).pixel(24, 60), kSteelRgb);

  // An unreadable file leaves the picture before, fitted anew: a square one fills the canvas.
  control.SetImagePath(Picture(dir, 60, 60));
  control.resize(104, 104);
  control.SetImagePath((dir / "missing.png").string());
  EXPECT_EQ(QSize(control.ImageWidth(), control.ImageHeight()), QSize(60, 60));
  test::ExpectQuadrantsAt(Shown(control), {0, 0, 100, 100}, 3);
  control.SetBorder(0);
  test::ExpectStored(control, changed, loaded);
  EXPECT_EQ(PartOf(loaded, "lbl3Dborder").frameShape(), QFrame::NoFrame);
  EXPECT_EQ(PartOf(loaded, "picThumbnail").frameShape(), QFrame::Box);
  EXPECT_EQ(Shown(loaded).pixel(50, 50), kSteelRgb) << "no picture until the path is set again";

  // No path shows the empty holder, at the size of the picture before or else its own.
  control.SetImagePath("");
  EXPECT_EQ(QSize(control.ImageWidth(), control.ImageHeight()), QSize(60, 60));
  EXPECT_EQ(Shown(control).pixel(2, 50), QApplication::palette().color(QPalette::Button).rgb());
  control.SetBackColor(0x0000FF);
  EXPECT_EQ(Shown(control).pixel(50, 50), qRgb(255, 0, 0)) << "clears the canvas";
  fresh.SetImagePath("");
  EXPECT_EQ(QSize(fresh.ImageWidth(), fresh.ImageHeight()), QSize(167, 130));

  // A left click on the canvas is a click; one on the frame, another button or a drag off is not.
  QSignalSpy clicks(&control, &imaging::ImgThumbAspected::Click);
  QTest::mouseClick(&PartOf(control, "picThumbnail"), Qt::LeftButton, {}, {0, 99});
  QTest::mouseClick(&PartOf(control, "picThumbnail"), Qt::RightButton, {}, {50, 50});
  QTest::mousePress(&PartOf(control, "picThumbnail"), Qt::LeftButton, {}, {50, 50});
  QTest::mouseRelease(&PartOf(control, "picThumbnail"), Qt::LeftButton, {}, {101, 50});
  ASSERT_EQ(control.childAt(1, 1), &PartOf(control, "lbl3Dborder"));
  QTest::mouseClick(control.childAt(1, 1), Qt::LeftButton, {}, {1, 1});
  EXPECT_EQ(clicks.count(), 1);
}

}  // namespace
}  // namespace vt::controls
