#include "imaging/placement.h"

#include <cmath>

namespace vt::imaging {

std::int32_t Nearest(double value) {
  return static_cast<std::int32_t>(std::nearbyint(value));  // the default rounding: halves to even
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
  const std::int32_t a = source.height - canvas.height;
  const std::int32_t b = source.width - canvas.width;
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
std::int32_t ScaledHeight(Size source, Size canvas) {
  return Nearest(source.height / static_cast<double>(ScaleFactor(source.width, canvas.width)));
}

std::int32_t ScaledWidth(Size source, Size canvas) {
  return Nearest(source.width / static_cast<double>(ScaleFactor(source.height, canvas.height)));
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

FitMode CheckedMode(FitMode first, Size source, Size canvas) {
  if (first == FitMode::kWidth && canvas.height > ScaledHeight(source, canvas)) {
    return FitMode::kHeight;
  }
  if (first == FitMode::kHeight && canvas.width > ScaledWidth(source, canvas)) {
    return FitMode::kWidth;
  }
  return first;
}

Placement PlaceInMode(FitMode mode, Size source, Size canvas) {
  switch (mode) {
    case FitMode::kWidth: {
      const std::int32_t h = ScaledHeight(source, canvas);
      return {0, Nearest((canvas.height - h) / 2.0), canvas.width, h};
    }
    case FitMode::kHeight: {
      const std::int32_t w = ScaledWidth(source, canvas);
      return {Nearest((canvas.width - w) / 2.0), 0, w, canvas.height};
    }
    case FitMode::kFill:
      break;
  }
  return {0, 0, canvas.width, canvas.height};
}

Placement CoverPlacement(Size source, Size canvas, bool stretch) {
  if (stretch) {
    return {0, 0, canvas.width, canvas.height};
  }
  return PlaceInMode(CheckedMode(FirstChoice(source, canvas), source, canvas), source, canvas);
}

Placement ThumbnailPlacement(Size picture, Size source, Size canvas) {
  if (picture.width > picture.height) {
    return PlaceInMode(FitMode::kWidth, source, canvas);
  }
  if (picture.width < picture.height) {
    return PlaceInMode(FitMode::kHeight, source, canvas);
  }
  return {0, 0, canvas.width, canvas.height};
}

}  // namespace vt::imaging
