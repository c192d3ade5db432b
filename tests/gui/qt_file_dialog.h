#pragma once

// Driving Qt's own file dialog as a person would, for the dialogs built on it.

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace vt::test {

using Names = std::vector<std::string>;

inline QString Native(const std::filesystem::path& path) {
  return QFile::decodeName(path.c_str());
}

// Qt's dialog settings (last folder, view) go to a folder of the test run instead of the person's
// configuration.
inline void KeepQtDialogSettingsInTheTestRun() {
  static const TempDir qtSettings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Native(qtSettings.path()));
}

inline QListView* Listing(QFileDialog& dialog) {
  return dialog.findChild<QListView*>(QStringLiteral("listView"));
}

inline QPushButton* DialogButton(QFileDialog& dialog, QDialogButtonBox::StandardButton which) {
  return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
}

// The names the dialog lists, in its order.
inline Names Listed(QFileDialog& dialog) {
  const QListView* view = Listing(dialog);
  Names names;
  for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
    names.push_back(
        view->model()->index(row, 0, view->rootIndex()).data().toString().toStdString());
  }
  return names;
}

// Lets `go` navigate and waits until the model has read `folder`; what is listed then is complete
// and filtered, though the model may not have sorted it yet: the names come sorted here.
inline Names ListAfter(QFileDialog& dialog, const std::filesystem::path& folder,
                       const std::function<void()>& go) {
  bool loaded = false;
  const QString path = Native(folder);
  const QMetaObject::Connection connection =
      QObject::connect(dialog.findChild<QFileSystemModel*>(), &QFileSystemModel::directoryLoaded,
                       [&loaded, &path](const QString& done) { loaded = loaded || done == path; });
  go();
  EXPECT_TRUE(QTest::qWaitFor([&loaded] { return loaded; })) << path.toStdString();
  QObject::disconnect(connection);
  Names names = Listed(dialog);
  std::sort(names.begin(), names.end());
  return names;
}

inline Names ListFolder(QFileDialog& dialog, const std::filesystem::path& folder) {
  return ListAfter(dialog, folder, [&] { dialog.setDirectory(Native(folder)); });
}

// Selects the entry in the listing, as the person does with a click.
inline void Select(QFileDialog& dialog, const std::string& name) {
  const Names names = Listed(dialog);
  const auto found = std::find(names.begin(), names.end(), name);
  ASSERT_NE(found, names.end()) << name << " is not listed";
  const QListView* view = Listing(dialog);
  Listing(dialog)->setCurrentIndex(
      view->model()->index(static_cast<int>(found - names.begin()), 0, view->rootIndex()));
}

}  // namespace vt::test
