#include <sys/stat.h>
#include <unistd.h>

#include "app/frm_main.h"
#include "tests/app/fake_window.h"
#include "tests/support/package_writer.h"

namespace vt::app {
namespace {

namespace fs = std::filesystem;
using test::Strings;
using enum AttachResult;

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
    test::WriteBytes(dir / "home" / name, head);
    EXPECT_EQ(::truncate((dir / "home" / name).c_str(), size), 0);
    return (dir / "home" / name).string();
  }

  // A package of one slide; `cut`: the slide reaches past the end of the package.
  std::string Package(const std::string& name, std::size_t size = 1001, bool cut = false) {
    test::PackageWriter package("[SLIDESHOW]\r\ntotal=1\r\n");
    package.AddFile("slide_1_", "one.jpg", "slide one");
    if (cut) {
      package.elements()[2] = "<slide_1_size>5000</slide_1_size>";
    }
    package.SetMinimumSize(size);
    package.Write(dir / "home" / name);
    return (dir / "home" / name).string();
  }

  // The profile folder's attachments with the first bytes of each.
  test::Tree Attachments(const std::string& id) {
    test::Tree files = test::Snapshot(Profile(id));
    files.erase("pr.dat");
    for (auto& [name, bytes] : files) {
      bytes.resize(std::min<std::size_t>(bytes.size(), 5));
    }
    return files;
  }
};

TEST_F(AttachTest, AFileAtTheLimitIsCopiedUnderItsKindAndARefusedOneBringsTheDialogBack) {
  Start("1001");  // movies up to 5 MB
  chosenFiles = {Source("Big.mpg", 5'000'001), Source("Movie.LNK", 10),
                 "  " + Source("Clip.AVI", 5'000'000, "movie") + "  "};
  EXPECT_TRUE(logic->butAddFile_Click(1).taken());
  EXPECT_EQ(messages, (Strings{TooBig(5), kShortcut}));
  ASSERT_EQ(fileDialogs.size(), 3u);
  EXPECT_EQ(fileDialogs[0].title, "Locate your file.");
  EXPECT_EQ(fileDialogs[0].patterns, (Strings{"*.MPG", "*.AVI"}));
  EXPECT_TRUE(busyShown == 2 && !busy) << "opening the profile, then the copy";
  chosenFiles = {Source("README", 3, "abc")};  // a narration named by its kind alone
  EXPECT_TRUE(logic->butAddFile_Click(2).taken());
  EXPECT_EQ(Attachments("1001"), (test::Tree{{"mov.avi", "movie"}, {"nar", "abc"}}));
}

TEST_F(AttachTest, ALimitOfZeroTakesOnlyEmptyFilesAndWhatIsNotCopiedChangesNothing) {
  Start("1004");  // movies of size class 7, no narrations
  EXPECT_EQ(logic->butAddFile_Click(1).result, kCancelled);
  chosenFiles = {(dir / "pipe.avi").string(), Source("one.avi", 1), Source("empty.avi", 0)};
  ASSERT_EQ(::mkfifo(chosenFiles[0].c_str(), 0600), 0);
  EXPECT_EQ(logic->butAddFile_Click(1).result, kFailed) << "neither waits nor takes the pipe";
  EXPECT_EQ(logic->butAddFile_Click(2).result, kRefusedKindNotAllowed);
  logic->butAddFile_Click(3);  // no such button
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(Attachments("1004").empty());
  EXPECT_TRUE(logic->butAddFile_Click(1).taken());
  EXPECT_EQ(messages, Strings{TooBig(0)});
  EXPECT_EQ(fileDialogs.size(), 4u);
  EXPECT_EQ(Attachments("1004"), (test::Tree{{"mov.avi", ""}}));
}

// A presentation is imported as the slideshow, and copied as the attachment only when the import is
// complete and the package within the limit.
TEST_F(AttachTest, APresentationIsImportedWholeAskingBeforeItReplacesAnImport) {
  Start("1004");  // presentations up to 1 MB
  chosenFiles = {Package("show.KVS"), Package("show.KVS"), Source("notes.kvs", 5000, "text"),
                 Package("cut.kvs", 1001, true), Package("big.kvs", 1'000'001)};
  EXPECT_TRUE(logic->butAddFile_Click(0).taken());
  EXPECT_EQ(fileDialogs[0].patterns, Strings{"*.KVS"});
  EXPECT_EQ(test::ReadBytes(dir / "Slideshows/Art Studio Müller Jonas 1004/one.jpg"), "slide one");
  const auto kept = [this] {
    return std::pair(test::Snapshot(Profile("1004")), test::Snapshot(dir / "Slideshows"));
  };
  const auto before = kept();
  EXPECT_EQ(before.first.count("pres.kvs"), 1u);
  EXPECT_EQ(logic->butAddFile_Click(0).result, kOldSlideshowKept);
  answer = MessageAnswer::kYes;
  EXPECT_EQ(logic->butAddFile_Click(0).result, kRefusedNotPackage);
  EXPECT_EQ(logic->butAddFile_Click(0).result, kFailed);
  EXPECT_EQ(kept(), before);
  const AttachOutcome big = logic->butAddFile_Click(0);
  EXPECT_TRUE(big.taken());
  EXPECT_FALSE(big.detail.empty()) << "the organiser hears of the missing copy";
  EXPECT_EQ(kept().first, before.first) << "no copy over the limit";
  const std::string question =
      "[Slideshow Exists] A slideshow with the same name as your importing slideshow "
      "exists.\r\nOver-write slideshow 'Art Studio Müller Jonas 1004' ? (YesNo, Question)";
  EXPECT_EQ(messages,
            (Strings{question,
                     "[Cannot Import] Not a kelvarin slideshow file. Cannot import selected file. "
                     "(Ok)",
                     question,
                     "[Cannot Import] The slideshow could not be imported completely. The "
                     "earlier slideshow was kept. (Ok)",
                     question}));

  // The names saved give a new folder, directly inside Slideshows, without a question.
  Type("ada", "smith/../jones");
  logic->butSaveText_Click();
  chosenFiles = {Package("show.KVS")};
  EXPECT_TRUE(logic->butAddFile_Click(0).taken());
  EXPECT_EQ(messages.size(), 5u);
  EXPECT_TRUE(fs::exists(dir / "Slideshows/Art Studio Smith_.._jones Ada 1004/one.jpg"));
}

TEST_F(AttachTest, ChangeImageCoversTheProfileFrameWithAnyPictureAndShowsIt) {
  Start("1001");
  const std::string photo = (Profile("1001") / "image.fwi").string();
  photosShown.clear();
  chosenFiles = {Source("Me.lnk", 3), Source("Me.JPG", 30'000'000), (dir / "gone.jpg").string()};
  EXPECT_TRUE(logic->butChangeImage_Click().taken());  // no size test
  EXPECT_EQ(messages, Strings{kShortcut});
  EXPECT_EQ(fileDialogs[0].patterns, Strings{"*.JPG"});
  const imaging::ImgResize& resize = logic->ucResizeImage();
  EXPECT_EQ(std::tuple(resize.ResizeWidth(), resize.ResizeHeight(), resize.Stretch(),
                       resize.Compression(), resize.DestinationFilePath()),
            std::tuple(280, 427, false, 100, photo));
  EXPECT_EQ(photosShown, Strings{photo});
  EXPECT_EQ(Attachments("1001"), (test::Tree{{"image.fwi", "JPEG"}})) << "the picture not copied";
  EXPECT_EQ(logic->butChangeImage_Click().result, kFailed) << "a picture that cannot be read";
  // The photo and an empty kind are never copied as attachments.
  EXPECT_FALSE(logic->CopyAndAttachFile(photo, 10, "photo", "jpg").taken());
  EXPECT_FALSE(logic->CopyAndAttachFile(photo, 10, "  ", "jpg").taken());

  Start("../1001");  // names no profile folder
  photosShown.clear();
  chosenFiles = {Source("me.jpg", 10)};
  EXPECT_EQ(logic->butChangeImage_Click().result, kFailed);
  EXPECT_TRUE(photosShown.empty());
}

}  // namespace
}  // namespace vt::app
