#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/frm_main.h"
#include "tests/app/fake_window.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"

namespace vt::app {
namespace {

namespace fs = std::filesystem;
using test::Strings;

const std::string kShortcut =
    "[Selected File] The file you have selected is a shortcut link. Select another file. (Ok)";

std::string TooBig(int megabytes) {
  return "[] The selected file size exceeds the maximum file size allowed. (" +
         std::to_string(megabytes) + " MB's) (Ok)";
}

class AttachTest : public test::WizardFixture {
 protected:
  // A file of `size` bytes (sparse) in the person's own folder outside the installation.
  std::string Source(const std::string& name, off_t size, std::string_view head = {}) {
    const fs::path path = dir_ / "home" / name;
    test::WriteBytes(path, head);
    EXPECT_EQ(::truncate(path.c_str(), std::max<off_t>(size, static_cast<off_t>(head.size()))), 0);
    return path.string();
  }

  // A package of one slide, written where the person keeps files.
  std::string Package(const std::string& name, std::size_t minimumSize = 1001) {
    test::PackageWriter package("[SLIDESHOW]\r\ntotal=1\r\n");
    package.AddFile("slide_1_", "one.jpg", "slide one");
    package.SetMinimumSize(minimumSize);
    package.Write(dir_ / "home" / name);
    return (dir_ / "home" / name).string();
  }

  Strings Profile(const std::string& id) {
    Strings names;
    for (const auto& entry : fs::directory_iterator(dir_ / "Profile" / id)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string Photo() const { return (dir_ / "Profile" / "1001" / "image.fwi").string(); }
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
  EXPECT_EQ(window_.messages, (Strings{TooBig(5), kShortcut}));
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
  EXPECT_EQ(window_.messages, Strings{TooBig(0)});
  EXPECT_EQ(Profile("1004"), (Strings{"mov.avi", "pr.dat"}));
  logic_->butAddFile_Click(7);  // no such button
  EXPECT_EQ(window_.fileDialogs.size(), 3u);
}

TEST_F(AttachTest, PresentationIsCopiedThenImportedAskingBeforeItReplacesAnImport) {
  Start("1001");
  const std::string package = Package("Show.KVS");
  const fs::path folder = dir_ / "Slideshows" / "Year 5 Willow Dubois-Laurent Émile 1001";
  window_.chosenFiles = {package};
  logic_->butAddFile_Click(0);
  EXPECT_EQ(window_.fileDialogs[0].filterLabel, "Kelvarin Slideshow (*.KVS)");
  EXPECT_TRUE(window_.messages.empty());
  EXPECT_EQ(Profile("1001"), (Strings{"pr.dat", "pres.kvs"}));
  EXPECT_EQ(test::ReadBytes(folder / "one.jpg"), "slide one");

  test::WriteBytes(folder / "old.txt", "from before");
  test::WriteBytes(folder / "keep" / "inside.txt", "kept");
  window_.chosenFiles = {package, package};
  window_.answers = {MessageAnswer::kNo, MessageAnswer::kYes};
  EXPECT_EQ(logic_->butAddFile_Click(0).result, AttachResult::kOldSlideshowKept);
  const std::string question =
      "[Slideshow Exists] A slideshow with the same name as your importing slideshow "
      "exists.\r\nOver-write slideshow 'Year 5 Willow Dubois-Laurent Émile 1001' ? (YesNo, "
      "Question)";
  EXPECT_EQ(window_.messages, Strings{question});
  EXPECT_TRUE(fs::exists(folder / "old.txt"));

  EXPECT_TRUE(logic_->butAddFile_Click(0).taken());
  EXPECT_EQ(window_.messages, (Strings{question, question}));
  EXPECT_FALSE(fs::exists(folder / "old.txt"));
  EXPECT_EQ(test::ReadBytes(folder / "keep" / "inside.txt"), "kept");
  EXPECT_EQ(test::ReadBytes(folder / "one.jpg"), "slide one");

  // Changed names give a new folder directly inside Slideshows, without a question.
  window_.elements = {{"INPUT", "F_FirstName", "Émile"}, {"INPUT", "F_LastName", "smith/../jones"}};
  logic_->butSaveText_Click();
  window_.chosenFiles = {package};
  logic_->butAddFile_Click(0);
  EXPECT_EQ(window_.messages.size(), 2u);
  EXPECT_EQ(
      test::ReadBytes(dir_ / "Slideshows" / "Year 5 Willow Smith_.._jones Émile 1001" / "one.jpg"),
      "slide one");
  EXPECT_TRUE(fs::exists(folder / "one.jpg"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "Slideshows"), fs::directory_iterator()),
            2);
}

TEST_F(AttachTest, APresentationIsTakenOnlyWholeAndOverTheLimitOnlyImported) {
  Start("1004");  // presentations up to 1 MB
  const fs::path folder = dir_ / "Slideshows" / "Art Studio Müller Jonas 1004";
  window_.chosenFiles = {Package("first.kvs")};
  ASSERT_TRUE(logic_->butAddFile_Click(0).taken());
  const test::Tree profile = test::Snapshot(dir_ / "Profile" / "1004");
  const test::Tree slideshows = test::Snapshot(dir_ / "Slideshows");

  window_.chosenFiles = {Source("notes.kvs", 5000, "just text")};
  EXPECT_EQ(logic_->butAddFile_Click(0).result, AttachResult::kRefusedNotPackage);
  const std::string notAPackage =
      "[Cannot Import] Not a kelvarin slideshow file. Cannot import selected file. (Ok)";
  EXPECT_EQ(window_.messages, Strings{notAPackage});

  test::PackageWriter broken("[SLIDESHOW]\r\ntotal=1\r\n");
  broken.AddElement("slide_1_name", "cut.jpg");
  broken.AddElement("slide_1_size", "5000");
  broken.AddElement("slide_1_start_pos", "1");  // past the end of the package
  broken.Write(dir_ / "home" / "broken.kvs");
  window_.chosenFiles = {(dir_ / "home" / "broken.kvs").string()};
  window_.answers = {MessageAnswer::kYes};
  EXPECT_EQ(logic_->butAddFile_Click(0).result, AttachResult::kFailed);
  EXPECT_EQ(window_.messages.back(),
            "[Cannot Import] The slideshow could not be imported completely. The earlier "
            "slideshow was kept. (Ok)");
  EXPECT_EQ(test::Snapshot(dir_ / "Profile" / "1004"), profile);
  EXPECT_EQ(test::Snapshot(dir_ / "Slideshows"), slideshows);

  window_.messages.clear();
  window_.chosenFiles = {Package("big.kvs", 1'000'001)};
  window_.answers = {MessageAnswer::kYes};
  const AttachOutcome big = logic_->butAddFile_Click(0);
  EXPECT_TRUE(big.taken());
  EXPECT_FALSE(big.detail.empty()) << "the organiser hears of the missing copy";
  EXPECT_EQ(window_.messages.size(), 1u) << "no size message for presentations";
  EXPECT_EQ(test::Snapshot(dir_ / "Profile" / "1004"), profile) << "no copy over the limit";
  EXPECT_EQ(test::ReadBytes(folder / "one.jpg"), "slide one");
}

TEST_F(AttachTest, ACopyThatCannotBeMadeIsAFailureNotASizeRefusal) {
  Start("1001");
  const fs::path fifo = dir_ / "home" / "pipe.avi";
  fs::create_directories(fifo.parent_path());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  window_.chosenFiles = {fifo.string()};
  const AttachOutcome outcome = logic_->butAddFile_Click(1);
  EXPECT_EQ(outcome.result, AttachResult::kFailed);
  EXPECT_NE(outcome.detail.find("not a regular file"), std::string::npos) << outcome.detail;
  EXPECT_TRUE(window_.messages.empty());
  EXPECT_EQ(Profile("1001"), Strings{"pr.dat"});
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
  EXPECT_EQ(window_.photoLog,
            (Strings{"canvas 280x130", "canvas 280x427", "load " + picture, "draw 0 -66 280 560",
                     "save " + Photo() + " at 100", "show " + Photo()}));
  EXPECT_TRUE(window_.messages.empty());
  EXPECT_EQ(Profile("1001"), (Strings{"image.fwi", "pr.dat"})) << "the picture is not copied";
}

TEST_F(AttachTest, PhotoBranchAfterAShortcutOrWithoutAProfileFolder) {
  Start("1001");
  window_.photoLog.clear();
  const std::string missing = (dir_ / "home" / "gone.jpg").string();
  window_.chosenFiles = {Source("Me.lnk", 3), missing};
  logic_->butChangeImage_Click();
  EXPECT_EQ(window_.messages, Strings{kShortcut});
  EXPECT_EQ(window_.photoLog,
            (Strings{"canvas 280x130", "canvas 280x427", "load " + missing, "show " + Photo()}))
      << "a picture that cannot be read writes nothing; the old photo stays shown";

  // The photo and an empty kind are never copied into the profile.
  const std::string source = Source("me.jpg", 10);
  EXPECT_FALSE(logic_->CopyAndAttachFile(source, 10, "photo", "jpg").taken());
  EXPECT_FALSE(logic_->CopyAndAttachFile(source, 10, "  ", "jpg").taken());

  Start("../1001");  // names no profile folder
  window_.photoLog.clear();
  window_.chosenFiles = {source};
  logic_->butChangeImage_Click();
  EXPECT_TRUE(window_.photoLog.empty());
  EXPECT_EQ(Profile("1001"), Strings{"pr.dat"});
}

}  // namespace
}  // namespace vt::app
