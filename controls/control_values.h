#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <cstdint>
#include <string_view>

#include "properties/property_bag.h"

class QWidget;

namespace vt::controls {

// A colour as the controls take and save it: 0x00BBGGRR, or 0x80000000 plus the index of a system
// colour (the face of buttons, the window background, ...).
using ColorValue = std::int32_t;

inline constexpr ColorValue kBlack = 0;
inline constexpr ColorValue kWhite = 0xFFFFFF;
inline constexpr ColorValue kLightGrey = 0xC0C0C0;
inline constexpr ColorValue kButtonFace = static_cast<ColorValue>(0x8000000FU);
inline constexpr ColorValue kWindowBackground = static_cast<ColorValue>(0x80000005U);

// System colours come from the application's palette; an unknown system colour is black.
QColor ToQColor(ColorValue value);

// Gives one colour of the widget's palette.
void SetPaletteColor(QWidget& widget, QPalette::ColorRole role, ColorValue value);

// The font a control takes from its host: the parent's, or the application's without one.
QFont AmbientFont(const QWidget* host);

// Whole numbers of every width are kept in the bag's 64-bit entry.
void WriteNumber(properties::PropertyBag& bag, std::string_view key, std::int64_t value,
                 std::int64_t defaultValue);

template <typename T>
T ReadNumberAs(const properties::PropertyBag& bag, std::string_view key, T defaultValue) {
  return static_cast<T>(bag.ReadNumber(key, defaultValue));
}

// A font is kept as Qt's description of it.
QFont ReadFont(const properties::PropertyBag& bag, std::string_view key, const QFont& defaultValue);
void WriteFont(properties::PropertyBag& bag, std::string_view key, const QFont& value,
               const QFont& defaultValue);

// ForeColor, Enabled, Font and BackStyle of the controls that only keep and save them for their
// host: nothing on screen follows them.
class InertProperties : public properties::PersistentControl {
 public:
  ColorValue ForeColor() const { return foreColor_; }
  void SetForeColor(ColorValue color);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  const QFont& Font() const { return font_; }
  void SetFont(const QFont& font);
  std::int16_t BackStyle() const { return backStyle_; }
  void SetBackStyle(std::int16_t style);

 protected:
  explicit InertProperties(const QFont& ambient) : font_(ambient) {}

  void ReadInert(const properties::PropertyBag& bag, const QFont& ambient);
  void WriteInert(properties::PropertyBag& bag, const QFont& ambient) const;

 private:
  ColorValue foreColor_ = kBlack;
  bool enabled_ = false;
  QFont font_;
  std::int16_t backStyle_ = 0;
};

}  // namespace vt::controls
