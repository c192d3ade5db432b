#include "app/paths.h"

#include <string>

#include "textdata/text.h"

namespace vt::app {

std::filesystem::path DatabasePath(const std::filesystem::path& programFolder) {
  return programFolder / "pf.db";
}

std::filesystem::path SetupDataPath(const std::filesystem::path& programFolder) {
  return programFolder / "Vellumtide" / "pr.dat";
}

std::filesystem::path ProfilesFolder(const std::filesystem::path& programFolder) {
  return programFolder / "Profile";
}

std::filesystem::path SlideshowsFolder(const std::filesystem::path& programFolder) {
  return programFolder / "Slideshows";
}

std::optional<std::filesystem::path> ProfileFolder(const std::filesystem::path& programFolder,
                                                   std::string_view profileId) {
  const std::string name = textdata::RemoveNulAndTrimBlanks(profileId);
  const bool plainName = !name.empty() && name != "." && name != ".." &&
                         name.find_first_of("/\\") == std::string::npos;
  if (!plainName) {
    return std::nullopt;
  }
  return ProfilesFolder(programFolder) / name;
}

}  // namespace vt::app
