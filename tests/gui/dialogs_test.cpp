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
const app::MessageBox kNotice = {"Select a group.", "", app::MessageButtons::kOk,
                                 app::MessageIcon::kNone};

// The text is shown as it stands, never as markup; a box without a title has the program's name.
// Return presses the default button (Yes, or the only one), Escape answers No.
TEST(MessageBox, ShowsItsTextTitleButtonsAndIconAndReturnsTheAnswer) {
  Strings seen;
  const auto look = [&seen](Qt::Key key) -> DialogHook {
    return [&seen, key](QDialog& dialog) {
      const auto& box = dynamic_cast<QMessageBox&>(dialog);
      seen.push_back("[" + box.windowTitle().toStdString() + "] " + box.text().toStdString() +
                     " (" + Named<QMessageBox::StandardButtons>(box.standardButtons().toInt()) +
                     ", " + Named<QMessageBox::Icon>(box.icon()) + ", " +
                     Named<Qt::TextFormat>(box.textFormat()) + ")");
      QTest::keyClick(&dialog, key);
    };
  };
  ScopedDialogHooks hooks({look(Qt::Key_Return), look(Qt::Key_Escape), look(Qt::Key_Return)});
  EXPECT_EQ((std::vector{ShowMessageBox(nullptr, kExit), ShowMessageBox(nullptr, kExit),
                         ShowMessageBox(nullptr, kNotice)}),
            (std::vector{MessageAnswer::kYes, MessageAnswer::kNo, MessageAnswer::kOk}));
  EXPECT_EQ(seen, (Strings{"[Exit] Exit <b>Vellumtide</b>? (Yes|No, Question, PlainText)",
                           "[Exit] Exit <b>Vellumtide</b>? (Yes|No, Question, PlainText)",
                           "[Vellumtide] Select a group. (Ok|FirstButton, NoIcon, PlainText)"}));
}

TEST(DialogHooks, WithoutThemRunUntilAnsweredElseCloseWhatIsLeftOpenNoteWhatHasNoHookAndNest) {
  QDialog dialog;
  QTimer::singleShot(0, &dialog, &QDialog::accept);
  EXPECT_EQ(RunDialog(dialog), QDialog::Accepted);
  ScopedDialogHooks outer({[](QDialog& shown) { EXPECT_TRUE(shown.isVisible()); },
                           [](QDialog& box) { QTest::keyClick(&box, Qt::Key_Return); }});
  EXPECT_EQ(RunDialog(dialog), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
  {
    ScopedDialogHooks inner({});
    EXPECT_EQ(ShowMessageBox(nullptr, kExit), MessageAnswer::kNo);
    EXPECT_EQ(inner.Unexpected(), Strings{"Exit: Exit <b>Vellumtide</b>?"});
  }
  EXPECT_EQ(ShowMessageBox(nullptr, kExit), MessageAnswer::kYes) << "the outer hooks are back";
  EXPECT_EQ(outer.Remaining(), 0u);
}

// Qt's own file dialog, driven as a person would, in a folder of the kind's files in both letter
// cases, others, a folder and a link to it.
class FileDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"clip.mpg", "X.AVI", "b.MP3", "t.txt", "sub/in.avi"}) {
      test::WriteBytes(dir / name, name);
    }
    std::filesystem::create_directory_symlink(dir / "sub", dir / "linked");
  }

  // The dialog in the test's folder as `setup` asks for it, answered by `answer`; what it returns.
  std::optional<std::string> Show(const app::FileDialogSetup& setup,
                                  const std::function<void()>& answer) {
    ScopedDialogHooks hooks({[&](QDialog& shown) {
      dialog = &dynamic_cast<QFileDialog&>(shown);
      dialog->setDirectory(QFile::decodeName(dir.path().c_str()));
      answer();
    }});
    return ShowFileDialog(nullptr, setup);
  }

  QPushButton* Button(QDialogButtonBox::StandardButton which) const {
    return dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
  }

  // What the dialog lists, once it lists `names` or a few seconds have passed: it reads and sorts
  // a folder as it goes.
  Strings Listed(const Strings& names) const {
    const auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    Strings listed;
    (void)QTest::qWaitFor([&] {
      listed.clear();
      for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
        listed.push_back(
            view->model()->index(row, 0, view->rootIndex()).data().toString().toStdString());
      }
      return listed == names;
    });
    return listed;
  }

  test::TempDir dir;
  QFileDialog* dialog = nullptr;
};

// Folders and the kind's files in any letter case are listed, folders first; picking the only
// filter entry again applies Qt's own filter anew, which shows once the model has sorted.
TEST_F(FileDialog, AsksForOneExistingFileWithApplyListingTheKindsFilesAndCancelReturnsNone) {
  const attachments::FileKind& movie = *attachments::FindFileKind("mov");
  const Strings movies = {"linked", "sub", "clip.mpg", "X.AVI"};
  const auto answer = [&] {
    EXPECT_EQ(Button(QDialogButtonBox::Open)->text(), u"Apply");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(Listed(movies), movies);
    auto* entries = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    entries->showPopup();
    QTest::keyClick(entries->view(), Qt::Key_Return);
    QSignalSpy sorted(dialog->findChild<QFileSystemModel*>(), &QAbstractItemModel::layoutChanged);
    ASSERT_TRUE(sorted.wait());
    EXPECT_EQ(Listed(movies), movies);
    dialog->selectFile(QStringLiteral("X.AVI"));  // highlighted, then cancelled
    Button(QDialogButtonBox::Cancel)->click();
  };
  EXPECT_EQ(
      Show({"Locate your file.", std::string(movie.filterLabel), FilterPatterns(movie)}, answer),
      std::nullopt);
}

TEST_F(FileDialog, WithoutFilterListsEverythingAndGivesThePathAsChosenThroughALink) {
  const Strings everything = {"linked", "sub", "b.MP3", "clip.mpg", "t.txt", "X.AVI"};
  const auto answer = [&] {
    EXPECT_EQ(Listed(everything), everything);
    for (const char* name : {"linked", "in.avi"}) {  // typed and applied, as the person may
      QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")),
                       QString::fromLatin1(name));
      Button(QDialogButtonBox::Open)->click();
    }
  };
  EXPECT_EQ(Show({"Locate your file.", "", {}}, answer), (dir / "linked/in.avi").string());
}

}  // namespace
}  // namespace vt::platform
