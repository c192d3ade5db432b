#pragma once

#include <QDialog>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window_port.h"

namespace vt::platform {

// Builds the message box the person sees and returns the button pressed.
app::MessageAnswer ShowMessageBox(QWidget* parent, const app::MessageBox& box);

// Every dialog is shown through here: modally, or, while test hooks are installed, shown and
// handed to the next hook, which answers it. Returns the dialog's result.
int RunDialog(QDialog& dialog);

using DialogHook = std::function<void(QDialog&)>;

// Installs hooks for the dialogs to come, each answering one dialog in turn (a hook may itself
// lead to the next dialog). A dialog with no hook left is rejected and noted as unexpected.
class ScopedDialogHooks {
 public:
  explicit ScopedDialogHooks(std::vector<DialogHook> hooks);
  ~ScopedDialogHooks();
  ScopedDialogHooks(const ScopedDialogHooks&) = delete;
  ScopedDialogHooks& operator=(const ScopedDialogHooks&) = delete;

  std::size_t Remaining() const { return hooks_.size(); }
  // Title and text of each dialog that came with no hook left.
  const std::vector<std::string>& Unexpected() const { return unexpected_; }

 private:
  friend int RunDialog(QDialog& dialog);
  void Answer(QDialog& dialog);

  std::deque<DialogHook> hooks_;
  std::vector<std::string> unexpected_;
  ScopedDialogHooks* outer_;
};

}  // namespace vt::platform
