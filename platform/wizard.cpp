#include "platform/wizard.h"

#include <QApplication>
#include <QStringList>
#include <future>
#include <string>
#include <system_error>
#include <vector>

#include "app/frm_main.h"
#include "app/mmain.h"
#include "app/paths.h"
#include "platform/main_window.h"
#include "platform/qt_raster.h"
#include "platform/sqlcipher_database.h"

namespace vt::platform {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> ArgumentsAfterProgramName(const QStringList& arguments) {
  std::vector<std::string> result;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    result.push_back(arguments[i].toStdString());
  }
  return result;
}

fs::path ExecutableFolder() {
  std::error_code ec;
  const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path(ec) : executable.parent_path();
}

}  // namespace

int RunWizard(int& argc, char** argv) {
  if (app::ProfileIdFromArguments({argv + 1, argv + argc}).empty()) {
    return 0;
  }
  const fs::path programFolder = app::ProgramFolder(ExecutableFolder());
  // Deriving the database key is the slowest step of start-up: it runs while Qt starts.
  std::future<std::unique_ptr<database::DatabasePort>> database =
      std::async(std::launch::async, OpenDatabase, app::DatabasePath(programFolder));

  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(app::kApplicationTitle));
  const std::string profileId =
      app::ProfileIdFromArguments(ArgumentsAfterProgramName(QCoreApplication::arguments()));
  if (profileId.empty()) {
    return 0;
  }
  MainWindow window;
  app::frmMain logic(
      window, programFolder,
      [&database](const fs::path& path) {
        return database.valid() ? database.get() : OpenDatabase(path);
      },
      std::make_unique<QtRaster>());
  window.SetLogic(&logic);
  app::OpenProfileOf(logic, profileId);
  return QApplication::exec();
}

}  // namespace vt::platform
