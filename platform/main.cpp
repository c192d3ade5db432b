// vellumtide PROFILE-ID: the wizard for the person whose profile identifier is given.
#include <cstdio>
#include <string_view>

#include "platform/wizard.h"

int main(int argc, char** argv) {
  // Answered before Qt starts, so it works without a display; every other command line names a
  // profile.
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("vellumtide %s\n", VT_VERSION);
    return 0;
  }
  return vt::platform::RunWizard(argc, argv);
}
