#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace vt::app {

// Where an installation keeps its files, below the program's folder.
std::filesystem::path DatabasePath(const std::filesystem::path& programFolder);
std::filesystem::path SetupDataPath(const std::filesystem::path& programFolder);
std::filesystem::path ProfilesFolder(const std::filesystem::path& programFolder);
std::filesystem::path SlideshowsFolder(const std::filesystem::path& programFolder);

// The profile folder of `profileId`: NUL characters removed, blanks at both ends removed. An
// identifier that is then empty, "." or "..", or holds a path separator, names no profile folder:
// no value, so nothing is ever read or written outside the profiles folder.
std::optional<std::filesystem::path> ProfileFolder(const std::filesystem::path& programFolder,
                                                   std::string_view profileId);

}  // namespace vt::app
