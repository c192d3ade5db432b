#include "platform/main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/mmain.h"
#include "app/paths.h"
#include "app/record_files.h"
#include "platform/qt_raster.h"
#include "platform/sqlcipher_database.h"
#include "tests/gui/message_hooks.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "textdata/profile_record.h"
#include "tools/admin/installation.h"

namespace vt::platform {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using test::Press;

const std::string kExitMarrowick = "[Exit] Exit Kelvarin Marrowick? (YesNo, Question)";
const std::string kExitVellumtide = "[Exit] Exit Kelvarin Vellumtide? (YesNo, Question)";

// Runs the application's event loop with `action` as its first event; the loop's exit code, or
// -1 when nothing ended it within a few seconds.
int RunEventLoop(const std::function<void()>& action) {
  QTimer::singleShot(0, action);
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
  guard.start(5000);
  return QApplication::exec();
}

// The real window and logic on a demo installation, opened for profile 1001 (Émile, in
// "Year 5 Willow", three categories).
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(admin::MakeDemoInstallation(dir.path(), false)); }

  void Open() {
    logic = std::make_unique<app::frmMain>(window, dir.path(), OpenDatabase,
                                           std::make_unique<QtRaster>());
    window.SetLogic(logic.get());
    app::OpenProfileOf(*logic, "1001");
    before = test::ReadBytes(RecordPath());
  }

  template <typename Widget>
  Widget* Find(const char* name) {
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  QComboBox* Groups() { return Find<QComboBox>("cboGroups"); }
  int Tab() { return Find<QTabWidget>("sstProfile")->currentIndex(); }
  QString Text(const char* field) { return Find<QLineEdit>(field)->text(); }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  std::array<bool, 3> AttachmentButtons() {
    return {Find<QPushButton>("butAddFile_0")->isEnabled(),
            Find<QPushButton>("butAddFile_1")->isEnabled(),
            Find<QPushButton>("butAddFile_2")->isEnabled()};
  }

  // Types at the end of the field, or over all of it, as a keyboard with its input method would:
  // letters beyond ASCII arrive as key text.
  void Type(const char* field, const QString& text, bool replace = false) {
    QWidget* editor = Find<QWidget>(field);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      replace ? line->selectAll() : line->end(false);
    } else {
      qobject_cast<QPlainTextEdit*>(editor)->moveCursor(QTextCursor::End);
    }
    editor->setFocus();
    for (const QChar c : text) {
      if (c == u'\n' || c == u'\u2028') {  // a new paragraph, or a line separator
        QTest::keyClick(editor, Qt::Key_Return, c == u'\n' ? Qt::NoModifier : Qt::ShiftModifier);
      } else {
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
      }
    }
  }

  fs::path RecordPath() const { return dir / "Profile" / "1001" / "pr.dat"; }
  textdata::ProfileRecord Record() const {
    return app::ReadProfileRecord(RecordPath()).value_or(textdata::ProfileRecord{});
  }

  // One column of the rows the statement returns, joined by ",".
  std::string Query(const std::string& sql) const {
    const auto rows = OpenDatabase(app::DatabasePath(dir.path()))->Execute(sql);
    std::string joined;
    for (std::size_t row = 0; rows && row < rows->RowCount(); ++row) {
      joined += (row > 0 ? "," : "") + rows->Field(row, "v").value_or("NULL");
    }
    return joined;
  }

  test::TempDir dir;
  MainWindow window;
  std::unique_ptr<app::frmMain> logic;
  std::string before;  // the record as the window opened
  Strings asked;
};

TEST_F(MainWindowTest, OpensOnTheGroupsTabWithTheRecordsGroupAndForm) {
  Open();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelvarin  Vellumtide"));
  EXPECT_EQ(Tab(), 0);
  QStringList entries;
  for (int i = 0; i < Groups()->count(); ++i) {
    entries.append(Groups()->itemText(i));
  }
  EXPECT_EQ(
      entries.join(u'|'),
      QStringLiteral("Select a group...|Year 5 Willow|Chess & Go Club|Art Studio|Drama Group"));
  EXPECT_EQ(Groups()->currentText(), QStringLiteral("Year 5 Willow"));
  EXPECT_EQ(window.focusWidget(), Groups());
  EXPECT_EQ(Text("F_FirstName"), QStringLiteral("Émile"));
  EXPECT_EQ(Text("F_LastName"), QStringLiteral("Dubois-Laurent"));
  EXPECT_EQ(Find<QPlainTextEdit>("cat2")->toPlainText(),
            QStringLiteral("Learn to play the Rhapsody in Blue.\nRead ten books in French."));
  EXPECT_EQ(AttachmentButtons(), (std::array<bool, 3>{true, true, true}));
  for (const int size : {16, 32}) {
    EXPECT_EQ(window.windowIcon().pixmap(size).width(), size);
  }

  // Screen readers name the group list by its caption.
  const QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Groups());
  ASSERT_NE(list, nullptr);
  QStringList labels;
  for (const auto& [label, relation] : list->relations(QAccessible::Label)) {
    labels.append(label->text(QAccessible::Name));
  }
  EXPECT_TRUE(labels.contains(QStringLiteral("Class or group.")))
      << labels.join(u'|').toStdString();
}

TEST_F(MainWindowTest, KeyboardWalksTheProfileTabInOrder) {
  Open();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  Groups()->setFocus();
  QTest::keyClick(Groups(), Qt::Key_A);  // a new group, without narrations, builds a new form
  // "Next >" pressed from the keyboard leads to the first name.
  Find<QWidget>("butNext_1")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  Strings order;
  for (int i = 0; i < 12; ++i) {
    order.push_back(QApplication::focusWidget()->objectName().toStdString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(order, (Strings{"F_FirstName", "F_LastName", "cat1", "cat2", "cat3", "butSaveText",
                            "butChangeImage", "butAddFile_0", "butAddFile_1", "butBack_2",
                            "butNext_2", "qt_tabwidget_tabbar"}));
}

TEST_F(MainWindowTest, SaveTextStoresTheTypedFormInTheRecordAndTheDatabase) {
  Open();
  Click("butNext_1");
  Type("F_FirstName", QStringLiteral("  zoë ann "), true);
  Type("cat1", QStringLiteral("\n\"Quotes\" & <tags>\u00a0too\u2028end"));

  Click("butSaveText");

  const textdata::ProfileRecord record = Record();
  EXPECT_EQ(record.firstName, "Zoë Ann");
  ASSERT_EQ(record.categories.size(), 3u);
  EXPECT_EQ(record.categories[0],
            "Football, the piano and café visits with my grand-père.\r\nAlso: chess on "
            "Sundays.\r\n\"Quotes\" & <tags>\u00a0too\r\nend");
  EXPECT_EQ(Query("SELECT p_fname || ' ' || p_lname AS v FROM persons WHERE p_id = '1001'"),
            "Zoë Ann Dubois-laurent");
  EXPECT_EQ(Text("F_FirstName"), QStringLiteral("  zoë ann ")) << "the form stays as it was";
}

TEST_F(MainWindowTest, PersonsGroupChoiceSavesUnderTheNewGroupButTheProgramsDoesNot) {
  Open();
  window.SetSelectedGroupIndex(2);  // as the logic does: no handler runs
  EXPECT_EQ(window.SelectedGroupText(), "Chess & Go Club");
  EXPECT_EQ(test::ReadBytes(RecordPath()), before);
  EXPECT_EQ(AttachmentButtons(), (std::array<bool, 3>{true, true, true})) << "no new form";

  Click("butNext_1");
  Type("cat3", QStringLiteral(" Unforgettable."));
  Click("butBack_2");
  Groups()->setFocus();
  QTest::keyClick(Groups(), Qt::Key_A);  // jumps to "Art Studio"

  EXPECT_EQ(Groups()->currentText(), QStringLiteral("Art Studio"));
  const textdata::ProfileRecord record = Record();
  EXPECT_EQ(record.group, "Art Studio");
  ASSERT_EQ(record.categories.size(), 3u);
  EXPECT_EQ(record.categories[2],
            "The school trip to Zürich, when the bus broke down and we sang for two hours. "
            "Unforgettable.");
  EXPECT_EQ(Query("SELECT g_p_g_id AS v FROM group_persons WHERE g_p_p_id = '1001' ORDER BY 1"),
            "3,4");
  EXPECT_EQ(AttachmentButtons(), (std::array<bool, 3>{true, true, false}));
  EXPECT_EQ(Find<QPlainTextEdit>("cat3")->toPlainText().toStdString(), record.categories[2]);

  window.SetGroupEntries({"One", "Two"});
  EXPECT_EQ(window.SelectedGroupIndex(), -1);
  EXPECT_EQ(window.FindGroupEntry("Two"), 1);
  EXPECT_EQ(window.FindGroupEntry("two"), -1);
  EXPECT_EQ(Record().group, "Art Studio") << "replacing the entries runs no handler";
}

TEST_F(MainWindowTest, NextBackAndEveryWayOutAnsweredNoKeepTheWindowAndTheTypedText) {
  Open();
  Type("F_LastName", QStringLiteral("-Smith"));
  Click("butNext_1");
  EXPECT_EQ(Tab(), 1);
  Click("butBack_2");
  EXPECT_EQ(Tab(), 0);
  Click("butNext_1");

  ScopedDialogHooks hooks({Press(QMessageBox::No, &asked), Press(QMessageBox::No, &asked),
                           Press(QMessageBox::No, &asked)});
  Click("butNext_2");
  Find<QAction>("mnuProfile")->trigger();
  EXPECT_FALSE(window.windowHandle()->close()) << "the close box";
  EXPECT_EQ(asked, (Strings{kExitMarrowick, kExitVellumtide, kExitVellumtide}));
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(Tab(), 1);
  EXPECT_EQ(Text("F_LastName"), QStringLiteral("Dubois-Laurent-Smith"));
  EXPECT_EQ(test::ReadBytes(RecordPath()), before);
}

TEST_F(MainWindowTest, ExitButtonAnsweredYesEndsWithoutTheClosingQuestionOrASave) {
  Open();
  Click("butNext_1");
  Type("F_LastName", QStringLiteral("-Smith"));
  ScopedDialogHooks hooks({Press(QMessageBox::Yes, &asked)});
  EXPECT_EQ(RunEventLoop([this] { Click("butNext_2"); }), 0);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(asked, Strings{kExitMarrowick});
  EXPECT_TRUE(hooks.Unexpected().empty());
  EXPECT_EQ(test::ReadBytes(RecordPath()), before);
}

TEST_F(MainWindowTest, CloseBoxAnsweredYesEndsTheProgram) {
  Open();
  ScopedDialogHooks hooks({Press(QMessageBox::Yes, &asked)});
  EXPECT_EQ(RunEventLoop([this] { window.windowHandle()->close(); }), 0);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(asked, Strings{kExitVellumtide});
  EXPECT_TRUE(hooks.Unexpected().empty());
}

TEST_F(MainWindowTest, PhotoIsShownUnscaledAndKeptWhenTheNextCannotBeRead) {
  QImage photo(300, 450, QImage::Format_RGB32);
  photo.fill(Qt::white);
  photo.setPixel(0, 0, qRgb(0, 0, 0));
  const fs::path picture = dir / "Profile" / "1001" / "image.fwi";
  ASSERT_TRUE(photo.save(QString::fromStdString(picture.string()), "JPG", 100));
  Open();
  const QLabel* box = Find<QLabel>("picProfileImage");
  const QPixmap shown = box->pixmap();
  EXPECT_EQ(shown.size(), QSize(300, 450));
  EXPECT_LT(qGray(shown.toImage().pixel(0, 0)), 64) << "its top-left corner";

  test::WriteBytes(picture, "not a picture");
  EXPECT_FALSE(window.ShowPhoto(picture));
  EXPECT_FALSE(window.ShowPhoto(dir / "missing.fwi"));
  EXPECT_EQ(box->pixmap().cacheKey(), shown.cacheKey());
}

TEST_F(MainWindowTest, BusyPanelShowsWithTheWaitCursorUntilHidden) {
  window.show();
  window.ShowBusy();
  const QLabel* panel = Find<QLabel>("panUpdate");
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->text(), QStringLiteral("Updating Information...."));
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  window.HideBusy();
  EXPECT_FALSE(panel->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace vt::platform
