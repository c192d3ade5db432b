#include "platform/file_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "attachments/file_kinds.h"
#include "platform/dialogs.h"
#include "tests/gui/qt_file_dialog.h"
#include "tests/support/files.h"

namespace vt::platform {
namespace {

namespace fs = std::filesystem;
using test::DialogButton, test::ListFolder, test::Names;
using Answer = std::function<void(QFileDialog&)>;

class FileDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::KeepQtDialogSettingsInTheTestRun(); }

  void SetUp() override {
    for (const char* name : {"clip.mpg", "X.AVI", "b.MP3", "t.txt"}) {
      test::WriteBytes(dir / name, name);
    }
    test::WriteBytes(dir / "sub/in.avi", "in");
    fs::create_directory_symlink(dir / "sub", dir / "linked");
  }

  // The dialog as the wizard asks for a movie, or for any file without a filter, answered by
  // `answer`; what it returns.
  std::optional<std::string> Show(const Answer& answer, bool movie = true) {
    const attachments::FileKind& kind = *attachments::FindFileKind("mov");
    const app::FileDialogSetup setup = {"Locate your file.",
                                        movie ? std::string(kind.filterLabel) : "",
                                        movie ? attachments::FilterPatterns(kind) : Names{}};
    ScopedDialogHooks hooks({[&](QDialog& shown) { answer(dynamic_cast<QFileDialog&>(shown)); }});
    const std::optional<std::string> chosen = ShowFileDialog(nullptr, setup);
    EXPECT_EQ(hooks.Remaining(), 0u);
    return chosen;
  }

  test::TempDir dir;
};

TEST_F(FileDialog, AsksForOneFileUnderItsTitleAndFilterWithApplyAndCancelReturnsNone) {
  const Answer answer = [&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), u"Locate your file.");
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("Linkable Files (*.MPG; *.AVI)")});
    EXPECT_EQ(DialogButton(dialog, QDialogButtonBox::Open)->text(), u"Apply");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    // Folders and the kind's files in any letter case; picking the only filter entry again
    // applies Qt's own filter anew, which shows once the model has sorted.
    EXPECT_EQ(ListFolder(dialog, dir.path()), (Names{"X.AVI", "clip.mpg", "linked", "sub"}));
    auto* entries = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    entries->showPopup();
    QTest::keyClick(entries->view(), Qt::Key_Return);
    QSignalSpy sorted(dialog.findChild<QFileSystemModel*>(), &QAbstractItemModel::layoutChanged);
    ASSERT_TRUE(sorted.wait());
    EXPECT_EQ(test::Listed(dialog), (Names{"linked", "sub", "clip.mpg", "X.AVI"}));
    test::Select(dialog, "X.AVI");
    DialogButton(dialog, QDialogButtonBox::Cancel)->click();
  };
  EXPECT_EQ(Show(answer), std::nullopt);
}

TEST_F(FileDialog, WithoutFilterListsEverythingAndGivesThePathAsChosenThroughALink) {
  const Answer answer = [&](QFileDialog& dialog) {
    EXPECT_EQ(ListFolder(dialog, dir.path()),
              (Names{"X.AVI", "b.MP3", "clip.mpg", "linked", "sub", "t.txt"}));
    test::Select(dialog, "linked");
    QTest::keyClick(dialog.findChild<QListView*>(QStringLiteral("listView")), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return test::Listed(dialog) == Names{"in.avi"}; }));
    test::Select(dialog, "in.avi");
    DialogButton(dialog, QDialogButtonBox::Open)->click();
  };
  EXPECT_EQ(Show(answer, false), (dir / "linked/in.avi").string());
}

}  // namespace
}  // namespace vt::platform
