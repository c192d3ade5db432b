#include "platform/file_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "attachments/file_kinds.h"
#include "platform/dialogs.h"
#include "platform/main_window.h"
#include "platform/sqlcipher_database.h"
#include "tests/imaging/pictures.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tools/admin/installation.h"

namespace vt::platform {
namespace {

namespace fs = std::filesystem;

const char* const kTitle = "Locate your file.";

app::FileDialogSetup SetupFor(const attachments::FileKind& kind) {
  return {kTitle, std::string(kind.filterLabel), attachments::FilterPatterns(kind)};
}

QString Native(const fs::path& path) {
  return QFile::decodeName(path.c_str());
}

QFileDialog& AsFileDialog(QDialog& dialog) {
  return dynamic_cast<QFileDialog&>(dialog);
}

QListView* Listing(QFileDialog& dialog) {
  return dialog.findChild<QListView*>(QStringLiteral("listView"));
}

QPushButton* DialogButton(QFileDialog& dialog, QDialogButtonBox::StandardButton which) {
  return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
}

using Names = std::vector<std::string>;

// The names the dialog lists, in its order.
Names Listed(QFileDialog& dialog) {
  const QListView* view = Listing(dialog);
  Names names;
  for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
    names.push_back(
        view->model()->index(row, 0, view->rootIndex()).data().toString().toStdString());
  }
  return names;
}

Names Sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

// Lets `go` navigate and waits until the model has read `folder`: what is listed then is complete
// and filtered, though the model may not have sorted it yet.
Names ListAfter(QFileDialog& dialog, const fs::path& folder, const std::function<void()>& go) {
  bool loaded = false;
  const QString path = Native(folder);
  const QMetaObject::Connection connection =
      QObject::connect(dialog.findChild<QFileSystemModel*>(), &QFileSystemModel::directoryLoaded,
                       [&loaded, &path](const QString& done) { loaded = loaded || done == path; });
  go();
  EXPECT_TRUE(QTest::qWaitFor([&loaded] { return loaded; })) << path.toStdString();
  QObject::disconnect(connection);
  return Listed(dialog);
}

Names ListFolder(QFileDialog& dialog, const fs::path& folder) {
  return ListAfter(dialog, folder, [&] { dialog.setDirectory(Native(folder)); });
}

QModelIndex Entry(QFileDialog& dialog, const std::string& name) {
  const Names names = Listed(dialog);
  const auto found = std::find(names.begin(), names.end(), name);
  EXPECT_NE(found, names.end()) << name << " is not listed";
  const QListView* view = Listing(dialog);
  return view->model()->index(static_cast<int>(found - names.begin()), 0, view->rootIndex());
}

// Opens a sub-folder from the listing as the person does, with Enter.
Names EnterFolder(QFileDialog& dialog, const fs::path& folder) {
  return ListAfter(dialog, folder, [&] {
    Listing(dialog)->setCurrentIndex(Entry(dialog, folder.filename().string()));
    QTest::keyClick(Listing(dialog), Qt::Key_Return);
  });
}

// Selects the file in the listing and presses "Apply".
void Pick(QFileDialog& dialog, const std::string& name) {
  Listing(dialog)->setCurrentIndex(Entry(dialog, name));
  DialogButton(dialog, QDialogButtonBox::Open)->click();
}

DialogHook Choose(const fs::path& file) {
  return [file](QDialog& dialog) {
    ListFolder(AsFileDialog(dialog), file.parent_path());
    Pick(AsFileDialog(dialog), file.filename().string());
  };
}

// A fresh folder per test; Qt's own dialog settings (last folder, view) go to a folder of the
// test run instead of the person's configuration.
class FileDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const test::TempDir qtSettings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Native(qtSettings.path()));
  }

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
  const app::FileDialogSetup setup = SetupFor(attachments::kFileKinds[1]);
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
  EXPECT_EQ(ShowFileDialog(nullptr, setup), std::nullopt);
  EXPECT_EQ(hooks.Remaining(), 0u);
}

TEST_F(FileDialog, ListsFoldersAndTheKindsFilesInAnyLetterCase) {
  const std::vector<std::pair<std::string_view, Names>> expected = {
      {"pres", {"show.kvs", "sub"}},
      {"mov", {"X.AVI", "clip.mpg", "sub"}},
      {"nar", {"a.wav", "b.MP3", "sub"}},
      {"photo", {"c.JPG", "sub"}},
  };
  for (const auto& [kind, names] : expected) {
    Names listed;
    ScopedDialogHooks hooks(
        {[&](QDialog& dialog) { listed = ListFolder(AsFileDialog(dialog), dir.path()); }});
    ShowFileDialog(nullptr, SetupFor(*attachments::FindFileKind(kind)));
    EXPECT_EQ(Sorted(listed), names) << kind;
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
  ShowFileDialog(nullptr, SetupFor(attachments::kFileKinds[1]));
  EXPECT_EQ(listed, (Names{"sub", "clip.mpg", "X.AVI"})) << "folders first, letter case ignored";
}

TEST_F(FileDialog, WithoutFilterListsEverything) {
  Names listed;
  ScopedDialogHooks hooks(
      {[&](QDialog& dialog) { listed = ListFolder(AsFileDialog(dialog), dir.path()); }});
  ShowFileDialog(nullptr, {kTitle, "", {}});
  EXPECT_EQ(Sorted(listed), (Names{"X.AVI", "a.wav", "b.MP3", "c.JPG", "clip.mpg", "notes.txt",
                                   "show.kvs", "sub"}));
}

TEST_F(FileDialog, ReturnsTheChosenPathWithLinksLeftAsThemselves) {
  fs::create_symlink(dir / "X.AVI", dir / "link.avi");
  test::WriteBytes(dir / "sub" / "inner.mpg", "inner");
  fs::create_directory_symlink(dir / "sub", dir / "linked");
  const app::FileDialogSetup setup = SetupFor(attachments::kFileKinds[1]);
  for (const fs::path& file : {dir / "X.AVI", dir / "link.avi"}) {
    ScopedDialogHooks hooks({Choose(file)});
    EXPECT_EQ(ShowFileDialog(nullptr, setup), file.string());
  }

  ScopedDialogHooks hooks({[&](QDialog& shown) {
    QFileDialog& dialog = AsFileDialog(shown);
    ListFolder(dialog, dir.path());
    EXPECT_EQ(Sorted(EnterFolder(dialog, dir / "linked")), Names{"inner.mpg"});
    Pick(dialog, "inner.mpg");
  }});
  EXPECT_EQ(ShowFileDialog(nullptr, setup), (dir / "linked" / "inner.mpg").string());
  EXPECT_TRUE(hooks.Unexpected().empty());
}

// The real window on profile 1001 of a demo installation, showing the profile tab.
struct WizardOnProfile {
  WizardOnProfile() {
    EXPECT_TRUE(admin::MakeDemoInstallation(installation.path(), false));
    window.SetLogic(&logic);
    logic.state().sProfileID = "1001";
    std::string associatedPath;
    logic.OpenProfile(associatedPath);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("butNext_1")), Qt::LeftButton);
  }

  fs::path profile() const { return installation / "Profile" / "1001"; }

  const test::TempDir installation;
  MainWindow window;
  app::frmMain logic{window, installation.path(), OpenDatabase};
};

TEST_F(FileDialog, AddMovieFileInTheWindowCopiesTheChosenFileIntoTheProfile) {
  const fs::path movie = dir / "X.AVI";
  WizardOnProfile wizard;
  MainWindow& window = wizard.window;

  QWidget* parent = nullptr;
  QStringList filters;
  ScopedDialogHooks hooks({[&](QDialog& dialog) {
    parent = dialog.parentWidget();
    filters = AsFileDialog(dialog).nameFilters();
    Choose(movie)(dialog);
  }});
  auto* addMovie = window.findChild<QPushButton*>(QStringLiteral("butAddFile_1"));
  ASSERT_TRUE(addMovie->isEnabled());
  QTest::mouseClick(addMovie, Qt::LeftButton);

  EXPECT_EQ(parent, &window);
  EXPECT_EQ(filters, QStringList{QStringLiteral("Linkable Files (*.MPG; *.AVI)")});
  EXPECT_EQ(hooks.Remaining(), 0u);
  EXPECT_TRUE(hooks.Unexpected().empty());
  const fs::path copy = wizard.profile() / "mov.avi";
  ASSERT_TRUE(fs::exists(copy));
  EXPECT_EQ(test::ReadBytes(copy), test::ReadBytes(movie));
}

TEST_F(FileDialog, ChangeImageInTheWindowShowsTheNewPhotoAtOnce) {
  test::SavePicture(test::Quadrants(600, 1200), dir / "Portrait.JPG", "jpg");
  WizardOnProfile wizard;
  MainWindow& window = wizard.window;

  QStringList filters;
  ScopedDialogHooks hooks({[&](QDialog& dialog) {
    filters = AsFileDialog(dialog).nameFilters();
    Choose(dir / "Portrait.JPG")(dialog);
  }});
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("butChangeImage")),
                    Qt::LeftButton);

  EXPECT_EQ(filters, QStringList{QStringLiteral("Photo Files (*.JPG)")});
  EXPECT_TRUE(hooks.Unexpected().empty());
  const QImage written = test::ReadJpeg(wizard.profile() / "image.fwi");
  ASSERT_EQ(written.size(), QSize(280, 427));
  test::ExpectQuadrantsAt(written, {0, -66, 280, 560});
  const QImage shown =
      window.findChild<QLabel*>(QStringLiteral("picProfileImage"))->pixmap().toImage();
  ASSERT_EQ(shown.size(), QSize(280, 427));
  test::ExpectQuadrantsAt(shown, {0, -66, 280, 560});
}

}  // namespace
}  // namespace vt::platform
