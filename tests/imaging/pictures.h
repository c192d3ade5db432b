#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <string>

#include "imaging/placement.h"

namespace vt::test {

inline constexpr QRgb kQuadrants[2][2] = {{0xFFE02020, 0xFF20C020}, {0xFF2020E0, 0xFFE0E020}};

// Four flat quadrants: red, green above blue, yellow.
inline QImage Quadrants(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(kQuadrants[1][1]);
  QPainter painter(&picture);
  painter.fillRect(0, 0, width / 2, height / 2, QColor(kQuadrants[0][0]));
  painter.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(kQuadrants[0][1]));
  painter.fillRect(0, height / 2, width / 2, height - height / 2, QColor(kQuadrants[1][0]));
  return picture;
}

// The picture as a file of `format` ("jpg", "png", "bmp") holds it.
inline std::string PictureBytes(const QImage& picture, const std::string& format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(picture.save(&buffer, format.c_str(), format == "jpg" ? 95 : -1)) << format;
  return bytes.toStdString();
}

// Each colour channel within what JPEG keeps away from edges.
inline bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= 40 && std::abs(qGreen(a) - qGreen(b)) <= 40 &&
         std::abs(qBlue(a) - qBlue(b)) <= 40;
}

// The canvas shows the quadrants drawn into `placement`, sampled at the canvas corners and
// `margin` pixels either side of where the quadrants meet (enlarging blends over more pixels).
inline void ExpectQuadrantsAt(const QImage& canvas, const imaging::Placement& placement,
                              int margin = 5) {
  const double splitX = placement.x + placement.width / 2.0;
  const double splitY = placement.y + placement.height / 2.0;
  const int nearX = static_cast<int>(splitX), nearY = static_cast<int>(splitY);
  for (const int x : {2, nearX - margin, nearX + margin, canvas.width() - 3}) {
    for (const int y : {2, nearY - margin, nearY + margin, canvas.height() - 3}) {
      const QRgb expected = kQuadrants[y + 0.5 < splitY ? 0 : 1][x + 0.5 < splitX ? 0 : 1];
      EXPECT_TRUE(Near(canvas.pixel(x, y), expected)) << "at " << x << ", " << y;
    }
  }
}

}  // namespace vt::test
