#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/admin/installation.h"

namespace vt::admin {

// Attaches FILE as the person's presentation ("pres", also imported as a slideshow), movie ("mov")
// or narration ("nar") through the wizard's own routines, with the group, names and limits the
// wizard uses when it opens that profile. Messages the wizard would show are printed to `out`;
// questions are answered Yes only when `answerYes`. Succeeds only when the wizard took the file
// (a presentation: imported whole); otherwise the error says why not.
Outcome AttachFile(const std::filesystem::path& installation, const std::string& profileId,
                   const std::string& kind, const std::filesystem::path& file, bool answerYes,
                   std::FILE* out);

// Makes `picture` the person's profile photo through the wizard's "Change Image": the picture is
// resized into the profile folder's image.fwi exactly as the wizard does it. Succeeds only when
// image.fwi was replaced; a picture that cannot be read leaves the photo there as it was.
Outcome ChangePhoto(const std::filesystem::path& installation, const std::string& profileId,
                    const std::filesystem::path& picture, std::FILE* out);

}  // namespace vt::admin
