#include "files/steps.h"

namespace vt::files {
namespace {

StepHook hook = nullptr;

}  // namespace

void SetStepHook(StepHook newHook) {
  hook = newHook;
}

void StepDone() {
  if (hook != nullptr) {
    hook();
  }
}

}  // namespace vt::files
