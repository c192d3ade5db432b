#include "slideshow/import.h"

#include <algorithm>

#include "files/folder.h"
#include "files/replace.h"
#include "slideshow/package.h"

namespace vt::slideshow {
namespace {

std::string WithoutSeparators(std::string_view piece) {
  std::string result(piece);
  std::replace_if(
      result.begin(), result.end(), [](char c) { return c == '/' || c == '\\' || c == '\0'; }, '_');
  return result;
}

}  // namespace

std::string SlideshowName(std::string_view group, std::string_view lastName,
                          std::string_view firstName, std::string_view profileId) {
  return WithoutSeparators(group) + " " + WithoutSeparators(lastName) + " " +
         WithoutSeparators(firstName) + " " + WithoutSeparators(profileId);
}

bool SlideshowExists(const std::filesystem::path& slideshows, std::string_view name) {
  const files::Result<files::Folder> folder = files::Folder::Open(slideshows);
  const files::Result<files::Entry> entry =
      folder ? folder->Stat(name) : files::Result<files::Entry>(folder.error());
  return entry &&
         (entry->type == files::EntryType::kFolder || entry->type == files::EntryType::kLink);
}

files::Status ImportSlideshow(const std::filesystem::path& package,
                              const std::filesystem::path& slideshows, std::string_view name,
                              std::string_view headerText) {
  const files::Result<files::Folder> parent = files::Folder::Open(slideshows);
  if (!parent) {
    return parent.error();
  }
  files::Result<files::NewFolder> staging = files::NewFolder::Create(*parent, name);
  if (!staging) {
    return staging.error();
  }
  if (files::Status unpacked = ExtractSlideshow(package, staging->folder(), headerText);
      !unpacked) {
    return unpacked;
  }
  return staging->Commit();
}

}  // namespace vt::slideshow
