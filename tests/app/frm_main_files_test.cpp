#include <gtest/gtest.h>
#include <unistd.h>

#include "app/frm_main.h"
#include "app/paths.h"
#include "platform/sqlcipher_database.h"
#include "tests/app/fake_window.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/temp_dir.h"
#include "tools/admin/installation.h"

namespace vt::app {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// The demo installation: profile 1001 is in "Year 5 Willow" (presentations 10 MB, movies 5 MB,
// narrations 2 MB); 1004 is in "Art Studio" (presentations 1 MB, movies with size class 7, which
// gives a limit of 0).
class AttachTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(admin::MakeDemoInstallation(dir_.path(), false)); }

  void Start(const std::string& profileId) {
    logic_ = std::make_unique<frmMain>(window_, dir_.path(), platform::OpenDatabase);
    window_.logic = logic_.get();
    logic_->state().sProfileID = profileId;
    std::string unused;
    logic_->OpenProfile(unused);
  }

  // A file of `size` bytes (sparse) in the person's own folder outside the installation.
  std::string Source(const std::string& name, off_t size, std::string_view head = {}) {
    const fs::path path = dir_ / "home" / name;
    test::WriteBytes(path, head);
    EXPECT_EQ(::truncate(path.c_str(), std::max<off_t>(size, static_cast<off_t>(head.size()))), 0);
    return path.string();
  }

  Strings Profile(const std::string& id) {
    Strings names;
    for (const auto& entry : fs::directory_iterator(dir_ / "Profile" / id)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  Strings MessageTexts() const {
    Strings texts;
    for (const MessageBox& box : window_.messages) {
      texts.push_back(box.text);
    }
    return texts;
  }

  test::TempDir dir_;
  test::FakeWindow window_;
  std::unique_ptr<frmMain> logic_;
};

TEST_F(AttachTest, MovieAtItsLimitIsCopiedUnderItsKind) {
  Start("1001");
  window_.chosenFiles = {"  " + Source("Clip.AVI", 5'000'000, "movie") + "  "};
  logic_->butAddFile_Click(1);

  ASSERT_EQ(window_.fileDialogs.size(), 1u);
  EXPECT_EQ(window_.fileDialogs[0].title, "Locate your file.");
  EXPECT_EQ(window_.fileDialogs[0].filterLabel, "Linkable Files (*.MPG; *.AVI)");
  EXPECT_EQ(window_.fileDialogs[0].patterns, (Strings{"*.MPG", "*.AVI"}));
  EXPECT_TRUE(window_.messages.empty());
  EXPECT_EQ(Profile("1001"), (Strings{"mov.avi", "pr.dat"}));
  EXPECT_EQ(test::ReadBytes(dir_ / "Profile" / "1001" / "mov.avi").substr(0, 5), "movie");
  EXPECT_EQ(window_.busyShown, 2);  // opening the profile, then the copy
  EXPECT_FALSE(window_.busy);
}

TEST_F(AttachTest, RefusedFilesBringTheDialogBack) {
  Start("1001");
  window_.chosenFiles = {Source("Big.mpg", 5'000'001), Source("Movie.LNK", 10),
                         Source("ok.mpg", 10, "small")};
  logic_->butAddFile_Click(1);
  EXPECT_EQ(MessageTexts(),
            (Strings{"The selected file size exceeds the maximum file size allowed. (5 MB's)",
                     "The file you have selected is a shortcut link. Select another file."}));
  EXPECT_EQ(window_.messages[0].title, "");
  EXPECT_EQ(window_.messages[1].title, "Selected File");
  EXPECT_EQ(window_.fileDialogs.size(), 3u);
  EXPECT_EQ(Profile("1001"), (Strings{"mov.mpg", "pr.dat"}));

  // Narrations: README has no extension, so the copy is named by its kind alone.
  window_.chosenFiles = {Source("README", 3, "abc")};
  logic_->butAddFile_Click(2);
  EXPECT_EQ(window_.fileDialogs.back().filterLabel, "Linkable Files (*.WAV; *.MP3)");
  EXPECT_EQ(Profile("1001"), (Strings{"mov.mpg", "nar", "pr.dat"}));
}

TEST_F(AttachTest, CancellingChangesNothingAndLimitZeroTakesOnlyEmptyFiles) {
  Start("1004");
  logic_->butAddFile_Click(1);
  EXPECT_EQ(window_.fileDialogs.size(), 1u);
  EXPECT_TRUE(window_.messages.empty());
  EXPECT_EQ(Profile("1004"), Strings{"pr.dat"});

  window_.chosenFiles = {Source("one.avi", 1), Source("empty.avi", 0)};
  logic_->butAddFile_Click(1);
  EXPECT_EQ(MessageTexts(),
            Strings{"The selected file size exceeds the maximum file size allowed. (0 MB's)"});
  EXPECT_EQ(Profile("1004"), (Strings{"mov.avi", "pr.dat"}));
  logic_->butAddFile_Click(7);  // no such button
  EXPECT_EQ(window_.fileDialogs.size(), 3u);
}

TEST_F(AttachTest, PhotoAndEmptyKindAreNeverCopied) {
  Start("1001");
  const std::string source = Source("me.jpg", 10);
  EXPECT_FALSE(logic_->CopyAndAttachFile(source, 10, "photo", "jpg"));
  EXPECT_FALSE(logic_->CopyAndAttachFile(source, 10, "  ", "jpg"));
  EXPECT_EQ(Profile("1001"), Strings{"pr.dat"});
}

// A package of one slide, written where the person keeps files.
std::string WritePackage(const fs::path& path, std::size_t minimumSize = 1001) {
  test::PackageWriter package("[SLIDESHOW]\r\ntotal=1\r\n");
  package.AddFile("slide_1_", "one.jpg", "slide one");
  package.SetMinimumSize(minimumSize);
  package.Write(path);
  return path.string();
}

TEST_F(AttachTest, PresentationIsCopiedThenImportedAskingBeforeItReplacesAnImport) {
  Start("1001");
  const std::string package = WritePackage(dir_ / "home" / "Show.KVS");
  const fs::path folder = dir_ / "Slideshows" / "Year 5 Willow Dubois-Laurent Émile 1001";
  window_.chosenFiles = {package};
  logic_->butAddFile_Click(0);
  EXPECT_EQ(window_.fileDialogs[0].filterLabel, "Kelvarin Slideshow (*.KVS)");
  EXPECT_TRUE(window_.messages.empty());
  EXPECT_EQ(Profile("1001"), (Strings{"pr.dat", "pres.kvs"}));
  EXPECT_EQ(test::ReadBytes(folder / "one.jpg"), "slide one");

  test::WriteBytes(folder / "old.txt", "from before");
  test::WriteBytes(folder / "keep" / "inside.txt", "kept");
  window_.chosenFiles = {package};
  window_.answers = {MessageAnswer::kNo};
  logic_->butAddFile_Click(0);
  ASSERT_EQ(window_.messages.size(), 1u);
  const MessageBox& question = window_.messages[0];
  EXPECT_EQ(question.text,
            "A slideshow with the same name as your importing slideshow exists.\r\nOver-write "
            "slideshow 'Year 5 Willow Dubois-Laurent Émile 1001' ?");
  EXPECT_EQ(question.title, "Slideshow Exists");
  EXPECT_EQ(question.buttons, MessageButtons::kYesNo);
  EXPECT_EQ(question.icon, MessageIcon::kQuestion);
  EXPECT_TRUE(fs::exists(folder / "old.txt"));

  window_.chosenFiles = {package};
  window_.answers = {MessageAnswer::kYes};
  logic_->butAddFile_Click(0);
  EXPECT_FALSE(fs::exists(folder / "old.txt"));
  EXPECT_EQ(test::ReadBytes(folder / "keep" / "inside.txt"), "kept");
  EXPECT_EQ(test::ReadBytes(folder / "one.jpg"), "slide one");
}

TEST_F(AttachTest, ChangedNamesGiveANewFolderDirectlyInsideSlideshows) {
  Start("1001");
  const std::string package = WritePackage(dir_ / "home" / "Show.KVS");
  window_.chosenFiles = {package};
  logic_->butAddFile_Click(0);
  const fs::path first = dir_ / "Slideshows" / "Year 5 Willow Dubois-Laurent Émile 1001";
  ASSERT_TRUE(fs::exists(first / "one.jpg"));

  window_.elements = {{"INPUT", "F_FirstName", "Émile"}, {"INPUT", "F_LastName", "smith/../jones"}};
  logic_->butSaveText_Click();
  window_.chosenFiles = {package};
  logic_->butAddFile_Click(0);
  EXPECT_TRUE(window_.messages.empty());  // a new folder: no question
  EXPECT_EQ(
      test::ReadBytes(dir_ / "Slideshows" / "Year 5 Willow Smith_.._jones Émile 1001" / "one.jpg"),
      "slide one");
  EXPECT_TRUE(fs::exists(first / "one.jpg"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "Slideshows"), fs::directory_iterator()),
            2);
}

TEST_F(AttachTest, NotAPackageIsReportedAndAPackageOverTheLimitIsStillImported) {
  Start("1004");  // presentations up to 1 MB
  window_.chosenFiles = {Source("notes.kvs", 5000, "just text")};
  logic_->butAddFile_Click(0);
  ASSERT_EQ(window_.messages.size(), 1u);
  EXPECT_EQ(window_.messages[0].text,
            "Not a kelvarin slideshow file. Cannot import selected file.");
  EXPECT_EQ(window_.messages[0].title, "Cannot Import");
  EXPECT_TRUE(fs::is_empty(dir_ / "Slideshows"));

  fs::remove(dir_ / "Profile" / "1004" / "pres.kvs");
  window_.chosenFiles = {WritePackage(dir_ / "home" / "big.kvs", 1'000'001)};
  logic_->butAddFile_Click(0);
  EXPECT_EQ(window_.messages.size(), 1u);  // no size message for presentations
  EXPECT_EQ(Profile("1004"), Strings{"pr.dat"});
  EXPECT_EQ(test::ReadBytes(dir_ / "Slideshows" / "Art Studio Müller Jonas 1004" / "one.jpg"),
            "slide one");
}

TEST_F(AttachTest, ChangeImageResizesAnyPictureIntoTheProfileFrameAndShowsItAtOnce) {
  Start("1001");
  Strings changed;
  logic_->ucResizeImage().SetChangeListener(
      [&](std::string_view name) { changed.emplace_back(name); });
  window_.photoLog.clear();
  const std::string picture = Source("Me.JPG", 30'000'000, "picture");  // no size test
  window_.chosenFiles = {picture};
  logic_->butChangeImage_Click();

  ASSERT_EQ(window_.fileDialogs.size(), 1u);
  EXPECT_EQ(window_.fileDialogs[0].filterLabel, "Photo Files (*.JPG)");
  EXPECT_EQ(window_.fileDialogs[0].patterns, Strings{"*.JPG"});
  EXPECT_EQ(changed, (Strings{"SourceFilePath", "DestinationFilePath", "Stretch", "ResizeWidth",
                              "ResizeHeight", "Compression"}));
  const std::string photo = (dir_ / "Profile" / "1001" / "image.fwi").string();
  EXPECT_EQ(window_.photoLog,
            (Strings{"canvas 280x130", "canvas 280x427", "load " + picture, "draw 0 -66 280 560",
                     "save " + photo + " at 100", "show " + photo}));
  EXPECT_TRUE(window_.messages.empty());
  EXPECT_EQ(Profile("1001"), (Strings{"image.fwi", "pr.dat"})) << "the picture is not copied";
}

TEST_F(AttachTest, ChangeImageAfterAShortcutOrWithoutAProfileFolder) {
  Start("1001");
  window_.photoLog.clear();
  const std::string missing = (dir_ / "home" / "gone.jpg").string();
  window_.chosenFiles = {Source("Me.lnk", 3), missing};
  logic_->butChangeImage_Click();
  ASSERT_EQ(window_.messages.size(), 1u);
  EXPECT_EQ(window_.messages[0].title, "Selected File");
  const std::string photo = (dir_ / "Profile" / "1001" / "image.fwi").string();
  EXPECT_EQ(window_.photoLog,
            (Strings{"canvas 280x130", "canvas 280x427", "load " + missing, "show " + photo}))
      << "a picture that cannot be read writes nothing; the old photo stays shown";

  Start("../1001");  // names no profile folder
  window_.photoLog.clear();
  window_.chosenFiles = {Source("Me.jpg", 10)};
  logic_->butChangeImage_Click();
  EXPECT_TRUE(window_.photoLog.empty());
  EXPECT_EQ(Profile("1001"), Strings{"pr.dat"});
}

}  // namespace
}  // namespace vt::app
