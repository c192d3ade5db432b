#include "controls/man_label.h"

#include <QFrame>
#include <QLabel>
#include <algorithm>
#include <array>

namespace vt::controls {
namespace {

constexpr std::string_view kDefaultText = "Page: ";
constexpr std::int16_t kRight = 1;
// Label10 sits this far in from the left edge until lLeft is read or written.
constexpr std::int32_t kDesignedLeftTwips = 120;
constexpr double kTwipsPerInch = 1440.0;

constexpr std::array<Qt::AlignmentFlag, 3> kAlignments = {Qt::AlignLeft, Qt::AlignRight,
                                                          Qt::AlignHCenter};

}  // namespace

manLabel::manLabel(QWidget* parent)
    : QWidget(parent), shape1_(new QFrame(this)), label10_(new QLabel(this)) {
  shape1_->setObjectName(QStringLiteral("Shape1"));
  shape1_->setAutoFillBackground(true);
  label10_->setObjectName(QStringLiteral("Label10"));
  label10_->setTextFormat(Qt::PlainText);
  label10_->setText(
      QString::fromUtf8(kDefaultText.data(), static_cast<qsizetype>(kDefaultText.size())));
  ApplyTextAlign(textAlign_);
  ApplyTextColor(textColor_);
  ApplyControlColor(controlColor_);
  ApplylBackColor(lBackColor_);
  ApplylBackStyle(lBackStyle_);
  MoveLabel(ToPixels(kDesignedLeftTwips));
}

std::string manLabel::Text() const {
  return label10_->text().toStdString();
}

void manLabel::SetText(const std::string& text) {
  label10_->setText(QString::fromStdString(text));
  PropertyChanged("Text");
}

void manLabel::SetTextAlign(std::int16_t align) {
  if (ApplyTextAlign(align)) {
    PropertyChanged("TextAlign");
  }
}

void manLabel::SetTextColor(ColorValue color) {
  ApplyTextColor(color);
  PropertyChanged("TextColor");
}

void manLabel::SetControlColor(ColorValue color) {
  ApplyControlColor(color);
  PropertyChanged("ControlColor");
}

void manLabel::SetlBackColor(ColorValue color) {
  ApplylBackColor(color);
  PropertyChanged("lBackColor");
}

void manLabel::SetlBackStyle(std::int16_t style) {
  ApplylBackStyle(style);
  PropertyChanged("lBackStyle");
}

void manLabel::SetBackStyle(std::int16_t style) {
  backStyle_ = style;
  PropertyChanged("BackStyle");
}

std::int32_t manLabel::lLeft() {
  MoveLabel(ToPixels(lLeft_));
  return lLeft_;
}

void manLabel::SetlLeft(std::int32_t left) {
  lLeft_ = left;
  lLeft();
  PropertyChanged("lLeft");
}

void manLabel::ReadProperties(const properties::PropertyBag& bag) {
  label10_->setText(QString::fromStdString(bag.ReadText("Text", kDefaultText)));
  ApplyTextAlign(ReadNumberAs(bag, "TextAlign", kRight));
  ApplyTextColor(ReadNumberAs(bag, "TextColor", kWhite));
  ApplyControlColor(ReadNumberAs(bag, "ControlColor", kButtonFace));
  ApplylBackColor(ReadNumberAs(bag, "lBackColor", kWindowBackground));
  ApplylBackStyle(ReadNumberAs<std::int16_t>(bag, "lBackStyle", 0));
  backStyle_ = ReadNumberAs<std::int16_t>(bag, "BackStyle", 0);
  lLeft_ = ReadNumberAs<std::int32_t>(bag, "lLeft", 0);
}

void manLabel::WriteProperties(properties::PropertyBag& bag) const {
  bag.Write("Text", label10_->text().toStdString(), kDefaultText);
  WriteNumber(bag, "TextAlign", textAlign_, kRight);
  WriteNumber(bag, "TextColor", textColor_, kWhite);
  WriteNumber(bag, "ControlColor", controlColor_, kButtonFace);
  WriteNumber(bag, "lBackColor", lBackColor_, kWindowBackground);
  WriteNumber(bag, "lBackStyle", lBackStyle_, 0);
  WriteNumber(bag, "BackStyle", backStyle_, 0);
  WriteNumber(bag, "lLeft", lLeft_, 0);
}

void manLabel::resizeEvent(QResizeEvent* /*event*/) {
  shape1_->setGeometry(rect().adjusted(1, 1, -1, -1));  // the control's own colour edges it
  MoveLabel(label10_->x());
}

bool manLabel::ApplyTextAlign(std::int16_t align) {
  if (align < 0 || static_cast<std::size_t>(align) >= kAlignments.size()) {
    return false;
  }
  textAlign_ = align;
  label10_->setAlignment(kAlignments[static_cast<std::size_t>(align)] | Qt::AlignVCenter);
  return true;
}

void manLabel::ApplyTextColor(ColorValue color) {
  textColor_ = color;
  SetPaletteColor(*label10_, QPalette::WindowText, color);
}

void manLabel::ApplyControlColor(ColorValue color) {
  controlColor_ = color;
  SetPaletteColor(*this, QPalette::Window, color);
}

void manLabel::ApplylBackColor(ColorValue color) {
  lBackColor_ = color;
  SetPaletteColor(*shape1_, QPalette::Window, color);
}

void manLabel::ApplylBackStyle(std::int16_t style) {
  lBackStyle_ = style;
  setAutoFillBackground(style == 1);
}

int manLabel::ToPixels(std::int32_t twips) const {
  return qRound(twips * logicalDpiX() / kTwipsPerInch);
}

// The label runs from its left edge to the control's right edge.
void manLabel::MoveLabel(int x) {
  label10_->setGeometry(x, 0, std::max(width() - x, 0), height());
}

}  // namespace vt::controls
