#include "textdata/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::textdata {
namespace {

namespace fs = std::filesystem;

std::ptrdiff_t EntryCount(const fs::path& folder) {
  return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

TEST(TextEncoding, ValidUtf8IsKeptAndAnythingElseIsWindows1252) {
  EXPECT_EQ(DecodeText("caf\xC3\xA9"), "café");
  EXPECT_EQ(DecodeText("caf\xE9 \x80 \x9C"), "café € œ");
  // Bytes that code page leaves undefined become the C1 control of the same number.
  EXPECT_EQ(DecodeWindows1252("\x81\x8D"), "\xC2\x81\xC2\x8D");
  // Cut short, overlong, a surrogate, beyond U+10FFFF.
  for (const char* bytes : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(IsValidUtf8(bytes)) << bytes;
  }
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80 \xE2\x82\xAC"));
  // A letter beyond ASCII at every place of a long ASCII run is seen.
  for (std::size_t at = 0; at < 20; ++at) {
    const std::string before(at, 'a');
    const std::string after(13, 'b');
    EXPECT_TRUE(IsValidUtf8(before + "\xC3\xA9" + after)) << at;
    EXPECT_FALSE(IsValidUtf8(before + "\xE9" + after)) << at;
    EXPECT_FALSE(IsValidUtf8(before + after + "\xC3")) << at;
  }

  EXPECT_EQ(EncodeWindows1252("café € œ 日本"), "caf\xE9 \x80 \x9C ??");
  std::string all;
  for (int b = 1; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  EXPECT_EQ(EncodeWindows1252(DecodeWindows1252(all)), all);
}

TEST(ReadTextFile, ReadsFilesAndStreamsWhole) {
  test::TempDir dir;
  const std::string text = std::string(300 * 1024, 'x') + "caf\xE9";
  test::WriteBytes(dir / "setup.txt", text);
  EXPECT_EQ(ReadTextFile(dir / "setup.txt"), std::string(300 * 1024, 'x') + "café");
  test::WriteBytes(dir / "empty.txt", "");
  EXPECT_EQ(ReadTextFile(dir / "empty.txt"), "");

  // A pipe has no size to read up to.
  const fs::path pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::thread writer([&] { test::WriteBytes(pipe, text); });
  EXPECT_EQ(ReadFileBytes(pipe), text);
  writer.join();
}

TEST(ReplaceFileAtomically, ReplacesContentKeepsTheModeAndRemovesLeftovers) {
  test::TempDir dir;
  const fs::path file = dir / "pr.dat";
  ASSERT_TRUE(ReplaceFileAtomically(file, "first"));
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  test::WriteBytes(dir / ".pr.dat.tmp-AbC123", "half written by a crash");
  test::WriteBytes(dir / ".other.dat.tmp-AbC123", "not ours");
  ASSERT_TRUE(ReplaceFileAtomically(file, std::string("second\0", 7)));
  EXPECT_EQ(test::ReadBytes(file), std::string("second\0", 7));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(test::ReadBytes(dir / ".other.dat.tmp-AbC123"), "not ours");
  EXPECT_EQ(EntryCount(dir.path()), 2);

  // A link at the name is replaced, not followed.
  test::WriteBytes(dir / "elsewhere" / "target", "outside");
  fs::remove(file);
  fs::create_symlink(dir / "elsewhere" / "target", file);
  ASSERT_TRUE(ReplaceFileAtomically(file, "new"));
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(test::ReadBytes(file), "new");
  EXPECT_EQ(test::ReadBytes(dir / "elsewhere" / "target"), "outside");
}

TEST(ReplaceFileAtomically, FailureLeavesNothingBehind) {
  test::TempDir dir;
  EXPECT_FALSE(ReplaceFileAtomically(dir / "missing" / "pr.dat", "x"));
  EXPECT_FALSE(fs::exists(dir / "missing"));

  test::WriteBytes(dir / "pr.dat" / "inside", "kept");  // a folder standing at the file's name
  EXPECT_FALSE(ReplaceFileAtomically(dir / "pr.dat", "x"));
  EXPECT_EQ(ReadTextFile(dir / "pr.dat"), std::nullopt);  // a folder is no file to read either
  EXPECT_EQ(test::ReadBytes(dir / "pr.dat" / "inside"), "kept");
  EXPECT_EQ(EntryCount(dir.path()), 1);
}

}  // namespace
}  // namespace vt::textdata
