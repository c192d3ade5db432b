// vellumtide PROFILE-ID: the wizard for the person whose profile identifier is given.
#include <QApplication>
#include <QFile>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/mmain.h"
#include "platform/main_window.h"
#include "platform/sqlcipher_database.h"

namespace {

std::vector<std::string> Arguments(int argc, char** argv) {
  return {argv + 1, argv + argc};
}

}  // namespace

int main(int argc, char** argv) {
  // Nothing to edit: end before reaching for a display.
  if (vt::app::ProfileIdFromArguments(Arguments(argc, argv)).empty()) {
    return 0;
  }
  QApplication application(argc, argv);  // takes Qt's own options out of argv
  QApplication::setApplicationName(QString::fromUtf8(vt::app::kApplicationTitle));
  const std::string profileId = vt::app::ProfileIdFromArguments(Arguments(argc, argv));
  if (profileId.empty()) {
    return 0;
  }
  const std::filesystem::path executableFolder =
      QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();

  vt::platform::MainWindow window;
  vt::app::frmMain logic(window, vt::app::ProgramFolder(executableFolder),
                         vt::platform::OpenDatabase);
  window.SetLogic(&logic);
  logic.state().sProfileID = profileId;
  std::string associatedPath;
  logic.OpenProfile(associatedPath);
  return QApplication::exec();
}
