#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "files/result.h"

namespace vt::slideshow {

// group & " " & last name & " " & first name & " " & identifier, with path separators and NUL in
// the pieces replaced by "_", so the folder always lies directly inside Slideshows.
std::string SlideshowName(std::string_view group, std::string_view lastName,
                          std::string_view firstName, std::string_view profileId);

// True when a folder, or a link of any kind, stands at the name inside `slideshows`: an import
// asks before it replaces either. A link is never followed.
bool SlideshowExists(const std::filesystem::path& slideshows, std::string_view name);

// Imports the package as the slideshow `name` inside `slideshows`, as one transaction: it is
// unpacked into a new folder beside the old one, flushed, and swapped in only when complete; the
// old slideshow's sub-folders move over and its files go. On any failure the old slideshow stays
// exactly as it was. A link at the name is replaced by the new folder, never followed.
files::Status ImportSlideshow(const std::filesystem::path& package,
                              const std::filesystem::path& slideshows, std::string_view name,
                              std::string_view headerText);

}  // namespace vt::slideshow
