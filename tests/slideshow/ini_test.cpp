#include "slideshow/ini.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::mIni {
namespace {

using test::ReadBytes;
using test::WriteBytes;

class IniTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::filesystem::path file_ = dir_ / "slideshow.dat";
};

// A file with everything a reader must step over and a writer must leave alone; "Café" is
// Windows-1252, so the file is not valid UTF-8.
constexpr std::string_view kMixedFile =
    "; made by hand\r\n"
    "[Other]\r\n"
    "total=9\r\n"
    "\r\n"
    "[Show]\r\n"
    "  ; total=1\r\n"
    "Title=Caf\xE9\r\n"
    "unknown = kept as is\r\n"
    "Total = 3\n"
    "\r\n"
    "[Last]\r\n"
    "end=1";

TEST_F(IniTest, FindsKeyWhateverTheBlanksAndLetterCase) {
  WriteBytes(file_, "[Show]\r\n\t total \t=\t 3 \t\r\n[ Second Part ]\r\nKey=x\r\n");
  EXPECT_EQ(ReadIniValue("SHOW", "Total", "", file_), "3");
  EXPECT_EQ(ReadIniValue(" show\t", " TOTAL ", "", file_), "3");
  EXPECT_EQ(ReadIniValue("second part", "key", "", file_), "x");
}

TEST_F(IniTest, SkipsCommentsAndTakesFirstSectionAndKey) {
  WriteBytes(file_,
             "[Show]\r\n;total=1\r\n  ; total=2\r\ntotal=3\r\ntotal=4\r\n"
             "[Show]\r\nother=5\r\n");
  EXPECT_EQ(ReadIniValue("Show", "total", "", file_), "3");
  EXPECT_EQ(ReadIniValue("Show", "other", "", file_), "");
}

TEST_F(IniTest, RemovesOnePairOfMatchingQuotes) {
  WriteBytes(file_,
             "[q]\r\ndouble = \"3\"\r\nsingle='a b'\r\nmixed=\"3'\r\nnested=\"\"x\"\"\r\n"
             "inner=a \"b\" c\r\n");
  EXPECT_EQ(ReadIniValue("q", "double", "", file_), "3");
  EXPECT_EQ(ReadIniValue("q", "single", "", file_), "a b");
  EXPECT_EQ(ReadIniValue("q", "mixed", "", file_), "\"3'");
  EXPECT_EQ(ReadIniValue("q", "nested", "", file_), "\"x\"");
  EXPECT_EQ(ReadIniValue("q", "inner", "", file_), "a \"b\" c");
}

TEST_F(IniTest, EmptyValueIsRewrittenWithTheDefault) {
  WriteBytes(file_, "[s]\r\na=\r\nb = \"\"\r\nc\r\nd=4\r\n");
  EXPECT_EQ(ReadIniValue("s", "a", "1", file_), "1");
  EXPECT_EQ(ReadIniValue("s", "b", "2", file_), "2");
  EXPECT_EQ(ReadIniValue("s", "c", "3", file_), "3");
  EXPECT_EQ(ReadBytes(file_), "[s]\r\na=1\r\nb=2\r\nc=3\r\nd=4\r\n");
}

TEST_F(IniTest, EmptyDefaultWritesNothing) {
  EXPECT_EQ(ReadIniValue("s", "a", "", file_), "");
  EXPECT_FALSE(std::filesystem::exists(file_));

  WriteBytes(file_, "[s]\r\na=\r\n");
  EXPECT_EQ(ReadIniValue("s", "a", "", file_), "");
  EXPECT_EQ(ReadIniValue("s", "missing", "", file_), "");
  EXPECT_EQ(ReadBytes(file_), "[s]\r\na=\r\n");
}

TEST_F(IniTest, LongValueIsCutToWholeCharacters) {
  WriteBytes(file_, "[s]\r\nascii=" + std::string(300, 'x') +
                        "\r\naccented=" + std::string(253, 'a') + "\xC3\xA9\xC3\xA9" + "\r\n");
  EXPECT_EQ(ReadIniValue("s", "ascii", "", file_), std::string(254, 'x'));
  // 253 letters and one "é" are 254 characters though 255 bytes.
  EXPECT_EQ(ReadIniValue("s", "accented", "", file_), std::string(253, 'a') + "\xC3\xA9");
}

TEST_F(IniTest, MissingKeyIsWrittenOnceAndThenFound) {
  WriteBytes(file_, "[s]\r\na=1\r\n");
  EXPECT_EQ(ReadIniValue("s", "b", "2", file_), "2");
  const std::string afterFirstRead = ReadBytes(file_);
  EXPECT_EQ(afterFirstRead, "[s]\r\na=1\r\nb=2\r\n");
  EXPECT_EQ(ReadIniValue("s", "b", "other", file_), "2");
  EXPECT_EQ(ReadBytes(file_), afterFirstRead);
}

TEST_F(IniTest, MissingFileAndSectionAreCreated) {
  EXPECT_EQ(ReadIniValue("Show", "total", "5", file_), "5");
  EXPECT_EQ(ReadBytes(file_), "[Show]\r\ntotal=5\r\n");

  EXPECT_TRUE(WriteIniValue(" New ", " key ", "v", file_));
  EXPECT_EQ(ReadBytes(file_), "[Show]\r\ntotal=5\r\n[New]\r\nkey=v\r\n");

  WriteBytes(file_, "[a]\r\nx=1");
  EXPECT_TRUE(WriteIniValue("b", "y", "2", file_));
  EXPECT_EQ(ReadBytes(file_), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
}

TEST_F(IniTest, NewKeyFollowsLastKeyOfItsSection) {
  WriteBytes(file_, "[a]\r\nx=1\r\n; about b\r\ny=2\r\n\r\n; about c\r\n[c]\r\n[a]\r\nz=3\r\n");
  EXPECT_TRUE(WriteIniValue("A", "new", "v", file_));
  EXPECT_TRUE(WriteIniValue("c", "first", "w", file_));
  EXPECT_EQ(ReadBytes(file_),
            "[a]\r\nx=1\r\n; about b\r\ny=2\r\nnew=v\r\n\r\n; about c\r\n[c]\r\nfirst=w\r\n"
            "[a]\r\nz=3\r\n");

  // The new last line takes over the missing final line end.
  WriteBytes(file_, "[a]\r\nx=1");
  EXPECT_TRUE(WriteIniValue("a", "y", "2", file_));
  EXPECT_EQ(ReadBytes(file_), "[a]\r\nx=1\r\ny=2");
}

TEST_F(IniTest, LfOnlyFileGetsLfLines) {
  WriteBytes(file_, "[a]\nx=1\n");
  EXPECT_TRUE(WriteIniValue("a", "y", "2", file_));
  EXPECT_TRUE(WriteIniValue("b", "z", "3", file_));
  EXPECT_EQ(ReadBytes(file_), "[a]\nx=1\ny=2\n[b]\nz=3\n");
}

TEST_F(IniTest, ReplacingAKeyKeepsEveryOtherByte) {
  WriteBytes(file_, kMixedFile);
  EXPECT_TRUE(WriteIniValue("show", "TOTAL", "4", file_));
  std::string expected(kMixedFile);
  expected.replace(expected.find("Total = 3"), 9, "Total=4");
  EXPECT_EQ(ReadBytes(file_), expected);
  EXPECT_EQ(ReadIniValue("Other", "total", "", file_), "9");
  EXPECT_EQ(ReadIniValue("Last", "end", "", file_), "1");
}

TEST_F(IniTest, FileIsReadAndWrittenInItsOwnEncoding) {
  WriteBytes(file_, "[Show]\r\nTitle=Caf\xE9\r\nNa\xEFve=1\r\n");
  EXPECT_EQ(ReadIniValue("Show", "Title", "", file_), "Caf\xC3\xA9");
  EXPECT_EQ(ReadIniValue("Show", "Na\xC3\xAFve", "", file_), "1");

  EXPECT_TRUE(WriteIniValue("Show", "Title", "\xC3\x89t\xC3\xA9", file_));
  EXPECT_EQ(ReadBytes(file_), "[Show]\r\nTitle=\xC9t\xE9\r\nNa\xEFve=1\r\n");

  WriteBytes(file_, "[Show]\r\nTitle=Caf\xC3\xA9\r\n");
  EXPECT_EQ(ReadIniValue("Show", "Title", "", file_), "Caf\xC3\xA9");
  EXPECT_TRUE(WriteIniValue("Show", "Next", "\xC3\x89t\xC3\xA9", file_));
  EXPECT_EQ(ReadBytes(file_), "[Show]\r\nTitle=Caf\xC3\xA9\r\nNext=\xC3\x89t\xC3\xA9\r\n");
}

TEST_F(IniTest, UnwritablePathFailsAndReadStillAnswersTheDefault) {
  std::filesystem::create_directory(file_);
  EXPECT_FALSE(WriteIniValue("s", "k", "v", file_));
  EXPECT_EQ(ReadIniValue("s", "k", "7", file_), "7");
  EXPECT_TRUE(std::filesystem::is_directory(file_));

  const auto inMissingFolder = dir_ / "missing" / "slideshow.dat";
  EXPECT_FALSE(WriteIniValue("s", "k", "v", inMissingFolder));
  EXPECT_EQ(ReadIniValue("s", "k", "7", inMissingFolder), "7");
  EXPECT_FALSE(std::filesystem::exists(inMissingFolder.parent_path()));
}

}  // namespace
}  // namespace vt::mIni
