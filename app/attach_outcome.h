#pragma once

#include <string>

namespace vt::app {

// What became of a file the person chose for an attachment, the presentation or the photo.
enum class AttachResult {
  kTaken,
  kCancelled,  // no file was chosen
  kRefusedShortcut,
  kRefusedTooLarge,
  kRefusedKindNotAllowed,
  kRefusedNotPackage,
  kOldSlideshowKept,  // the person kept the earlier slideshow
  kFailed,            // a step could not be done: `detail` says which, and why
};

struct AttachOutcome {
  AttachResult result = AttachResult::kCancelled;
  // Why it failed; for a file taken, what the person should know besides (may be empty).
  std::string detail;

  bool taken() const { return result == AttachResult::kTaken; }
};

}  // namespace vt::app
