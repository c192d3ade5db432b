#include "tools/admin/console_window.h"

#include <utility>

namespace vt::admin {

void ConsoleWindow::SetGroupEntries(const std::vector<std::string>& entries) {
  entries_ = entries;
  selected_ = -1;
}

std::string ConsoleWindow::SelectedGroupText() const {
  return selected_ >= 0 && selected_ < static_cast<int>(entries_.size())
             ? entries_[static_cast<std::size_t>(selected_)]
             : std::string();
}

int ConsoleWindow::FindGroupEntry(const std::string& text) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i] == text) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void ConsoleWindow::SetAttachmentButtonEnabled(int index, bool enabled) {
  if (index >= 0 && index < static_cast<int>(attachmentEnabled.size())) {
    attachmentEnabled[static_cast<std::size_t>(index)] = enabled;
  }
}

app::MessageAnswer ConsoleWindow::ShowMessage(const app::MessageBox& box) {
  const std::string title = box.title.empty() ? app::kApplicationTitle : box.title;
  std::fprintf(out_, "%s: %s\n", title.c_str(), box.text.c_str());
  if (box.buttons == app::MessageButtons::kOk) {
    return app::MessageAnswer::kOk;
  }
  std::fprintf(out_, "  answered %s\n", answerYes_ ? "Yes" : "No");
  return answerYes_ ? app::MessageAnswer::kYes : app::MessageAnswer::kNo;
}

std::optional<std::string> ConsoleWindow::ShowFileDialog(const app::FileDialogSetup&) {
  return std::exchange(file_, std::nullopt);
}

}  // namespace vt::admin
