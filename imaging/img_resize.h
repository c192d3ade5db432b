#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "imaging/raster_port.h"
#include "properties/property_bag.h"

namespace vt::imaging {

// A path property's value when it is not set; a destination of exactly this writes nothing.
inline constexpr std::string_view kNotSet = "0";

// The non-visual control that turns a picture file into a JPEG of the canvas size: the picture
// covers the canvas with its proportions kept (or is stretched), centred, the overflow cut off.
// Every setter stores the value and notifies the host.
class ImgResize : public properties::PersistentControl {
 public:
  // The canvas starts at its design size until ResizeWidth and ResizeHeight are set.
  static constexpr Size kDesignCanvas{146, 130};
  static constexpr std::int16_t kDefaultCompression = 100;

  explicit ImgResize(std::unique_ptr<RasterPort> raster);

  // Hands the canvas to the JPEG writer; `iCompression` is the JPEG quality, clamped to 0..100.
  void mSaveJPGFile(std::int16_t iCompression, const std::string& sFileSavePath);

  std::int32_t BackColor() const { return backColor_; }
  void SetBackColor(std::int32_t value);
  std::int32_t ForeColor() const { return foreColor_; }
  void SetForeColor(std::int32_t value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // A font's description; empty stands for the host's ambient font.
  const std::string& Font() const { return font_; }
  void SetFont(std::string value);
  std::int16_t BackStyle() const { return backStyle_; }
  void SetBackStyle(std::int16_t value);
  std::int16_t BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(std::int16_t value);

  void Refresh() {}

  // Setting either resizes the canvas at once.
  std::int16_t ResizeWidth() const { return resizeWidth_; }
  void SetResizeWidth(std::int16_t value);
  std::int16_t ResizeHeight() const { return resizeHeight_; }
  void SetResizeHeight(std::int16_t value);

  // Runs the resize once. Always false: a caller that wants to know runs Resize.
  bool DoResize();
  // Runs the resize once. Empty when the picture was drawn and written (or the destination is
  // "0"); otherwise what went wrong, for the person to read: nothing was written then.
  std::string Resize();

  std::int16_t Compression() const { return compression_; }
  void SetCompression(std::int16_t value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  const std::string& DestinationFilePath() const { return destinationFilePath_; }
  void SetDestinationFilePath(std::string value);
  const std::string& SourceFilePath() const { return sourceFilePath_; }
  void SetSourceFilePath(std::string value);

  // Reading stores ResizeWidth and ResizeHeight without resizing the canvas.
  void ReadProperties(const properties::PropertyBag& bag) override;
  void WriteProperties(properties::PropertyBag& bag) const override;

 private:
  template <typename T>
  void Set(T& member, T value, std::string_view name) {
    member = std::move(value);
    PropertyChanged(name);
  }
  std::string SaveCanvas(std::int16_t compression, const std::string& file);

  std::unique_ptr<RasterPort> raster_;
  std::string sourceFilePath_{kNotSet};
  std::string destinationFilePath_{kNotSet};
  bool stretch_ = false;
  std::int16_t compression_ = kDefaultCompression;
  std::int32_t backColor_ = 0;
  std::int32_t foreColor_ = 0;
  bool enabled_ = false;
  std::string font_;
  std::int16_t backStyle_ = 0;
  std::int16_t borderStyle_ = 0;
  std::int16_t resizeWidth_ = 0;
  std::int16_t resizeHeight_ = 0;
};

}  // namespace vt::imaging
