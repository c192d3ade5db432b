// frmMain's attachments: the file chooser, the copy into the profile folder and the slideshow
// import.
#include "app/frm_main.h"
#include "app/paths.h"
#include "attachments/attachments.h"
#include "attachments/file_kinds.h"
#include "slideshow/import.h"
#include "slideshow/package.h"
#include "textdata/setup_data.h"
#include "textdata/text.h"

namespace vt::app {
namespace {

constexpr const char* kShortcutExtension = "lnk";

// The profile photo's frame and JPEG quality.
constexpr std::int16_t kPhotoWidth = 280;
constexpr std::int16_t kPhotoHeight = 427;
constexpr std::int16_t kPhotoCompression = 100;

MessageBox Notice(std::string text, std::string title = {}) {
  return {std::move(text), std::move(title), MessageButtons::kOk, MessageIcon::kNone};
}

FileDialogSetup DialogFor(const std::string& kind) {
  FileDialogSetup setup{"Locate your file.", {}, {}};
  if (const attachments::FileKind* fileKind = attachments::FindFileKind(kind)) {
    setup.filterLabel = fileKind->filterLabel;
    setup.patterns = attachments::FilterPatterns(*fileKind);
  }
  return setup;
}

AttachOutcome Failed(const std::string& what, const std::filesystem::path& where,
                     const files::Error& error) {
  return {AttachResult::kFailed, what + " " + where.string() + ": " + error.Describe()};
}

// The refusals after which the dialog comes again.
bool AsksAgain(const AttachOutcome& outcome) {
  return outcome.result == AttachResult::kRefusedShortcut ||
         outcome.result == AttachResult::kRefusedTooLarge;
}

}  // namespace

AttachOutcome frmMain::butAddFile_Click(std::int16_t index) {
  if (index < 0 || index >= static_cast<std::int16_t>(attachments::kAttachmentKindCount)) {
    return {};
  }
  const attachments::FileKind& kind = attachments::kFileKinds[static_cast<std::size_t>(index)];
  if (!IsKindAllowed(kind.allowSetting)) {
    return {AttachResult::kRefusedKindNotAllowed, {}};  // its button is disabled in the window
  }
  // A size class outside the table counts as a limit of 0.
  AttachOutcome outcome =
      ChooseFile(std::string(kind.kind), SizeLimit(kind.sizeSetting).value_or(0));
  ShowAttachmentButtons();  // the file just attached shows in its button's tooltip
  return outcome;
}

// The limit of the selected group in megabytes.
std::optional<std::int16_t> frmMain::SizeLimit(std::string_view sizeSetting) const {
  return textdata::GetMaxFileSize(state_.txtSetupXML, sizeSetting, window_.SelectedGroupIndex(),
                                  state_.iMaxFileSizes);
}

bool frmMain::IsKindAllowed(std::string_view allowSetting) const {
  return textdata::IsKindAllowed(state_.txtSetupXML, allowSetting, window_.SelectedGroupIndex());
}

AttachOutcome frmMain::butChangeImage_Click() {
  return ChooseFile(std::string(attachments::kPhotoKind.kind), 1);
}

AttachOutcome frmMain::ChooseFile(const std::string& kind, std::int16_t limit) {
  AttachOutcome last;
  while (const std::optional<AttachOutcome> outcome = ChooseAndTakeFile(kind, limit)) {
    last = *outcome;
    if (!AsksAgain(last)) {
      break;
    }
  }
  return last;
}

std::optional<AttachOutcome> frmMain::ChooseAndTakeFile(const std::string& kind,
                                                        std::int16_t limit) {
  const std::optional<std::string> answer = window_.ShowFileDialog(DialogFor(kind));
  const std::string chosen = textdata::RemoveNulAndTrimBlanks(answer.value_or(std::string()));
  if (chosen.empty()) {
    return std::nullopt;
  }
  std::string name = attachments::GetFileName(chosen);
  const std::string extension = attachments::GetFileExtension(name);
  if (extension == kShortcutExtension) {
    window_.ShowMessage(Notice(
        "The file you have selected is a shortcut link. Select another file.", "Selected File"));
    return AttachOutcome{AttachResult::kRefusedShortcut, {}};
  }
  if (kind == attachments::kPresentationKind.kind) {
    return AttachPresentation(chosen, limit, extension);
  }
  if (kind == attachments::kPhotoKind.kind) {
    return ChangeProfilePhoto(chosen);
  }
  AttachOutcome outcome = CopyAndAttachFile(chosen, limit, kind, extension);
  if (outcome.result == AttachResult::kRefusedTooLarge) {
    window_.ShowMessage(Notice("The selected file size exceeds the maximum file size allowed. (" +
                               std::to_string(limit) + " MB's)"));
  }
  return outcome;
}

AttachOutcome frmMain::ChangeProfilePhoto(const std::string& picture) {
  if (state_.sProfilePath.empty()) {
    return {AttachResult::kFailed, "there is no profile folder for the photo"};
  }
  const std::filesystem::path destination = state_.sProfilePath / kProfilePhotoName;
  ucResizeImage_.SetSourceFilePath(picture);
  ucResizeImage_.SetDestinationFilePath(destination.string());
  ucResizeImage_.SetStretch(false);
  ucResizeImage_.SetResizeWidth(kPhotoWidth);
  ucResizeImage_.SetResizeHeight(kPhotoHeight);
  ucResizeImage_.SetCompression(kPhotoCompression);
  std::string problem = ucResizeImage_.Resize();
  window_.ShowPhoto(destination);
  if (!problem.empty()) {
    return {AttachResult::kFailed, std::move(problem)};
  }
  return {AttachResult::kTaken, {}};
}

AttachOutcome frmMain::CopyAndAttachFile(const std::string& sPath, std::int16_t iMaxFileSize,
                                         const std::string& sFileType, const std::string& sExt) {
  if (sFileType == attachments::kPhotoKind.kind || textdata::TrimBlanks(sFileType).empty()) {
    return {AttachResult::kRefusedKindNotAllowed, {}};
  }
  if (attachments::ExceedsLimit(attachments::GetFolderSize(sPath, true), iMaxFileSize)) {
    return {AttachResult::kRefusedTooLarge, {}};
  }
  if (state_.sProfilePath.empty()) {
    return {AttachResult::kFailed, "there is no profile folder for the copy"};
  }
  window_.ShowBusy();
  const files::Status copied =
      attachments::ReplaceAttachment(state_.sProfilePath, sFileType, sExt, sPath);
  window_.HideBusy();
  if (!copied) {
    return Failed("cannot copy " + sPath + " into", state_.sProfilePath, copied.error());
  }
  return {AttachResult::kTaken, {}};
}

// A package over the limit is imported all the same, only not copied into the profile folder.
AttachOutcome frmMain::AttachPresentation(const std::string& package, std::int16_t limit,
                                          const std::string& extension) {
  const bool withCopy =
      !state_.sProfilePath.empty() &&
      !attachments::ExceedsLimit(attachments::GetFolderSize(package, true), limit);
  AttachOutcome outcome =
      AttachPresSlideshow(package, withCopy ? std::optional(extension) : std::nullopt);
  if (outcome.taken() && !withCopy) {
    outcome.detail = "the package was imported without a copy in the profile folder";
  }
  return outcome;
}

AttachOutcome frmMain::AttachPresSlideshow(const std::string& sFilePath,
                                           const std::optional<std::string>& copyExtension) {
  state_.txtTags.clear();
  state_.txtTags = slideshow::ReadSlideshowHeader(sFilePath);
  if (state_.txtTags.empty()) {
    window_.ShowMessage(
        Notice("Not a kelvarin slideshow file. Cannot import selected file.", "Cannot Import"));
    return {AttachResult::kRefusedNotPackage, {}};
  }
  const std::string name = slideshow::SlideshowName(state_.sGroupName, state_.sLastName,
                                                    state_.sFirstName, state_.sProfileID);
  if (slideshow::SlideshowExists(SlideshowsFolder(programFolder_), name)) {
    const MessageBox question{
        "A slideshow with the same name as your importing slideshow exists.\r\n"
        "Over-write slideshow '" +
            name + "' ?",
        "Slideshow Exists", MessageButtons::kYesNo, MessageIcon::kQuestion};
    if (window_.ShowMessage(question) != MessageAnswer::kYes) {
      return {AttachResult::kOldSlideshowKept, {}};
    }
  }
  window_.ShowBusy();
  AttachOutcome outcome = ImportPresentation(sFilePath, name, copyExtension);
  window_.HideBusy();
  if (outcome.result == AttachResult::kFailed) {
    window_.ShowMessage(
        Notice("The slideshow could not be imported completely. The earlier slideshow was kept.",
               "Cannot Import"));
  }
  return outcome;
}

// The copy is made first and put in place only after the slideshow, so a failure of either keeps
// both as they were.
AttachOutcome frmMain::ImportPresentation(const std::string& package, const std::string& name,
                                          const std::optional<std::string>& copyExtension) {
  std::optional<attachments::PreparedAttachment> copy;
  if (copyExtension) {
    files::Result<attachments::PreparedAttachment> prepared = attachments::PrepareAttachment(
        state_.sProfilePath, attachments::kPresentationKind.kind, *copyExtension, package);
    if (!prepared) {
      return Failed("cannot copy " + package + " into", state_.sProfilePath, prepared.error());
    }
    copy.emplace(std::move(*prepared));
  }
  const std::filesystem::path slideshows = SlideshowsFolder(programFolder_);
  if (const files::Status imported =
          slideshow::ImportSlideshow(package, slideshows, name, state_.txtTags);
      !imported) {
    return Failed("cannot import " + package + " as", slideshows / name, imported.error());
  }
  if (copy) {
    if (const files::Status placed = copy->Commit(); !placed) {
      return Failed("imported, but cannot put the copy of " + package + " into",
                    state_.sProfilePath, placed.error());
    }
  }
  return {AttachResult::kTaken, {}};
}

}  // namespace vt::app
