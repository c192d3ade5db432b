#include "tests/imaging/pictures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImageReader>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "tests/support/files.h"

namespace vt::test {
namespace {

namespace fs = std::filesystem;

std::string JpegBytes(const QImage& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(picture.save(&buffer, "JPG", 95));
  return bytes.toStdString();
}

void Put16(std::string& out, int value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

// The image data of a GIF in 9-bit LZW codes, every pixel a literal: a clear code comes often
// enough that the code width never grows, so no string table is needed.
std::string LiteralLzw(const QImage& indexed) {
  constexpr int kClear = 256, kEnd = 257, kLiteralsPerClear = 100;
  std::string data;
  std::uint32_t pending = 0;
  int pendingBits = 0;
  const auto code = [&](int value) {
    pending |= static_cast<std::uint32_t>(value) << pendingBits;
    for (pendingBits += 9; pendingBits >= 8; pendingBits -= 8, pending >>= 8) {
      data += static_cast<char>(pending & 0xFF);
    }
  };
  int literals = 0;
  code(kClear);
  for (int y = 0; y < indexed.height(); ++y) {
    for (int x = 0; x < indexed.width(); ++x, ++literals) {
      if (literals == kLiteralsPerClear) {
        code(kClear);
        literals = 0;
      }
      code(indexed.pixelIndex(x, y));
    }
  }
  code(kEnd);
  if (pendingBits > 0) {
    data += static_cast<char>(pending & 0xFF);
  }
  return data;
}

std::string GifBytes(const QImage& picture) {
  const QImage indexed =
      picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  std::string out = "GIF89a";
  Put16(out, indexed.width());
  Put16(out, indexed.height());
  out += "\xF7";                // a global table of 256 colours
  out += std::string(2, '\0');  // background, aspect
  QList<QRgb> colours = indexed.colorTable();
  colours.resize(256, qRgb(0, 0, 0));
  for (const QRgb colour : colours) {
    out += static_cast<char>(qRed(colour));
    out += static_cast<char>(qGreen(colour));
    out += static_cast<char>(qBlue(colour));
  }
  out += ',';
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, indexed.width());
  Put16(out, indexed.height());
  out += '\0';
  out += '\x08';  // minimum code size
  const std::string data = LiteralLzw(indexed);
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - at);
    out += static_cast<char>(n);
    out += data.substr(at, n);
  }
  out += '\0';
  out += ';';
  return out;
}

std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int k = 0; k < 8; ++k) {
      crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
  }
  return ~crc;
}

std::string Big32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string PngChunk(const std::string& type, const std::string& data) {
  return Big32(static_cast<std::uint32_t>(data.size())) + type + data + Big32(Crc32(type + data));
}

std::string Hex(QRgb colour) {
  return QColor(colour).name().toStdString();
}

}  // namespace

bool Near(QRgb a, QRgb b) {
  constexpr int kTolerance = 40;
  return std::abs(qRed(a) - qRed(b)) <= kTolerance &&
         std::abs(qGreen(a) - qGreen(b)) <= kTolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= kTolerance;
}

QImage Quadrants(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  QPainter painter(&picture);
  const int midX = width / 2, midY = height / 2;
  painter.fillRect(0, 0, midX, midY, QColor(kTopLeft));
  painter.fillRect(midX, 0, width - midX, midY, QColor(kTopRight));
  painter.fillRect(0, midY, midX, height - midY, QColor(kBottomLeft));
  painter.fillRect(midX, midY, width - midX, height - midY, QColor(kBottomRight));
  return picture;
}

std::string PictureBytes(const QImage& picture, const std::string& format) {
  if (format == "gif") {
    return GifBytes(picture);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(picture.save(&buffer, format.c_str(), 95)) << format;
  return bytes.toStdString();
}

void SavePicture(const QImage& picture, const fs::path& file, const std::string& format) {
  WriteBytes(file, PictureBytes(picture, format));
}

void SaveTurnedPng(const QImage& upright, const fs::path& file, int orientation) {
  // How the stored picture lies, undone by the orientation.
  const std::pair<bool, int> stored[] = {{false, 0}, {true, 0},    {false, 180}, {true, 180},
                                         {true, 90}, {false, -90}, {true, -90},  {false, 90}};
  const auto [mirrored, angle] = stored[orientation - 1];
  QImage picture = upright.transformed(QTransform().rotate(angle));
  if (mirrored) {
    picture = picture.mirrored(true, false);
  }
  const std::string png = PictureBytes(picture, "png");
  // A TIFF block with one entry: Orientation (0x0112), SHORT, the value.
  const std::string exif = std::string("MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 19) +
                           static_cast<char>(orientation) + std::string(6, '\0');
  constexpr std::size_t kAfterHeader = 8 + 25;  // the signature and the IHDR chunk
  WriteBytes(file, png.substr(0, kAfterHeader) + PngChunk("eXIf", exif) + png.substr(kAfterHeader));
}

std::string PngHeaderOnly(std::uint32_t width, std::uint32_t height, bool interlaced) {
  const std::string header = Big32(width) + Big32(height) + std::string("\x08\x02\0\0", 4) +
                             static_cast<char>(interlaced ? 1 : 0);
  return std::string("\x89PNG\r\n\x1A\n") + PngChunk("IHDR", header) + PngChunk("IDAT", "") +
         PngChunk("IEND", "");
}

void SaveTurnedJpeg(const QImage& upright, const fs::path& file) {
  // APP1 "Exif" with a big-endian TIFF header and one entry: Orientation (0x0112), SHORT, 6.
  static const unsigned char kApp1[] = {
      0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 0x2A, 0, 0, 0, 8,
      0,    1,    0x01, 0x12, 0,   3,   0,   0,   0, 1, 0,   6,   0, 0,    0, 0, 0, 0};
  const std::string jpeg = JpegBytes(upright.transformed(QTransform().rotate(-90)));
  WriteBytes(file,
             jpeg.substr(0, 2) + std::string(std::begin(kApp1), std::end(kApp1)) + jpeg.substr(2));
}

void ExpectQuadrantsAt(const QImage& canvas, const imaging::Placement& placement, int margin) {
  const double splitX = placement.x + placement.width / 2.0;
  const double splitY = placement.y + placement.height / 2.0;
  const int nearX = static_cast<int>(splitX), nearY = static_cast<int>(splitY);
  const int w = canvas.width(), h = canvas.height();
  // Per quadrant: the canvas corners, the middles, and the points near the split.
  const int xs[3][2] = {{2, w - 3}, {nearX / 2, (nearX + w) / 2}, {nearX - margin, nearX + margin}};
  const int ys[3][2] = {{2, h - 3}, {nearY / 2, (nearY + h) / 2}, {nearY - margin, nearY + margin}};
  for (int set = 0; set < 3; ++set) {
    for (const int x : xs[set]) {
      for (const int y : ys[set]) {
        const bool left = x + 0.5 < splitX, top = y + 0.5 < splitY;
        const QRgb expected =
            top ? (left ? kTopLeft : kTopRight) : (left ? kBottomLeft : kBottomRight);
        const QRgb found = canvas.pixel(x, y);
        EXPECT_TRUE(Near(found, expected))
            << "at (" << x << ", " << y << "): " << Hex(found) << " instead of " << Hex(expected);
      }
    }
  }
}

QImage ReadJpeg(const fs::path& file) {
  QImageReader reader(QString::fromStdString(file.string()));
  EXPECT_EQ(reader.format(), QByteArray("jpeg")) << file;
  return reader.read();
}

double MeanAbsoluteDifference(const QImage& a, const QImage& b) {
  EXPECT_EQ(a.size(), b.size());
  const QImage one = a.convertToFormat(QImage::Format_RGB32);
  const QImage two = b.convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  for (int y = 0; y < one.height(); ++y) {
    for (int x = 0; x < one.width(); ++x) {
      const QRgb p = one.pixel(x, y), q = two.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  }
  return sum / (3.0 * one.width() * one.height());
}

}  // namespace vt::test
