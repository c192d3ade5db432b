#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

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
  frmMain(MainWindowPort& window, std::filesystem::path programFolder, DatabaseOpener openDatabase);

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
  void butAddFile_Click(std::int16_t index);
  void butChangeImage_Click();
  void ChooseFile(const std::string& kind, std::int16_t limit);
  bool CopyAndAttachFile(const std::string& sPath, std::int16_t iMaxFileSize,
                         const std::string& sFileType, const std::string& sExt);
  void AttachPresSlideshow(const std::string& sFilePath);

 private:
  // Selects an entry of the group list as the program; a change runs cboGroups_Click at once,
  // selecting the entry already selected runs nothing.
  void SelectGroupEntry(int index);
  void ReadRecordIntoState();
  void RestoreRecordGroup();
  void EnableAttachmentButtons();
  std::string BuildPage() const;
  std::int16_t AttachmentLimit(std::string_view sizeSetting) const;
  // One run of the file chooser: false when a file was refused and the dialog must come again.
  bool ChooseAndTakeFile(const std::string& kind, std::int16_t limit);
  // Resizes the chosen picture into the profile photo and shows it.
  void ChangeProfilePhoto(const std::string& picture);
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
