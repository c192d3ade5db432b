#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vt::app {

// The profile identifier: the program's arguments joined by one blank, blanks at both ends
// removed. Empty means the program ends at once.
std::string ProfileIdFromArguments(const std::vector<std::string>& arguments);

// The folder every path of the installation starts from: VELLUMTIDE_HOME when set, otherwise
// `executableFolder`.
std::filesystem::path ProgramFolder(const std::filesystem::path& executableFolder);

}  // namespace vt::app
