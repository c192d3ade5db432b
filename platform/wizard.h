#pragma once

namespace vt::platform {

// The wizard program: opens the profile named by the arguments (after Qt's own options) on the
// installation of the program's folder and runs until it ends. Returns the exit status; 0 at once,
// before any window exists, when no profile is named.
int RunWizard(int& argc, char** argv);

}  // namespace vt::platform
