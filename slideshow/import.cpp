#include "slideshow/import.h"

#include <algorithm>
#include <system_error>

namespace vt::slideshow {
namespace {

namespace fs = std::filesystem;

std::string WithoutSeparators(std::string_view piece) {
  std::string result(piece);
  std::replace_if(
      result.begin(), result.end(), [](char c) { return c == '/' || c == '\\' || c == '\0'; }, '_');
  return result;
}

// The entry itself, not what a link points to, so a link to a folder counts as a file.
bool IsFolder(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.symlink_status(ec).type() == fs::file_type::directory;
}

}  // namespace

std::string SlideshowName(std::string_view group, std::string_view lastName,
                          std::string_view firstName, std::string_view profileId) {
  return WithoutSeparators(group) + " " + WithoutSeparators(lastName) + " " +
         WithoutSeparators(firstName) + " " + WithoutSeparators(profileId);
}

bool FolderExists(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder, ec);
}

void DeleteFilesInFolder(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsFolder(*it)) {
      std::error_code ignored;  // a file that cannot be removed is left; the rest still go
      fs::remove(it->path(), ignored);
    }
  }
}

}  // namespace vt::slideshow
