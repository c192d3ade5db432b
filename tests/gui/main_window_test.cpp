#include "platform/main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStringListModel>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/frm_main.h"
#include "app/mmain.h"
#include "app/record_files.h"
#include "platform/qt_raster.h"
#include "platform/sqlcipher_database.h"
#include "tests/gui/message_hooks.h"
#include "tests/support/demo_installation.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/temp_dir.h"

namespace vt::platform {
namespace {

namespace fs = std::filesystem;
using test::Press;

// Runs the application's event loop with `action` as its first event; the loop's exit code, or
// -1 when nothing ended it within a few seconds.
int RunEventLoop(const std::function<void()>& action) {
  const QObject guard;
  QTimer::singleShot(0, action);
  QTimer::singleShot(5000, &guard, [] { QCoreApplication::exit(-1); });
  return QApplication::exec();
}

// How many pixels of the window's shot, where `widget` lies, are darker than `gray`.
int DarkPixels(const QImage& shot, const QWidget& widget, int gray = 128) {
  const QRect area(widget.mapTo(widget.window(), QPoint()), widget.size());
  int dark = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      dark += qGray(shot.pixel(x, y)) < gray ? 1 : 0;
    }
  }
  return dark;
}

// The real window and logic on the demo installation, opened for profile 1001 (Émile, in
// "Year 5 Willow", three categories).
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteDemoInstallation(dir.path());
    logic = std::make_unique<app::frmMain>(window, dir.path(), OpenDatabase,
                                           std::make_unique<QtRaster>());
    window.SetLogic(logic.get());
    app::OpenProfileOf(*logic, "1001");
  }

  template <typename Widget = QWidget>
  Widget* Find(const char* name) {
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QComboBox* Groups() { return Find<QComboBox>("cboGroups"); }
  int Tab() { return Find<QTabWidget>("sstProfile")->currentIndex(); }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  QString File(const char* name) const { return QString::fromStdString((dir / name).string()); }
  textdata::ProfileRecord Record() const {
    return app::ReadProfileRecord(dir / "Profile/1001/pr.dat").value();
  }

  test::TempDir dir;
  MainWindow window;
  std::unique_ptr<app::frmMain> logic;
};

TEST_F(MainWindowTest, ShowsWhatTheLogicGaveItAndNamesTheGroupListByItsCaption) {
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelvarin  Vellumtide"));
  EXPECT_EQ(window.windowIcon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
  EXPECT_EQ(QApplication::windowIcon().availableSizes(), window.windowIcon().availableSizes());
  EXPECT_EQ(
      qobject_cast<QStringListModel*>(Groups()->model())->stringList().join(u'|'),
      QStringLiteral("Select a group...|Year 5 Willow|Chess & Go Club|Art Studio|Drama Group"));
  EXPECT_EQ(Groups()->currentText(), QStringLiteral("Year 5 Willow"));
  EXPECT_EQ(window.focusWidget(), Groups());
  EXPECT_EQ(Find<QLineEdit>("F_FirstName")->text(), QStringLiteral("Émile"));
  QStringList labels;  // what screen readers name the list by
  for (const auto& [label, relation] :
       QAccessible::queryAccessibleInterface(Groups())->relations(QAccessible::Label)) {
    labels.append(label->text(QAccessible::Name));
  }
  EXPECT_TRUE(labels.contains(QStringLiteral("Class or group.")))
      << labels.join(u'|').toStdString();
  EXPECT_EQ(Find("picProfileImage")->accessibleName(), QStringLiteral("Profile photo"));
}

TEST_F(MainWindowTest, KeyboardWalksTheProfileTabInOrder) {
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  Groups()->setFocus();
  QTest::keyClick(Groups(), Qt::Key_A);  // a new group, without narrations, builds a new form
  Find("butNext_1")->setFocus();  // "Next >" pressed from the keyboard leads to the first name
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  QStringList order;
  for (int i = 0; i < 12; ++i) {
    order.append(QApplication::focusWidget()->objectName());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(order.join(u' ').toStdString(),
            "F_FirstName F_LastName cat1 cat2 cat3 butSaveText butChangeImage butAddFile_0 "
            "butAddFile_1 butBack_2 butNext_2 qt_tabwidget_tabbar");
}

TEST_F(MainWindowTest, EveryControlReachesItsOwnHandler) {
  test::WriteBytes(dir / "clip.avi", "clip");
  QStringList asked;  // each file dialog's title and filter; each is cancelled with a file selected
  const auto cancel = [&](QDialog& dialog) {
    auto& files = dynamic_cast<QFileDialog&>(dialog);
    asked.append(files.windowTitle() + u' ' + files.nameFilters().join(u'|'));
    files.selectFile(File("clip.avi"));
  };
  {
    ScopedDialogHooks hooks({cancel, cancel, cancel, cancel, Press(QMessageBox::No),
                             Press(QMessageBox::No), Press(QMessageBox::No)});
    Click("butNext_1");
    EXPECT_EQ(Tab(), 1);
    for (const char* button : {"butAddFile_0", "butAddFile_1", "butAddFile_2", "butChangeImage"}) {
      Click(button);
    }
    EXPECT_EQ(asked.join(u'\n').toStdString(),
              "Locate your file. Kelvarin Slideshow (*.KVS)\n"
              "Locate your file. Linkable Files (*.MPG; *.AVI)\n"
              "Locate your file. Linkable Files (*.WAV; *.MP3)\n"
              "Locate your file. Photo Files (*.JPG)");
    EXPECT_TRUE(fs::is_empty(dir / "Slideshows")) << "a cancelled dialog chose nothing";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "Profile/1001"), {}), 1);

    Click("butNext_2");                            // the exit question, answered No
    Find<QAction>("mnuProfile")->trigger();        // the closing question, answered No
    EXPECT_FALSE(window.windowHandle()->close());  // the close box: the closing question
    EXPECT_EQ(hooks.Remaining(), 0u);
    EXPECT_TRUE(hooks.Unexpected().empty());
    EXPECT_TRUE(window.isVisible());
  }
  Click("butBack_2");
  EXPECT_EQ(Tab(), 0);
  Find<QLineEdit>("F_FirstName")->setText(QStringLiteral("zoë"));
  Click("butSaveText");
  EXPECT_EQ(Record().firstName, "Zoë");
  Groups()->setFocus();
  QTest::keyClick(Groups(), Qt::Key_C);  // the person chooses "Chess & Go Club": no attachments
  EXPECT_EQ(Record().group, "Chess & Go Club");
  EXPECT_FALSE(Find("butAddFile_0")->isEnabled() || Find("butAddFile_1")->isEnabled() ||
               Find("butAddFile_2")->isEnabled());
}

TEST_F(MainWindowTest, TheProgramsOwnChangesToTheGroupListRunNoHandler) {
  const std::string before = test::ReadBytes(dir / "Profile/1001/pr.dat");
  window.SetSelectedGroupIndex(2);
  EXPECT_EQ(window.SelectedGroupText(), "Chess & Go Club");
  window.SetGroupEntries({"One", "Two"});
  EXPECT_EQ(window.SelectedGroupIndex(), -1);
  EXPECT_EQ(window.FindGroupEntry("Two"), 1);
  EXPECT_EQ(window.FindGroupEntry("two"), -1);
  EXPECT_EQ(test::ReadBytes(dir / "Profile/1001/pr.dat"), before);
  EXPECT_TRUE(Find("butAddFile_2")->isEnabled()) << "no new form";
}

TEST_F(MainWindowTest, ExitButtonAnsweredYesEndsTheProgramWithoutTheClosingQuestion) {
  ScopedDialogHooks hooks({Press(QMessageBox::Yes)});
  EXPECT_EQ(RunEventLoop([this] { Click("butNext_2"); }), 0);
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(hooks.Unexpected().empty());
}

TEST_F(MainWindowTest, CloseBoxAnsweredYesEndsTheProgram) {
  ScopedDialogHooks hooks({Press(QMessageBox::Yes)});
  EXPECT_EQ(RunEventLoop([this] { window.windowHandle()->close(); }), 0);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(hooks.Remaining(), 0u);
}

TEST_F(MainWindowTest, PhotoIsShownUnscaledAndKeptWhenTheNextCannotBeRead) {
  QImage photo(300, 450, QImage::Format_RGB32);
  photo.fill(Qt::white);
  photo.setPixel(0, 0, qRgb(0, 0, 0));
  ASSERT_TRUE(photo.save(File("photo.jpg"), "JPG", 100));
  test::WriteBytes(dir / "broken.jpg", "not a picture");
  EXPECT_TRUE(window.ShowPhoto(dir / "photo.jpg"));
  EXPECT_FALSE(window.ShowPhoto(dir / "broken.jpg"));
  EXPECT_FALSE(window.ShowPhoto(dir / "missing.jpg"));
  const QImage shown = Find<QLabel>("picProfileImage")->pixmap().toImage();
  EXPECT_EQ(shown.size(), QSize(300, 450));
  EXPECT_LT(qGray(shown.pixel(0, 0)), 64) << "its top-left corner";
}

TEST_F(MainWindowTest, BusyPanelAndWaitCursorShowWhileAPresentationIsImported) {
  test::PackageWriter("[SLIDESHOW]\r\ntotal=0\r\n").Write(dir / "show.kvs");
  const QLabel* panel = Find<QLabel>("panUpdate");
  std::string during;
  ScopedDialogHooks hooks({[&](QDialog& dialog) {
    QTimer::singleShot(0, [&] {  // at the first pass of events after the dialog: the panel's
      const QCursor* cursor = QApplication::overrideCursor();
      const QPoint offCentre = panel->geometry().center() - window.centralWidget()->rect().center();
      const QImage shot = window.grab().toImage();
      during = panel->text().toStdString() + (panel->isVisible() ? " shown" : "") +
               (cursor && cursor->shape() == Qt::WaitCursor ? " waiting" : "") +
               (offCentre.manhattanLength() <= 1 ? " centred" : "") +
               (panel->size() == panel->sizeHint() ? " whole" : "") +
               (shot.pixel(panel->mapTo(&window, QPoint(3, 3))) ==
                        panel->palette().window().color().rgb()
                    ? " painted"
                    : "");
    });
    dynamic_cast<QFileDialog&>(dialog).selectFile(File("show.kvs"));
    dialog.accept();
  }});
  Click("butNext_1");
  Click("butAddFile_0");
  EXPECT_EQ(during, "Updating Information.... shown waiting centred whole painted");
  EXPECT_FALSE(panel->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(fs::exists(dir / "Profile/1001/pres.kvs"));
}

TEST_F(MainWindowTest, FrameCaptionsAndPageAreDrawnWhereTheyBelong) {
  const auto* frame = qobject_cast<QGroupBox*>(Groups()->parentWidget());
  const auto* caption = frame->findChild<QLabel*>();
  // Inside the frame, below its title: the caption, then the list.
  EXPECT_TRUE(frame->contentsRect().contains(caption->geometry() | Groups()->geometry()));
  EXPECT_LT(caption->geometry().bottom(), Groups()->geometry().top());
  EXPECT_GT(frame->width(), window.width() * 9 / 10);
  const QImage groups = window.grab().toImage();
  EXPECT_GT(DarkPixels(groups, *caption), 50) << "the caption's text";
  EXPECT_GT(
      DarkPixels(groups, *frame) - DarkPixels(groups, *caption) - DarkPixels(groups, *Groups()), 50)
      << "the frame's title";

  Click("butNext_1");
  const QImage profile = window.grab().toImage();
  const QWidget* page = Find<QScrollArea>("wbrInputInfo")->viewport();
  EXPECT_GT(page->height(), window.height() / 2);
  EXPECT_GT(page->width(), window.width() / 2);
  EXPECT_LT(DarkPixels(profile, *page, 255), page->width() * page->height() / 2)
      << "the page is mostly its own white";
  const QLabel* name = page->findChildren<QLabel*>().value(1);  // the first name's caption
  ASSERT_NE(name, nullptr);
  EXPECT_TRUE(name->text().contains(QStringLiteral("First Name"))) << name->text().toStdString();
  EXPECT_LE(name->mapTo(page, name->rect().bottomLeft()).y(),
            Find("F_FirstName")->mapTo(page, QPoint()).y());
  EXPECT_GT(DarkPixels(profile, *name), 20);
}

}  // namespace
}  // namespace vt::platform
