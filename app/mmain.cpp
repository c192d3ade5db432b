#include "app/mmain.h"

#include <cstdlib>

#include "app/frm_main.h"
#include "textdata/text.h"

namespace vt::app {

std::string ProfileIdFromArguments(const std::vector<std::string>& arguments) {
  std::string commandLine;
  for (const std::string& argument : arguments) {
    if (&argument != &arguments.front()) {
      commandLine += ' ';
    }
    commandLine += argument;
  }
  return textdata::TrimBlanks(commandLine);
}

void OpenProfileOf(frmMain& logic, const std::string& profileId) {
  logic.state().sProfileID = profileId;
  std::string unusedPath;
  logic.OpenProfile(unusedPath);
}

std::filesystem::path ProgramFolder(const std::filesystem::path& executableFolder) {
  const char* home = std::getenv("VELLUMTIDE_HOME");
  return home != nullptr && *home != '\0' ? std::filesystem::path(home) : executableFolder;
}

}  // namespace vt::app
