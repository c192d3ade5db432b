#pragma once

#include <cstdint>
#include <optional>

namespace vt::imaging {

// Whole-pixel sizes and positions.
struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Where a whole picture is drawn on a canvas, scaled to width x height with its top-left corner at
// (x, y); parts outside the canvas are cut off.
struct Placement {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const Placement&, const Placement&) = default;
};

// The nearest whole number, halves going to the even neighbour (-66.5 gives -66, 2.5 gives 2);
// nothing for a value beyond the 32-bit range or not a number.
std::optional<std::int32_t> Nearest(double value);

// A scale factor: one division whose quotient is kept as a 32-bit float. The denominator is more
// than 0.
float ScaleFactor(std::int32_t numerator, std::int32_t denominator);

enum class Orientation { kTall = 1, kWide = 2, kSquare = 3 };
Orientation OrientationOf(Size size);

// 1: fit to the canvas width, 2: fit to the canvas height, 3: fill the canvas exactly.
enum class FitMode { kWidth = 1, kHeight = 2, kFill = 3 };

// The mode tried first, from the orientations of source and canvas (a tall source in a tall canvas
// by the comparison of how far each side sticks out).
FitMode FirstChoice(Size source, Size canvas);

// Every function below answers for any sides: nothing where a picture cannot be placed (a side of
// 0 or less, or a computed size or position beyond the 32-bit range); a canvas with a side of 0
// or less gets the empty placement of its own size, which draws nothing.

// The first choice checked once: a fit that would leave a gap along the other axis switches to the
// other axis, which is not checked again.
std::optional<FitMode> CheckedMode(FitMode first, Size source, Size canvas);

// The placement of a mode: the fitted side equals the canvas, the other is scaled by the same
// factor and centred.
std::optional<Placement> PlaceInMode(FitMode mode, Size source, Size canvas);

// The profile photo's rule: without stretch, a picture covering a non-square canvas with its
// proportions kept, centred, the overflow cut off; a square canvas or stretch is filled exactly.
std::optional<Placement> CoverPlacement(Size source, Size canvas, bool stretch);

// The thumbnail's rule: the mode follows the picture's own proportions only (wider than tall: fit
// to the width; taller: the height; square: fill), with no check. `picture` is the size compared,
// `source` the size drawn.
std::optional<Placement> ThumbnailPlacement(Size picture, Size source, Size canvas);

}  // namespace vt::imaging
