#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vt::slideshow {

// group & " " & last name & " " & first name & " " & identifier, with path separators and NUL in
// the pieces replaced by "_", so the folder always lies directly inside Slideshows.
std::string SlideshowName(std::string_view group, std::string_view lastName,
                          std::string_view firstName, std::string_view profileId);

// True when the folder exists.
bool FolderExists(const std::filesystem::path& folder);

// Deletes every file directly inside the folder (links removed, not followed); sub-folders stay.
void DeleteFilesInFolder(const std::filesystem::path& folder);

}  // namespace vt::slideshow
