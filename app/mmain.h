#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vt::app {

class frmMain;

// The profile identifier: the program's arguments joined by one blank, blanks at both ends
// removed. Empty means the program ends at once.
std::string ProfileIdFromArguments(const std::vector<std::string>& arguments);

// What start-up does once the window exists: takes the profile identifier into the program's
// state and opens that profile (which shows the window, creating it the first time).
void OpenProfileOf(frmMain& logic, const std::string& profileId);

// The folder every path of the installation starts from: VELLUMTIDE_HOME when set, otherwise
// `executableFolder`.
std::filesystem::path ProgramFolder(const std::filesystem::path& executableFolder);

}  // namespace vt::app
