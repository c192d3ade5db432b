#include "controls/dir_select.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tests/gui/qt_file_dialog.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::controls {
namespace {

namespace fs = std::filesystem;

using Hook = std::function<void(QFileDialog&)>;
using test::DialogButton, test::ListFolder;

// Shows each dialog and hands it to the next hook, which answers it.
DirSelect::DialogRunner Answering(std::deque<Hook>& hooks) {
  return [&hooks](QDialog& dialog) {
    dialog.show();
    EXPECT_FALSE(hooks.empty()) << "an unexpected dialog";
    if (!hooks.empty()) {
      const Hook hook = std::move(hooks.front());
      hooks.pop_front();
      hook(dynamic_cast<QFileDialog&>(dialog));
    }
    return dialog.result();
  };
}

// Opens the folder and takes it, as the person does with "Choose".
Hook Choose(const fs::path& folder) {
  return [folder](QFileDialog& dialog) {
    ListFolder(dialog, folder);
    DialogButton(dialog, QDialogButtonBox::Open)->click();
  };
}

class DirSelectTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::KeepQtDialogSettingsInTheTestRun(); }

  void SetUp() override {
    test::WriteBytes(dir / "notes.txt", "notes");
    fs::create_directory(dir / "Slides");
    control.SetDialogRunner(Answering(hooks));
    control.SetChangeListener([this](std::string_view name) { changes.emplace_back(name); });
  }

  test::TempDir dir;
  QWidget host;
  DirSelect control{&host};
  std::deque<Hook> hooks;
  std::vector<std::string> changes;
};

TEST_F(DirSelectTest, OffersOnlyFoldersUnderItsTitleAndCancellingAfterAChoiceLeavesNoPath) {
  control.SetWindowTitle("Where are the slides?");
  std::vector<std::string> listed;
  hooks.push_back([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Where are the slides?"));
    EXPECT_EQ(dialog.directory().absolutePath(), QStringLiteral("/"));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.parentWidget(), &host) << "modal to the host's window";
    listed = ListFolder(dialog, dir.path());
    Choose(dir / "Slides")(dialog);
  });
  EXPECT_TRUE(control.OpenWindow());
  EXPECT_EQ(listed, std::vector<std::string>{"Slides"});
  EXPECT_EQ(control.SelectedPath(), (dir / "Slides").string());

  hooks.push_back(
      [](QFileDialog& dialog) { DialogButton(dialog, QDialogButtonBox::Cancel)->click(); });
  EXPECT_FALSE(control.OpenWindow());
  EXPECT_EQ(control.SelectedPath(), "0");
  EXPECT_TRUE(hooks.empty());
  EXPECT_EQ(changes, (std::vector<std::string>{"WindowTitle", "SelectedPath", "SelectedPath",
                                               "SelectedPath"}));
}

TEST_F(DirSelectTest, DefaultsAreNotStoredAndValuesComeBack) {
  properties::PropertyBag bag;
  control.WriteProperties(bag);
  EXPECT_TRUE(bag.Entries().empty());
  control.SetWindowTitle("Pick one");
  control.SetSelectedPath("/srv/slides");
  control.WriteProperties(bag);
  DirSelect loaded;
  loaded.ReadProperties(bag);
  EXPECT_EQ(loaded.WindowTitle(), "Pick one");
  EXPECT_EQ(loaded.SelectedPath(), "/srv/slides");
}

}  // namespace
}  // namespace vt::controls
