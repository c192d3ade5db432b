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
using test::ReadBytes;
using test::Snapshot;
using test::Tree;
using test::WriteBytes;
using namespace std::string_literals;

constexpr std::uint64_t kCap = 1000;

// What stands at the path the reader is given; the refusal expected, none when it reads.
struct ReadCase {
  const char* name;
  std::function<void(const fs::path& path, const fs::path& dir)> make;
  std::optional<Error::Kind> refusal = std::nullopt;
};

class ReadFileTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadFileTest, ReadsRegularFilesUpToTheCapAndRefusesTheRestWithoutWaiting) {
  const test::TempDir dir;
  const fs::path path = dir / "read me";
  GetParam().make(path, dir.path());
  const Result<std::string> read = ReadFile(path, kCap);
  ASSERT_EQ(static_cast<bool>(read), !GetParam().refusal);
  if (read) {
    EXPECT_EQ(*read, ReadBytes(path));
  } else {
    EXPECT_EQ(read.error().kind(), *GetParam().refusal) << read.error().Describe();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ReadFileTest,
    ::testing::Values(
        ReadCase{"AtTheCap", [](auto& p, auto&) { WriteBytes(p, std::string(kCap, 'x')); }},
        ReadCase{"LinkToAFile",
                 [](auto& p, auto& d) {
                   WriteBytes(d / "target", "linked");
                   fs::create_symlink(d / "target", p);
                 }},
        ReadCase{"OverTheCap", [](auto& p, auto&) { WriteBytes(p, std::string(kCap + 1, 'x')); },
                 Error::Kind::kTooLarge},
        ReadCase{"SparseHundredGigabytes",
                 [](auto& p, auto&) {
                   WriteBytes(p, "");
                   fs::resize_file(p, std::uint64_t{100} << 30);
                 },
                 Error::Kind::kTooLarge},
        ReadCase{"Fifo", [](auto& p, auto&) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
                 Error::Kind::kNotRegularFile},
        ReadCase{"LinkToDevZero", [](auto& p, auto&) { fs::create_symlink("/dev/zero", p); },
                 Error::Kind::kNotRegularFile},
        ReadCase{"DanglingLink", [](auto& p, auto& d) { fs::create_symlink(d / "none", p); },
                 Error::Kind::kSystem}),
    test::RowName());

// Runs the work in a child process whose files may not grow past `bytes`, as on a full disk, and
// which an alarm ends after 10 s: a write retried for ever fails the test instead of hanging it.
bool InBoundedChild(const std::function<bool()>& work, std::uint64_t bytes = RLIM_INFINITY) {
  return test::WithFileSizeLimit(bytes, [&] {
    ::alarm(10);
    return work();
  });
}

TEST(ReplaceFile, KeepsARegularFilesModeAndReplacesALinkWithoutFollowingIt) {
  const test::TempDir dir;
  const fs::path file = dir / "pr.dat", target = dir / "outside" / "target";
  ASSERT_TRUE(ReplaceFile(file, "first"));
  const fs::perms fresh = fs::status(file).permissions();
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFile(file, std::string("second\0", 7)));
  EXPECT_EQ(ReadBytes(file), std::string("second\0", 7));
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));

  fs::remove(file);
  WriteBytes(target, "outside");
  ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
  fs::create_symlink(target, file);
  ASSERT_TRUE(ReplaceFile(file, "new"));
  EXPECT_EQ(fs::status(file).permissions(), fresh) << "the link or its target gave the mode";
  EXPECT_EQ(Snapshot(dir.path()),
            (Tree{{"outside", "<dir>"}, {"outside/target", "outside"}, {"pr.dat", "new"}}));
}

TEST(ReplaceFile, AFailureLeavesTheOldFileAndNothingElse) {
  const test::TempDir dir;
  EXPECT_FALSE(ReplaceFile(dir / "missing" / "pr.dat", "x"));
  WriteBytes(dir / "pr.dat" / "inside", "kept");  // a folder standing at the file's name
  EXPECT_FALSE(ReplaceFile(dir / "pr.dat", "x"));
  WriteBytes(dir / "full.dat", "old");
  EXPECT_FALSE(
      InBoundedChild([&] { return !!ReplaceFile(dir / "full.dat", "more than 3 bytes"); }, 3));
  EXPECT_EQ(Snapshot(dir.path()),
            (Tree{{"full.dat", "old"}, {"pr.dat", "<dir>"}, {"pr.dat/inside", "kept"}}));
}

TEST(ReplaceFile, AKillAtAnyStepLeavesTheOldOrTheNewFileAndTheNextSweepsWhatItLeft) {
  const std::string busy = ".vt-0123456789abcdef-KlMnOpQrSt.tmp";  // another writer's, locked
  bool stopped = true;
  for (int k = 1; stopped; ++k) {
    SCOPED_TRACE("stopped after step " + std::to_string(k));
    const test::TempDir dir;
    WriteBytes(dir / "pr.dat", "old");
    stopped = test::StoppedAfterStep(k, [&] { ReplaceFile(dir / "pr.dat", "new"); });
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
  std::string source = "/dev/shm/vt-copy-XXXXXX";
  const int fd = ::mkstemp(source.data());
  if (fd < 0) {
    GTEST_SKIP() << "no /dev/shm";
  }
  ::close(fd);
  std::string bytes(3 * 1024 * 1024 + 17, '\0');  // more than one buffer of the fallback
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(i * 7 % 251);
  }
  WriteBytes(source, bytes);
  const test::TempDir dir;
  EXPECT_TRUE(InBoundedChild([&] {
    Result<NewFile> copy = CopyToNewFile(source, *Folder::Open(dir.path()), "copy");
    return copy && copy->Commit();
  }));
  fs::remove(source);
  EXPECT_EQ(Snapshot(dir.path()), (Tree{{"copy", bytes}}));
}

}  // namespace
}  // namespace vt::files
