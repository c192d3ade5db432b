#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/admin/installation.h"

namespace vt::admin {

// Attaches FILE as the person's presentation ("pres", also imported as a slideshow), movie ("mov")
// or narration ("nar") through the wizard's own routines, with the group, names and limits the
// wizard uses when it opens that profile. Messages the wizard would show are printed to `out`;
// questions are answered Yes only when `answerYes`. Succeeds when the copy is in the profile folder
// afterwards (for a presentation: when the package was imported).
Outcome AttachFile(const std::filesystem::path& installation, const std::string& profileId,
                   const std::string& kind, const std::filesystem::path& file, bool answerYes,
                   std::FILE* out);

}  // namespace vt::admin
