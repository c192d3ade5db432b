#include "imaging/img_resize.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace vt::imaging {
namespace {

constexpr int kBestQuality = 100;

std::int16_t ToInt16(std::int64_t value) {
  return static_cast<std::int16_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

std::int32_t ToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// A negative size makes an empty canvas.
std::int32_t CanvasSide(std::int16_t value) {
  return std::max<std::int32_t>(value, 0);
}

Size SizeOf(const Placement& placement) {
  return {placement.width, placement.height};
}

std::string Sides(Size size) {
  return std::to_string(size.width) + " x " + std::to_string(size.height) + " pixels";
}

}  // namespace

ImgResize::ImgResize(std::unique_ptr<RasterPort> raster) : raster_(std::move(raster)) {
  raster_->ResizeCanvas(kDesignCanvas);
}

void ImgResize::mSaveJPGFile(std::int16_t iCompression, const std::string& sFileSavePath) {
  SaveCanvas(iCompression, sFileSavePath);
}

std::string ImgResize::SaveCanvas(std::int16_t compression, const std::string& file) {
  return raster_->SaveCanvasAsJpeg(file, std::clamp<int>(compression, 0, kBestQuality));
}

void ImgResize::SetBackColor(std::int32_t value) {
  Set(backColor_, value, "BackColor");
}

void ImgResize::SetForeColor(std::int32_t value) {
  Set(foreColor_, value, "ForeColor");
}

void ImgResize::SetEnabled(bool value) {
  Set(enabled_, value, "Enabled");
}

void ImgResize::SetFont(std::string value) {
  Set(font_, std::move(value), "Font");
}

void ImgResize::SetBackStyle(std::int16_t value) {
  Set(backStyle_, value, "BackStyle");
}

void ImgResize::SetBorderStyle(std::int16_t value) {
  Set(borderStyle_, value, "BorderStyle");
}

void ImgResize::SetResizeWidth(std::int16_t value) {
  Set(resizeWidth_, value, "ResizeWidth");
  raster_->ResizeCanvas({CanvasSide(value), raster_->CanvasSize().height});
}

void ImgResize::SetResizeHeight(std::int16_t value) {
  Set(resizeHeight_, value, "ResizeHeight");
  raster_->ResizeCanvas({raster_->CanvasSize().width, CanvasSide(value)});
}

bool ImgResize::DoResize() {
  Resize();
  return false;
}

void ImgResize::SetCompression(std::int16_t value) {
  Set(compression_, value, "Compression");
}

void ImgResize::SetStretch(bool value) {
  Set(stretch_, value, "Stretch");
}

void ImgResize::SetDestinationFilePath(std::string value) {
  Set(destinationFilePath_, std::move(value), "DestinationFilePath");
}

void ImgResize::SetSourceFilePath(std::string value) {
  Set(sourceFilePath_, std::move(value), "SourceFilePath");
}

std::string ImgResize::Resize() {
  const Size canvas = raster_->CanvasSize();
  const auto placementOf = [&](Size source) { return CoverPlacement(source, canvas, stretch_); };
  const SourceLoad source = raster_->LoadSource(sourceFilePath_, [&](Size natural) {
    const std::optional<Placement> placement = placementOf(natural);
    return placement ? SizeOf(*placement) : natural;
  });
  if (!source.natural) {
    return source.problem;  // nothing drawn and nothing written: an earlier photo stays as it was
  }
  const std::optional<Placement> placement = placementOf(*source.natural);
  if (!placement) {
    return sourceFilePath_ + " cannot be placed: " + Sides(*source.natural) + " into " +
           Sides(canvas);
  }
  raster_->DrawSource(*placement);
  return destinationFilePath_ == kNotSet ? std::string()
                                         : SaveCanvas(compression_, destinationFilePath_);
}

void ImgResize::ReadProperties(const properties::PropertyBag& bag) {
  sourceFilePath_ = bag.ReadText("SourceFilePath", kNotSet);
  destinationFilePath_ = bag.ReadText("DestinationFilePath", kNotSet);
  resizeWidth_ = ToInt16(bag.ReadNumber("ResizeWidth", 0));
  resizeHeight_ = ToInt16(bag.ReadNumber("ResizeHeight", 0));
  compression_ = ToInt16(bag.ReadNumber("Compression", kDefaultCompression));
  stretch_ = bag.ReadBool("Stretch", false);
  backColor_ = ToInt32(bag.ReadNumber("BackColor", 0));
  foreColor_ = ToInt32(bag.ReadNumber("ForeColor", 0));
  enabled_ = bag.ReadBool("Enabled", false);
  font_ = bag.ReadText("Font", "");
  backStyle_ = ToInt16(bag.ReadNumber("BackStyle", 0));
  borderStyle_ = ToInt16(bag.ReadNumber("BorderStyle", 0));
}

void ImgResize::WriteProperties(properties::PropertyBag& bag) const {
  bag.Write("SourceFilePath", sourceFilePath_, kNotSet);
  bag.Write("DestinationFilePath", destinationFilePath_, kNotSet);
  bag.Write("ResizeWidth", std::int64_t{resizeWidth_}, 0);
  bag.Write("ResizeHeight", std::int64_t{resizeHeight_}, 0);
  bag.Write("Compression", std::int64_t{compression_}, kDefaultCompression);
  bag.Write("Stretch", stretch_, false);
  bag.Write("BackColor", std::int64_t{backColor_}, 0);
  bag.Write("ForeColor", std::int64_t{foreColor_}, 0);
  bag.Write("Enabled", enabled_, false);
  bag.Write("Font", font_, "");
  bag.Write("BackStyle", std::int64_t{backStyle_}, 0);
  bag.Write("BorderStyle", std::int64_t{borderStyle_}, 0);
}

}  // namespace vt::imaging
