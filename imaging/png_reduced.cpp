#include "imaging/png_reduced.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <memory>
#include <vector>

#include "files/read.h"

namespace vt::imaging {
namespace {

constexpr int kChannels = 4;  // RGBA after libpng's transformations

// What libpng's callbacks reach: the file from its start, and the message of an error.
struct Source {
  int fd;
  std::uint64_t offset = 0;
  std::string error;
};

void ReadFromFile(png_structp png, png_bytep data, png_size_t length) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  const files::Result<std::size_t> read =
      files::ReadInto(source->fd, source->offset, reinterpret_cast<char*>(data), length);
  if (!read || *read != length) {
    png_error(png, read ? "the file ends early" : "the file cannot be read");
  }
  source->offset += length;
}

void Fail(png_structp png, png_const_charp message) {
  static_cast<Source*>(png_get_error_ptr(png))->error = message;
  png_longjmp(png, 1);
}

void Ignore(png_structp, png_const_charp) {}

// The sums of one row of blocks, premultiplied by alpha, turned into pixels.
class BlockRows {
 public:
  BlockRows(int width, int height, int factor, bool alpha)
      : factor_(factor),
        image_(width / factor, height / factor,
               alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32),
        sums_(static_cast<std::size_t>(image_.width()) * kChannels) {}

  const QImage& image() const { return image_; }

  void AddRow(const png_byte* row) {
    if (row_ / factor_ >= image_.height()) {
      return;  // the rows past the last whole block
    }
    const int width = image_.width() * factor_;
    for (int x = 0; x < width; ++x) {
      const png_byte* pixel = row + static_cast<std::ptrdiff_t>(x) * kChannels;
      const std::uint64_t a = pixel[3];
      std::uint64_t* sum = &sums_[static_cast<std::size_t>(x / factor_) * kChannels];
      sum[0] += pixel[0] * a;
      sum[1] += pixel[1] * a;
      sum[2] += pixel[2] * a;
      sum[3] += a;
    }
    if (++row_ % factor_ == 0) {
      EmitRow(row_ / factor_ - 1);
    }
  }

 private:
  void EmitRow(int y) {
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
    const auto count = static_cast<std::uint64_t>(factor_) * static_cast<std::uint64_t>(factor_);
    for (int x = 0; x < image_.width(); ++x) {
      std::uint64_t* sum = &sums_[static_cast<std::size_t>(x) * kChannels];
      const std::uint64_t divisor = count * 255;
      line[x] = qRgba(static_cast<int>((sum[0] + divisor / 2) / divisor),
                      static_cast<int>((sum[1] + divisor / 2) / divisor),
                      static_cast<int>((sum[2] + divisor / 2) / divisor),
                      static_cast<int>((sum[3] + count / 2) / count));
      sum[0] = sum[1] = sum[2] = sum[3] = 0;
    }
  }

  int factor_;
  QImage image_;
  std::vector<std::uint64_t> sums_;
  int row_ = 0;
};

// All that the decoding changes lives here, on the heap: a longjmp from libpng leaves the
// function's own variables as they were before it.
struct Decoding {
  std::vector<png_byte> row;
  std::unique_ptr<BlockRows> blocks;
};

}  // namespace

QImage DecodePngReduced(int fd, int factor, std::string& problem) {
  Source source{fd, 0, {}};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, Fail, Ignore);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  const auto decoding = std::make_unique<Decoding>();
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    problem = source.error.empty() ? "cannot be decoded" : source.error;
    return {};
  }
  png_set_read_fn(png, &source, ReadFromFile);
  png_read_info(png, info);
  if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
    png_error(png, "interlaced");
  }
  const bool alpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
                     png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  const auto width = static_cast<int>(png_get_image_width(png, info));
  const auto height = static_cast<int>(png_get_image_height(png, info));
  decoding->row.resize(png_get_rowbytes(png, info));
  decoding->blocks = std::make_unique<BlockRows>(width, height, factor, alpha);
  for (int y = 0; y < height; ++y) {
    png_read_row(png, decoding->row.data(), nullptr);
    decoding->blocks->AddRow(decoding->row.data());
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return decoding->blocks->image();
}

}  // namespace vt::imaging
