#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "attachments/file_kinds.h"

namespace vt::app {

// What the selected group allows of one kind of attachment.
struct KindAllowance {
  bool groupChosen = false;  // false while the list shows its placeholder
  bool allowed = false;
  std::optional<std::int16_t> limit;  // megabytes; none for a size class outside the table
};

struct AttachedFile {
  std::string name;
  double size = 0;  // bytes
};

using AttachedByKind = std::array<std::vector<AttachedFile>, attachments::kAttachmentKindCount>;

// Each kind's files in the profile folder, by name, from one listing of it; none when the folder
// cannot be read.
AttachedByKind AttachedFiles(const std::filesystem::path& profileFolder);

// An attachment button's tooltip: what the group allows, then what is attached now, one line each.
std::string AttachmentToolTip(const attachments::FileKind& kind, const KindAllowance& allowance,
                              const std::vector<AttachedFile>& attached);

}  // namespace vt::app
