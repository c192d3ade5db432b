#pragma once

#include <filesystem>

#include "tools/admin/installation.h"

namespace vt::admin {

// Writes every person's entry into `out` for a layout program's data merge, as CSV or JSON by its
// extension (.csv, .json): identifier, group, names, one column per category headed by the
// caption's text, and the paths relative to the installation of the photo, the three attachments
// and the slideshow folder. Line breaks in the texts are LF. `out` is replaced in one step, or
// left as it was when anything fails.
Outcome ExportEntries(const std::filesystem::path& installation, const std::filesystem::path& out);

}  // namespace vt::admin
