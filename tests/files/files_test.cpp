#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "files/read.h"
#include "files/replace.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace vt::files {
namespace {

namespace fs = std::filesystem;
using namespace vt::test;
using namespace std::string_literals;

constexpr std::uint64_t kCap = 1000;

// An entry of each kind a reader may be given, and the refusal expected, none when it reads.
struct ReadCase {
  const char *name, *entry;
  std::optional<Error::Kind> refusal = std::nullopt;
};

class ReadFileTest : public ::testing::TestWithParam<ReadCase> {
 protected:
  ReadFileTest() {
    WriteBytes(dir / "at the cap", std::string(kCap, 'x'));
    WriteBytes(dir / "over the cap", std::string(kCap + 1, 'x'));
    fs::create_symlink(dir / "at the cap", dir / "link");
    WriteBytes(dir / "sparse", "");
    fs::resize_file(dir / "sparse", std::uint64_t{100} << 30);
    EXPECT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "device link");
    fs::create_symlink(dir / "none", dir / "dangling link");
    fs::create_symlink("/proc/self/status", dir / "size of 0");  // over 1000 bytes all the same
  }
  const TempDir dir;
};

TEST_P(ReadFileTest, ReadsRegularFilesUpToTheCapAndRefusesTheRestWithoutWaiting) {
  const Result<std::string> read = ReadFile(dir / GetParam().entry, kCap);
  EXPECT_EQ(read ? std::nullopt : std::optional(read.error().kind()), GetParam().refusal);
  EXPECT_EQ(read ? *read : "refused", GetParam().refusal ? "refused" : std::string(kCap, 'x'));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ReadFileTest,
    ::testing::Values(ReadCase{"AtTheCap", "at the cap"}, ReadCase{"LinkToAFile", "link"},
                      ReadCase{"OverTheCap", "over the cap", Error::Kind::kTooLarge},
                      ReadCase{"SparseHundredGigabytes", "sparse", Error::Kind::kTooLarge},
                      ReadCase{"SizeClaimingNothing", "size of 0", Error::Kind::kTooLarge},
                      ReadCase{"Fifo", "fifo", Error::Kind::kNotRegularFile},
                      ReadCase{"LinkToDevZero", "device link", Error::Kind::kNotRegularFile},
                      ReadCase{"DanglingLink", "dangling link", Error::Kind::kSystem}),
    RowName());

TEST(ReplaceFile, KeepsARegularFilesModeReplacesALinkAndOnFailureLeavesTheOldFileAlone) {
  const TempDir dir;
  const fs::path file = dir / "pr.dat", target = dir / "target";
  ASSERT_TRUE(ReplaceFile(file, "first"));
  const fs::perms fresh = fs::status(file).permissions();
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFile(file, "second\0"s));
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));
  EXPECT_FALSE(WithFileSizeLimit(3, [&] { return !!ReplaceFile(file, "more than 3 bytes"); }));
  EXPECT_EQ(ReadBytes(file), "second\0"s);

  fs::remove(file);
  WriteBytes(target, "outside");
  ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
  fs::create_symlink(target, file);
  ASSERT_TRUE(ReplaceFile(file, "new"));
  EXPECT_EQ(fs::status(file).permissions(), fresh) << "the link or its target gave the mode";
  WriteBytes(dir / "folder" / "inside", "kept");  // a folder standing at the file's name
  EXPECT_FALSE(ReplaceFile(dir / "folder", "x") || ReplaceFile(dir / "missing" / "pr.dat", "x"));
  EXPECT_EQ(Snapshot(dir.path()), (Tree{{"folder", "<dir>"},
                                        {"folder/inside", "kept"},
                                        {"pr.dat", "new"},
                                        {"target", "outside"}}));
}

TEST(ReplaceFile, AKillAtAnyStepLeavesTheOldOrTheNewFileAndTheNextSweepsWhatItLeft) {
  const std::string busy = ".vt-0123456789abcdef-KlMnOpQrSt.tmp";  // another writer's, locked
  bool stopped = true;
  for (int k = 1; stopped; ++k) {
    SCOPED_TRACE("stopped after step " + std::to_string(k));
    const TempDir dir;
    WriteBytes(dir / "pr.dat", "old");
    stopped = StoppedAfterStep(k, [&] { ReplaceFile(dir / "pr.dat", "new"); });
    const std::string content = ReadBytes(dir / "pr.dat");
    EXPECT_TRUE(content == "new" || (stopped && content == "old")) << content;
    Tree expected = {{"pr.dat", "next"}};
    WriteBytes(dir / ".vt-0123456789abcdef-AbCdEfGhIj.tmp", "unlocked, so swept");
    // Names off ours in one place each are none of ours.
    for (const std::string& name :
         {busy, "_vt-0123456789abcdef-AbCdEfGhIj.tmp"s, ".vt-0123456789abcdef_AbCdEfGhIj.tmp"s,
          ".vt-0123456789abcdef-AbCdEfGhIj.tm_"s, ".vt-short.tmp"s}) {
      WriteBytes(dir / name, name);
      expected[name] = name;
    }
    const int held = ::open((dir / busy).c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    ASSERT_TRUE(ReplaceFile(dir / "pr.dat", "next"));
    ::close(held);
    EXPECT_EQ(Snapshot(dir.path()), expected);
  }
}

TEST(CopyToNewFile, CopiesFromAnotherFileSystemInPieces) {
  const fs::path source = "/dev/shm/vt-copy-" + std::to_string(::getpid());
  std::string bytes;  // more than one buffer of the fallback, each piece unlike the others
  for (int i = 0; bytes.size() < 3 * 1024 * 1024; ++i) {
    bytes += std::to_string(i) + ",";
  }
  WriteBytes(source, bytes);
  const TempDir dir;
  Result<NewFile> copy = CopyToNewFile(source, *Folder::Open(dir.path()), "copy");
  EXPECT_TRUE(copy && copy->Commit());
  fs::remove(source);
  EXPECT_EQ(Snapshot(dir.path()), (Tree{{"copy", bytes}}));
}

}  // namespace
}  // namespace vt::files
