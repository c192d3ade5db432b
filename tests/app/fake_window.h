#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/main_window_port.h"

namespace vt::test {

// A raster that takes every existing file for a picture of `natural` size and writes a stand-in
// for the JPEG, noting each step in `log`.
class FakeRaster : public imaging::RasterPort {
 public:
  FakeRaster(std::vector<std::string>& log, const imaging::Size& natural)
      : log_(log), natural_(natural) {}

  std::optional<imaging::Size> LoadSource(const std::filesystem::path& file,
                                          const DrawnSize&) override {
    log_.push_back("load " + file.string());
    return std::filesystem::exists(file) ? std::optional(natural_) : std::nullopt;
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
  bool SaveCanvasAsJpeg(const std::filesystem::path& file, int quality) override {
    log_.push_back("save " + file.string() + " at " + std::to_string(quality));
    return static_cast<bool>(std::ofstream(file) << "JPEG");
  }

 private:
  std::vector<std::string>& log_;
  const imaging::Size& natural_;
  imaging::Size canvas_;
};

// A window that records what the logic does to it, answers message boxes from a script, and lets
// a test act as the person: pick a group, type into the page, close the window.
class FakeWindow : public app::MainWindowPort {
 public:
  app::frmMain* logic = nullptr;

  std::vector<std::string> entries;
  int selected = -1;
  int tab = -1;
  bool shown = false, tabsEnabled = false, groupListEnabled = false, groupListFocused = false;
  bool busy = false, ended = false, closed = false;
  int busyShown = 0;
  std::string page;
  int pagesShown = 0;
  std::vector<entryform::PageElement> elements;  // what the person typed into the page
  std::vector<std::filesystem::path> photos;
  std::array<bool, 3> attachmentEnabled = {false, false, false};
  std::deque<app::MessageAnswer> answers;  // the person's answers to questions, in turn
  std::vector<app::MessageBox> messages;
  std::deque<std::string> chosenFiles;  // the files the person picks, in turn; then cancels
  std::vector<app::FileDialogSetup> fileDialogs;
  imaging::Size pictureSize{600, 1200};  // what the raster takes any picture file to be
  std::vector<std::string> photoLog;     // the raster's steps and the photos shown

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
  void SetGroupEntries(const std::vector<std::string>& list) override {
    entries = list;
    selected = -1;
  }
  int SelectedGroupIndex() const override { return selected; }
  std::string SelectedGroupText() const override {
    return selected >= 0 && selected < static_cast<int>(entries.size()) ? entries[selected] : "";
  }
  void SetSelectedGroupIndex(int index) override { selected = index; }
  int FindGroupEntry(const std::string& text) const override {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i] == text) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }
  void SetGroupListEnabled(bool enabled) override { groupListEnabled = enabled; }
  void FocusGroupList() override { groupListFocused = true; }
  void ShowPage(const std::string& html) override {
    page = html;
    ++pagesShown;
  }
  std::vector<entryform::PageElement> PageElements() const override { return elements; }
  bool ShowPhoto(const std::filesystem::path& picture) override {
    photos.push_back(picture);
    photoLog.push_back("show " + picture.string());
    return std::filesystem::exists(picture);
  }
  std::unique_ptr<imaging::RasterPort> MakeRaster() override {
    return std::make_unique<FakeRaster>(photoLog, pictureSize);
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
    messages.push_back(box);
    if (box.buttons == app::MessageButtons::kOk) {
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

}  // namespace vt::test
