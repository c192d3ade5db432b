#pragma once

#include <QAbstractButton>
#include <QMessageBox>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace vt::test {

// A message box as the person sees it: "[title] text (buttons, icon)", the way the tests of the
// logic write the boxes their fake window is asked to show.
inline std::string Described(const QMessageBox& box) {
  const QMessageBox::StandardButtons buttons = box.standardButtons();
  const std::string shown = buttons == (QMessageBox::Yes | QMessageBox::No) ? "YesNo"
                            : buttons == QMessageBox::Ok                    ? "Ok"
                                                                            : "other buttons";
  const std::string icon = box.icon() == QMessageBox::Question ? ", Question"
                           : box.icon() == QMessageBox::NoIcon ? ""
                                                               : ", another icon";
  return "[" + box.windowTitle().toStdString() + "] " + box.text().toStdString() + " (" + shown +
         icon + ")" + (box.isVisible() ? "" : " hidden");
}

// A hook that notes the message box in `seen` and presses `button`.
inline platform::DialogHook Press(QMessageBox::StandardButton button,
                                  std::vector<std::string>* seen = nullptr) {
  return [button, seen](QDialog& dialog) {
    auto& box = dynamic_cast<QMessageBox&>(dialog);
    if (seen != nullptr) {
      seen->push_back(Described(box));
    }
    box.button(button)->click();
  };
}

}  // namespace vt::test
