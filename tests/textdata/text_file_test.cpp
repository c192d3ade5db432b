#include "textdata/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::textdata {
namespace {

namespace fs = std::filesystem;

std::size_t EntryCount(const fs::path& folder) {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(TextEncoding, ValidUtf8IsKeptAndAnythingElseIsWindows1252) {
  EXPECT_EQ(DecodeText("caf\xC3\xA9"), "café");
  EXPECT_EQ(DecodeText("caf\xE9 \x80 \x9C"), "café € œ");
  // Bytes that code page leaves undefined become the C1 control of the same number.
  EXPECT_EQ(DecodeWindows1252("\x81\x8D"), "\xC2\x81\xC2\x8D");
  EXPECT_FALSE(IsValidUtf8("\xC3"));              // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80 \xE2\x82\xAC"));
}

TEST(TextEncoding, EncodesToWindows1252WithQuestionMarksForTheRest) {
  EXPECT_EQ(EncodeWindows1252("café € œ"), "caf\xE9 \x80 \x9C");
  EXPECT_EQ(EncodeWindows1252("日本"), "??");
  const std::string all = [] {
    std::string bytes;
    for (int b = 1; b < 256; ++b) {
      bytes += static_cast<char>(b);
    }
    return bytes;
  }();
  EXPECT_EQ(EncodeWindows1252(DecodeWindows1252(all)), all);
}

TEST(ReadTextFile, DecodesFilesFromEitherEncoding) {
  test::TempDir dir;
  test::WriteBytes(dir / "ansi.dat", "<FIRSTNAME>Ren\xE9</FIRSTNAME>\r\n");
  test::WriteBytes(dir / "utf8.dat", "<FIRSTNAME>Ren\xC3\xA9</FIRSTNAME>\r\n");
  EXPECT_EQ(ReadTextFile(dir / "ansi.dat"), "<FIRSTNAME>René</FIRSTNAME>\r\n");
  EXPECT_EQ(ReadTextFile(dir / "utf8.dat"), "<FIRSTNAME>René</FIRSTNAME>\r\n");
  EXPECT_EQ(ReadTextFile(dir / "missing.dat"), std::nullopt);
  EXPECT_EQ(ReadTextFile(dir.path()), std::nullopt);  // a folder is no file
}

TEST(ReplaceFileAtomically, ReplacesContentAndKeepsTheMode) {
  test::TempDir dir;
  const fs::path file = dir / "pr.dat";
  ASSERT_TRUE(ReplaceFileAtomically(file, "first"));
  EXPECT_EQ(test::ReadBytes(file), "first");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFileAtomically(file, std::string("second\0", 7)));
  EXPECT_EQ(test::ReadBytes(file), std::string("second\0", 7));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(ReplaceFileAtomically, FailureLeavesNothingBehind) {
  test::TempDir dir;
  EXPECT_FALSE(ReplaceFileAtomically(dir / "missing" / "pr.dat", "x"));
  EXPECT_FALSE(fs::exists(dir / "missing"));

  fs::create_directory(dir / "pr.dat");  // a folder standing at the file's name
  test::WriteBytes(dir / "pr.dat" / "inside", "kept");
  EXPECT_FALSE(ReplaceFileAtomically(dir / "pr.dat", "x"));
  EXPECT_EQ(test::ReadBytes(dir / "pr.dat" / "inside"), "kept");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(ReplaceFileAtomically, RemovesLeftoversOfACrashAndReplacesALinkItself) {
  test::TempDir dir;
  test::WriteBytes(dir / ".pr.dat.tmp-AbC123", "half written");
  test::WriteBytes(dir / "other.dat", "unrelated");
  test::WriteBytes(dir / "elsewhere" / "target", "outside");
  fs::create_symlink(dir / "elsewhere" / "target", dir / "pr.dat");

  ASSERT_TRUE(ReplaceFileAtomically(dir / "pr.dat", "new"));
  EXPECT_FALSE(fs::exists(dir / ".pr.dat.tmp-AbC123"));
  EXPECT_EQ(test::ReadBytes(dir / "other.dat"), "unrelated");
  EXPECT_FALSE(fs::is_symlink(dir / "pr.dat"));
  EXPECT_EQ(test::ReadBytes(dir / "pr.dat"), "new");
  EXPECT_EQ(test::ReadBytes(dir / "elsewhere" / "target"), "outside");
}

}  // namespace
}  // namespace vt::textdata
