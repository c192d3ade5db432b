// Whole-process start-up probe for bench/startup.sh:
//   startup_probe --make DIR [CATEGORIES]
//                                 makes an installation of 10,000 groups whose profile "1" has a
//                                 record of CATEGORIES categories (20 unless told)
//   startup_probe --empty-window  shows an empty Qt window and ends at the first event-loop pass
//   startup_probe --same-widgets  shows the widgets the wizard shows, filled alike, without the
//                                 wizard: no database, files, page parsing or busy panel
//   startup_probe ID              opens the wizard as vellumtide does and ends at the first pass
// Both print the clock at that pass, in nanoseconds since the epoch.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStringListModel>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/paths.h"
#include "app/record_files.h"
#include "files/replace.h"
#include "platform/sqlcipher_database.h"
#include "platform/wizard.h"
#include "textdata/profile_record.h"
#include "textdata/tagged_text.h"
#include "tools/admin/installation.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGroups = 10000;
constexpr int kCategories = 20;  // in the window of --same-widgets

std::string SetupText(int categories) {
  std::string text;
  for (int n = 1; n <= categories; ++n) {
    const std::string name = vt::textdata::NumberedName("CATEGORIES_", n);
    text += "<" + name + ">Category <b>" + std::to_string(n) + "</b></" + name + ">\r\n";
  }
  for (int g = 0; g <= kGroups; ++g) {
    for (const char* stem : {"PRESENTATIONS_", "MOVIES_", "NARRATIONS_"}) {
      const std::string name = vt::textdata::NumberedName(stem, g);
      text += "<" + name + ">1</" + name + ">\r\n";
    }
  }
  return text;
}

// About 500 characters of words, as a person writes them, on two lines.
std::string Paragraph(int k) {
  std::string text;
  while (text.size() < 480) {
    text += "We met every Tuesday after school to plan the trip, and nobody forgot the map. ";
  }
  return text + "\r\nCategory " + std::to_string(k) + ".";
}

int MakeInstallation(const fs::path& folder, int categories) {
  if (const auto made = vt::admin::InitInstallation(folder, true); !made) {
    std::fprintf(stderr, "%s\n", made.error.c_str());
    return 1;
  }
  auto db = vt::platform::OpenDatabase(vt::app::DatabasePath(folder));
  db->Execute("BEGIN");
  for (int g = 1; g <= kGroups; ++g) {
    // Names in the reverse of their alphabetical order, as a real list would not be sorted.
    const std::array<std::string, 1> name = {"Group " + std::to_string(kGroups - g)};
    db->Execute("INSERT INTO groups(g_name) VALUES (?1)", name);
  }
  db->Execute("INSERT INTO persons VALUES ('1', 'Ann', 'Lee')");
  db->Execute("INSERT INTO group_persons VALUES (5000, '1')");
  db->Execute("COMMIT");
  vt::textdata::ProfileRecord record{"Group 5000", "Ann", "Lee", {}};
  for (int k = 1; k <= categories; ++k) {
    record.categories.push_back(Paragraph(k));
  }
  const fs::path profile = *vt::app::ProfileFolder(folder, "1");
  fs::create_directories(profile);
  const bool written =
      vt::files::ReplaceFile(vt::app::SetupDataPath(folder), SetupText(categories)) &&
      vt::app::WriteProfileRecord(profile / vt::textdata::kProfileRecordName, record);
  return written ? 0 : 1;
}

// Reports the clock and ends at the first pass of the event loop: by then the window is shown and
// the form built. exit(), not quit(): quit() asks the windows to close, and the wizard asks before
// it closes. A repeating timer, checked against the loop: the wizard's busy panel runs one pass of
// pending events before the loop starts, which must neither report nor use up the timer.
void QuitAtTheFirstPass() {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [] {
    if (QThread::currentThread()->loopLevel() == 0) {
      return;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("%lld%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
    std::fflush(stdout);
    QCoreApplication::exit(0);
  });
  timer->start(0);
}
Q_COREAPP_STARTUP_FUNCTION(QuitAtTheFirstPass)

// The widgets the wizard's window holds at start-up: what any program showing the same would pay.
void ShowSameWidgets(QMainWindow& window) {
  window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("Exit"));
  auto* tabs = new QTabWidget;
  auto* groupsTab = new QWidget;
  auto* groupsLayout = new QVBoxLayout(groupsTab);
  auto* groups = new QComboBox;
  groups->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  groups->setMinimumContentsLength(40);
  QStringList names;
  for (int g = 0; g < kGroups; ++g) {
    names.append(QStringLiteral("Group %1").arg(g));
  }
  groups->setModel(new QStringListModel(names, groups));
  groups->setCurrentIndex(kGroups / 2);
  groupsLayout->addWidget(new QLabel(QStringLiteral("Class or group.")));
  groupsLayout->addWidget(groups);
  tabs->addTab(groupsTab, QStringLiteral("Groups"));
  auto* form = new QScrollArea;
  form->setWidgetResizable(true);
  auto* page = new QWidget;
  auto* pageLayout = new QVBoxLayout(page);
  for (int k = 1; k <= kCategories; ++k) {
    auto* caption = new QLabel(QStringLiteral("Category <b>%1</b>").arg(k));
    caption->setTextFormat(Qt::RichText);
    caption->setWordWrap(true);
    pageLayout->addWidget(caption);
    auto* text = new QPlainTextEdit(QString::fromStdString(Paragraph(k)).replace(u'\r', u' '));
    text->setFixedSize(300, 50);
    pageLayout->addWidget(text);
  }
  form->setWidget(page);
  tabs->addTab(form, QStringLiteral("Profile"));
  window.setCentralWidget(tabs);
  window.resize(860, 680);
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--make") == 0) {
    return MakeInstallation(argv[2], argc == 4 ? std::atoi(argv[3]) : kCategories);
  }
  if (argc == 2 && (std::strcmp(argv[1], "--empty-window") == 0 ||
                    std::strcmp(argv[1], "--same-widgets") == 0)) {
    QApplication application(argc, argv);
    QMainWindow window;
    if (std::strcmp(argv[1], "--same-widgets") == 0) {
      ShowSameWidgets(window);
    }
    window.show();
    return QApplication::exec();
  }
  return vt::platform::RunWizard(argc, argv);
}
