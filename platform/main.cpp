// vellumtide PROFILE-ID: the wizard for the person whose profile identifier is given.
#include "platform/wizard.h"

int main(int argc, char** argv) {
  return vt::platform::RunWizard(argc, argv);
}
