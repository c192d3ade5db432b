#include "attachments/attachments.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::attachments {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Every entry of the folder, sorted, folders marked with a trailing "/".
Names Listing(const fs::path& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string() + (entry.is_directory() ? "/" : ""));
  }
  std::sort(names.begin(), names.end());
  return names;
}

void WriteSparse(const fs::path& path, std::uintmax_t size) {
  test::WriteBytes(path, "");
  fs::resize_file(path, size);
}

TEST(PathPieces, FileNameExtensionAndAttachmentName) {
  EXPECT_EQ(GetFileName("C:\\dir\\Clip.MPG"), "Clip.MPG");
  EXPECT_EQ(GetFileName("/a/b.c/README"), "README");
  EXPECT_EQ(GetFileName("a/b\\c"), "c");
  EXPECT_EQ(GetFileName("dir\\"), "");
  EXPECT_EQ(GetFileName("Clip.MPG"), "Clip.MPG");
  const std::pair<const char*, const char*> extensions[] = {
      {"Clip.MPG", "mpg"}, {"README", ""},        {"x.tar.GZ", "gz"}, {"a.b\\c", ""},
      {"a.b/c", ""},       {"d.x\\e.WAV", "wav"}, {"name.", ""},      {"\tx.AVI\t", "avi\t"},
  };
  for (const auto& [given, extension] : extensions) {
    std::string name = given;
    EXPECT_EQ(GetFileExtension(name), extension) << given;
    EXPECT_EQ(name, given);
  }
  std::string cleaned(" \0 Clip.M\0PG \0", 14);  // NULs and end blanks are removed from the name
  EXPECT_EQ(GetFileExtension(cleaned), "mpg");
  EXPECT_EQ(cleaned, "Clip.MPG");
  EXPECT_EQ(AttachmentName("mov", "avi"), "mov.avi");
  EXPECT_EQ(AttachmentName("nar", ""), "nar");
  EXPECT_EQ(AttachmentName("pres", "kvs. ."), "pres.kvs");
  EXPECT_EQ(AttachmentName("mov", "a b"), "mov.a b");
}

TEST(FolderSize, SizesAtTheLimit) {
  test::TempDir dir;
  const std::tuple<std::uintmax_t, std::int16_t, bool> cases[] = {
      {5'000'000, 5, false},
      {5'000'001, 5, true},
      {0, 0, false},
      {1, 0, true},
      {3'000'000'000, 3000, false},
      {5'000'000'000, 4999, true},
      {5'000'000'000, 5000, false},
  };
  for (const auto& [size, limit, exceeds] : cases) {
    const fs::path file = dir / std::to_string(size);
    WriteSparse(file, size);
    EXPECT_EQ(GetFolderSize(file, true), static_cast<double>(size));
    EXPECT_EQ(ExceedsLimit(GetFolderSize(file, true), limit), exceeds) << size << " " << limit;
  }
}

TEST(FolderSize, SumsTheTreeAndFollowsNoLinkToAFolder) {
  test::TempDir dir;
  const fs::path tree = dir / "tree";
  test::WriteBytes(tree / "a", std::string(10, 'a'));
  test::WriteBytes(tree / "sub" / "b", std::string(20, 'b'));
  EXPECT_EQ(GetFolderSize(tree, false), 30);
  test::WriteBytes(tree / "sub" / ".hidden", std::string(5, 'h'));
  WriteSparse(dir / "big" / "f", 1000);
  fs::create_directory_symlink(dir / "big", tree / "to-folder");
  fs::create_symlink(dir / "big" / "f", tree / "to-file");
  fs::create_symlink(dir / "missing", tree / "broken");
  EXPECT_EQ(GetFolderSize(tree, false), 1035);
  EXPECT_EQ(GetFolderSize(tree / "to-file", true), 1000);  // what a copy would take
  EXPECT_EQ(GetFolderSize(tree / "broken", true), 0);
  EXPECT_EQ(GetFolderSize(dir / "missing", false), 0);
  fs::create_directory(dir / "empty");
  EXPECT_EQ(GetFolderSize(dir / "empty", false), 0);
}

class ReplaceAttachmentTest : public testing::Test {
 protected:
  ReplaceAttachmentTest() {
    test::WriteBytes(profile / "mov.avi", "old movie");
    test::WriteBytes(outside / "Clip.MPG", "new clip");
  }
  test::TempDir dir;
  fs::path profile = dir / "profile";
  fs::path outside = dir / "outside";
};

TEST_F(ReplaceAttachmentTest, ReplacesEveryFileOfTheKindInAnyCaseAndNothingElse) {
  for (const char* name : {"MOV.MPG", "mov", "Mov.tar.gz", "mov.", "movie.avi", "amov.avi",
                           "mov_avi", ".mov", "nar.wav", "mov.old/inside"}) {
    test::WriteBytes(profile / name, "other");
  }
  test::WriteBytes(outside / "target", "not ours");
  fs::create_symlink(outside / "target", profile / "mov.wmv");
  fs::create_directory_symlink(profile / "mov.old", profile / "mov.lnk");  // a link, not a folder
  ASSERT_TRUE(ReplaceAttachment(profile, "mov", "mpg", outside / "Clip.MPG"));
  EXPECT_EQ(Listing(profile),
            (Names{".mov", "amov.avi", "mov.mpg", "mov.old/", "mov_avi", "movie.avi", "nar.wav"}));
  EXPECT_EQ(test::ReadBytes(profile / "mov.mpg"), "new clip");
  EXPECT_EQ(test::ReadBytes(profile / "mov.old" / "inside"), "other");
  EXPECT_EQ(test::ReadBytes(outside / "target"), "not ours");
  EXPECT_EQ(test::ReadBytes(outside / "Clip.MPG"), "new clip");
  EXPECT_TRUE(FilesOfKind(*files::Folder::Open(profile), "").empty());

  struct stat attached {
  }, fresh{};  // the mode of any new file, not a private 0600
  ASSERT_EQ(::stat((profile / "mov.mpg").c_str(), &attached), 0);
  ASSERT_EQ(::stat((outside / "Clip.MPG").c_str(), &fresh), 0);
  EXPECT_EQ(attached.st_mode, fresh.st_mode);
}

TEST_F(ReplaceAttachmentTest, TakesALinksTargetAndTheCurrentAttachmentItself) {
  test::WriteBytes(outside / "README", "narration");
  fs::create_symlink(outside / "README", outside / "link");
  ASSERT_TRUE(ReplaceAttachment(profile, "nar", "", outside / "link"));
  ASSERT_TRUE(ReplaceAttachment(profile, "mov", "avi", profile / "mov.avi"));
  EXPECT_EQ(Listing(profile), (Names{"mov.avi", "nar"}));
  EXPECT_EQ(test::ReadBytes(profile / "nar"), "narration");
  EXPECT_FALSE(fs::is_symlink(profile / "nar"));
  EXPECT_EQ(test::ReadBytes(profile / "mov.avi"), "old movie");
}

TEST_F(ReplaceAttachmentTest, AFailureLeavesTheOldAttachment) {
  fs::create_directory(profile / "mov.mpg");  // a folder standing at the new name
  const fs::path clip = outside / "Clip.MPG";
  struct Case {
    fs::path folder;
    std::string kind, extension;
    fs::path source;
  };
  for (const Case& c : std::vector<Case>{{profile, "mov", "wmv", outside / "vanished"},
                                         {profile, "mov", "wmv", outside},
                                         {dir / "missing", "mov", "wmv", clip},
                                         {profile, "mov", "mpg", clip},
                                         {profile, "m/v", "wmv", clip},
                                         {profile, std::string("m\0v", 3), "wmv", clip},
                                         {profile, " ", "wmv", clip},
                                         {profile, ".x", "wmv", clip},
                                         {profile, "mov", "a/b", clip}}) {
    EXPECT_FALSE(ReplaceAttachment(c.folder, c.kind, c.extension, c.source)) << c.kind;
    EXPECT_EQ(Listing(profile), (Names{"mov.avi", "mov.mpg/"})) << c.kind;
    EXPECT_EQ(test::ReadBytes(profile / "mov.avi"), "old movie");
  }
  EXPECT_FALSE(fs::exists(dir / "missing"));

  // A copy cut short, as on a full disk.
  test::WriteBytes(outside / "long.avi", std::string(100'000, 'x'));
  EXPECT_FALSE(test::WithFileSizeLimit(1000, [&] {
    return static_cast<bool>(ReplaceAttachment(profile, "mov", "avi", outside / "long.avi"));
  }));
  EXPECT_EQ(Listing(profile), (Names{"mov.avi", "mov.mpg/"}));
  EXPECT_EQ(test::ReadBytes(profile / "mov.avi"), "old movie");
}

// A crash leaves the old attachment or the new one (both, between the new one's rename and the
// old one's removal); the next attachment of the kind leaves exactly one.
TEST_F(ReplaceAttachmentTest, AKillAtAnyStepLeavesTheOldOrTheNewAttachment) {
  bool stopped = true;
  for (int k = 1; stopped; ++k) {
    SCOPED_TRACE("stopped after step " + std::to_string(k));
    fs::remove_all(profile);
    test::WriteBytes(profile / "mov.avi", "old movie");
    stopped = test::StoppedAfterStep(
        k, [&] { ReplaceAttachment(profile, "mov", "mpg", outside / "Clip.MPG"); });
    test::Tree after = test::Snapshot(profile);
    std::erase_if(after, [](const auto& entry) { return entry.first.starts_with(".vt-"); });
    const test::Tree old = {{"mov.avi", "old movie"}}, fresh = {{"mov.mpg", "new clip"}};
    const test::Tree both = {{"mov.avi", "old movie"}, {"mov.mpg", "new clip"}};
    EXPECT_TRUE(after == old || after == fresh || after == both) << ::testing::PrintToString(after);
    EXPECT_TRUE(stopped || after == fresh);
    ASSERT_TRUE(ReplaceAttachment(profile, "mov", "wmv", outside / "Clip.MPG"));
    EXPECT_EQ(Listing(profile), Names{"mov.wmv"});
  }
}

TEST_F(ReplaceAttachmentTest, CopiesFromAnotherFileSystem) {
  std::string source = "/dev/shm/vt-attach-XXXXXX";
  const int fd = ::mkstemp(source.data());
  if (fd < 0) {
    GTEST_SKIP() << "no /dev/shm";
  }
  ::close(fd);
  std::string bytes(3 * 1024 * 1024 + 17, '\0');  // more than one buffer of the fallback
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(i * 7 % 251);
  }
  test::WriteBytes(source, bytes);
  const bool replaced = static_cast<bool>(ReplaceAttachment(profile, "mov", "avi", source));
  fs::remove(source);
  ASSERT_TRUE(replaced);
  EXPECT_EQ(test::ReadBytes(profile / "mov.avi"), bytes);
}

}  // namespace
}  // namespace vt::attachments
