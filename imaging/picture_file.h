#pragma once

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <filesystem>

#include "files/read.h"

namespace vt::imaging {

// Qt's image reader on a picture opened through the file layer: exactly the named file (Qt would
// try added extensions on a name), regular files only, never waiting on a FIFO. It turns pictures
// upright as their EXIF orientation says.
class PictureReader {
 public:
  explicit PictureReader(const std::filesystem::path& file);
  PictureReader(const PictureReader&) = delete;
  PictureReader& operator=(const PictureReader&) = delete;

  QImageReader& reader() { return reader_; }

 private:
  files::Result<files::OpenFile> file_;
  QFile device_;
  QImageReader reader_;
};

// The whole picture, upright; a null image when it cannot be read.
QImage ReadPicture(const std::filesystem::path& file);

}  // namespace vt::imaging
