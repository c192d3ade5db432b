// frmMain's attachments: the file chooser, the copy into the profile folder and the slideshow
// import.
#include <system_error>

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

}  // namespace

void frmMain::butAddFile_Click(std::int16_t index) {
  if (index < 0 || index > 2) {
    return;
  }
  const attachments::FileKind& kind = attachments::kFileKinds[static_cast<std::size_t>(index)];
  ChooseFile(std::string(kind.kind), AttachmentLimit(kind.sizeSetting));
}

// The limit of the selected group in megabytes; a size class outside the table counts as 0.
std::int16_t frmMain::AttachmentLimit(std::string_view sizeSetting) const {
  return textdata::GetMaxFileSize(state_.txtSetupXML, sizeSetting, window_.SelectedGroupIndex(),
                                  state_.iMaxFileSizes)
      .value_or(0);
}

void frmMain::butChangeImage_Click() {
  ChooseFile("photo", 1);
}

void frmMain::ChooseFile(const std::string& kind, std::int16_t limit) {
  // A refused file brings the dialog back until the person takes a file or cancels.
  while (!ChooseAndTakeFile(kind, limit)) {
  }
}

bool frmMain::ChooseAndTakeFile(const std::string& kind, std::int16_t limit) {
  const std::optional<std::string> answer = window_.ShowFileDialog(DialogFor(kind));
  const std::string chosen = textdata::RemoveNulAndTrimBlanks(answer.value_or(std::string()));
  if (chosen.empty()) {
    return true;
  }
  std::string name = attachments::GetFileName(chosen);
  const std::string extension = attachments::GetFileExtension(name);
  if (extension == kShortcutExtension) {
    window_.ShowMessage(Notice(
        "The file you have selected is a shortcut link. Select another file.", "Selected File"));
    return false;
  }
  const bool taken = CopyAndAttachFile(chosen, limit, kind, extension);
  if (!taken && kind != "photo" && kind != "pres") {
    window_.ShowMessage(Notice("The selected file size exceeds the maximum file size allowed. (" +
                               std::to_string(limit) + " MB's)"));
    return false;
  }
  if (kind == "pres") {
    AttachPresSlideshow(chosen);
  } else if (kind == "photo") {
    ChangeProfilePhoto(chosen);
  }
  return true;
}

void frmMain::ChangeProfilePhoto(const std::string& picture) {
  if (state_.sProfilePath.empty()) {
    return;  // no profile folder to hold the photo
  }
  const std::filesystem::path destination = state_.sProfilePath / kProfilePhotoName;
  ucResizeImage_.SetSourceFilePath(picture);
  ucResizeImage_.SetDestinationFilePath(destination.string());
  ucResizeImage_.SetStretch(false);
  ucResizeImage_.SetResizeWidth(kPhotoWidth);
  ucResizeImage_.SetResizeHeight(kPhotoHeight);
  ucResizeImage_.SetCompression(kPhotoCompression);
  ucResizeImage_.DoResize();
  window_.ShowPhoto(destination);
}

bool frmMain::CopyAndAttachFile(const std::string& sPath, std::int16_t iMaxFileSize,
                                const std::string& sFileType, const std::string& sExt) {
  if (sFileType == "photo") {
    return false;
  }
  if (attachments::ExceedsLimit(attachments::GetFolderSize(sPath, true), iMaxFileSize)) {
    return false;
  }
  if (textdata::TrimBlanks(sFileType).empty()) {
    return false;
  }
  if (state_.sProfilePath.empty()) {
    return true;  // no profile folder: nothing can be copied, as with a missing folder
  }
  window_.ShowBusy();
  attachments::ReplaceAttachment(state_.sProfilePath, sFileType, sExt, sPath);
  window_.HideBusy();
  return true;
}

void frmMain::AttachPresSlideshow(const std::string& sFilePath) {
  state_.txtTags.clear();
  state_.txtTags = slideshow::ReadSlideshowHeader(sFilePath);
  if (state_.txtTags.empty()) {
    window_.ShowMessage(
        Notice("Not a kelvarin slideshow file. Cannot import selected file.", "Cannot Import"));
    return;
  }
  const std::string name = slideshow::SlideshowName(state_.sGroupName, state_.sLastName,
                                                    state_.sFirstName, state_.sProfileID);
  const std::filesystem::path folder = SlideshowsFolder(programFolder_) / name;
  if (slideshow::FolderExists(folder)) {
    const MessageBox question{
        "A slideshow with the same name as your importing slideshow exists.\r\n"
        "Over-write slideshow '" +
            name + "' ?",
        "Slideshow Exists", MessageButtons::kYesNo, MessageIcon::kQuestion};
    if (window_.ShowMessage(question) != MessageAnswer::kYes) {
      return;
    }
    slideshow::DeleteFilesInFolder(folder);
  } else {
    std::error_code ignored;
    std::filesystem::create_directory(folder, ignored);
  }
  window_.ShowBusy();
  slideshow::ExtractSlideshow(sFilePath, folder, state_.txtTags);
  window_.HideBusy();
}

}  // namespace vt::app
