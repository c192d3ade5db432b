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

QFrame& PartOf(QWidget& control, const char* name) {
  return *control.findChild<QFrame*>(QString::fromLatin1(name));
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

TEST(ManLabel, ANewLabelShowsItsDesignAndStoresNothing) {
  manLabel label;
  EXPECT_EQ(Label10(label).text(), QStringLiteral("Page: "));
  EXPECT_TRUE(Label10(label).alignment() & Qt::AlignRight);
  EXPECT_EQ(PaletteColor(Label10(label), QPalette::WindowText), QColor(Qt::white));
  EXPECT_EQ(PaletteColor(PartOf(label, "Shape1"), QPalette::Window),
            QApplication::palette().color(QPalette::Base));
  EXPECT_FALSE(label.autoFillBackground()) << "transparent";
  PropertyBag bag;
  label.WriteProperties(bag);
  EXPECT_TRUE(bag.Entries().empty());
}

TEST(ManLabel, StoredValuesComeBackAndLLeftMovesTheLabelWhenReadOrWritten) {
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
  PropertyHost host;
  host.Add("manLabel1", stored);
  const std::map<std::string, PropertyBag> bags = host.Save();
  EXPECT_EQ(bags.at("manLabel1").Entries().size(), 8u);

  manLabel loaded;
  const int designedLeft = Label10(loaded).x();
  PropertyHost loader;
  loader.Add("manLabel1", loaded);
  loader.Load(bags);
  EXPECT_EQ(loaded.Text(), "Step 3");
  EXPECT_TRUE(Label10(loaded).alignment() & Qt::AlignHCenter);
  EXPECT_EQ(PaletteColor(Label10(loaded), QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(loaded.BackColor(), 0x00FF0000);
  EXPECT_EQ(PaletteColor(loaded, QPalette::Window), QColor(0, 0, 255));
  EXPECT_EQ(PaletteColor(PartOf(loaded, "Shape1"), QPalette::Window), QColor(0, 255, 0));
  EXPECT_TRUE(loaded.autoFillBackground()) << "opaque";
  EXPECT_EQ(loaded.BackStyle(), 1);
  EXPECT_EQ(Label10(loaded).x(), designedLeft) << "a loaded lLeft waits until it is read";
  EXPECT_EQ(loaded.lLeft(), 720);
  EXPECT_EQ(Label10(loaded).x(), loaded.logicalDpiX() / 2);
}

TEST(ManSeparator, ANewSeparatorIsALightGreyLineAndStoresNothing) {
  QWidget host;
  host.setFont(QFont(QStringLiteral("Serif"), 15));
  manSeparator separator(&host);
  EXPECT_EQ(separator.Color(), kLightGrey);
  EXPECT_EQ(PaletteColor(PartOf(separator, "Line1"), QPalette::Window), QColor(192, 192, 192));
  EXPECT_EQ(separator.Font(), host.font()) << "the host's font";
  PropertyBag bag;
  separator.WriteProperties(bag);
  EXPECT_TRUE(bag.Entries().empty());
}

TEST(ManSeparator, StoredOnlyValuesChangeNothingOnScreenButComeBack) {
  manSeparator stored;
  stored.resize(120, 9);
  stored.show();
  const QImage before = stored.grab().toImage();
  stored.SetBackColor(0x00FF00FF);
  stored.SetForeColor(0x000000FF);
  stored.SetEnabled(true);
  const QFont font(QStringLiteral("Monospace"), 7);
  stored.SetFont(font);
  stored.SetBackStyle(1);
  stored.SetBorderStyle(1);
  EXPECT_EQ(stored.grab().toImage(), before);
  stored.SetColor(0x00000080);
  EXPECT_NE(stored.grab().toImage(), before) << "Color is the line's";

  PropertyBag bag;
  stored.WriteProperties(bag);
  EXPECT_EQ(bag.Entries().size(), 7u);
  manSeparator loaded;
  loaded.ReadProperties(bag);
  EXPECT_EQ(loaded.BackColor(), 0x00FF00FF);
  EXPECT_EQ(loaded.ForeColor(), 0x000000FF);
  EXPECT_TRUE(loaded.Enabled());
  EXPECT_EQ(loaded.Font(), font);
  EXPECT_EQ(loaded.BackStyle(), 1);
  EXPECT_EQ(loaded.BorderStyle(), 1);
  EXPECT_EQ(loaded.Color(), 0x00000080);
  EXPECT_EQ(PaletteColor(PartOf(loaded, "Line1"), QPalette::Window), QColor(0x80, 0, 0));
}

}  // namespace
}  // namespace vt::controls
