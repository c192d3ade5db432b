#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <filesystem>
#include <functional>
#include <string>

#include "files/folder.h"
#include "files/read.h"
#include "files/replace.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::files {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::Snapshot;
using test::Tree;
using test::WriteBytes;

constexpr std::uint64_t kCap = 1000;

// What stands at the path the reader is given, and what it must answer: the bytes, or why not.
struct ReadCase {
  std::string name;
  std::function<void(const fs::path& path, const fs::path& dir)> make;
  std::string bytes;  // when read
  Error::Kind refusal = Error::Kind::kSystem;
  bool readable = false;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
  *out << c.name;
}

class ReadFileTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadFileTest, ReadsRegularFilesUpToTheCapAndRefusesTheRestAtOnce) {
  const test::TempDir dir;
  const fs::path path = dir / "read me";
  GetParam().make(path, dir.path());
  const Result<std::string> read = ReadFile(path, kCap);
  ASSERT_EQ(static_cast<bool>(read), GetParam().readable);
  if (read) {
    EXPECT_EQ(*read, GetParam().bytes);
  } else {
    EXPECT_EQ(read.error().kind(), GetParam().refusal) << read.error().Describe();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ReadFileTest,
    ::testing::Values(ReadCase{"AtTheCap",
                               [](auto& p, auto&) { WriteBytes(p, std::string(kCap, 'x')); },
                               std::string(kCap, 'x'),
                               {},
                               true},
                      ReadCase{"LinkToAFile",
                               [](auto& p, auto& d) {
                                 WriteBytes(d / "target", "linked");
                                 fs::create_symlink(d / "target", p);
                               },
                               "linked",
                               {},
                               true},
                      ReadCase{"OverTheCap",
                               [](auto& p, auto&) { WriteBytes(p, std::string(kCap + 1, 'x')); },
                               {},
                               Error::Kind::kTooLarge},
                      ReadCase{"SparseHundredGigabytes",
                               [](auto& p, auto&) {
                                 WriteBytes(p, "");
                                 fs::resize_file(p, std::uint64_t{100} << 30);
                               },
                               {},
                               Error::Kind::kTooLarge},
                      ReadCase{"Fifo",
                               [](auto& p, auto&) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
                               {},
                               Error::Kind::kNotRegularFile},
                      ReadCase{"LinkToDevZero",
                               [](auto& p, auto&) { fs::create_symlink("/dev/zero", p); },
                               {},
                               Error::Kind::kNotRegularFile},
                      ReadCase{"Folder",
                               [](auto& p, auto&) { fs::create_directory(p); },
                               {},
                               Error::Kind::kNotRegularFile},
                      ReadCase{"Missing", [](auto&, auto&) {}, {}, Error::Kind::kSystem},
                      ReadCase{"DanglingLink",
                               [](auto& p, auto& d) { fs::create_symlink(d / "nowhere", p); },
                               {},
                               Error::Kind::kSystem}),
    [](const auto& info) { return info.param.name; });

// Nothing but the listed entries: no temporary file is left.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ReplaceFile, ReplacesKeepsARegularFilesModeAndNeverFollowsALink) {
  const test::TempDir dir;
  const fs::path file = dir / "pr.dat";
  ASSERT_TRUE(ReplaceFile(file, "first"));
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFile(file, std::string("second\0", 7)));
  EXPECT_EQ(ReadBytes(file), std::string("second\0", 7));
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));

  WriteBytes(dir / "outside" / "target", "outside");
  ::chmod((dir / "outside" / "target").c_str(), 0604);
  fs::remove(file);
  fs::create_symlink(dir / "outside" / "target", file);
  ASSERT_TRUE(ReplaceFile(file, "new"));
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(ReadBytes(file), "new");
  EXPECT_NE(fs::status(file).permissions(), fs::perms(0604)) << "a link's target gave its mode";
  EXPECT_EQ(ReadBytes(dir / "outside" / "target"), "outside");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"outside", "pr.dat"}));
}

TEST(ReplaceFile, FailureLeavesTheOldFileAndNothingElse) {
  const test::TempDir dir;
  EXPECT_FALSE(ReplaceFile(dir / "missing" / "pr.dat", "x"));
  EXPECT_FALSE(fs::exists(dir / "missing"));
  WriteBytes(dir / "pr.dat" / "inside", "kept");  // a folder standing at the file's name
  EXPECT_FALSE(ReplaceFile(dir / "pr.dat", "x"));
  EXPECT_EQ(ReadBytes(dir / "pr.dat" / "inside"), "kept");

  WriteBytes(dir / "full.dat", "old");
  EXPECT_FALSE(test::WithFileSizeLimit(3, [&] {
    return static_cast<bool>(ReplaceFile(dir / "full.dat", "more than three bytes"));
  }));
  EXPECT_EQ(ReadBytes(dir / "full.dat"), "old");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"full.dat", "pr.dat"}));
}

// A temporary name as the writers make them; a writer still at work holds its lock.
const std::string kLeftover = ".vt-0123456789abcdef-AbCdEfGhIj.tmp";

TEST(ReplaceFile, SweepsWhatKilledWritersLeftButNotWhatOthersAreWriting) {
  const test::TempDir dir;
  WriteBytes(dir / kLeftover, "a killed writer's");
  const std::string busy = ".vt-0123456789abcdef-KlMnOpQrSt.tmp";
  WriteBytes(dir / busy, "another writer's");
  const int held = ::open((dir / busy).c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  for (const char* other : {".pr.dat.tmp-AbC123", ".vt-short.tmp"}) {
    WriteBytes(dir / other, "not a temporary of ours");
  }
  ASSERT_TRUE(ReplaceFile(dir / "pr.dat", "x"));
  ::close(held);
  EXPECT_EQ(Names(dir.path()),
            (std::vector<std::string>{".pr.dat.tmp-AbC123", busy, ".vt-short.tmp", "pr.dat"}));
}

TEST(ReplaceFile, AKillAtAnyStepLeavesTheOldOrTheNewFile) {
  bool stopped = true;
  for (int k = 1; stopped; ++k) {
    SCOPED_TRACE("stopped after step " + std::to_string(k));
    const test::TempDir dir;
    WriteBytes(dir / "pr.dat", "old");
    stopped = test::StoppedAfterStep(k, [&] { ReplaceFile(dir / "pr.dat", "new"); });
    const std::string content = ReadBytes(dir / "pr.dat");
    EXPECT_TRUE(content == "old" || content == "new") << content;
    EXPECT_EQ(stopped ? "old or new" : content, stopped ? "old or new" : "new");
    ASSERT_TRUE(ReplaceFile(dir / "pr.dat", "next"));
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"pr.dat"});
  }
}

// A folder to replace: its files go, its sub-folders move to the new one.
class NewFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir_ / "show" / "old.jpg", "old slide");
    WriteBytes(dir_ / "show" / "notes" / "mine.txt", "the person's own");
    WriteBytes(dir_ / "outside" / "keep.txt", "outside");
  }

  // Makes the new folder with one file in it and swaps it in.
  Status Replace() {
    const Result<Folder> parent = Folder::Open(dir_.path());
    Result<NewFolder> staging = NewFolder::Create(*parent, "show");
    if (!staging) {
      return staging.error();
    }
    Result<Fd> file = staging->folder().CreateFile("new.jpg");
    const std::string bytes = "new slide";
    if (!file || ::write(file->get(), bytes.data(), bytes.size()) != 9) {
      return Error::Last();
    }
    return staging->Commit();
  }

  Tree Old() const {
    return {{"show", "<dir>"},       {"show/old.jpg", "old slide"},
            {"show/notes", "<dir>"}, {"show/notes/mine.txt", "the person's own"},
            {"outside", "<dir>"},    {"outside/keep.txt", "outside"}};
  }
  Tree New() const {
    return {{"show", "<dir>"},       {"show/new.jpg", "new slide"},
            {"show/notes", "<dir>"}, {"show/notes/mine.txt", "the person's own"},
            {"outside", "<dir>"},    {"outside/keep.txt", "outside"}};
  }

  test::TempDir dir_;
};

TEST_F(NewFolderTest, SwapsInCarryingSubfoldersOver) {
  ASSERT_TRUE(Replace());
  EXPECT_EQ(Snapshot(dir_.path()), New());
}

TEST_F(NewFolderTest, ALinkAtTheNameIsReplacedAndItsTargetNeverTouched) {
  fs::remove_all(dir_ / "show");
  fs::create_directory_symlink(dir_ / "outside", dir_ / "show");
  ASSERT_TRUE(Replace());
  EXPECT_EQ(Snapshot(dir_.path()), (Tree{{"show", "<dir>"},
                                         {"show/new.jpg", "new slide"},
                                         {"outside", "<dir>"},
                                         {"outside/keep.txt", "outside"}}));
}

TEST_F(NewFolderTest, RefusalsChangeNothing) {
  WriteBytes(dir_ / "new.jpg", "");  // no effect: only entries of the new folder can collide
  fs::remove(dir_ / "new.jpg");
  fs::create_directory(dir_ / "show" / "new.jpg");  // a sub-folder named like a new file
  const Tree withCollision = Snapshot(dir_.path());
  EXPECT_FALSE(Replace());
  EXPECT_EQ(Snapshot(dir_.path()), withCollision);

  fs::remove_all(dir_ / "show");
  WriteBytes(dir_ / "show", "a file at the name");
  EXPECT_FALSE(Replace());
  EXPECT_EQ(ReadBytes(dir_ / "show"), "a file at the name");
  EXPECT_EQ(Names(dir_.path()), (std::vector<std::string>{"outside", "show"}));
}

TEST_F(NewFolderTest, AKillAtAnyStepLeavesTheOldOrTheNewFolderOnceSwept) {
  bool stopped = true;
  for (int k = 1; stopped; ++k) {
    SCOPED_TRACE("stopped after step " + std::to_string(k));
    fs::remove_all(dir_.path());
    fs::create_directory(dir_.path());
    SetUp();
    stopped = test::StoppedAfterStep(k, [&] { Replace(); });
    SweepLeftovers(*Folder::Open(dir_.path()));
    const Tree after = Snapshot(dir_.path());
    EXPECT_TRUE(after == Old() || after == New()) << ::testing::PrintToString(after);
    if (!stopped) {
      EXPECT_EQ(after, New());
    }
  }
}

}  // namespace
}  // namespace vt::files
