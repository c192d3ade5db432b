#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vt::test {

// Lays out a slideshow package the way the reader expects one: slideshow.dat from the first byte,
// the members after it, then the trailer. The header elements are a list that tests may reorder,
// duplicate or replace, or add any other text to; each is written as it stands.
class PackageWriter {
 public:
  // Starts the body with slideshow.dat and the header with its <ssdat_size>.
  explicit PackageWriter(std::string_view slideshowDat);
  // Appends the data to the body, and the elements prefix + "name", "size" and "start_pos".
  void AddFile(std::string_view prefix, std::string_view name, std::string_view data);
  // "<name>value</name>" as the next element.
  void AddElement(std::string_view name, std::string_view value);
  std::vector<std::string>& elements() { return elements_; }
  // Filler before the trailer brings the package to at least this size (1001 unless set, the
  // smallest package).
  void SetMinimumSize(std::size_t size) { minimumSize_ = size; }

  std::string HeaderText() const;
  void Write(const std::filesystem::path& path) const;

 private:
  std::string body_;
  std::vector<std::string> elements_;
  std::size_t minimumSize_ = 1001;
};

}  // namespace vt::test
