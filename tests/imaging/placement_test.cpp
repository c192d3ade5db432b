#include "imaging/placement.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace vt::imaging {
namespace {

constexpr Size kFrame{280, 427};

TEST(Nearest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Nearest(-66.5), -66);
  EXPECT_EQ(Nearest(-2.5), -2);
  EXPECT_EQ(Nearest(2.5), 2);
  EXPECT_EQ(Nearest(3.5), 4);
  EXPECT_EQ(Nearest(533.749), 534);
}

TEST(CoverPlacement, WorkedExamplesOfTheProfileFrame) {
  const std::pair<Size, Placement> cases[] = {
      {{600, 1200}, {0, -66, 280, 560}},   // tall in tall, width fitted
      {{1000, 800}, {-127, 0, 534, 427}},  // wide
      {{560, 854}, {0, 0, 280, 427}},      // the frame's own proportions
      {{100, 150}, {-2, 0, 285, 427}},     // small pictures are enlarged
      {{480, 640}, {-20, 0, 320, 427}},    // the check switches to the height
      {{500, 500}, {-74, 0, 427, 427}},    // square in tall
  };
  for (const auto& [source, expected] : cases) {
    EXPECT_EQ(CoverPlacement(source, kFrame, false), expected)
        << source.width << " x " << source.height;
  }
  EXPECT_EQ(CoverPlacement({600, 1200}, kFrame, true), (Placement{0, 0, 280, 427}));
  EXPECT_EQ(CoverPlacement({640, 480}, {200, 200}, false), (Placement{0, 0, 200, 200}));
}

TEST(CoverPlacement, CoversEveryNonSquareCanvasKeepingProportions) {
  for (const Size canvas : {Size{280, 427}, Size{427, 280}, Size{64, 48}, Size{33, 100}}) {
    for (std::int32_t sw = 1; sw <= 1601; sw += 40) {
      for (std::int32_t sh = 1; sh <= 1601; sh += 37) {
        const std::optional<Placement> placed = CoverPlacement({sw, sh}, canvas, false);
        ASSERT_TRUE(placed);
        const Placement p = *placed;
        const std::string where = std::to_string(sw) + " x " + std::to_string(sh) + " into " +
                                  std::to_string(canvas.width) + " x " +
                                  std::to_string(canvas.height);
        // Covers the canvas: no gap on any side.
        ASSERT_LE(p.x, 0) << where;
        ASSERT_LE(p.y, 0) << where;
        ASSERT_GE(p.x + p.width, canvas.width) << where;
        ASSERT_GE(p.y + p.height, canvas.height) << where;
        // One side fits exactly, the other keeps the proportions to within a pixel, centred.
        ASSERT_TRUE(p.width == canvas.width || p.height == canvas.height) << where;
        ASSERT_NEAR(static_cast<double>(p.width) * sh, static_cast<double>(p.height) * sw,
                    std::max(sw, sh) * 1.0 + 1)
            << where;
        ASSERT_LE(std::abs((canvas.width - p.width) - 2 * p.x), 1) << where;
        ASSERT_LE(std::abs((canvas.height - p.height) - 2 * p.y), 1) << where;
      }
    }
  }
}

// Every side from 0 to the largest, in both directions: a placement or a refusal, and nothing the
// sanitizers would call undefined on the way.
TEST(CoverPlacement, IsDefinedForEverySide) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::int32_t sides[] = {0, 1, 2, 427, 32767, 65536, 6'000'000, kMax - 1, kMax};
  for (const Size canvas : {Size{280, 427}, Size{427, 280}, Size{200, 200}, Size{1, 1}}) {
    for (const std::int32_t sw : sides) {
      for (const std::int32_t sh : sides) {
        const std::optional<Placement> p = CoverPlacement({sw, sh}, canvas, false);
        const std::string where = std::to_string(sw) + " x " + std::to_string(sh);
        if (sw == 0 || sh == 0) {
          EXPECT_FALSE(p) << where << ": a picture without pixels is not placed";
          continue;
        }
        if (!p) {
          // Only a side scaled beyond the 32-bit range is refused.
          EXPECT_GT(std::max(static_cast<double>(sw) / sh, static_cast<double>(sh) / sw) *
                        std::max(canvas.width, canvas.height),
                    kMax / 2.0)
              << where;
          continue;
        }
        EXPECT_LE(p->x, 0) << where;
        EXPECT_LE(p->y, 0) << where;
        EXPECT_GE(std::int64_t{p->x} + p->width, canvas.width) << where;
        EXPECT_GE(std::int64_t{p->y} + p->height, canvas.height) << where;
      }
    }
  }
  EXPECT_EQ(CoverPlacement({600, 1200}, {0, 427}, false), (Placement{0, 0, 0, 427}));
  EXPECT_EQ(ThumbnailPlacement({6'000'000, 1}, {6'000'000, 1}, {100, 100}),
            (Placement{0, 50, 100, 0}));
}

TEST(ThumbnailPlacement, FollowsThePicturesOwnProportions) {
  const Size canvas{100, 100};
  EXPECT_EQ(ThumbnailPlacement({640, 480}, {640, 480}, canvas), (Placement{0, 12, 100, 75}));
  EXPECT_EQ(ThumbnailPlacement({480, 640}, {480, 640}, canvas), (Placement{12, 0, 75, 100}));
  EXPECT_EQ(ThumbnailPlacement({500, 500}, {500, 500}, canvas), (Placement{0, 0, 100, 100}));
  EXPECT_EQ(ThumbnailPlacement({10, 5}, {10, 5}, canvas), (Placement{0, 25, 100, 50}));
  EXPECT_EQ(ThumbnailPlacement({300, 200}, {300, 200}, {100, 40}), (Placement{0, -14, 100, 67}));
  EXPECT_EQ(ThumbnailPlacement({50, 50}, {50, 50}, {120, 40}), (Placement{0, 0, 120, 40}));
}

}  // namespace
}  // namespace vt::imaging
