#include "imaging/placement.h"

#include <cmath>
#include <limits>

namespace vt::imaging {

std::optional<std::int32_t> Nearest(double value) {
  const double rounded = std::nearbyint(value);  // the default rounding: halves to even
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;  // also for NaN, which fails every comparison
  }
  return static_cast<std::int32_t>(rounded);
}

float ScaleFactor(std::int32_t numerator, std::int32_t denominator) {
  return static_cast<float>(static_cast<double>(numerator) / static_cast<double>(denominator));
}

Orientation OrientationOf(Size size) {
  if (size.height > size.width) {
    return Orientation::kTall;
  }
  return size.height < size.width ? Orientation::kWide : Orientation::kSquare;
}

namespace {

// A tall source in a tall canvas: the height is fitted when it sticks out less than the width, or
// when the source is wider but shorter than the canvas.
FitMode TallInTall(Size source, Size canvas) {
  const std::int64_t a = std::int64_t{source.height} - canvas.height;
  const std::int64_t b = std::int64_t{source.width} - canvas.width;
  const bool wider = source.width > canvas.width;
  const bool higher = source.height > canvas.height;
  const bool narrower = source.width < canvas.width;
  const bool lower = source.height < canvas.height;
  if ((a < b && wider && higher) || (wider && lower) || (a < b && narrower && lower)) {
    return FitMode::kHeight;
  }
  return FitMode::kWidth;
}

// The other side scaled by the factor of the fitted one.
std::optional<std::int32_t> ScaledHeight(Size source, Size canvas) {
  return Nearest(source.height / static_cast<double>(ScaleFactor(source.width, canvas.width)));
}

std::optional<std::int32_t> ScaledWidth(Size source, Size canvas) {
  return Nearest(source.width / static_cast<double>(ScaleFactor(source.height, canvas.height)));
}

// Centred on a canvas side: half of what is left over, which may be negative.
std::optional<std::int32_t> Centred(std::int32_t canvasSide, std::int32_t side) {
  return Nearest((static_cast<double>(canvasSide) - side) / 2.0);
}

bool HasArea(Size size) {
  return size.width > 0 && size.height > 0;
}

}  // namespace

FitMode FirstChoice(Size source, Size canvas) {
  const Orientation canvasOrientation = OrientationOf(canvas);
  if (canvasOrientation == Orientation::kSquare) {
    return FitMode::kFill;
  }
  if (canvasOrientation == Orientation::kWide) {
    return FitMode::kWidth;
  }
  return OrientationOf(source) == Orientation::kTall ? TallInTall(source, canvas)
                                                     : FitMode::kHeight;
}

std::optional<FitMode> CheckedMode(FitMode first, Size source, Size canvas) {
  if (!HasArea(source) || !HasArea(canvas)) {
    return std::nullopt;
  }
  if (first == FitMode::kWidth) {
    const std::optional<std::int32_t> h = ScaledHeight(source, canvas);
    return !h ? std::nullopt : std::optional(canvas.height > *h ? FitMode::kHeight : first);
  }
  if (first == FitMode::kHeight) {
    const std::optional<std::int32_t> w = ScaledWidth(source, canvas);
    return !w ? std::nullopt : std::optional(canvas.width > *w ? FitMode::kWidth : first);
  }
  return first;
}

std::optional<Placement> PlaceInMode(FitMode mode, Size source, Size canvas) {
  if (!HasArea(canvas)) {
    return Placement{0, 0, canvas.width, canvas.height};
  }
  if (!HasArea(source)) {
    return std::nullopt;
  }
  std::optional<std::int32_t> scaled, offset;
  switch (mode) {
    case FitMode::kWidth:
      scaled = ScaledHeight(source, canvas);
      offset = scaled ? Centred(canvas.height, *scaled) : std::nullopt;
      return scaled && offset ? std::optional(Placement{0, *offset, canvas.width, *scaled})
                              : std::nullopt;
    case FitMode::kHeight:
      scaled = ScaledWidth(source, canvas);
      offset = scaled ? Centred(canvas.width, *scaled) : std::nullopt;
      return scaled && offset ? std::optional(Placement{*offset, 0, *scaled, canvas.height})
                              : std::nullopt;
    case FitMode::kFill:
      break;
  }
  return Placement{0, 0, canvas.width, canvas.height};
}

std::optional<Placement> CoverPlacement(Size source, Size canvas, bool stretch) {
  if (!HasArea(canvas) || (stretch && HasArea(source))) {
    return Placement{0, 0, canvas.width, canvas.height};
  }
  const std::optional<FitMode> mode = CheckedMode(FirstChoice(source, canvas), source, canvas);
  return mode ? PlaceInMode(*mode, source, canvas) : std::nullopt;
}

std::optional<Placement> ThumbnailPlacement(Size picture, Size source, Size canvas) {
  if (picture.width > picture.height) {
    return PlaceInMode(FitMode::kWidth, source, canvas);
  }
  if (picture.width < picture.height) {
    return PlaceInMode(FitMode::kHeight, source, canvas);
  }
  return Placement{0, 0, canvas.width, canvas.height};
}

}  // namespace vt::imaging
