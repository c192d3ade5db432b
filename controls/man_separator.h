#pragma once

#include <QWidget>
#include <cstdint>

#include "controls/control_values.h"

class QFrame;

namespace vt::controls {

// A thin line, Line1, across the control. Besides its Color it keeps values that only its host
// uses.
class manSeparator : public QWidget, public InertProperties {
  Q_OBJECT

 public:
  explicit manSeparator(QWidget* parent = nullptr);

  void Refresh() {}

  ColorValue BackColor() const { return backColor_; }
  void SetBackColor(ColorValue color);
  std::int16_t BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(std::int16_t style);
  ColorValue Color() const { return color_; }
  void SetColor(ColorValue color);

  void ReadProperties(const properties::PropertyBag& bag) override;
  void WriteProperties(properties::PropertyBag& bag) const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ApplyColor(ColorValue color);

  QFrame* line1_;
  ColorValue backColor_ = kBlack;
  std::int16_t borderStyle_ = 0;
  ColorValue color_ = kLightGrey;
};

}  // namespace vt::controls
