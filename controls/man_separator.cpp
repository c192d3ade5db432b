#include "controls/man_separator.h"

#include <QFrame>

namespace vt::controls {

manSeparator::manSeparator(QWidget* parent)
    : QWidget(parent), InertProperties(AmbientFont(parent)), line1_(new QFrame(this)) {
  line1_->setObjectName(QStringLiteral("Line1"));
  line1_->setAutoFillBackground(true);
  ApplyColor(color_);
}

void manSeparator::SetBackColor(ColorValue color) {
  backColor_ = color;
  PropertyChanged("BackColor");
}

void manSeparator::SetBorderStyle(std::int16_t style) {
  borderStyle_ = style;
  PropertyChanged("BorderStyle");
}

void manSeparator::SetColor(ColorValue color) {
  ApplyColor(color);
  PropertyChanged("Color");
}

void manSeparator::ReadProperties(const properties::PropertyBag& bag) {
  ReadInert(bag, AmbientFont(parentWidget()));
  backColor_ = ReadNumberAs(bag, "BackColor", kBlack);
  borderStyle_ = ReadNumberAs<std::int16_t>(bag, "BorderStyle", 0);
  ApplyColor(ReadNumberAs(bag, "Color", kLightGrey));
}

void manSeparator::WriteProperties(properties::PropertyBag& bag) const {
  WriteInert(bag, AmbientFont(parentWidget()));
  WriteNumber(bag, "BackColor", backColor_, kBlack);
  WriteNumber(bag, "BorderStyle", borderStyle_, 0);
  WriteNumber(bag, "Color", color_, kLightGrey);
}

// One pixel high across the middle of the control.
void manSeparator::resizeEvent(QResizeEvent* /*event*/) {
  line1_->setGeometry(0, height() / 2, width(), 1);
}

void manSeparator::ApplyColor(ColorValue color) {
  color_ = color;
  SetPaletteColor(*line1_, QPalette::Window, color);
}

}  // namespace vt::controls
