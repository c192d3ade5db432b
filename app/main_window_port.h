#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "entryform/entry_page.h"
#include "entryform/entry_values.h"

namespace vt::app {

enum class MessageButtons { kOk, kYesNo };
enum class MessageIcon { kNone, kQuestion };
enum class MessageAnswer { kOk, kYes, kNo };

// A message box as the person sees it. An empty title shows the program's title "Vellumtide".
struct MessageBox {
  std::string text;
  std::string title;
  MessageButtons buttons = MessageButtons::kOk;
  MessageIcon icon = MessageIcon::kNone;
};

inline constexpr const char* kApplicationTitle = "Vellumtide";

// A file-open dialog: one filter entry, its label shown as it stands, listing the files that match
// any of the patterns in any letter case.
struct FileDialogSetup {
  std::string title;
  std::string filterLabel;
  std::vector<std::string> patterns;
};

// The operations the wizard's logic needs of its main window. The window calls the logic's
// handlers for what the person does; it never calls them for changes made through this port.
class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;

  virtual void ShowWindow() = 0;
  virtual void SetProgramIcon() = 0;

  // Tabs: 0 "Groups", 1 "Profile".
  virtual void SelectTab(int index) = 0;
  virtual void SetTabsEnabled(bool enabled) = 0;

  // The group list. SetGroupEntries replaces the entries and leaves none selected (-1).
  virtual void SetGroupEntries(const std::vector<std::string>& entries) = 0;
  virtual int SelectedGroupIndex() const = 0;
  virtual std::string SelectedGroupText() const = 0;
  virtual void SetSelectedGroupIndex(int index) = 0;
  // The first entry whose text is exactly `text` (letter case counts); -1 when there is none.
  virtual int FindGroupEntry(const std::string& text) const = 0;
  virtual void SetGroupListEnabled(bool enabled) = 0;
  virtual void FocusGroupList() = 0;

  // The entry form view: shows a page, and lists its elements with the editors' live values
  // (line breaks as CR LF).
  virtual void ShowPage(const std::string& html,
                        const std::vector<entryform::FieldValue>& values) = 0;
  virtual std::vector<entryform::PageElement> PageElements() const = 0;

  // Shows the picture unscaled from its top-left corner; false, with the old picture kept, when
  // the file is missing or cannot be read.
  virtual bool ShowPhoto(const std::filesystem::path& picture) = 0;

  // Attachment buttons: 0 presentation, 1 movie, 2 narration.
  virtual void SetAttachmentButtonEnabled(int index, bool enabled) = 0;
  // Plain text; lines separated by "\n".
  virtual void SetAttachmentButtonToolTip(int index, const std::string& text) = 0;

  // The busy panel "Updating Information...." with the wait cursor, painted at once.
  virtual void ShowBusy() = 0;
  virtual void HideBusy() = 0;

  virtual MessageAnswer ShowMessage(const MessageBox& box) = 0;

  // Asks for one existing file, its accept button captioned "Apply"; a link is returned as itself.
  // No value when the person cancels.
  virtual std::optional<std::string> ShowFileDialog(const FileDialogSetup& setup) = 0;

  // Closes the window through its closing path, which asks the logic first.
  virtual void CloseWindow() = 0;
  // Ends the program at once: no question, nothing saved.
  virtual void EndProgram() = 0;
};

}  // namespace vt::app
