// vellumtide PROFILE-ID: the wizard for the person whose profile identifier is given.
#include <cstdio>
#include <string>

#include "textdata/text.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
  }
  if (vt::textdata::TrimBlanks(commandLine).empty()) {
    return 0;
  }
  std::fprintf(stderr, "vellumtide: the wizard's window is not part of this build yet\n");
  return 1;
}
