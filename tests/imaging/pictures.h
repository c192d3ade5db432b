#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <filesystem>
#include <string>

#include "imaging/placement.h"

namespace vt::test {

inline constexpr QRgb kTopLeft = 0xFFE02020;      // red
inline constexpr QRgb kTopRight = 0xFF20C020;     // green
inline constexpr QRgb kBottomLeft = 0xFF2020E0;   // blue
inline constexpr QRgb kBottomRight = 0xFFE0E020;  // yellow

// A picture of four flat quadrants in the colours above.
QImage Quadrants(int width, int height);

// Writes the picture in `format` ("jpg", "png", "bmp" or "gif"; Qt writes no GIF, so that is
// encoded here), making missing parent folders. Fails the test on error.
void SavePicture(const QImage& picture, const std::filesystem::path& file,
                 const std::string& format);

// A JPEG of the picture turned a quarter to the left, with an EXIF orientation of 6 ("turn right to
// view"), so that it shows as `upright`.
void SaveTurnedJpeg(const QImage& upright, const std::filesystem::path& file);

// The picture as a file of `format` would hold it ("jpg", "png", "bmp" or "gif").
std::string PictureBytes(const QImage& picture, const std::string& format);

// A PNG of the picture stored turned, with an eXIf chunk whose orientation (1 to 8) turns it back
// to show as `upright`.
void SaveTurnedPng(const QImage& upright, const std::filesystem::path& file, int orientation);

// A PNG that claims the given sides (interlaced or not) but holds no pixels.
std::string PngHeaderOnly(std::uint32_t width, std::uint32_t height, bool interlaced = false);

// Checks that the canvas holds the quadrant picture drawn into `placement`: each visible quadrant
// is sampled at the canvas corner, in its middle, and `margin` pixels from where the four meet
// (an enlarged picture blends its quadrants over more pixels).
void ExpectQuadrantsAt(const QImage& canvas, const imaging::Placement& placement, int margin = 5);

// Each colour channel within a tolerance that JPEG keeps away from edges.
bool Near(QRgb a, QRgb b);

// Reads the file as a picture, whatever its name says; fails the test when it is not a JPEG.
QImage ReadJpeg(const std::filesystem::path& file);

// The mean absolute difference of two pictures of one size, over every colour channel.
double MeanAbsoluteDifference(const QImage& a, const QImage& b);

}  // namespace vt::test
