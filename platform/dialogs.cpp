#include "platform/dialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <utility>

namespace vt::platform {
namespace {

ScopedDialogHooks* activeHooks = nullptr;

QString Title(const app::MessageBox& box) {
  return QString::fromStdString(box.title.empty() ? std::string(app::kApplicationTitle)
                                                  : box.title);
}

std::string Describe(const QDialog& dialog) {
  std::string description = dialog.windowTitle().toStdString();
  if (const auto* box = qobject_cast<const QMessageBox*>(&dialog)) {
    description += ": " + box->text().toStdString();
  }
  return description;
}

}  // namespace

app::MessageAnswer ShowMessageBox(QWidget* parent, const app::MessageBox& box) {
  QMessageBox dialog(parent);
  dialog.setWindowTitle(Title(box));
  dialog.setTextFormat(Qt::PlainText);  // the exact text, never read as markup
  dialog.setText(QString::fromStdString(box.text));
  dialog.setIcon(box.icon == app::MessageIcon::kQuestion ? QMessageBox::Question
                                                         : QMessageBox::NoIcon);
  if (box.buttons == app::MessageButtons::kOk) {
    dialog.setStandardButtons(QMessageBox::Ok);
    RunDialog(dialog);
    return app::MessageAnswer::kOk;
  }
  dialog.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  dialog.setDefaultButton(QMessageBox::Yes);
  RunDialog(dialog);
  return dialog.clickedButton() == dialog.button(QMessageBox::Yes) ? app::MessageAnswer::kYes
                                                                   : app::MessageAnswer::kNo;
}

int RunDialog(QDialog& dialog) {
  if (activeHooks == nullptr) {
    return dialog.exec();
  }
  activeHooks->Answer(dialog);
  return dialog.result();
}

ScopedDialogHooks::ScopedDialogHooks(std::vector<DialogHook> hooks)
    : hooks_(std::make_move_iterator(hooks.begin()), std::make_move_iterator(hooks.end())),
      outer_(std::exchange(activeHooks, this)) {}

ScopedDialogHooks::~ScopedDialogHooks() {
  activeHooks = outer_;
}

void ScopedDialogHooks::Answer(QDialog& dialog) {
  dialog.show();
  if (hooks_.empty()) {
    unexpected_.push_back(Describe(dialog));
  } else {
    // Taken off the queue first: answering may bring up the next dialog.
    const DialogHook hook = std::move(hooks_.front());
    hooks_.pop_front();
    hook(dialog);
  }
  if (dialog.isVisible()) {
    dialog.reject();  // an unanswered dialog never stays open
  }
}

}  // namespace vt::platform
