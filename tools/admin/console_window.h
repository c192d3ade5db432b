#pragma once

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/main_window_port.h"

namespace vt::admin {

// The wizard's window for the organiser's commands: nothing is drawn, every message is printed,
// questions get the answer given on the command line, and the file dialog picks one given file
// once and is cancelled after that.
class ConsoleWindow : public app::MainWindowPort {
 public:
  ConsoleWindow(std::FILE* out, bool answerYes, std::string file)
      : out_(out), answerYes_(answerYes), file_(std::move(file)) {}

  app::frmMain* logic = nullptr;
  std::array<bool, 3> attachmentEnabled = {false, false, false};

  void ShowWindow() override {}
  void SetProgramIcon() override {}
  void SelectTab(int) override {}
  void SetTabsEnabled(bool) override {}
  void SetGroupEntries(const std::vector<std::string>& entries) override;
  int SelectedGroupIndex() const override { return selected_; }
  std::string SelectedGroupText() const override;
  void SetSelectedGroupIndex(int index) override { selected_ = index; }
  int FindGroupEntry(const std::string& text) const override;
  void SetGroupListEnabled(bool) override {}
  void FocusGroupList() override {}
  void ShowPage(const std::string&, const std::vector<entryform::FieldValue>&) override {}
  std::vector<entryform::PageElement> PageElements() const override { return {}; }
  bool ShowPhoto(const std::filesystem::path&) override { return false; }
  void SetAttachmentButtonEnabled(int index, bool enabled) override;
  void SetAttachmentButtonToolTip(int, const std::string&) override {}
  void ShowBusy() override {}
  void HideBusy() override {}
  app::MessageAnswer ShowMessage(const app::MessageBox& box) override;
  std::optional<std::string> ShowFileDialog(const app::FileDialogSetup& setup) override;
  void CloseWindow() override {}
  void EndProgram() override {}

 private:
  std::FILE* out_;
  bool answerYes_;
  std::optional<std::string> file_;
  std::vector<std::string> entries_;
  int selected_ = -1;
};

}  // namespace vt::admin
