#include "controls/dir_select.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <utility>

namespace vt::controls {

DirSelect::DirSelect(QWidget* parent)
    : QWidget(parent), runDialog_([](QDialog& dialog) { return dialog.exec(); }) {}

bool DirSelect::OpenWindow() {
  SetSelectedPath(std::string(kNone));
  QFileDialog dialog(window());
  // Options first: Qt's own dialog, whose folder tree only holds file-system folders.
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setWindowTitle(QString::fromStdString(windowTitle_));
  dialog.setDirectory(QDir::rootPath());
  const bool chosen = runDialog_(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  if (chosen) {
    SetSelectedPath(QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
  }
  return chosen;
}

void DirSelect::SetWindowTitle(std::string title) {
  windowTitle_ = std::move(title);
  PropertyChanged("WindowTitle");
}

void DirSelect::SetSelectedPath(std::string path) {
  selectedPath_ = std::move(path);
  PropertyChanged("SelectedPath");
}

void DirSelect::ReadProperties(const properties::PropertyBag& bag) {
  windowTitle_ = bag.ReadText("WindowTitle", kDefaultTitle);
  selectedPath_ = bag.ReadText("SelectedPath", kNone);
}

void DirSelect::WriteProperties(properties::PropertyBag& bag) const {
  bag.Write("WindowTitle", windowTitle_, kDefaultTitle);
  bag.Write("SelectedPath", selectedPath_, kNone);
}

}  // namespace vt::controls
