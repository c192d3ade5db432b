// The wizard program as it starts: RunWizard makes its own application, so these tests run in a
// program that has none.
#include "platform/wizard.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QtWidgets>
#include <string>

#include "tests/support/demo_installation.h"
#include "tests/support/temp_dir.h"

namespace vt::platform {
namespace {

// What the first turn of the wizard's event loop found: the group chosen in the shown window and
// the tab that "Next >" led to; empty when no application was made.
std::string seen;

// Runs as each application is made, and looks at the window once the wizard's event loop runs,
// then ends the loop. Start-up passes events by hand before: those turns only look again later.
void LookAtTheWindow() {
  seen = "no window shown";
  if (QThread::currentThread()->loopLevel() == 0) {
    QTimer::singleShot(0, LookAtTheWindow);
    return;
  }
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMainWindow*>(widget) != nullptr && widget->isVisible()) {
      widget->findChild<QPushButton*>(QStringLiteral("butNext_1"))->click();
      const auto* groups = widget->findChild<QComboBox*>(QStringLiteral("cboGroups"));
      const auto* tabs = widget->findChild<QTabWidget*>(QStringLiteral("sstProfile"));
      seen = groups->currentText().toStdString() + ", tab " + std::to_string(tabs->currentIndex());
    }
  }
  QCoreApplication::exit(7);
}
Q_COREAPP_STARTUP_FUNCTION(LookAtTheWindow)

// Runs the wizard on a demo installation, its one argument `id`: its exit code, then what it saw.
std::string RunWizardWith(std::string id) {
  const test::TempDir installation;
  test::WriteDemoInstallation(installation.path());
  ::setenv("VELLUMTIDE_HOME", installation.path().c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  seen.clear();
  std::string program = "vellumtide";
  char* argv[] = {program.data(), id.data(), nullptr};
  int argc = 2;
  return std::to_string(RunWizard(argc, argv)) + ": " + seen;
}

TEST(Wizard, EndsAtOnceWhenNoProfileIsNamedElseOpensItInAShownWindowAndRunsUntilItEnds) {
  EXPECT_EQ(RunWizardWith(" "), "0: ") << "no application is made";
  EXPECT_EQ(RunWizardWith(" 1001 "), "7: Year 5 Willow, tab 1");
}

}  // namespace
}  // namespace vt::platform
