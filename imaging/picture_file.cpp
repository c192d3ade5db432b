#include "imaging/picture_file.h"

namespace vt::imaging {

PictureReader::PictureReader(const std::filesystem::path& file)
    : file_(files::OpenForReading(file)) {
  // The descriptor stays the file layer's: the device only reads through it.
  if (file_ && device_.open(file_->fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
    reader_.setDevice(&device_);
  }
  reader_.setAutoTransform(true);
}

QImage ReadPicture(const std::filesystem::path& file) {
  PictureReader picture(file);
  return picture.reader().read();
}

}  // namespace vt::imaging
