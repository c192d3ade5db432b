#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <fstream>

#include "app/frm_main.h"
#include "app/mmain.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/child.h"
#include "tests/support/demo_installation.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::test {

using Strings = std::vector<std::string>;
using ::testing::HasSubstr;

// Takes every existing file for a picture of 600 x 1200 and writes "JPEG" for the photo.
struct FakeRaster : imaging::RasterPort {
  imaging::Size canvas;
  imaging::SourceLoad LoadSource(const std::filesystem::path& file, const DrawnSize&) override {
    return {std::filesystem::exists(file) ? std::optional(imaging::Size{600, 1200}) : std::nullopt,
            "cannot be read"};
  }
  void ResizeCanvas(imaging::Size size) override { canvas = size; }
  imaging::Size CanvasSize() const override { return canvas; }
  void DrawSource(const imaging::Placement&) override {}
  std::string SaveCanvasAsJpeg(const std::filesystem::path& file, int) override {
    return std::ofstream(file) << "JPEG" ? "" : "cannot write";
  }
};

// The wizard's logic on the demo installation, with the test as its window: the window's state is
// what the logic made of it, and the person answers every question with `answer`, the file
// dialogs with `chosenFiles` in turn (cancelling when none is left) and types `typed` into the
// page.
class WizardFixture : public ::testing::Test, public app::MainWindowPort {
 protected:
  void SetUp() override { WriteDemoInstallation(dir.path()); }

  void Start(const std::string& profileId) {
    logic = std::make_unique<app::frmMain>(*this, dir.path(), platform::OpenDatabase,
                                           std::make_unique<FakeRaster>());
    app::OpenProfileOf(*logic, profileId);
  }
  void PersonSelectsGroup(int index) {
    selected = index;
    logic->cboGroups_Click();
  }
  // The person types the names, then the texts of cat1, cat2, ...
  void Type(const std::string& first, const std::string& last, const Strings& texts = {}) {
    typed = {{"INPUT", "F_FirstName", first}, {"INPUT", "F_LastName", last}};
    for (std::size_t k = 1; k <= texts.size(); ++k) {
      typed.push_back({"TEXTAREA", "cat" + std::to_string(k), texts[k - 1]});
    }
  }

  std::filesystem::path Profile(const std::string& id) const { return dir / "Profile" / id; }
  std::string Query(const std::string& sql) const { return QueryDemo(dir.path(), sql); }
  std::string Names(const std::string& id) const {
    return Query("SELECT p_fname || ' ' || p_lname AS v FROM persons WHERE p_id = '" + id + "'");
  }

  void ShowWindow() override { shown = true; }
  void SetProgramIcon() override {}
  void SelectTab(int index) override { tab = index; }
  void SetTabsEnabled(bool enabled) override { tabsEnabled = enabled; }
  void SetGroupEntries(const Strings& list) override { entries = list, selected = -1; }
  int SelectedGroupIndex() const override { return selected; }
  std::string SelectedGroupText() const override {
    return selected < 0 ? "" : entries.at(selected);
  }
  void SetSelectedGroupIndex(int index) override { selected = index; }
  int FindGroupEntry(const std::string& text) const override {
    const auto found = std::find(entries.begin(), entries.end(), text);
    return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
  }
  void SetGroupListEnabled(bool enabled) override { groupListEnabled = enabled; }
  void FocusGroupList() override { groupListFocused = true; }
  void ShowPage(const std::string& html, const std::vector<entryform::FieldValue>&) override {
    page = html;
  }
  std::vector<entryform::PageElement> PageElements() const override { return typed; }
  bool ShowPhoto(const std::filesystem::path& picture) override {
    photosShown.push_back(picture.string());
    return std::filesystem::exists(picture);
  }
  void SetAttachmentButtonEnabled(int index, bool enabled) override {
    attachmentButtons.at(static_cast<std::size_t>(index)) = enabled;
  }
  void ShowBusy() override { busy = true, ++busyShown; }
  void HideBusy() override { busy = false; }
  app::MessageAnswer ShowMessage(const app::MessageBox& box) override {
    const bool yesNo = box.buttons == app::MessageButtons::kYesNo;
    messages.push_back("[" + box.title + "] " + box.text + (yesNo ? " (YesNo" : " (Ok") +
                       (box.icon == app::MessageIcon::kQuestion ? ", Question)" : ")"));
    return yesNo ? answer : app::MessageAnswer::kOk;
  }
  std::optional<std::string> ShowFileDialog(const app::FileDialogSetup& setup) override {
    fileDialogs.push_back(setup);
    std::optional<std::string> chosen;
    if (!chosenFiles.empty()) {
      chosen = chosenFiles.front();
      chosenFiles.pop_front();
    }
    return chosen;
  }
  void CloseWindow() override {
    bool cancel = false;
    logic->Form_Unload(cancel);
    closed = !cancel;
  }
  void EndProgram() override { ended = true; }

  TempDir dir;
  std::unique_ptr<app::frmMain> logic;
  Strings entries, messages, photosShown;  // messages as "[title] text (buttons, icon)"
  int selected = -1, tab = -1, busyShown = 0;
  bool shown = false, tabsEnabled = false, groupListEnabled = false, groupListFocused = false;
  bool busy = false, ended = false, closed = false;
  std::string page;
  std::vector<entryform::PageElement> typed;
  std::array<bool, 3> attachmentButtons = {false, false, false};
  app::MessageAnswer answer = app::MessageAnswer::kNo;
  std::deque<std::string> chosenFiles;
  std::vector<app::FileDialogSetup> fileDialogs;
};

}  // namespace vt::test
