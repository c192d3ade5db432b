#include "tools/admin/attach.h"

#include "app/frm_main.h"
#include "app/mmain.h"
#include "app/paths.h"
#include "attachments/file_kinds.h"
#include "files/folder.h"
#include "files/read.h"
#include "platform/qt_raster.h"
#include "platform/sqlcipher_database.h"
#include "tools/admin/console_window.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;

// The attachment button of the kind: 0 presentation, 1 movie, 2 narration.
std::optional<std::int16_t> ButtonOf(const std::string& kind) {
  for (std::size_t i = 0; i < attachments::kAttachmentKindCount; ++i) {
    if (attachments::kFileKinds[i].kind == kind) {
      return static_cast<std::int16_t>(i);
    }
  }
  return std::nullopt;
}

std::optional<fs::path> ExistingProfile(const fs::path& installation,
                                        const std::string& profileId) {
  const std::optional<fs::path> profile = app::ProfileFolder(installation, profileId);
  const auto entry = profile ? files::StatPath(*profile)
                             : files::Result<files::Entry>(files::Error::System(ENOENT));
  return entry && entry->type == files::EntryType::kFolder ? profile : std::nullopt;
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
      : window(out, answerYes, file.string()),
        logic(window, installation, platform::OpenDatabase,
              std::make_unique<platform::QtRaster>()) {
    window.logic = &logic;
    app::OpenProfileOf(logic, profileId);
  }

  ConsoleWindow window;
  app::frmMain logic;
};

// What the organiser reads when the file was not taken; `group` is empty when none is chosen.
std::string Explain(const app::AttachOutcome& outcome, const attachments::FileKind& kind,
                    const fs::path& file, const std::string& group) {
  switch (outcome.result) {
    case app::AttachResult::kTaken:
      return {};
    case app::AttachResult::kCancelled:
      return "no file was chosen";
    case app::AttachResult::kRefusedShortcut:
      return file.string() + " is a shortcut link";
    case app::AttachResult::kRefusedTooLarge:
      return file.string() + " is over the " + std::string(kind.noun) + " limit of the group '" +
             group + "'";
    case app::AttachResult::kRefusedKindNotAllowed:
      return group.empty()
                 ? "no group is chosen for this person yet: nothing can be attached"
                 : "the group '" + group + "' does not allow " + std::string(kind.noun) + " files";
    case app::AttachResult::kRefusedNotPackage:
      return file.string() + " is not a slideshow package";
    case app::AttachResult::kOldSlideshowKept:
      return "the slideshow already there was kept";
    case app::AttachResult::kFailed:
      break;
  }
  return outcome.detail;
}

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
  if (const auto readable = files::OpenForReading(file); !readable) {
    return {"cannot read " + file.string() + ": " + readable.error().Describe()};
  }
  ConsoleWizard wizard(installation, profileId, out, answerYes, file);
  const app::AttachOutcome outcome = wizard.logic.butAddFile_Click(*button);
  if (outcome.taken() && !outcome.detail.empty()) {
    std::fprintf(out, "Note: %s.\n", outcome.detail.c_str());
  }
  // The list's first entry is its placeholder, no group.
  const std::string group =
      wizard.window.SelectedGroupIndex() > 0 ? wizard.window.SelectedGroupText() : "";
  return {
      Explain(outcome, attachments::kFileKinds[static_cast<std::size_t>(*button)], file, group)};
}

Outcome ChangePhoto(const fs::path& installation, const std::string& profileId,
                    const fs::path& picture, std::FILE* out) {
  const std::optional<fs::path> profile = ExistingProfile(installation, profileId);
  if (!profile) {
    return NoProfile(installation, profileId);
  }
  ConsoleWizard wizard(installation, profileId, out, false, picture);
  const app::AttachOutcome outcome = wizard.logic.butChangeImage_Click();
  if (outcome.taken()) {
    return {};
  }
  const fs::path photo = *profile / app::kProfilePhotoName;
  return {outcome.detail + "; " + photo.string() + " was left as it was"};
}

}  // namespace vt::admin
