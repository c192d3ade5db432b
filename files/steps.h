#pragma once

namespace vt::files {

// Every operation that changes the disk reports each of its steps here. Tests install a hook that
// ends the process after step k, to check that a crash at any point leaves the old or the new
// state; the program never installs one.
using StepHook = void (*)();
void SetStepHook(StepHook hook);

// Called after each step that changed something on disk.
void StepDone();

}  // namespace vt::files
