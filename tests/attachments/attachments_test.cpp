#include "attachments/attachments.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace vt::attachments {
namespace {

namespace fs = std::filesystem;
using namespace vt::test;

TEST(AttachmentName, FromTheLastPieceOfThePathAndItsExtension) {
  // NULs and end blanks are removed from a name; neither of the last two has an extension.
  std::string name(" \0 d.x\\Clip.M\0PG \0", 18), inFolder = "d.x\\README", plain = "README";
  EXPECT_EQ(
      (std::vector<std::string>{GetFileName("C:\\a.b/dir\\Clip.MPG"), GetFileName("Clip"),
                                GetFileExtension(name), name, GetFileExtension(inFolder),
                                GetFileExtension(plain), AttachmentName("pres", "kvs. .")}),
      (std::vector<std::string>{"Clip.MPG", "Clip", "mpg", "d.x\\Clip.MPG", "", "", "pres.kvs"}));
}

class AttachmentTest : public testing::Test {
 protected:
  AttachmentTest() {
    WriteBytes(profile / "mov.avi", "old movie");
    WriteBytes(outside / "Clip.MPG", "new clip");
  }
  TempDir dir;
  fs::path profile = dir / "profile";
  fs::path outside = dir / "outside";
};

TEST_F(AttachmentTest, ReplacesEveryFileOfTheKindInAnyCaseAndNothingElse) {
  ASSERT_TRUE(ReplaceAttachment(profile, "mov", "avi", profile / "mov.avi"));  // itself
  Tree expected = Snapshot(dir.path());
  for (const char* name : {"MOV.MPG", "mov", "Mov.tar.gz", "mov."}) {
    WriteBytes(profile / name, "of the kind");
  }
  for (const char* name : {"movie.avi", "amov.avi", "mov_avi", ".mov", "nar.wav", "mov.d/in"}) {
    WriteBytes(profile / name, "other");
    expected["profile/" + std::string(name)] = "other";
  }
  fs::create_symlink(outside / "Clip.MPG", profile / "mov.wmv");  // removed, not followed
  ASSERT_TRUE(ReplaceAttachment(profile, "mov", "mpg", outside / "Clip.MPG"));
  expected.erase("profile/mov.avi");
  expected["profile/mov.mpg"] = "new clip";
  expected["profile/mov.d"] = "<dir>";
  EXPECT_EQ(Snapshot(dir.path()), expected);
  EXPECT_EQ(fs::status(profile / "mov.mpg").permissions(),
            fs::status(outside / "Clip.MPG").permissions())
      << "the mode of any new file, not a private 0600";
}

TEST_F(AttachmentTest, FolderSizeCountsEveryFileAndLinkedFileButNoLinkedFolder) {
  const fs::path tree = dir / "tree";
  WriteBytes(tree / "a", std::string(10, 'a'));
  WriteBytes(tree / "sub" / ".hidden", std::string(20, 'h'));
  WriteBytes(dir / "big" / "f", "");
  fs::resize_file(dir / "big" / "f", 5'000'000'000);  // past 32 bits
  fs::create_directory_symlink(dir / "big", tree / "to-folder");
  fs::create_symlink(dir / "big" / "f", tree / "to-file");
  fs::create_symlink(dir / "missing", tree / "broken");
  // A file asked about counts alone, through a link too; a link to nothing counts nothing, nor a
  // file when a folder was asked about.
  EXPECT_EQ(
      (std::vector<double>{GetFolderSize(tree, true), GetFolderSize(tree / "to-file", true),
                           GetFolderSize(tree / "broken", true), GetFolderSize(tree / "a", false)}),
      (std::vector<double>{5e9 + 30, 5e9, 0, 0}));
}

// A way an attachment fails, paths relative to the test folder; each leaves the old attachment.
struct Failure {
  const char* name;
  std::string extension = "mpg", source = "outside/Clip.MPG", folder = "profile";
  std::uint64_t fileSizeLimit = RLIM_INFINITY;
};

class AttachmentFailureTest : public AttachmentTest, public testing::WithParamInterface<Failure> {};

TEST_P(AttachmentFailureTest, LeavesTheOldAttachment) {
  fs::create_directory(profile / "mov.mp3");
  const Failure& c = GetParam();
  EXPECT_FALSE(WithFileSizeLimit(c.fileSizeLimit, [&] {
    return !!ReplaceAttachment(dir / c.folder, "mov", c.extension, dir / c.source);
  }));
  EXPECT_EQ(Snapshot(profile), (Tree{{"mov.avi", "old movie"}, {"mov.mp3", "<dir>"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, AttachmentFailureTest,
    testing::Values(Failure{"SourceMissing", "mpg", "outside/missing"},
                    Failure{"AFolderAtTheName", "mp3"},
                    Failure{"FolderMissing", "mpg", "outside/Clip.MPG", "missing"},
                    Failure{"FullDisk", "avi", "outside/Clip.MPG", "profile", 3}),
    RowName());

}  // namespace
}  // namespace vt::attachments
