// The GUI tests need one QApplication for the whole run; listing the tests needs one too, so the
// offscreen platform is the default here rather than only in the test environment.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <cstdlib>

#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  const vt::test::TempDir settings;  // Qt's file dialog keeps its own settings: not the person's
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromStdString(settings.path().string()));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
