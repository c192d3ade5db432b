#include "tools/admin/attach.h"

#include <sys/stat.h>

#include <algorithm>

#include "app/frm_main.h"
#include "app/mmain.h"
#include "app/paths.h"
#include "attachments/attachments.h"
#include "attachments/file_kinds.h"
#include "platform/sqlcipher_database.h"
#include "tools/admin/console_window.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 3> kKindNames = {"presentation", "movie", "narration"};

// The attachment button of the kind: 0 presentation, 1 movie, 2 narration.
std::optional<std::int16_t> ButtonOf(const std::string& kind) {
  for (std::size_t i = 0; i < kKindNames.size(); ++i) {
    if (attachments::kFileKinds[i].kind == kind) {
      return static_cast<std::int16_t>(i);
    }
  }
  return std::nullopt;
}

fs::path AttachmentPath(const fs::path& profile, const std::string& kind, const fs::path& file) {
  std::string name = attachments::GetFileName(file.string());
  return profile / attachments::AttachmentName(kind, attachments::GetFileExtension(name));
}

// Identifies the file at `path`: every copy is a new file, so a copy was made when this changed.
std::optional<ino_t> FileIdentity(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    return std::nullopt;
  }
  return st.st_ino;
}

std::optional<fs::path> ExistingProfile(const fs::path& installation,
                                        const std::string& profileId) {
  const std::optional<fs::path> profile = app::ProfileFolder(installation, profileId);
  std::error_code ec;
  return profile && fs::is_directory(*profile, ec) ? profile : std::nullopt;
}

Outcome NoProfile(const fs::path& installation, const std::string& profileId) {
  return {"no profile folder for '" + profileId + "' in " +
          app::ProfilesFolder(installation).string()};
}

// The wizard opened on the person's profile as it opens at start-up, with a console for window;
// the file dialog answers `file` once.
struct ConsoleWizard {
  ConsoleWizard(const fs::path& installation, const std::string& profileId, std::FILE* out,
                bool answerYes, const fs::path& file)
      : window(out, answerYes, file.string()), logic(window, installation, platform::OpenDatabase) {
    window.logic = &logic;
    app::OpenProfileOf(logic, profileId);
  }

  ConsoleWindow window;
  app::frmMain logic;
};

}  // namespace

Outcome AttachFile(const fs::path& installation, const std::string& profileId,
                   const std::string& kind, const fs::path& file, bool answerYes, std::FILE* out) {
  const std::optional<std::int16_t> button = ButtonOf(kind);
  if (!button) {
    return {"unknown kind '" + kind + "': use pres, mov or nar"};
  }
  const std::optional<fs::path> profile = ExistingProfile(installation, profileId);
  if (!profile) {
    return NoProfile(installation, profileId);
  }
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    return {"cannot read " + file.string()};
  }

  const fs::path copy = AttachmentPath(*profile, kind, file);
  const std::optional<ino_t> before = FileIdentity(copy);
  ConsoleWizard wizard(installation, profileId, out, answerYes, file);
  const ConsoleWindow& window = wizard.window;
  const std::string group = window.SelectedGroupText();
  if (!window.attachmentEnabled[static_cast<std::size_t>(*button)]) {
    return {"the group '" + group + "' does not allow " +
            kKindNames[static_cast<std::size_t>(*button)] + " files"};
  }

  wizard.logic.butAddFile_Click(*button);
  const bool refused = std::any_of(window.shown.begin(), window.shown.end(), [](const auto& box) {
    return box.buttons == app::MessageButtons::kOk;
  });
  if (refused) {
    return {"the file was not taken"};
  }
  if (window.declined) {
    return {"the slideshow already there was kept"};
  }
  const std::optional<ino_t> after = FileIdentity(copy);
  const bool copied = after && after != before;
  if (kind == "pres") {
    if (!copied) {
      std::fprintf(out,
                   "Note: the package is over the presentation limit of the group '%s' and was "
                   "imported without a copy in the profile folder.\n",
                   group.c_str());
    }
    return {};
  }
  return copied ? Outcome{} : Outcome{"the copy could not be made in " + profile->string()};
}

Outcome ChangePhoto(const fs::path& installation, const std::string& profileId,
                    const fs::path& picture, std::FILE* out) {
  const std::optional<fs::path> profile = ExistingProfile(installation, profileId);
  if (!profile) {
    return NoProfile(installation, profileId);
  }
  const fs::path photo = *profile / app::kProfilePhotoName;
  const std::optional<ino_t> before = FileIdentity(photo);
  ConsoleWizard wizard(installation, profileId, out, false, picture);
  wizard.logic.butChangeImage_Click();
  const std::optional<ino_t> after = FileIdentity(photo);
  if (after && after != before) {
    return {};
  }
  return {"cannot read " + picture.string() + " as a picture; " + photo.string() +
          (before ? " was left as it was" : " was not made")};
}

}  // namespace vt::admin
