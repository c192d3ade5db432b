#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "controls/control_values.h"

class QFrame;
class QLabel;

namespace vt::controls {

// A coloured strip with a caption: the filled rectangle Shape1 across the control and the label
// Label10 near its left edge.
class manLabel : public QWidget, public properties::PersistentControl {
  Q_OBJECT

 public:
  explicit manLabel(QWidget* parent = nullptr);

  std::string Text() const;
  void SetText(const std::string& text);
  // 0 left, 1 right, 2 centre; other values are not taken.
  std::int16_t TextAlign() const { return textAlign_; }
  void SetTextAlign(std::int16_t align);
  ColorValue TextColor() const { return textColor_; }
  void SetTextColor(ColorValue color);
  ColorValue BackColor() const { return controlColor_; }
  ColorValue ControlColor() const { return controlColor_; }
  void SetControlColor(ColorValue color);
  ColorValue lBackColor() const { return lBackColor_; }
  void SetlBackColor(ColorValue color);
  // The control's own background: 0 transparent, 1 opaque.
  std::int16_t lBackStyle() const { return lBackStyle_; }
  void SetlBackStyle(std::int16_t style);
  std::int16_t BackStyle() const { return backStyle_; }
  void SetBackStyle(std::int16_t style);
  // Label10's left edge in twips. Reading moves the label there too: a loaded position is only
  // taken once it is read or written.
  std::int32_t lLeft();
  void SetlLeft(std::int32_t left);

  void ReadProperties(const properties::PropertyBag& bag) override;
  void WriteProperties(properties::PropertyBag& bag) const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool ApplyTextAlign(std::int16_t align);
  void ApplyTextColor(ColorValue color);
  void ApplyControlColor(ColorValue color);
  void ApplylBackColor(ColorValue color);
  void ApplylBackStyle(std::int16_t style);
  int ToPixels(std::int32_t twips) const;
  void MoveLabel(int x);

  QFrame* shape1_;
  QLabel* label10_;
  std::int16_t textAlign_ = 1;
  ColorValue textColor_ = kWhite;
  ColorValue controlColor_ = kButtonFace;
  ColorValue lBackColor_ = kWindowBackground;
  std::int16_t lBackStyle_ = 0;
  std::int16_t backStyle_ = 0;
  std::int32_t lLeft_ = 0;
};

}  // namespace vt::controls
