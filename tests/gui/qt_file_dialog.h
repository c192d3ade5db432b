#pragma once

// Driving Qt's own file dialog as a person would, for the dialogs built on it.

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace vt::test {

using Names = std::vector<std::string>;

// Qt's dialog settings (last folder, view) go to the test run, not the person's configuration.
inline void KeepQtDialogSettingsInTheTestRun() {
  static const TempDir qtSettings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QFile::decodeName(qtSettings.path().c_str()));
}

inline QPushButton* DialogButton(QFileDialog& dialog, QDialogButtonBox::StandardButton which) {
  return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
}

// The names the dialog lists, in its order.
inline Names Listed(QFileDialog& dialog) {
  const auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  Names names;
  for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
    names.push_back(
        view->model()->index(row, 0, view->rootIndex()).data().toString().toStdString());
  }
  return names;
}

// Opens `folder` and waits until the model has read it; what is listed then is complete and
// filtered, though perhaps not sorted yet: the names come sorted here.
inline Names ListFolder(QFileDialog& dialog, const std::filesystem::path& folder) {
  QSignalSpy loaded(dialog.findChild<QFileSystemModel*>(), &QFileSystemModel::directoryLoaded);
  const QString path = QFile::decodeName(folder.c_str());
  dialog.setDirectory(path);
  EXPECT_TRUE(QTest::qWaitFor([&] { return loaded.contains({path}); })) << path.toStdString();
  Names names = Listed(dialog);
  std::sort(names.begin(), names.end());
  return names;
}

// Selects the entry in the listing, as the person does with a click.
inline void Select(QFileDialog& dialog, const std::string& name) {
  const Names names = Listed(dialog);
  const auto found = std::find(names.begin(), names.end(), name);
  ASSERT_NE(found, names.end()) << name << " is not listed";
  auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  view->setCurrentIndex(
      view->model()->index(static_cast<int>(found - names.begin()), 0, view->rootIndex()));
}

}  // namespace vt::test
