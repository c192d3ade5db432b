#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <map>
#include <string>

#include "controls/control_values.h"
#include "controls/man_label.h"
#include "controls/man_separator.h"

namespace vt::controls {
namespace {

QColor PaletteColor(const QWidget& widget, QPalette::ColorRole role) {
  return widget.palette().color(role);
}

QLabel& Label10(manLabel& label) {
  return *label.findChild<QLabel*>(QStringLiteral("Label10"));
}

QColor WindowColorOf(QWidget& control, const char* part) {
  return PaletteColor(*control.findChild<QFrame*>(QString::fromLatin1(part)), QPalette::Window);
}

// A new control stores nothing; `stored` keeps `count` values, which come back in `loaded`.
template <typename Control>
void ExpectNothingStoredWhenNewAndARoundTrip(const Control& stored, std::size_t count,
                                             Control& loaded) {
  properties::PropertyBag none;
  loaded.WriteProperties(none);
  EXPECT_TRUE(none.Entries().empty());
  properties::PropertyBag bag;
  stored.WriteProperties(bag);
  EXPECT_EQ(bag.Entries().size(), count);
  loaded.ReadProperties(bag);
  properties::PropertyBag again;
  loaded.WriteProperties(again);
  EXPECT_EQ(again.Entries(), bag.Entries());
}

TEST(ColorValue, IsBlueGreenRedOrASystemColour) {
  EXPECT_EQ(ToQColor(0x00804020), QColor(0x20, 0x40, 0x80));
  EXPECT_EQ(ToQColor(kWhite), QColor(Qt::white));
  EXPECT_EQ(ToQColor(kButtonFace), QApplication::palette().color(QPalette::Button));
  EXPECT_EQ(ToQColor(kWindowBackground), QApplication::palette().color(QPalette::Base));
  EXPECT_EQ(ToQColor(static_cast<ColorValue>(0x80000012U)),
            QApplication::palette().color(QPalette::ButtonText));
  EXPECT_EQ(ToQColor(static_cast<ColorValue>(0x80000099U)), QColor(Qt::black));
}

TEST(ManLabel, ShowsItsDesignAndStoredValuesComeBackWithLLeftMovingTheLabelWhenReadOrWritten) {
  manLabel loaded;
  EXPECT_EQ(Label10(loaded).text(), QStringLiteral("Page: "));
  EXPECT_TRUE(Label10(loaded).alignment() & Qt::AlignRight);
  EXPECT_EQ(PaletteColor(Label10(loaded), QPalette::WindowText), QColor(Qt::white));
  EXPECT_EQ(WindowColorOf(loaded, "Shape1"), QApplication::palette().color(QPalette::Base));
  EXPECT_FALSE(loaded.autoFillBackground()) << "transparent";
  const int designedLeft = Label10(loaded).x();

  manLabel stored;
  stored.resize(300, 20);
  stored.SetText("Step 3");
  stored.SetTextAlign(2);
  stored.SetTextAlign(7);  // not an alignment: ignored
  stored.SetTextColor(0x0000FF);
  stored.SetControlColor(0x00FF0000);
  stored.SetlBackColor(0x0000FF00);
  stored.SetlBackStyle(1);
  stored.SetBackStyle(1);
  stored.SetlLeft(1440);  // one inch
  EXPECT_EQ(Label10(stored).x(), stored.logicalDpiX());
  EXPECT_EQ(Label10(stored).width(), 300 - stored.logicalDpiX()) << "up to the right edge";
  stored.SetlLeft(720);

  ExpectNothingStoredWhenNewAndARoundTrip(stored, 8, loaded);
  EXPECT_EQ(loaded.Text(), "Step 3");
  EXPECT_TRUE(Label10(loaded).alignment() & Qt::AlignHCenter);
  EXPECT_EQ(PaletteColor(Label10(loaded), QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(PaletteColor(loaded, QPalette::Window), QColor(0, 0, 255));
  EXPECT_EQ(WindowColorOf(loaded, "Shape1"), QColor(0, 255, 0));
  EXPECT_TRUE(loaded.autoFillBackground()) << "opaque";
  EXPECT_EQ(Label10(loaded).x(), designedLeft) << "a loaded lLeft waits until it is read";
  EXPECT_EQ(loaded.lLeft(), 720);
  EXPECT_EQ(Label10(loaded).x(), loaded.logicalDpiX() / 2);
}

TEST(ManSeparator, IsALightGreyLineWhoseStoredOnlyValuesChangeNothingOnScreenButComeBack) {
  QWidget host;
  host.setFont(QFont(QStringLiteral("Serif"), 15));
  manSeparator loaded(&host);
  EXPECT_EQ(loaded.Color(), kLightGrey);
  EXPECT_EQ(WindowColorOf(loaded, "Line1"), QColor(192, 192, 192));
  EXPECT_EQ(loaded.Font(), host.font()) << "the host's font";

  manSeparator stored;
  stored.resize(120, 9);
  stored.show();
  const QImage before = stored.grab().toImage();
  stored.SetBackColor(0x00FF00FF);
  stored.SetForeColor(0x000000FF);
  stored.SetEnabled(true);
  stored.SetFont(QFont(QStringLiteral("Monospace"), 7));
  stored.SetBackStyle(1);
  stored.SetBorderStyle(1);
  EXPECT_EQ(stored.grab().toImage(), before);
  stored.SetColor(0x00000080);
  EXPECT_NE(stored.grab().toImage(), before) << "Color is the line's";

  ExpectNothingStoredWhenNewAndARoundTrip(stored, 7, loaded);
  EXPECT_EQ(loaded.Font(), stored.Font());
  EXPECT_EQ(loaded.BackColor(), 0x00FF00FF);
  EXPECT_EQ(WindowColorOf(loaded, "Line1"), QColor(0x80, 0, 0));
}

}  // namespace
}  // namespace vt::controls
