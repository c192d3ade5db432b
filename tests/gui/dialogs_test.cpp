#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <string>
#include <vector>

#include "attachments/file_kinds.h"
#include "platform/file_dialog.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::platform {
namespace {

using app::MessageAnswer;
using Strings = std::vector<std::string>;

// A Qt enumeration's value, or set of flags, by the names in Qt's code.
template <typename Enum>
std::string Named(int value) {
  return QMetaEnum::fromType<Enum>().valueToKeys(value).toStdString();
}

const app::MessageBox kExit = {"Exit <b>Vellumtide</b>?", "Exit", app::MessageButtons::kYesNo,
                               app::MessageIcon::kQuestion};

// Without hooks a dialog runs until answered. Hooks answer dialogs in turn, a dialog left open is
// closed, one with no hook left is noted and rejected, and inner hooks stand for the outer ones
// until they go. A message box shows its text as it stands, never as markup, and without a title
// the program's name; Return presses the default button (Yes, or the only one), Escape answers No.
TEST(Dialogs, RunUntilAnsweredOrByHooksAndMessageBoxesShowTheirTextTitleButtonsAndIcon) {
  QDialog dialog;
  QTimer::singleShot(0, &dialog, &QDialog::accept);
  EXPECT_EQ(RunDialog(dialog), QDialog::Accepted);
  Strings seen;
  const auto look = [&seen](Qt::Key key) -> DialogHook {
    return [&seen, key](QDialog& shown) {
      const auto& box = dynamic_cast<QMessageBox&>(shown);
      seen.push_back("[" + box.windowTitle().toStdString() + "] " + box.text().toStdString() +
                     " (" + Named<QMessageBox::StandardButtons>(box.standardButtons().toInt()) +
                     ", " + Named<QMessageBox::Icon>(box.icon()) + ", " +
                     Named<Qt::TextFormat>(box.textFormat()) + ")");
      QTest::keyClick(&shown, key);
    };
  };
  ScopedDialogHooks outer({[](QDialog& shown) { EXPECT_TRUE(shown.isVisible()); },
                           look(Qt::Key_Return), look(Qt::Key_Escape), look(Qt::Key_Return)});
  EXPECT_TRUE(RunDialog(dialog) == QDialog::Rejected && !dialog.isVisible()) << "closed";
  {
    ScopedDialogHooks inner({});
    EXPECT_EQ(ShowMessageBox(nullptr, kExit), MessageAnswer::kNo);
    EXPECT_EQ(inner.Unexpected(), Strings{"Exit: Exit <b>Vellumtide</b>?"});
  }
  // The outer hooks are back.
  EXPECT_EQ((std::vector{ShowMessageBox(nullptr, kExit), ShowMessageBox(nullptr, kExit),
                         ShowMessageBox(nullptr, {"Select a group.", "", app::MessageButtons::kOk,
                                                  app::MessageIcon::kNone})}),
            (std::vector{MessageAnswer::kYes, MessageAnswer::kNo, MessageAnswer::kOk}));
  EXPECT_EQ(seen, (Strings{"[Exit] Exit <b>Vellumtide</b>? (Yes|No, Question, PlainText)",
                           "[Exit] Exit <b>Vellumtide</b>? (Yes|No, Question, PlainText)",
                           "[Vellumtide] Select a group. (Ok|FirstButton, NoIcon, PlainText)"}));
}

// Qt's own file dialog, driven as a person would, in a folder of the kind's files in both letter
// cases, others, a folder and a link to it. With the kind's filter, folders and its files in any
// letter case are listed, folders first; picking the only filter entry again applies Qt's own
// filter anew, which shows once the model has sorted. Without one, everything is listed.
TEST(FileDialog, AsksForOneExistingFileWithApplyListingTheKindsFilesAndGivesThePathAsChosenOrNone) {
  const test::TempDir dir;
  for (const char* name : {"clip.mpg", "X.AVI", "b.MP3", "t.txt", "sub/in.avi"}) {
    test::WriteBytes(dir / name, name);
  }
  std::filesystem::create_directory_symlink(dir / "sub", dir / "linked");
  QFileDialog* dialog = nullptr;
  // The dialog in the test's folder as `setup` asks for it, answered by `answer`; what it returns.
  const auto show = [&](const app::FileDialogSetup& setup, const std::function<void()>& answer) {
    ScopedDialogHooks hooks({[&](QDialog& shown) {
      dialog = &dynamic_cast<QFileDialog&>(shown);
      dialog->setDirectory(QFile::decodeName(dir.path().c_str()));
      answer();
    }});
    return ShowFileDialog(nullptr, setup);
  };
  const auto button = [&](QDialogButtonBox::StandardButton which) {
    return dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
  };
  // What the dialog lists, once it lists `names` or a few seconds have passed: it reads and sorts
  // a folder as it goes.
  const auto listed = [&](const Strings& names) {
    const auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    Strings rows;
    (void)QTest::qWaitFor([&] {
      rows.clear();
      for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
        rows.push_back(
            view->model()->index(row, 0, view->rootIndex()).data().toString().toStdString());
      }
      return rows == names;
    });
    return rows;
  };

  const attachments::FileKind& movie = *attachments::FindFileKind("mov");
  const Strings movies = {"linked", "sub", "clip.mpg", "X.AVI"};
  const auto cancel = [&] {
    EXPECT_EQ(button(QDialogButtonBox::Open)->text(), u"Apply");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(listed(movies), movies);
    auto* entries = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    entries->showPopup();
    QTest::keyClick(entries->view(), Qt::Key_Return);
    QSignalSpy sorted(dialog->findChild<QFileSystemModel*>(), &QAbstractItemModel::layoutChanged);
    ASSERT_TRUE(sorted.wait());
    EXPECT_EQ(listed(movies), movies);
    dialog->selectFile(QStringLiteral("X.AVI"));  // highlighted, then cancelled
    button(QDialogButtonBox::Cancel)->click();
  };
  EXPECT_EQ(
      show({"Locate your file.", std::string(movie.filterLabel), FilterPatterns(movie)}, cancel),
      std::nullopt);

  const Strings everything = {"linked", "sub", "b.MP3", "clip.mpg", "t.txt", "X.AVI"};
  const auto choose = [&] {
    EXPECT_EQ(listed(everything), everything);
    for (const char* name : {"linked", "in.avi"}) {  // typed and applied, as the person may
      QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")),
                       QString::fromLatin1(name));
      button(QDialogButtonBox::Open)->click();
    }
  };
  EXPECT_EQ(show({"Locate your file.", "", {}}, choose), (dir / "linked/in.avi").string());
}

}  // namespace
}  // namespace vt::platform
