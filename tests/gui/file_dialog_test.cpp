#include "platform/file_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/mmain.h"
#include "attachments/file_kinds.h"
#include "platform/dialogs.h"
#include "platform/main_window.h"
#include "platform/qt_raster.h"
#include "platform/sqlcipher_database.h"
#include "tests/gui/qt_file_dialog.h"
#include "tests/imaging/pictures.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tools/admin/installation.h"

namespace vt::platform {
namespace {

namespace fs = std::filesystem;
using test::DialogButton, test::ListAfter, test::Listed, test::Listing, test::ListFolder,
    test::Names, test::Select;

const char* const kTitle = "Locate your file.";

app::FileDialogSetup SetupFor(std::string_view kind) {
  const attachments::FileKind& found = *attachments::FindFileKind(kind);
  return {kTitle, std::string(found.filterLabel), attachments::FilterPatterns(found)};
}

QFileDialog& AsFileDialog(QDialog& dialog) {
  return dynamic_cast<QFileDialog&>(dialog);
}

// Opens the file's folder, selects the file and presses "Apply".
DialogHook Choose(const fs::path& file) {
  return [file](QDialog& shown) {
    QFileDialog& dialog = AsFileDialog(shown);
    ListFolder(dialog, file.parent_path());
    Select(dialog, file.filename().string());
    DialogButton(dialog, QDialogButtonBox::Open)->click();
  };
}

class FileDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::KeepQtDialogSettingsInTheTestRun(); }

  void SetUp() override {
    for (const char* name :
         {"clip.mpg", "X.AVI", "a.wav", "b.MP3", "show.kvs", "c.JPG", "notes.txt"}) {
      test::WriteBytes(dir / name, name);
    }
    fs::create_directory(dir / "sub");
  }

  test::TempDir dir;
};

TEST_F(FileDialog, AsksForOneFileUnderItsTitleFilterAndApplyButton) {
  ScopedDialogHooks hooks({[&](QDialog& shown) {
    QFileDialog& dialog = AsFileDialog(shown);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Locate your file."));
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("Linkable Files (*.MPG; *.AVI)")});
    EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText(),
              QStringLiteral("Linkable Files (*.MPG; *.AVI)"));
    EXPECT_EQ(DialogButton(dialog, QDialogButtonBox::Open)->text(), QStringLiteral("Apply"));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_TRUE(dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text().isEmpty());
    DialogButton(dialog, QDialogButtonBox::Cancel)->click();
  }});
  EXPECT_EQ(ShowFileDialog(nullptr, SetupFor("mov")), std::nullopt);
  EXPECT_EQ(hooks.Remaining(), 0u);
}

TEST_F(FileDialog, ListsFoldersAndTheKindsFilesInAnyLetterCaseOrEverythingWithoutFilter) {
  const std::pair<app::FileDialogSetup, Names> cases[] = {
      {SetupFor("pres"), {"show.kvs", "sub"}},
      {SetupFor("mov"), {"X.AVI", "clip.mpg", "sub"}},
      {SetupFor("nar"), {"a.wav", "b.MP3", "sub"}},
      {SetupFor("photo"), {"c.JPG", "sub"}},
      {{kTitle, "", {}},
       {"X.AVI", "a.wav", "b.MP3", "c.JPG", "clip.mpg", "notes.txt", "show.kvs", "sub"}},
  };
  for (const auto& [setup, names] : cases) {
    Names listed;
    ScopedDialogHooks hooks(
        {[&](QDialog& dialog) { listed = ListFolder(AsFileDialog(dialog), dir.path()); }});
    ShowFileDialog(nullptr, setup);
    EXPECT_EQ(listed, names) << setup.filterLabel;
  }
}

TEST_F(FileDialog, ChoosingTheFilterEntryAgainKeepsTheListingInTheModelsOrder) {
  Names listed;
  ScopedDialogHooks hooks({[&](QDialog& shown) {
    QFileDialog& dialog = AsFileDialog(shown);
    ListFolder(dialog, dir.path());
    // As the person picks the only entry from the list: Qt applies its own filter again, which
    // shows once the model has sorted.
    auto* entries = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    entries->showPopup();
    QTest::keyClick(entries->view(), Qt::Key_Return);
    QSignalSpy sorted(dialog.findChild<QFileSystemModel*>(), &QAbstractItemModel::layoutChanged);
    ASSERT_TRUE(sorted.wait());
    listed = Listed(dialog);
  }});
  ShowFileDialog(nullptr, SetupFor("mov"));
  EXPECT_EQ(listed, (Names{"sub", "clip.mpg", "X.AVI"})) << "folders first, letter case ignored";
}

TEST_F(FileDialog, ReturnsTheChosenPathWithLinksLeftAsThemselves) {
  fs::create_symlink(dir / "X.AVI", dir / "link.avi");
  test::WriteBytes(dir / "sub" / "inner.mpg", "inner");
  fs::create_directory_symlink(dir / "sub", dir / "linked");
  for (const fs::path& file : {dir / "X.AVI", dir / "link.avi"}) {
    ScopedDialogHooks hooks({Choose(file)});
    EXPECT_EQ(ShowFileDialog(nullptr, SetupFor("mov")), file.string());
  }

  ScopedDialogHooks hooks({[&](QDialog& shown) {
    QFileDialog& dialog = AsFileDialog(shown);
    ListFolder(dialog, dir.path());
    const Names inside = ListAfter(dialog, dir / "linked", [&] {
      Select(dialog, "linked");
      QTest::keyClick(Listing(dialog), Qt::Key_Return);  // opens the folder as the person does
    });
    EXPECT_EQ(inside, Names{"inner.mpg"});
    Select(dialog, "inner.mpg");
    DialogButton(dialog, QDialogButtonBox::Open)->click();
  }});
  EXPECT_EQ(ShowFileDialog(nullptr, SetupFor("mov")), (dir / "linked" / "inner.mpg").string());
  EXPECT_TRUE(hooks.Unexpected().empty());
}

TEST_F(FileDialog, AddMovieAndChangeImageInTheRealWindow) {
  test::SavePicture(test::Quadrants(600, 1200), dir / "Portrait.JPG", "jpg");
  const test::TempDir installation;
  ASSERT_TRUE(admin::MakeDemoInstallation(installation.path(), false));
  MainWindow window;
  app::frmMain logic{window, installation.path(), OpenDatabase, std::make_unique<QtRaster>()};
  window.SetLogic(&logic);
  app::OpenProfileOf(logic, "1001");
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("butNext_1")), Qt::LeftButton);

  std::vector<std::pair<QWidget*, QStringList>> asked;  // each dialog's parent and filters
  const auto note = [&asked](const fs::path& file) -> DialogHook {
    return [&asked, file](QDialog& dialog) {
      asked.emplace_back(dialog.parentWidget(), AsFileDialog(dialog).nameFilters());
      Choose(file)(dialog);
    };
  };
  ScopedDialogHooks hooks({note(dir / "X.AVI"), note(dir / "Portrait.JPG")});
  for (const char* button : {"butAddFile_1", "butChangeImage"}) {
    QTest::mouseClick(window.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
  }
  EXPECT_TRUE(hooks.Unexpected().empty());
  EXPECT_EQ(hooks.Remaining(), 0u);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], std::pair(static_cast<QWidget*>(&window),
                                QStringList{QStringLiteral("Linkable Files (*.MPG; *.AVI)")}));
  EXPECT_EQ(asked[1].second, QStringList{QStringLiteral("Photo Files (*.JPG)")});

  const fs::path profile = installation / "Profile" / "1001";
  EXPECT_EQ(test::ReadBytes(profile / "mov.avi"), "X.AVI");
  const QImage written = test::ReadJpeg(profile / "image.fwi");
  ASSERT_EQ(written.size(), QSize(280, 427));
  test::ExpectQuadrantsAt(written, {0, -66, 280, 560});
  const QImage shown =
      window.findChild<QLabel*>(QStringLiteral("picProfileImage"))->pixmap().toImage();
  ASSERT_EQ(shown.size(), QSize(280, 427));
  test::ExpectQuadrantsAt(shown, {0, -66, 280, 560});
}

}  // namespace
}  // namespace vt::platform
