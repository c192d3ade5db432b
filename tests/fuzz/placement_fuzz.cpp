#include <cmath>
#include <cstring>

#include "imaging/placement.h"
#include "tests/fuzz/fuzz_support.h"

using namespace vt::imaging;

static bool HasArea(Size size) {
  return size.width > 0 && size.height > 0;
}

// Nothing, an empty canvas's own placement, or one side fitted, centred, proportions kept.
static void CheckPlacement(const std::optional<Placement>& placed, Size source, Size canvas) {
  const Placement whole{0, 0, canvas.width, canvas.height};
  if (!HasArea(canvas) || !placed || *placed == whole) {
    VT_FUZZ_CHECK(HasArea(canvas) || placed == whole);
    return;
  }
  const auto [x, y, width, height] = *placed;
  const double across = 1.0 * width * source.height, down = 1.0 * height * source.width;
  VT_FUZZ_CHECK(width >= 0 && height >= 0 && HasArea(source));
  VT_FUZZ_CHECK((x == 0 && width == canvas.width) || (y == 0 && height == canvas.height));
  VT_FUZZ_CHECK(std::llabs(2LL * x + width - canvas.width) <= 1 &&
                std::llabs(2LL * y + height - canvas.height) <= 1);
  VT_FUZZ_CHECK(std::fabs(across - down) <=
                0.5 * std::max(source.width, source.height) + 1e-6 * (across + down));
}

// Three sizes (source, canvas, picture) and a flags word.
VT_FUZZ_TARGET(input) {
  std::int32_t v[7] = {};
  std::memcpy(v, input.data(), std::min(input.size(), sizeof v));
  const Size source{v[0], v[1]}, canvas{v[2], v[3]}, picture{v[4], v[5]};
  const auto mode = static_cast<FitMode>(1 + ((v[6] >> 1) & 0x7fff) % 3);
  const std::optional<Placement> cover = CoverPlacement(source, canvas, (v[6] & 1) != 0);
  CheckPlacement(cover, source, canvas);
  CheckPlacement(PlaceInMode(mode, source, canvas), source, canvas);
  CheckPlacement(ThumbnailPlacement(picture, source, canvas), source, canvas);
  // Up to 2^15 pixels a side, a picture covers the canvas: the overflow is cut off, no gap left.
  const auto small = [](Size s) { return HasArea(s) && s.width <= 1 << 15 && s.height <= 1 << 15; };
  VT_FUZZ_CHECK(!small(source) || !small(canvas) ||
                (cover && cover->x <= 0 && cover->y <= 0 &&
                 cover->x + cover->width >= canvas.width &&
                 cover->y + cover->height >= canvas.height));
}
