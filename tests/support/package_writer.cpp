#include "tests/support/package_writer.h"

#include <algorithm>

#include "tests/support/files.h"

namespace vt::test {

PackageWriter::PackageWriter(std::string_view slideshowDat) : body_(slideshowDat) {
  AddElement("ssdat_size", std::to_string(slideshowDat.size()));
}

std::int64_t PackageWriter::Append(std::string_view bytes) {
  const auto start = static_cast<std::int64_t>(body_.size()) + 1;
  body_ += bytes;
  return start;
}

void PackageWriter::AddFile(std::string_view prefix, std::string_view name,
                            std::string_view bytes) {
  const std::string stem(prefix);
  const std::int64_t start = Append(bytes);
  AddElement(stem + "name", name);
  AddElement(stem + "size", std::to_string(bytes.size()));
  AddElement(stem + "start_pos", std::to_string(start));
}

void PackageWriter::AddElement(std::string_view name, std::string_view value) {
  const std::string tag(name);
  elements_.push_back("<" + tag + ">" + std::string(value) + "</" + tag + ">");
}

std::string PackageWriter::HeaderText() const {
  std::string text;
  for (const auto& element : elements_) {
    text += element;
  }
  return text;
}

std::string PackageWriter::Bytes() const {
  const std::string trailer = "<KELVARIN_SLIDESHOW>" + HeaderText() + "</KELVARIN_SLIDESHOW>";
  const std::string tail(trailerDistance_ - std::min(trailerDistance_, trailer.size()), 'z');
  const std::size_t used = body_.size() + trailer.size() + tail.size();
  const std::string filler(minimumSize_ - std::min(minimumSize_, used), '\0');
  return body_ + filler + trailer + tail;
}

void PackageWriter::Write(const std::filesystem::path& path) const {
  WriteBytes(path, Bytes());
}

}  // namespace vt::test
