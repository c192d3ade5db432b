#include "app/frm_main.h"

#include <algorithm>

#include "app/paths.h"
#include "app/record_files.h"
#include "attachments/file_kinds.h"
#include "database/statements.h"
#include "entryform/entry_page.h"
#include "entryform/entry_values.h"
#include "textdata/profile_record.h"
#include "textdata/setup_data.h"
#include "textdata/text.h"

namespace vt::app {
namespace {

constexpr int kGroupsTab = 0;
constexpr std::int16_t kExitButton = 2;

MessageBox ExitQuestion(const char* text) {
  return {text, "Exit", MessageButtons::kYesNo, MessageIcon::kQuestion};
}

}  // namespace

frmMain::frmMain(MainWindowPort& window, std::filesystem::path programFolder,
                 DatabaseOpener openDatabase, std::unique_ptr<imaging::RasterPort> raster)
    : window_(window),
      ucResizeImage_(std::move(raster)),
      programFolder_(std::move(programFolder)),
      openDatabase_(std::move(openDatabase)) {}

void frmMain::Show() {
  if (!loaded_) {
    loaded_ = true;
    Form_Load();
  }
  window_.ShowWindow();
}

void frmMain::Form_Load() {
  window_.SetProgramIcon();
  state_.bStarting = true;
  state_.bLoading = true;
  state_.mp_db = openDatabase_(DatabasePath(programFolder_));
  state_.sIniPath = SetupDataPath(programFolder_);
  state_.txtSetupXML = textdata::TaggedText(ReadSetupText(state_.sIniPath));
  state_.iMaxFileSizes = textdata::kMaxFileSizes;
  std::vector<std::string> entries = {kGroupPlaceholder};
  if (state_.mp_db) {
    for (std::string& group : database::QueryGroupList(*state_.mp_db)) {
      entries.push_back(std::move(group));
    }
  }
  window_.SetGroupEntries(entries);
  SelectGroupEntry(0);
  state_.bLoading = false;
}

void frmMain::OpenProfile(std::string& /*sAssociatedPath*/) {
  Show();
  state_.bLoading = true;
  window_.ShowBusy();
  state_.sProfilePath = ProfileFolder(programFolder_, state_.sProfileID).value_or("");
  state_.bStarting = false;
  window_.SetGroupListEnabled(true);
  window_.SetTabsEnabled(true);
  GenerateForm();
  window_.HideBusy();
  window_.SelectTab(kGroupsTab);
  window_.FocusGroupList();
  state_.bLoading = false;
}

void frmMain::Form_Unload(bool& cancel) {
  const bool exit =
      window_.ShowMessage(ExitQuestion("Exit Kelvarin Vellumtide?")) == MessageAnswer::kYes;
  cancel = !exit;
  if (exit) {
    window_.EndProgram();
  }
}

void frmMain::butNext_Click(std::int16_t index) {
  if (index != kExitButton) {
    window_.SelectTab(index);
    return;
  }
  if (window_.ShowMessage(ExitQuestion("Exit Kelvarin Marrowick?")) == MessageAnswer::kYes) {
    window_.EndProgram();
  }
}

void frmMain::butBack_Click(std::int16_t index) {
  window_.SelectTab(index - 2);
}

void frmMain::mnuProfile_Click() {
  window_.CloseWindow();
}

void frmMain::cboGroups_Click() {
  state_.sGroupName = window_.SelectedGroupText();
  if (!state_.bStarting && !state_.bLoading) {
    butSaveText_Click();
  }
  GenerateForm();
}

void frmMain::SelectGroupEntry(int index) {
  if (window_.SelectedGroupIndex() == index) {
    return;
  }
  window_.SetSelectedGroupIndex(index);
  cboGroups_Click();
}

void frmMain::GenerateForm() {
  ReadRecordIntoState();
  if (!state_.sProfilePath.empty()) {
    window_.ShowPhoto(state_.sProfilePath / kProfilePhotoName);
  }
  state_.iFormCatCount = state_.iCatCount;
  if (state_.bLoading) {
    RestoreRecordGroup();
  }
  ShowAttachmentButtons();
  ShowPage();
}

void frmMain::ReadRecordIntoState() {
  if (state_.sProfilePath.empty()) {
    return;
  }
  if (const auto record = ReadProfileRecord(state_.sProfilePath / textdata::kProfileRecordName)) {
    ApplyProfileRecord(state_, *record);
  }
}

// Puts the record's group back into the list when the program opens the profile: the first entry
// of exactly that text, or the placeholder.
void frmMain::RestoreRecordGroup() {
  if (textdata::TrimBlanks(state_.sGroupName).empty()) {
    SelectGroupEntry(0);
    return;
  }
  if (state_.bStarting) {
    return;
  }
  SelectGroupEntry(std::max(window_.FindGroupEntry(state_.sGroupName), 0));
}

void frmMain::ShowAttachmentButtons() {
  const AttachedByKind attached = AttachedFiles(state_.sProfilePath);
  for (std::size_t i = 0; i < attachments::kAttachmentKindCount; ++i) {
    ShowAttachmentButton(i, attached[i]);
  }
}

void frmMain::ShowAttachmentButton(std::size_t index, const std::vector<AttachedFile>& attached) {
  const attachments::FileKind& kind = attachments::kFileKinds[index];
  const KindAllowance allowance{window_.SelectedGroupIndex() > 0, IsKindAllowed(kind.allowSetting),
                                SizeLimit(kind.sizeSetting)};
  window_.SetAttachmentButtonEnabled(static_cast<int>(index), allowance.allowed);
  window_.SetAttachmentButtonToolTip(static_cast<int>(index),
                                     AttachmentToolTip(kind, allowance, attached));
}

void frmMain::ShowPage() const {
  std::vector<entryform::CategoryField> categories;
  for (std::int16_t k = 1; k <= state_.iFormCatCount; ++k) {
    categories.push_back({textdata::CategoryCaption(state_.txtSetupXML, k),
                          static_cast<std::size_t>(k) < state_.sCategories.size()
                              ? state_.sCategories[static_cast<std::size_t>(k)]
                              : std::string()});
  }
  window_.ShowPage(entryform::BuildEntryPage(window_.SelectedGroupText(), state_.sFirstName,
                                             state_.sLastName, categories),
                   entryform::EntryFieldValues(state_.sFirstName, state_.sLastName, categories));
}

void frmMain::butSaveText_Click() {
  const std::int16_t n = state_.iFormCatCount;
  if (window_.SelectedGroupText() == kGroupPlaceholder) {
    window_.ShowMessage(
        {"Please select a group first.", "", MessageButtons::kOk, MessageIcon::kNone});
    return;
  }
  std::vector<std::string> shown(static_cast<std::size_t>(std::max<std::int16_t>(n, 0)));
  for (std::size_t k = 1; k <= shown.size() && k < state_.sCategories.size(); ++k) {
    shown[k - 1] = state_.sCategories[k];
  }
  const entryform::EntryValues values =
      entryform::GatherEntryValues(window_.PageElements(), n, shown);
  if (values.firstName) {
    state_.sFirstName = *values.firstName;
  }
  if (values.lastName) {
    state_.sLastName = *values.lastName;
  }
  const std::string firstName = values.firstName.value_or(std::string());
  const std::string lastName = values.lastName.value_or(std::string());
  WriteRecord(firstName, lastName, values.categories);
  if (!state_.mp_db) {
    return;
  }
  database::UpdatePersonNames(*state_.mp_db, firstName, lastName, state_.sProfileID);
  if (state_.sGroupName != state_.sOriginalGroup) {
    database::MoveGroupMembership(*state_.mp_db, state_.sProfileID, state_.sGroupName,
                                  state_.sOriginalGroup);
  }
}

void frmMain::WriteRecord(const std::string& firstName, const std::string& lastName,
                          const std::vector<std::string>& categories) {
  if (state_.sProfilePath.empty()) {
    return;
  }
  WriteProfileRecord(
      state_.sProfilePath / textdata::kProfileRecordName,
      {textdata::TrimBlanks(window_.SelectedGroupText()), firstName, lastName, categories});
}

}  // namespace vt::app
