#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/main_window_port.h"
#include "app/mmain.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/temp_dir.h"
#include "tools/admin/installation.h"

namespace vt::test {

using Strings = std::vector<std::string>;

// A raster that takes every existing file for a picture of `natural` size and writes a stand-in
// for the JPEG, noting each step in `log`.
class FakeRaster : public imaging::RasterPort {
 public:
  FakeRaster(Strings& log, const imaging::Size& natural) : log_(log), natural_(natural) {}

  imaging::SourceLoad LoadSource(const std::filesystem::path& file, const DrawnSize&) override {
    log_.push_back("load " + file.string());
    if (!std::filesystem::exists(file)) {
      return {std::nullopt, file.string() + " cannot be read"};
    }
    return {natural_, {}};
  }
  void ResizeCanvas(imaging::Size size) override {
    canvas_ = size;
    log_.push_back("canvas " + std::to_string(size.width) + "x" + std::to_string(size.height));
  }
  imaging::Size CanvasSize() const override { return canvas_; }
  void DrawSource(const imaging::Placement& p) override {
    log_.push_back("draw " + std::to_string(p.x) + " " + std::to_string(p.y) + " " +
                   std::to_string(p.width) + " " + std::to_string(p.height));
  }
  std::string SaveCanvasAsJpeg(const std::filesystem::path& file, int quality) override {
    log_.push_back("save " + file.string() + " at " + std::to_string(quality));
    return std::ofstream(file) << "JPEG" ? "" : "cannot write " + file.string();
  }

 private:
  Strings& log_;
  const imaging::Size& natural_;
  imaging::Size canvas_;
};

// A window that records what the logic does to it, answers message boxes from a script, and lets
// a test act as the person: pick a group, type into the page, close the window.
class FakeWindow : public app::MainWindowPort {
 public:
  app::frmMain* logic = nullptr;

  Strings entries;
  int selected = -1;
  int tab = -1;
  bool shown = false, tabsEnabled = false, groupListEnabled = false, groupListFocused = false;
  bool busy = false, ended = false, closed = false;
  int busyShown = 0;
  std::string page;
  std::vector<entryform::PageElement> elements;  // what the person typed into the page
  std::array<bool, 3> attachmentEnabled = {false, false, false};
  std::deque<app::MessageAnswer> answers;  // the person's answers to questions, in turn
  Strings messages;                        // each box as "[title] text (buttons, icon)"
  std::deque<std::string> chosenFiles;     // the files the person picks, in turn; then cancels
  std::vector<app::FileDialogSetup> fileDialogs;
  imaging::Size pictureSize{600, 1200};  // what the raster takes any picture file to be
  Strings photoLog;                      // the raster's steps and the photos shown

  // The person picks entry `index` of the group list.
  void PersonSelectsGroup(int index) {
    if (index != selected) {
      selected = index;
      logic->cboGroups_Click();
    }
  }

  void ShowWindow() override { shown = true; }
  void SetProgramIcon() override {}
  void SelectTab(int index) override { tab = index; }
  void SetTabsEnabled(bool enabled) override { tabsEnabled = enabled; }
  void SetGroupEntries(const Strings& list) override {
    entries = list;
    selected = -1;
  }
  int SelectedGroupIndex() const override { return selected; }
  std::string SelectedGroupText() const override {
    return selected >= 0 && selected < static_cast<int>(entries.size()) ? entries[selected] : "";
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
  std::vector<entryform::PageElement> PageElements() const override { return elements; }
  bool ShowPhoto(const std::filesystem::path& picture) override {
    photoLog.push_back("show " + picture.string());
    return std::filesystem::exists(picture);
  }
  void SetAttachmentButtonEnabled(int index, bool enabled) override {
    attachmentEnabled.at(static_cast<std::size_t>(index)) = enabled;
  }
  void ShowBusy() override {
    busy = true;
    ++busyShown;
  }
  void HideBusy() override { busy = false; }
  app::MessageAnswer ShowMessage(const app::MessageBox& box) override {
    const bool yesNo = box.buttons == app::MessageButtons::kYesNo;
    messages.push_back("[" + box.title + "] " + box.text + (yesNo ? " (YesNo" : " (Ok") +
                       (box.icon == app::MessageIcon::kQuestion ? ", Question)" : ")"));
    if (!yesNo) {
      return app::MessageAnswer::kOk;
    }
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected message: " << box.text;
      return app::MessageAnswer::kNo;
    }
    const app::MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> ShowFileDialog(const app::FileDialogSetup& setup) override {
    fileDialogs.push_back(setup);
    if (chosenFiles.empty()) {
      return std::nullopt;
    }
    std::string chosen = chosenFiles.front();
    chosenFiles.pop_front();
    return chosen;
  }
  void CloseWindow() override {
    bool cancel = false;
    logic->Form_Unload(cancel);
    closed = !cancel;
  }
  void EndProgram() override { ended = true; }
};

// The real database, with every statement the wizard sends written down.
class RecordingDatabase : public database::DatabasePort {
 public:
  RecordingDatabase(std::unique_ptr<database::DatabasePort> inner, Strings& log)
      : inner_(std::move(inner)), log_(log) {}
  std::optional<database::ResultSet> Execute(std::string_view sql,
                                             std::span<const std::string> parameters) override {
    log_.emplace_back(sql);
    return inner_->Execute(sql, parameters);
  }

 private:
  std::unique_ptr<database::DatabasePort> inner_;
  Strings& log_;
};

// The wizard's logic on the fake window and a demo installation: groups "Year 5 Willow" (1),
// "Chess & Go Club" (2), "Art Studio" (3), "Drama Group" (4). Profile 1001 is in groups 1 and 4
// with a full record under group 1 (presentations 10 MB, movies 5 MB, narrations 2 MB); 1004 is
// in "Art Studio" (presentations 1 MB, movies with size class 7, which gives a limit of 0).
class WizardFixture : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(admin::MakeDemoInstallation(dir_.path(), false)); }

  void Start(const std::string& profileId) {
    logic_ = std::make_unique<app::frmMain>(
        window_, dir_.path(),
        [this](const std::filesystem::path& path) {
          return std::make_unique<RecordingDatabase>(platform::OpenDatabase(path), statements_);
        },
        std::make_unique<FakeRaster>(window_.photoLog, window_.pictureSize));
    window_.logic = logic_.get();
    app::OpenProfileOf(*logic_, profileId);
  }

  std::filesystem::path RecordPath(const std::string& id) const {
    return dir_ / "Profile" / id / "pr.dat";
  }

  // How many statements sent start with `start`.
  std::size_t Sent(std::string_view start) const {
    return static_cast<std::size_t>(
        std::count_if(statements_.begin(), statements_.end(),
                      [&](const std::string& sql) { return sql.starts_with(start); }));
  }

  ::testing::AssertionResult PageHas(std::string_view part) const {
    if (window_.page.find(part) != std::string::npos) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the page has no \"" << part << '"';
  }

  TempDir dir_;
  FakeWindow window_;
  Strings statements_;
  std::unique_ptr<app::frmMain> logic_;
};

}  // namespace vt::test
