#include "imaging/picture_format.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace vt::imaging {
namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";
constexpr std::size_t kPngChunkOverhead = 12;  // length, type and CRC

constexpr std::size_t kWindowBytes = std::size_t{1} << 20;
// An EXIF block larger than this is passed over.
constexpr std::uint64_t kMaxExifBytes = std::uint64_t{1} << 20;

std::size_t CopyOut(std::string_view bytes, std::uint64_t offset, char* buffer, std::size_t size) {
  if (offset >= bytes.size()) {
    return 0;
  }
  const std::size_t count = std::min<std::size_t>(size, bytes.size() - offset);
  std::memcpy(buffer, bytes.data() + offset, count);
  return count;
}

// The file's bytes through a window that moves as they are asked for; unsigned numbers, none past
// its end.
class Bytes {
 public:
  Bytes(const ReadAt& read, std::uint64_t size) : read_(read), size_(size) {}

  std::uint64_t size() const { return size_; }

  std::optional<std::uint32_t> Byte(std::uint64_t at) {
    if (!Cover(at, 1)) {
      return std::nullopt;
    }
    return static_cast<unsigned char>(window_[static_cast<std::size_t>(at - start_)]);
  }
  // Big-endian (`big`) or little-endian numbers of `count` bytes.
  std::optional<std::uint64_t> Number(std::uint64_t at, std::size_t count, bool big) {
    if (!Cover(at, count)) {
      return std::nullopt;
    }
    const char* bytes = window_.data() + (at - start_);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      value = (value << 8) | static_cast<unsigned char>(bytes[big ? i : count - 1 - i]);
    }
    return value;
  }
  // Up to `count` bytes (a few: names and short headers).
  std::string_view Range(std::uint64_t at, std::size_t count) {
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, at < size_ ? size_ - at : 0));
    return Cover(at, count) ? std::string_view(window_.data() + (at - start_), count)
                            : std::string_view();
  }
  // The first byte of `value` from `at` on, searching what the window holds before moving it.
  std::optional<std::uint64_t> Find(std::uint64_t at, unsigned char value) {
    while (at < size_) {
      if (!(at >= start_ && at < start_ + filled_) && !Cover(at, 1)) {
        return std::nullopt;
      }
      const char* from = window_.data() + (at - start_);
      const auto span = static_cast<std::size_t>(start_ + filled_ - at);
      if (const void* found = std::memchr(from, value, span)) {
        return at + static_cast<std::uint64_t>(static_cast<const char*>(found) - from);
      }
      at += span;
    }
    return std::nullopt;
  }

 private:
  // Moves the window so that it holds [at, at + count); false past the end.
  bool Cover(std::uint64_t at, std::size_t count) {
    if (at > size_ || size_ - at < count) {
      return false;
    }
    if (at >= start_ && at + count <= start_ + filled_) {
      return true;
    }
    window_.resize(std::max(kWindowBytes, count));
    start_ = at;
    filled_ = read_(at, window_.data(), window_.size());
    return count <= filled_;
  }

  const ReadAt& read_;
  std::uint64_t size_;
  std::vector<char> window_;
  std::uint64_t start_ = 0;
  std::size_t filled_ = 0;
};

// After a scan's header: the position of the next marker, passing over the entropy-coded data, in
// which 0xFF is followed by 0x00 (a stuffed byte) or a restart marker.
std::optional<std::uint64_t> AfterEntropyData(Bytes& file, std::uint64_t at) {
  while (const std::optional<std::uint64_t> found = file.Find(at, 0xFF)) {
    const std::optional<std::uint32_t> next = file.Byte(*found + 1);
    if (!next) {
      return std::nullopt;
    }
    if (*next == 0x00 || *next == 0xFF || (*next >= 0xD0 && *next <= 0xD7)) {
      at = *found + (*next == 0xFF ? 1 : 2);
      continue;
    }
    return *found;
  }
  return std::nullopt;
}

bool JpegIsComplete(Bytes& file) {
  std::uint64_t at = 2;  // after SOI
  while (true) {
    if (file.Byte(at) != 0xFFu) {
      return false;
    }
    while (file.Byte(at + 1) == 0xFFu) {  // fill bytes
      ++at;
    }
    const std::optional<std::uint32_t> marker = file.Byte(at + 1);
    if (!marker) {
      return false;
    }
    if (*marker == 0xD9) {
      return true;  // EOI
    }
    if (*marker == 0x01 || (*marker >= 0xD0 && *marker <= 0xD7)) {
      at += 2;  // markers without a segment
      continue;
    }
    const std::optional<std::uint64_t> length = file.Number(at + 2, 2, true);
    if (!length || *length < 2) {
      return false;
    }
    at += 2 + *length;
    if (*marker == 0xDA) {  // SOS: entropy-coded data follows
      const std::optional<std::uint64_t> next = AfterEntropyData(file, at);
      if (!next) {
        return false;
      }
      at = *next;
    }
  }
}

bool PngIsComplete(Bytes& file) {
  for (std::uint64_t at = kPngSignature.size();;) {
    const std::optional<std::uint64_t> length = file.Number(at, 4, true);
    if (!length || file.size() - at < kPngChunkOverhead + *length) {
      return false;
    }
    if (file.Range(at + 4, 4) == "IEND") {
      return true;
    }
    at += kPngChunkOverhead + *length;
  }
}

// Sub-blocks of data until the empty one; the position after it.
std::optional<std::uint64_t> AfterSubBlocks(Bytes& file, std::uint64_t at) {
  while (const std::optional<std::uint32_t> size = file.Byte(at)) {
    at += 1 + *size;
    if (*size == 0) {
      return at;
    }
  }
  return std::nullopt;
}

std::size_t ColorTableBytes(std::uint32_t flags) {
  return (flags & 0x80) != 0 ? 3 * (std::size_t{2} << (flags & 0x07)) : 0;
}

bool GifIsComplete(Bytes& file) {
  const std::optional<std::uint32_t> screenFlags = file.Byte(10);
  if (!screenFlags) {
    return false;
  }
  std::uint64_t at = 13 + ColorTableBytes(*screenFlags);
  bool image = false;
  while (true) {
    const std::optional<std::uint32_t> block = file.Byte(at);
    if (!block) {
      return image && at == file.size();  // a missing trailer alone loses nothing
    }
    std::optional<std::uint64_t> next;
    if (*block == 0x3B) {
      return image;
    }
    if (*block == 0x21) {  // an extension: its label, then its sub-blocks
      next = AfterSubBlocks(file, at + 2);
    } else if (*block == 0x2C) {  // an image: descriptor, local colours, code size, data
      const std::optional<std::uint32_t> flags = file.Byte(at + 9);
      if (!flags) {
        return false;
      }
      next = AfterSubBlocks(file, at + 10 + ColorTableBytes(*flags) + 1);
      image = image || next.has_value();
    }
    if (!next) {
      return false;
    }
    at = *next;
  }
}

bool BmpIsComplete(Bytes& file) {
  const auto offset = file.Number(10, 4, false);
  const auto headerSize = file.Number(14, 4, false);
  if (!offset || !headerSize) {
    return false;
  }
  const bool core = *headerSize == 12;  // the oldest header has 16-bit sides
  const auto width = file.Number(18, core ? 2 : 4, false);
  const auto height = file.Number(core ? 20 : 22, core ? 2 : 4, false);
  const auto bits = file.Number(core ? 24 : 28, 2, false);
  const auto compression = core ? std::optional<std::uint64_t>(0) : file.Number(30, 4, false);
  const auto imageSize = core ? std::optional<std::uint64_t>(0) : file.Number(34, 4, false);
  if (!width || !height || !bits || !compression || !imageSize) {
    return false;
  }
  if (file.size() < *offset) {
    return false;
  }
  const std::uint64_t available = file.size() - *offset;
  const bool plainRows = *compression == 0 || *compression == 3 || *compression == 6;
  if (!plainRows) {
    return *imageSize <= available;  // compressed: the size the header states
  }
  // Rows run bottom-up, or top-down with a negative height.
  const auto signedHeight = static_cast<std::int64_t>(static_cast<std::int32_t>(*height));
  const std::uint64_t rows = core ? *height : static_cast<std::uint64_t>(std::llabs(signedHeight));
  const std::uint64_t rowBytes = (*width * *bits + 31) / 32 * 4;
  return rows == 0 || rowBytes <= available / rows;
}

// `count` bytes from `at`, read in pieces the window can hold.
std::string ReadWhole(Bytes& file, std::uint64_t at, std::uint64_t count) {
  std::string bytes;
  if (count > kMaxExifBytes) {
    return bytes;
  }
  while (bytes.size() < count) {
    const std::string_view piece =
        file.Range(at + bytes.size(), static_cast<std::size_t>(count - bytes.size()));
    if (piece.empty()) {
      break;
    }
    bytes += piece;
  }
  return bytes;
}

// An orientation entry (tag 0x0112, a SHORT) in IFD0 of an EXIF (TIFF) block.
int TiffOrientation(std::string_view tiff) {
  const ReadAt read = [tiff](std::uint64_t offset, char* buffer, std::size_t size) {
    return CopyOut(tiff, offset, buffer, size);
  };
  Bytes block(read, tiff.size());
  const std::string_view order = block.Range(0, 2);
  if (order != "MM" && order != "II") {
    return 1;
  }
  const bool big = order == "MM";
  const auto ifd = block.Number(4, 4, big);
  const auto count = ifd ? block.Number(*ifd, 2, big) : std::nullopt;
  for (std::uint64_t i = 0; count && i < *count; ++i) {
    const std::uint64_t entry = *ifd + 2 + 12 * i;
    if (block.Number(entry, 2, big) == 0x0112u && block.Number(entry + 2, 2, big) == 3u) {
      const auto value = block.Number(entry + 8, 2, big);
      return value && *value >= 1 && *value <= 8 ? static_cast<int>(*value) : 1;
    }
  }
  return 1;
}

}  // namespace

PictureFormat SniffFormat(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xD8")) {
    return PictureFormat::kJpeg;
  }
  if (bytes.starts_with(kPngSignature)) {
    return PictureFormat::kPng;
  }
  if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) {
    return PictureFormat::kGif;
  }
  return bytes.starts_with("BM") ? PictureFormat::kBmp : PictureFormat::kOther;
}

bool IsComplete(const ReadAt& read, std::uint64_t size) {
  Bytes file(read, size);
  switch (SniffFormat(file.Range(0, kPngSignature.size()))) {
    case PictureFormat::kJpeg:
      return JpegIsComplete(file);
    case PictureFormat::kPng:
      return PngIsComplete(file);
    case PictureFormat::kGif:
      return GifIsComplete(file);
    case PictureFormat::kBmp:
      return BmpIsComplete(file);
    case PictureFormat::kOther:
      break;
  }
  return true;
}

int PngOrientation(const ReadAt& read, std::uint64_t size) {
  Bytes file(read, size);
  if (SniffFormat(file.Range(0, kPngSignature.size())) != PictureFormat::kPng) {
    return 1;
  }
  for (std::uint64_t at = kPngSignature.size();;) {
    const std::optional<std::uint64_t> length = file.Number(at, 4, true);
    if (!length || file.size() - at < kPngChunkOverhead + *length) {
      return 1;
    }
    const std::string_view type = file.Range(at + 4, 4);
    if (type == "eXIf") {
      return TiffOrientation(ReadWhole(file, at + 8, *length));
    }
    if (type == "IDAT" || type == "IEND") {
      return 1;  // eXIf stands before the pixels
    }
    at += kPngChunkOverhead + *length;
  }
}

bool PngIsInterlaced(const ReadAt& read, std::uint64_t size) {
  constexpr std::uint64_t kInterlaceByte = 28;  // the last byte of IHDR, the first chunk
  Bytes file(read, size);
  return SniffFormat(file.Range(0, kPngSignature.size())) == PictureFormat::kPng &&
         file.Byte(kInterlaceByte).value_or(0) != 0;
}

}  // namespace vt::imaging
