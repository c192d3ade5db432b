#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/attach_outcome.h"
#include "app/attachment_tooltip.h"
#include "app/main_window_port.h"
#include "app/program_state.h"
#include "database/database_port.h"
#include "imaging/img_resize.h"

namespace vt::app {

// Opens the installation's database; the wizard passes the enciphered one.
using DatabaseOpener =
    std::function<std::unique_ptr<database::DatabasePort>(const std::filesystem::path&)>;

inline constexpr const char* kGroupPlaceholder = "Select a group...";
// The profile photo in the profile folder: a JPEG, whatever its name says.
inline constexpr const char* kProfilePhotoName = "image.fwi";

// The main window's logic: start-up, the wizard's handlers, the entry form and the save. Every
// handler runs with failing steps skipped: each step deals with its own failure and the next runs.
class frmMain {
 public:
  // `raster` holds the resize control's pictures: the codecs, like the database, come from the
  // host.
  frmMain(MainWindowPort& window, std::filesystem::path programFolder, DatabaseOpener openDatabase,
          std::unique_ptr<imaging::RasterPort> raster);

  ProgramState& state() { return state_; }
  const ProgramState& state() const { return state_; }
  imaging::ImgResize& ucResizeImage() { return ucResizeImage_; }

  // Shows the window; the first time, window creation (Form_Load) runs before.
  void Show();
  void Form_Load();
  void OpenProfile(std::string& sAssociatedPath);
  void Form_Unload(bool& cancel);

  void butNext_Click(std::int16_t index);
  void butBack_Click(std::int16_t index);
  void mnuProfile_Click();
  void cboGroups_Click();

  void GenerateForm();
  void butSaveText_Click();

  // Attachments: the file chooser, the copy into the profile folder and the slideshow import.
  // Each answers what became of the file chosen; the window shows only the messages the person
  // is meant to see.
  AttachOutcome butAddFile_Click(std::int16_t index);
  AttachOutcome butChangeImage_Click();
  // The outcome of the last file chosen: a refused file brings the dialog back, and cancelling it
  // then answers that refusal.
  AttachOutcome ChooseFile(const std::string& kind, std::int16_t limit);
  AttachOutcome CopyAndAttachFile(const std::string& sPath, std::int16_t iMaxFileSize,
                                  const std::string& sFileType, const std::string& sExt);
  // Imports the package as the profile's slideshow. With `copyExtension`, the package also becomes
  // the presentation attachment, but only once the import is complete: a package that is not
  // imported leaves the earlier copy and slideshow as they were.
  AttachOutcome AttachPresSlideshow(const std::string& sFilePath,
                                    const std::optional<std::string>& copyExtension = {});

 private:
  // Selects an entry of the group list as the program; a change runs cboGroups_Click at once,
  // selecting the entry already selected runs nothing.
  void SelectGroupEntry(int index);
  void ReadRecordIntoState();
  void RestoreRecordGroup();
  // Enables each attachment button as the group allows and tells in its tooltip what the group
  // allows and what is attached.
  void ShowAttachmentButtons();
  void ShowAttachmentButton(std::size_t index, const std::vector<AttachedFile>& attached);
  void ShowPage() const;
  std::optional<std::int16_t> SizeLimit(std::string_view sizeSetting) const;
  bool IsKindAllowed(std::string_view allowSetting) const;
  // One run of the file chooser; no value when the person cancelled.
  std::optional<AttachOutcome> ChooseAndTakeFile(const std::string& kind, std::int16_t limit);
  AttachOutcome AttachPresentation(const std::string& package, std::int16_t limit,
                                   const std::string& extension);
  AttachOutcome ImportPresentation(const std::string& package, const std::string& name,
                                   const std::optional<std::string>& copyExtension);
  // Resizes the chosen picture into the profile photo and shows it.
  AttachOutcome ChangeProfilePhoto(const std::string& picture);
  void WriteRecord(const std::string& firstName, const std::string& lastName,
                   const std::vector<std::string>& categories);

  MainWindowPort& window_;
  imaging::ImgResize ucResizeImage_;
  std::filesystem::path programFolder_;
  DatabaseOpener openDatabase_;
  ProgramState state_;
  bool loaded_ = false;
};

}  // namespace vt::app
