#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vt::attachments {

// A kind of file the person can choose: its name (also the base name of its copy in the profile
// folder), the setup element naming its size class, and the file dialog's single filter entry.
struct FileKind {
  std::string_view kind;
  std::string_view sizeSetting;  // empty for the photo, which has no size test
  std::string_view filterLabel;
  std::string_view patterns;  // separated by "; "
};

// The attachment buttons 0 to 2, then "Change Image".
inline constexpr std::array<FileKind, 4> kFileKinds = {{
    {"pres", "PRESENTATIONSFS", "Kelvarin Slideshow (*.KVS)", "*.KVS"},
    {"mov", "MOVIESFS", "Linkable Files (*.MPG; *.AVI)", "*.MPG; *.AVI"},
    {"nar", "NARRATIONSFS", "Linkable Files (*.WAV; *.MP3)", "*.WAV; *.MP3"},
    {"photo", "", "Photo Files (*.JPG)", "*.JPG"},
}};

// The kind's entry; nullptr for a kind outside the table.
const FileKind* FindFileKind(std::string_view kind);

// The patterns one by one ("*.MPG; *.AVI" gives "*.MPG" and "*.AVI").
std::vector<std::string> FilterPatterns(const FileKind& kind);

}  // namespace vt::attachments
