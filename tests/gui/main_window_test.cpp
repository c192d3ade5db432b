#include "platform/main_window.h"

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>

#include "app/frm_main.h"
#include "app/mmain.h"
#include "app/record_files.h"
#include "platform/dialogs.h"
#include "platform/qt_raster.h"
#include "platform/sqlcipher_database.h"
#include "tests/imaging/pictures.h"
#include "tests/support/demo_installation.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/temp_dir.h"

namespace vt::platform {
namespace {

DialogHook Press(QMessageBox::StandardButton button) {
  return [button](QDialog& box) { dynamic_cast<QMessageBox&>(box).button(button)->click(); };
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
  // How many pixels of the window, where `widget` lies, are dark.
  int Dark(const QWidget& widget) {
    const QImage part = window.grab({widget.mapTo(&window, QPoint()), widget.size()}).toImage();
    int dark = 0;
    for (int i = 0; i < part.width() * part.height(); ++i) {
      dark += qGray(part.pixel(i % part.width(), i / part.width())) < 128 ? 1 : 0;
    }
    return dark;
  }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

  test::TempDir dir;
  MainWindow window;
  std::unique_ptr<app::frmMain> logic;
};

// Whether the window shows at all is for the wizard's test to see.
TEST_F(MainWindowTest, ShowsWhatTheLogicGaveItDrawnWhereItBelongsNamedAndWalkedByKeyboard) {
  // The application's icon, which the window also shows when it has none of its own.
  EXPECT_EQ(QApplication::windowIcon().availableSizes(),
            (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
  // The title, then what screen readers name the group list (by its caption) and the photo.
  const auto label = QAccessible::queryAccessibleInterface(Groups())->relations(QAccessible::Label);
  EXPECT_EQ(window.windowTitle() + u'|' + label.value(0).first->text(QAccessible::Name) + u'|' +
                Find("picProfileImage")->accessibleName(),
            u"Kelvarin  Vellumtide|Class or group.|Profile photo");

  const auto* frame = qobject_cast<QGroupBox*>(Groups()->parentWidget());
  const auto* caption = frame->findChild<QLabel*>();
  // Inside the frame, below its title: the caption, then the list.
  EXPECT_TRUE(frame->contentsRect().contains(caption->geometry() | Groups()->geometry()));
  EXPECT_LT(caption->geometry().bottom(), Groups()->geometry().top());
  EXPECT_GT(Dark(*caption), 50) << "the caption's text";
  EXPECT_GT(Dark(*frame) - Dark(*caption) - Dark(*Groups()), 50) << "the frame's title";

  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(QApplication::focusWidget(), Groups());
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
  // The form's room is more than half the window each way.
  const QSize room = Find<QScrollArea>("wbrInputInfo")->viewport()->size() * 2;
  EXPECT_TRUE(room.height() > window.height() && room.width() > window.width());
}

// The first file dialog imports a presentation: the busy panel and the wait cursor show while
// it runs, the panel centred and painted, and both go when it is done.
TEST_F(MainWindowTest, EveryControlReachesItsOwnHandlerAndExitEndsTheProgram) {
  test::PackageWriter("[SLIDESHOW]\r\ntotal=0\r\n").Write(dir / "show.kvs");
  const QLabel* panel = Find<QLabel>("panUpdate");
  std::string busy;
  QStringList asked;  // each file dialog's title and filter
  const auto cancel = [&](QDialog& dialog) {
    asked.append(dialog.windowTitle() + u' ' +
                 dynamic_cast<QFileDialog&>(dialog).nameFilters().join(u'|'));
  };
  const auto import = [&](QDialog& dialog) {
    cancel(dialog);
    QTimer::singleShot(0, [&] {  // at the first pass of events after the dialog
      const QCursor* cursor = QApplication::overrideCursor();
      const QPoint offCentre = panel->geometry().center() - window.centralWidget()->rect().center();
      const QRgb at = window.grab().toImage().pixel(panel->mapTo(&window, QPoint(3, 3)));
      busy = panel->text().toStdString() + (panel->isVisible() ? " shown" : "") +
             (cursor && cursor->shape() == Qt::WaitCursor ? " waiting" : "") +
             (offCentre.manhattanLength() <= 1 ? " centred" : "") +
             (panel->size() == panel->sizeHint() ? " whole" : "") +
             (at == panel->palette().window().color().rgb() ? " painted" : "");
    });
    dynamic_cast<QFileDialog&>(dialog).selectFile(QFile::decodeName((dir / "show.kvs").c_str()));
    dialog.accept();
  };
  {
    ScopedDialogHooks hooks({import, cancel, cancel, cancel, Press(QMessageBox::No),
                             Press(QMessageBox::No), Press(QMessageBox::No)});
    // The wizard's test sees "Next >" lead to the next tab.
    for (const char* button :
         {"butNext_1", "butAddFile_0", "butAddFile_1", "butAddFile_2", "butChangeImage"}) {
      Click(button);
    }
    EXPECT_EQ(asked.join(u'\n').toStdString(),
              "Locate your file. Kelvarin Slideshow (*.KVS)\n"
              "Locate your file. Linkable Files (*.MPG; *.AVI)\n"
              "Locate your file. Linkable Files (*.WAV; *.MP3)\n"
              "Locate your file. Photo Files (*.JPG)");
    EXPECT_EQ(busy, "Updating Information.... shown waiting centred whole painted");
    EXPECT_FALSE(panel->isVisible() || QApplication::overrideCursor() != nullptr) << "after";
    Click("butNext_2");                            // the exit question, answered No
    Find<QAction>("mnuProfile")->trigger();        // the closing question, answered No
    EXPECT_FALSE(window.windowHandle()->close());  // the close box: the closing question
    EXPECT_TRUE(hooks.Remaining() == 0 && hooks.Unexpected().empty()) << "one dialog each";
  }
  Click("butBack_2");
  EXPECT_EQ(Find<QTabWidget>("sstProfile")->currentIndex(), 0);
  Find<QLineEdit>("F_FirstName")->setText(QStringLiteral("Zoë"));
  Click("butSaveText");
  EXPECT_EQ(app::ReadProfileRecord(dir / "Profile/1001/pr.dat")->firstName, "Zoë");
  Groups()->setFocus();
  QTest::keyClick(Groups(), Qt::Key_C);  // the person chooses "Chess & Go Club": no attachments
  EXPECT_FALSE(Find("butAddFile_0")->isEnabled() || Find("butAddFile_1")->isEnabled() ||
               Find("butAddFile_2")->isEnabled());
  EXPECT_EQ(Find("butAddFile_1")->toolTip(),
            QStringLiteral("No movie files for this group\nNothing attached"));
  // The exit question answered Yes ends the program without the closing question.
  ScopedDialogHooks hooks({Press(QMessageBox::Yes)});
  const QObject guard;  // ends the event loop with -1 should nothing else end it
  QTimer::singleShot(5000, &guard, [] { QCoreApplication::exit(-1); });
  QTimer::singleShot(0, [this] { Click("butNext_2"); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(hooks.Unexpected().empty());
}

// The program's own changes to the group list run no handler: no new form is built.
TEST_F(MainWindowTest, PortMethodsDoWhatTheySay) {
  window.SetSelectedGroupIndex(2);
  const std::string chosen = window.SelectedGroupText();
  window.SetGroupEntries({"One", "Two"});
  EXPECT_EQ(std::tuple(chosen, window.SelectedGroupIndex(), window.FindGroupEntry("Two"),
                       Find("butAddFile_2")->isEnabled()),
            std::tuple("Chess & Go Club", -1, 1, true));

  // A photo is shown unscaled, and kept when the next cannot be read.
  test::WriteBytes(dir / "photo.jpg", test::PictureBytes(test::Quadrants(300, 450), "jpg"));
  EXPECT_TRUE(window.ShowPhoto(dir / "photo.jpg") && !window.ShowPhoto(dir / "missing.jpg"));
  EXPECT_EQ(Find<QLabel>("picProfileImage")->pixmap().size(), QSize(300, 450));
}

}  // namespace
}  // namespace vt::platform
