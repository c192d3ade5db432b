#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vt::attachments {

// A kind of file the person can choose: its name (also the stem of its copy's name in the profile
// folder), the setup elements that allow it and limit its size, the file dialog's single filter
// entry, and what it is called in the organiser's messages.
struct FileKind {
  std::string_view kind;
  std::string_view allowSetting;  // empty for the photo, which every group allows
  std::string_view sizeSetting;   // empty for the photo, which has no size test
  std::string_view filterLabel;
  std::string_view patterns;  // separated by "; "
  std::string_view noun;
};

// The attachment buttons 0 to 2, then "Change Image".
inline constexpr std::array<FileKind, 4> kFileKinds = {{
    {"pres", "PRESENTATIONS", "PRESENTATIONSFS", "Kelvarin Slideshow (*.KVS)", "*.KVS",
     "presentation"},
    {"mov", "MOVIES", "MOVIESFS", "Linkable Files (*.MPG; *.AVI)", "*.MPG; *.AVI", "movie"},
    {"nar", "NARRATIONS", "NARRATIONSFS", "Linkable Files (*.WAV; *.MP3)", "*.WAV; *.MP3",
     "narration"},
    {"photo", "", "", "Photo Files (*.JPG)", "*.JPG", "photo"},
}};
inline constexpr std::size_t kAttachmentKindCount = 3;
inline constexpr const FileKind& kPresentationKind = kFileKinds[0];
inline constexpr const FileKind& kPhotoKind = kFileKinds[3];

// The kind's entry; nullptr for a kind outside the table.
const FileKind* FindFileKind(std::string_view kind);

// The patterns one by one ("*.MPG; *.AVI" gives "*.MPG" and "*.AVI").
std::vector<std::string> FilterPatterns(const FileKind& kind);

}  // namespace vt::attachments
