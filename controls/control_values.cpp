#include "controls/control_values.h"

#include <QApplication>
#include <QWidget>
#include <array>
#include <string>

namespace vt::controls {
namespace {

constexpr std::uint32_t kSystemColorFlag = 0x80000000U;

// The system colours by index, each taken from the palette role with the same purpose.
constexpr std::array<QPalette::ColorRole, 25> kSystemColorRoles = {
    QPalette::Button,           // scroll bar
    QPalette::Dark,             // desktop
    QPalette::Highlight,        // active caption
    QPalette::Mid,              // inactive caption
    QPalette::Window,           // menu
    QPalette::Base,             // window background
    QPalette::Shadow,           // window frame
    QPalette::WindowText,       // menu text
    QPalette::Text,             // window text
    QPalette::HighlightedText,  // caption text
    QPalette::Window,           // active border
    QPalette::Window,           // inactive border
    QPalette::Dark,             // application workspace
    QPalette::Highlight,        // highlight
    QPalette::HighlightedText,  // highlighted text
    QPalette::Button,           // button face
    QPalette::Dark,             // button shadow
    QPalette::PlaceholderText,  // grey text
    QPalette::ButtonText,       // button text
    QPalette::WindowText,       // inactive caption text
    QPalette::Light,            // button highlight
    QPalette::Shadow,           // 3D dark shadow
    QPalette::Midlight,         // 3D light
    QPalette::ToolTipText,      // tooltip text
    QPalette::ToolTipBase,      // tooltip background
};

}  // namespace

QColor ToQColor(ColorValue value) {
  const auto bits = static_cast<std::uint32_t>(value);
  if ((bits & kSystemColorFlag) != 0) {
    const std::uint32_t index = bits & 0x00FFFFFFU;
    return index < kSystemColorRoles.size()
               ? QApplication::palette().color(kSystemColorRoles[index])
               : QColor(Qt::black);
  }
  return QColor(static_cast<int>(bits & 0xFFU), static_cast<int>((bits >> 8) & 0xFFU),
                static_cast<int>((bits >> 16) & 0xFFU));
}

void SetPaletteColor(QWidget& widget, QPalette::ColorRole role, ColorValue value) {
  QPalette palette = widget.palette();
  palette.setColor(role, ToQColor(value));
  widget.setPalette(palette);
}

QFont AmbientFont(const QWidget* host) {
  return host != nullptr ? host->font() : QApplication::font();
}

void WriteNumber(properties::PropertyBag& bag, std::string_view key, std::int64_t value,
                 std::int64_t defaultValue) {
  bag.Write(key, value, defaultValue);
}

QFont ReadFont(const properties::PropertyBag& bag, std::string_view key,
               const QFont& defaultValue) {
  QFont font = defaultValue;
  const std::string stored = bag.ReadText(key, defaultValue.toString().toStdString());
  font.fromString(QString::fromStdString(stored));
  return font;
}

void WriteFont(properties::PropertyBag& bag, std::string_view key, const QFont& value,
               const QFont& defaultValue) {
  bag.Write(key, value.toString().toStdString(), defaultValue.toString().toStdString());
}

void InertProperties::SetForeColor(ColorValue color) {
  foreColor_ = color;
  PropertyChanged("ForeColor");
}

void InertProperties::SetEnabled(bool enabled) {
  enabled_ = enabled;
  PropertyChanged("Enabled");
}

void InertProperties::SetFont(const QFont& font) {
  font_ = font;
  PropertyChanged("Font");
}

void InertProperties::SetBackStyle(std::int16_t style) {
  backStyle_ = style;
  PropertyChanged("BackStyle");
}

void InertProperties::ReadInert(const properties::PropertyBag& bag, const QFont& ambient) {
  foreColor_ = ReadNumberAs(bag, "ForeColor", kBlack);
  enabled_ = bag.ReadBool("Enabled", false);
  font_ = ReadFont(bag, "Font", ambient);
  backStyle_ = ReadNumberAs<std::int16_t>(bag, "BackStyle", 0);
}

void InertProperties::WriteInert(properties::PropertyBag& bag, const QFont& ambient) const {
  WriteNumber(bag, "ForeColor", foreColor_, kBlack);
  bag.Write("Enabled", enabled_, false);
  WriteFont(bag, "Font", font_, ambient);
  WriteNumber(bag, "BackStyle", backStyle_, 0);
}

}  // namespace vt::controls
